// The benchmark run's program, held in a scope inside the Qt application, the lists filled through the task
// commands, the saved task files cached by size, and the peak memory read from getrusage.
#include "bench/view/ViewBenchSupport.h"

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <map>
#include <random>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "app/MainFrm.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/CSingleDocTemplate.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "view/CTarvelquistView.h"

namespace viewbench {

const char* OrderName(Order order) {
  switch (order) {
    case Order::random: return "random";
    case Order::sorted: return "sorted";
    case Order::reversed: return "reversed";
    case Order::few: return "few";
    case Order::equal: return "equal";
  }
  return "?";
}

std::vector<CString> MakeSubjects(Order order, int n) {
  std::vector<CString> subjects;
  subjects.reserve(static_cast<std::size_t>(n));
  std::mt19937 random(20080315);
  auto numbered = [](int i) {
    char text[32];
    std::snprintf(text, sizeof text, "Task %07d", i);
    return CString::FromUtf8(text);
  };
  for (int i = 0; i < n; ++i) {
    switch (order) {
      case Order::random: {
        std::u16string text(10, u'a');
        for (char16_t& unit : text) unit = static_cast<char16_t>(u'a' + random() % 26);
        subjects.emplace_back(std::move(text));
        break;
      }
      case Order::sorted: subjects.push_back(numbered(i)); break;
      case Order::reversed: subjects.push_back(numbered(n - i)); break;
      case Order::few: subjects.push_back(numbered(static_cast<int>(random() % 3))); break;
      case Order::equal: subjects.push_back(numbered(7)); break;
    }
  }
  return subjects;
}

namespace {

// The program's windows for one run of the benchmarks. RunBenchmarks owns it in a scope inside the Qt
// application's, so the widgets go while the application still exists, whatever the order of static
// destruction; a static object owning them would delete widgets after the application has gone.
class ProgramScope {
 public:
  ProgramScope() { s_current = this; }
  ~ProgramScope() {
    m_template.reset();
    s_current = nullptr;
  }
  ProgramScope(const ProgramScope&) = delete;
  ProgramScope& operator=(const ProgramScope&) = delete;

  static ProgramScope* Current() { return s_current; }

  // Created on first use by opening a new document, as the program starts without a remembered file.
  Program& Windows() {
    if (!m_template) {
      m_template = std::make_unique<CSingleDocTemplate>(IDR_MAINFRAME, RUNTIME_CLASS(CTarvelquistDoc),
                                                        RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CTarvelquistView));
      m_template->OpenDocumentFile(nullptr, TRUE);
      m_program = Program{m_template.get(), static_cast<CTarvelquistDoc*>(m_template->GetDocument()),
                          static_cast<CTarvelquistView*>(m_template->GetView())};
    }
    return m_program;
  }

 private:
  static inline ProgramScope* s_current = nullptr;
  std::unique_ptr<CSingleDocTemplate> m_template;
  Program m_program{};
};

}  // namespace

Program& TheProgram() {
  ProgramScope* scope = ProgramScope::Current();
  if (!scope) {
    std::fprintf(stderr, "the program's windows exist only while RunBenchmarks runs\n");
    std::abort();
  }
  return scope->Windows();
}

namespace {

void FillDocument(CTarvelquistDoc& document, const std::vector<CString>& subjects) {
  document.DeleteContents();
  static const CString priorities[] = {u"A1", u"B2", u"C3", u"P0", u"A9"};
  const COleDateTime noDueDate = NoDueDateValue();
  TaskCommands commands(document);
  TaskItem task;
  for (std::size_t i = 0; i < subjects.size(); ++i) {
    task.subject = subjects[i];
    task.dueDate = i % 7 == 0 ? noDueDate : COleDateTime(39522.0 + static_cast<double>(i % 900) + 0.25);
    task.priority = priorities[i % 5];
    task.memo = i % 3 == 0 ? CString() : CString(u"memo line\r\nsecond line");
    commands.Insert(static_cast<int>(i), task);
  }
  document.SetModifiedFlag(FALSE);
}

}  // namespace

void LoadTasks(const std::vector<CString>& subjects) {
  Program& program = TheProgram();
  FillDocument(*program.document, subjects);
  program.view->OnInitialUpdate();
}

CString TaskFile(int n) {
  static QTemporaryDir folder;
  static std::map<int, CString> files;
  if (auto found = files.find(n); found != files.end()) return found->second;
  CTarvelquistDoc document;
  FillDocument(document, MakeSubjects(Order::random, n));
  const CString path = CString::FromQString(QDir(folder.path()).filePath(QString("tasks%1.tvq").arg(n)));
  if (!document.OnSaveDocument(path)) std::fprintf(stderr, "could not write %s\n", path.ToUtf8().c_str());
  files.emplace(n, path);
  return path;
}

double PeakMemoryMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

int RunBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings and documents go to a throw-away place.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
  qputenv("XDG_DOCUMENTS_DIR", QDir(home.path()).filePath("documents").toUtf8());
  QApplication app(argc, argv);
  AfxInitWindowLayer(app);
  RegisterTarvelquistResources();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  {
    ProgramScope program;
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  std::printf("peak resident memory of the run: %.1f MB\n", PeakMemoryMegabytes());
  return 0;
}

}  // namespace viewbench
