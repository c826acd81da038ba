// Shared by the list benchmarks: the program's windows on Qt's offscreen platform, task lists of a given shape,
// and the process's peak memory.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"

class CSingleDocTemplate;
class CTarvelquistDoc;
class CTarvelquistView;

namespace viewbench {

// The shapes of subject keys that the sort is measured on.
enum class Order { random, sorted, reversed, few, equal };
const char* OrderName(Order order);

// n subjects of that shape (random ones from a fixed seed).
std::vector<CString> MakeSubjects(Order order, int n);

// The program's document template with its frame, view and document, created on first use by opening a new
// document, exactly as the program starts without a remembered file. It exists while RunBenchmarks runs the
// benchmarks and goes before the Qt application does.
struct Program {
  CSingleDocTemplate* docTemplate;
  CTarvelquistDoc* document;
  CTarvelquistView* view;
};
Program& TheProgram();

// Replaces the document's tasks with one task per subject (due dates, priorities and memos varied, every
// seventh without a due date) and refills the view, the way an initial update does after an open.
void LoadTasks(const std::vector<CString>& subjects);

// Writes a document file of n tasks into a temporary folder (once per n) and returns its path.
CString TaskFile(int n);

// Peak resident memory of the process so far, in megabytes.
double PeakMemoryMegabytes();

// Offscreen Qt, the window layer and the program's resources; then Google Benchmark's own main; then the peak
// memory of the whole run.
int RunBenchmarks(int argc, char** argv);

}  // namespace viewbench
