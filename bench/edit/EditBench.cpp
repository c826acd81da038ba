// The list's editing at scale: the column sort through the header notification and its undo, and the five task
// commands at row 50,000 of 100,000 tasks; and the editor alone, opened and confirmed at once.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include "bench/view/ViewBenchSupport.h"
#include "doc/CTarvelquistDoc.h"
#include "editor/CTarvelquistIns.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CDialogTestHooks.h"
#include "res/resource.h"
#include "view/CTarvelquistView.h"

namespace {

using viewbench::Order;
using Clock = std::chrono::steady_clock;

// The notification the list sends for a tap on a header button, delivered through the view's map.
void ClickColumn(CTarvelquistView& view, int column) {
  NMLISTVIEW record;
  record.hdr.hwndFrom = view.m_taskList.GetSafeHwnd();
  record.hdr.idFrom = IDC_TASKLIST;
  record.hdr.code = LVN_COLUMNCLICK;
  record.iSubItem = column;
  LRESULT result = -1;
  view.OnNotify(&record.hdr, &result);
}

void BM_Sort(benchmark::State& state, Order order) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<CString> subjects = viewbench::MakeSubjects(order, n);
  viewbench::Program& program = viewbench::TheProgram();
  for (auto _ : state) {
    viewbench::LoadTasks(subjects);  // a fresh, unsorted list each time, not timed
    const auto start = Clock::now();
    ClickColumn(*program.view, 0);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  if (program.document->GetTaskCount() != n) state.SkipWithError("tasks lost");
}

// Undoing the column sort of a random list (the step holds the sort's permutation), redone untimed each time.
void BM_UndoSort(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  viewbench::Program& program = viewbench::TheProgram();
  viewbench::LoadTasks(viewbench::MakeSubjects(Order::random, n));
  ClickColumn(*program.view, 0);
  for (auto _ : state) {
    const auto start = Clock::now();
    program.view->OnCmdMsg(ID_EDIT_UNDO, CN_COMMAND);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    program.view->OnCmdMsg(ID_EDIT_REDO, CN_COMMAND);
  }
  if (program.document->GetTaskCount() != n || !program.document->History().CanUndo()) state.SkipWithError("lost");
}
BENCHMARK(BM_UndoSort)->Arg(1000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

enum class Command { insert, edit, remove, up, down };

void BM_Command(benchmark::State& state, Command command) {
  constexpr int kRow = 50000;
  const int n = static_cast<int>(state.range(0));
  viewbench::Program& program = viewbench::TheProgram();
  CTarvelquistView& view = *program.view;
  CTarvelquistDoc& document = *program.document;
  viewbench::LoadTasks(viewbench::MakeSubjects(Order::random, n));
  // The editor is answered with OK as soon as it is shown.
  const testhooks::ModalHook previous = testhooks::SetModalHook([](CDialog& dialog) { dialog.EndDialog(IDOK); });
  const UINT id = command == Command::insert ? ID_TASK_INSERT
                  : command == Command::edit ? ID_TASK_EDIT
                  : command == Command::remove ? ID_TASK_DELETE
                  : command == Command::up ? ID_TASK_UP
                                           : ID_TASK_DOWN;
  for (auto _ : state) {
    view.m_taskList.SetItemState(kRow, LVIS_SELECTED, LVIS_SELECTED);
    const auto start = Clock::now();
    view.OnCmdMsg(id, CN_COMMAND);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    // Back to n tasks with nothing selected, untimed.
    if (command == Command::insert) {
      view.m_taskList.DeleteItem(kRow);
      document.RemoveTask(kRow);
    } else if (command == Command::remove) {
      document.SelectTask(kRow);
      view.InsertTaskRow(kRow);
      document.InsertTask(kRow);
    }
    view.m_taskList.SetItemState(-1, 0, LVIS_SELECTED);
  }
  testhooks::SetModalHook(previous);
  if (document.GetTaskCount() != n || view.m_taskList.GetItemCount() != n) state.SkipWithError("count drifted");
}

// The editor's whole run for a task with a subject, a two-line memo and priority B3, answered with OK as soon
// as it is shown: building it from its template, the data exchange, showing, closing and destroying it.
void BM_Editor(benchmark::State& state) {
  viewbench::TheProgram();  // the main window that the editor covers
  const testhooks::ModalHook previous = testhooks::SetModalHook([](CDialog& dialog) { dialog.EndDialog(IDOK); });
  for (auto _ : state) {
    CTarvelquistIns editor;
    editor.m_subject = CString(u"報告書を書く");
    editor.m_memo = CString(u"月曜の会議まで\r\n表と図を添える");
    editor.m_priorityLetter = 2;
    editor.m_priorityDigit = 3;
    const auto start = Clock::now();
    const INT_PTR result = editor.DoModal();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (result != IDOK) state.SkipWithError("the editor did not end with OK");
  }
  testhooks::SetModalHook(previous);
}

void Register() {
  for (Order order : {Order::random, Order::sorted, Order::reversed, Order::few, Order::equal}) {
    benchmark::RegisterBenchmark((std::string("BM_Sort/") + viewbench::OrderName(order)).c_str(), BM_Sort, order)
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  const std::pair<const char*, Command> commands[] = {{"insert", Command::insert},
                                                      {"edit", Command::edit},
                                                      {"delete", Command::remove},
                                                      {"up", Command::up},
                                                      {"down", Command::down}};
  for (const auto& [name, command] : commands) {
    benchmark::RegisterBenchmark((std::string("BM_Command/") + name).c_str(), BM_Command, command)
        ->Arg(100000)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("BM_Editor", BM_Editor)->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  return viewbench::RunBenchmarks(argc, argv);
}
