// Opening a file of N tasks through the document template and showing it in the list.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/view/ViewBenchSupport.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/ui/CSingleDocTemplate.h"
#include "view/CTarvelquistView.h"

namespace {

void BM_OpenAndFill(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const CString path = viewbench::TaskFile(n);
  viewbench::Program& program = viewbench::TheProgram();
  for (auto _ : state) {
    // The framework's Open: empty the document, read the file, then the view's initial update fills the list;
    // the pending layout and paint run as the event loop would run them next.
    if (!program.docTemplate->OpenDocumentFile(&path, TRUE)) state.SkipWithError("open failed");
    QApplication::processEvents();
  }
  if (program.view->m_taskList.GetItemCount() != n) state.SkipWithError("the list does not show every task");
  state.counters["rows"] = program.view->m_taskList.GetItemCount();
  state.counters["peak_MB"] = viewbench::PeakMemoryMegabytes();
}
BENCHMARK(BM_OpenAndFill)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return viewbench::RunBenchmarks(argc, argv); }
