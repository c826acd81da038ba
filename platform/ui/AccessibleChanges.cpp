// The list's changes as accessible events: gathered row changes, selection and focus, and the tests' sink.
#include "platform/ui/AccessibleChanges.h"

#include <QWidget>

#include <algorithm>
#include <utility>

#include "platform/ui/AccessibleChangesTestHooks.h"

namespace listview {

namespace {

testhooks::EventSink g_sink;
bool g_active = false;  // assistive technology is active

void Send(QAccessibleEvent& event) {
  if (g_sink) {
    g_sink(event);
  } else {
    QAccessible::updateAccessibility(&event);
  }
}

// More row changes than this between two layouts are told as one reset (a refill of the whole list).
constexpr std::size_t kMaxPendingChanges = 32;

}  // namespace

void AccessibleChanges::SetActive(bool active) {
  g_active = active;
  UpdateListening();
}

void AccessibleChanges::UpdateListening() { s_listening = g_active || g_sink; }

void AccessibleChanges::Add(const Change& change) {
  if (m_reset) return;
  if (!m_pending.empty()) {
    // The texts of a row just inserted are part of the insert.
    const Change& last = m_pending.back();
    if (change.type == QAccessibleTableModelChangeEvent::DataChanged && change.row == last.row &&
        (last.type == QAccessibleTableModelChangeEvent::RowsInserted ||
         (last.type == QAccessibleTableModelChangeEvent::DataChanged && last.column == change.column))) {
      return;
    }
  }
  if (m_pending.size() >= kMaxPendingChanges) {
    Reset();
    return;
  }
  m_pending.push_back(change);
}

void AccessibleChanges::Reset() {
  if (!s_listening) return;
  m_pending.clear();
  m_reset = true;
}

void AccessibleChanges::Flush(QWidget* list, int columnCount) {
  if (!m_reset && m_pending.empty()) return;
  if (m_reset) {
    QAccessibleTableModelChangeEvent event(list, QAccessibleTableModelChangeEvent::ModelReset);
    Send(event);
  }
  for (const Change& change : m_pending) {
    QAccessibleTableModelChangeEvent event(list, change.type);
    event.setFirstRow(change.row);
    event.setLastRow(change.row);
    event.setFirstColumn(change.column < 0 ? 0 : change.column);
    event.setLastColumn(change.column < 0 ? std::max(0, columnCount - 1) : change.column);
    Send(event);
  }
  m_pending.clear();
  m_reset = false;
}

void AccessibleChanges::SelectionChanged(QWidget* list, int columnCount, int row, bool selected) {
  if (!s_listening || columnCount == 0) return;
  QAccessibleEvent event(list, selected ? QAccessible::SelectionAdd : QAccessible::SelectionRemove);
  event.setChild(ChildIndex(row, 0, columnCount));
  Send(event);
}

void AccessibleChanges::FocusMoved(QWidget* list, int columnCount, int row) {
  if (!s_listening || !list->hasFocus() || row < 0 || columnCount == 0) return;
  QAccessibleEvent event(list, QAccessible::Focus);
  event.setChild(ChildIndex(row, 0, columnCount));
  Send(event);
}

}  // namespace listview

testhooks::EventSink testhooks::SetEventSink(EventSink sink) {
  EventSink previous = std::exchange(listview::g_sink, std::move(sink));
  listview::AccessibleChanges::SetActive(listview::g_active);  // listening again: active, or a sink set
  return previous;
}
