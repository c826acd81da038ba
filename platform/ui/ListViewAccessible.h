// The list control as assistive technology (AT-SPI, screen readers) sees it: a table with the column headers,
// one row per item and a cell per column, selected and focused states. Cells are made only when asked for, so
// a list of 100,000 rows costs nothing until a reader looks at it. What changes is told by AccessibleChanges.
#pragma once

namespace listview {

// Registers the list's accessibility interface with Qt, and follows whether assistive technology is active
// (once; safe to call again).
void InstallListViewAccessibility();

}  // namespace listview
