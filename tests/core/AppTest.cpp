// The application object, message maps and runtime classes: names, settings, document strings, the command
// line and the shell commands, the file prompt, and the default message-box sink.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/core/CDocTemplate.h"
#include "platform/core/CDocument.h"
#include "platform/core/CWinApp.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/MessageBox.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"
#include "tests/support/Resources.h"

using tvqtest::MessageRecorder;
using tvqtest::PathString;
using tvqtest::ResImageBuilder;
using tvqtest::ScopedResourceHandle;
using tvqtest::ScopedEnv;
using tvqtest::TempDir;
using tvqtest::WriteFileBytes;

namespace {

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// ---- run-time classes and message maps ----------------------------------------------------------------------

class Handler : public CCmdTarget {
  DECLARE_DYNCREATE(Handler)

 public:
  std::vector<std::string> calls;
  void OnOne() { calls.push_back("one"); }
  void OnRange() { calls.push_back("range"); }
  void OnChanged() { calls.push_back("changed"); }
  void OnClick(NMHDR* header, LRESULT* result) {
    calls.push_back("click " + std::to_string(header->idFrom));
    *result = 7;
  }
  void OnSize(UINT type, int cx, int cy) { calls.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy)); }

  DECLARE_MESSAGE_MAP()
};

class DerivedHandler : public Handler {
  DECLARE_DYNCREATE(DerivedHandler)

 public:
  void OnOwn() { calls.push_back("own"); }
  void OnOneOverride() { calls.push_back("derived one"); }

  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(Handler, CCmdTarget)
IMPLEMENT_DYNCREATE(DerivedHandler, Handler)

BEGIN_MESSAGE_MAP(Handler, CCmdTarget)
ON_COMMAND(100, OnOne)
ON_COMMAND_RANGE(200, 209, OnRange)
ON_EN_CHANGE(300, OnChanged)
ON_NOTIFY(NM_CLICK, 400, OnClick)
ON_WM_SIZE()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(DerivedHandler, Handler)
ON_COMMAND(500, OnOwn)
ON_COMMAND(100, OnOneOverride)
END_MESSAGE_MAP()

TEST(MessageMapTest, CommandsFindTheirEntriesThroughTheChain) {
  DerivedHandler handler;
  EXPECT_TRUE(handler.OnCmdMsg(500, CN_COMMAND));
  EXPECT_TRUE(handler.OnCmdMsg(100, CN_COMMAND));  // the derived entry wins
  EXPECT_TRUE(handler.OnCmdMsg(200, CN_COMMAND));
  EXPECT_TRUE(handler.OnCmdMsg(209, CN_COMMAND));
  EXPECT_FALSE(handler.OnCmdMsg(210, CN_COMMAND));
  EXPECT_FALSE(handler.OnCmdMsg(199, CN_COMMAND));
  EXPECT_FALSE(handler.OnCmdMsg(300, CN_COMMAND));  // wrong code
  EXPECT_TRUE(handler.OnCmdMsg(300, static_cast<int>(EN_CHANGE)));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"own", "derived one", "range", "range", "changed"}));
}

TEST(MessageMapTest, NotificationsAndWindowMessagesCarryTheirArguments) {
  Handler handler;
  NMHDR header;
  header.idFrom = 400;
  header.code = NM_CLICK;
  LRESULT result = 0;
  AFX_MSG_ARGS notify;
  notify.message = WM_NOTIFY;
  notify.nCode = NM_CLICK;
  notify.nID = 400;
  notify.pNMHDR = &header;
  notify.pResult = &result;
  EXPECT_TRUE(handler.DispatchMsg(notify));
  EXPECT_EQ(result, 7);
  AFX_MSG_ARGS size;
  size.message = WM_SIZE;
  size.cx = 240;
  size.cy = 320;
  EXPECT_TRUE(handler.DispatchMsg(size));
  AFX_MSG_ARGS create;
  create.message = WM_CREATE;
  EXPECT_FALSE(handler.DispatchMsg(create));
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"click 400", "size 240x320"}));
  EXPECT_EQ(AfxFindMessageEntry(CCmdTarget::GetThisMessageMap(), WM_COMMAND, 0, 100), nullptr);
}

TEST(RuntimeClassTest, CreatesAndTellsKinds) {
  std::unique_ptr<Handler> made = AfxCreateObject<Handler>(RUNTIME_CLASS(DerivedHandler));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(DerivedHandler));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(Handler)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CDocument)));
  EXPECT_EQ(AfxCreateObject<DerivedHandler>(RUNTIME_CLASS(Handler)), nullptr);  // not a DerivedHandler
  EXPECT_EQ(AfxCreateObject<CDocument>(RUNTIME_CLASS(CDocument)), nullptr);    // not creatable
  EXPECT_STREQ(RUNTIME_CLASS(DerivedHandler)->m_lpszClassName, "DerivedHandler");
}

// ---- the application object ---------------------------------------------------------------------------------

class NamedDoc : public CDocument {
 public:
  void Serialize(CArchive&) override {}
};

// A template with one document, its strings given in code (no resources in these tests).
class OneDocTemplate : public CDocTemplate {
 public:
  explicit OneDocTemplate(CString docStrings) : CDocTemplate(128, RUNTIME_CLASS(CDocument), nullptr, nullptr) {
    m_strDocStrings = std::move(docStrings);
    m_docStringsLoaded = true;
  }
  CDocument* OpenDocumentFile(const CString* pathName, BOOL) override {
    opened.push_back(pathName ? pathName->ToUtf8() : "<new>");
    if (!m_doc.SaveModified()) return nullptr;
    if (!pathName) {
      SetDefaultTitle(&m_doc);
      return m_doc.OnNewDocument() ? &m_doc : nullptr;
    }
    if (!m_doc.OnOpenDocument(*pathName)) return nullptr;
    m_doc.SetPathName(*pathName);
    return &m_doc;
  }
  CDocument* GetDocument() const override { return const_cast<NamedDoc*>(&m_doc); }

  std::vector<std::string> opened;
  NamedDoc m_doc;
};

const CString kTemplateString(
    u"Tarvelquist\n\nTarvelquist\nTarvelquist Files (*.tvq)\n.tvq\nTarvelQuist.Document\nTarvelquist.Document");

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp(nullptr) {}
  using CWinApp::OnFileNew;
  using CWinApp::OnFileOpen;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
END_MESSAGE_MAP()

class AppTest : public ::testing::Test {
 protected:
  // The framework's start-up names the application before anything else runs.
  AppTest() { m_app.SetCurrentHandles(); }

  OneDocTemplate* AddTemplate(const CString& strings = kTemplateString) {
    auto docTemplate = std::make_unique<OneDocTemplate>(strings);
    OneDocTemplate* raw = docTemplate.get();
    m_app.AddDocTemplate(std::move(docTemplate));
    return raw;
  }

  TempDir m_dir;
  ScopedEnv m_config{"XDG_CONFIG_HOME", (m_dir / "config").string()};
  MessageRecorder m_messages;
  TestApp m_app;
};

// String AFX_IDS_APP_TITLE alone in its block of the string table (block 3585 holds 57344 to 57359).
std::vector<BYTE> AppTitleBlock(const std::u16string& title) {
  std::vector<BYTE> block;
  auto word = [&block](unsigned value) {
    block.push_back(static_cast<BYTE>(value & 0xFF));
    block.push_back(static_cast<BYTE>(value >> 8));
  };
  word(static_cast<unsigned>(title.size()));
  for (const char16_t unit : title) word(unit);
  for (int rest = 1; rest < 16; ++rest) word(0);
  return block;
}

TEST_F(AppTest, TheNameComesFromTheStringTableRegisteredAfterTheObject) {
  TestApp early;  // built before the resources, as the program's global object is
  EXPECT_TRUE(early.m_pszAppName.IsEmpty());
  ResImageBuilder image;
  image.Add(ResId(RT_STRING), ResId(static_cast<WORD>(AFX_IDS_APP_TITLE / 16 + 1)), AppTitleBlock(u"Named by the table"));
  const std::vector<BYTE> bytes = image.Bytes();
  CResourceModule module(bytes);
  {
    ScopedResourceHandle scope(&module);
    early.SetCurrentHandles();
    EXPECT_EQ(early.m_pszAppName, CString(u"Named by the table"));
    TestApp late;  // resources already there: named at once
    EXPECT_EQ(late.m_pszAppName, CString(u"Named by the table"));
  }
  // No string table at all: the executable's name.
  TestApp bare;
  bare.SetCurrentHandles();
  EXPECT_EQ(bare.m_pszExeName, CString(u"core_tests"));
  EXPECT_EQ(bare.m_pszAppName, CString(u"core_tests"));
}

TEST_F(AppTest, TheLastConstructedAppIsTheOneAndMessageBoxesCarryItsName) {
  EXPECT_EQ(AfxGetApp(), &m_app);
  {
    CWinApp other(u"Other");
    EXPECT_EQ(AfxGetApp(), &other);
    EXPECT_EQ(other.m_pszAppName, CString(u"Other"));
    AfxMessageBox(CString(u"hello"));
    EXPECT_EQ(m_messages.messages.back().caption, "Other");
  }
  EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST_F(AppTest, ProfileStringsLiveInTheConfigFolder) {
  m_app.m_pszAppName = CString(u"Tarvelquist");  // as the program's string table names it
  m_app.SetRegistryKey(CString(u"VORNAKEL"));
  const auto file = m_dir / "config" / "VORNAKEL" / "Tarvelquist.conf";
  EXPECT_EQ(m_app.GetProfilePath(), PathString(file));
  EXPECT_EQ(m_app.GetProfileString(CString(u"Recent File List"), CString(u"File_tvq"), CString(u"none")),
            CString(u"none"));
  const CString value(u"/home/u/件名 list.tvq");
  EXPECT_TRUE(m_app.WriteProfileString(CString(u"Recent File List"), CString(u"File_tvq"), value));
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string text = FileText(file);
  EXPECT_NE(text.find("File_tvq="), std::string::npos) << text;
  EXPECT_NE(text.find("Recent"), std::string::npos) << text;
  EXPECT_EQ(m_app.GetProfileString(CString(u"Recent File List"), CString(u"File_tvq")), value);
  EXPECT_EQ(m_app.GetProfileString(CString(u"Other"), CString(u"File_tvq"), CString(u"d")), CString(u"d"));

  // The location is computed on every call.
  ScopedEnv elsewhere("XDG_CONFIG_HOME", (m_dir / "second").string());
  EXPECT_EQ(m_app.GetProfileString(CString(u"Recent File List"), CString(u"File_tvq")), CString());
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");  // ignored: falls back to ~/.config
  ScopedEnv home("HOME", (m_dir / "home").string());
  EXPECT_EQ(m_app.GetProfilePath(), PathString(m_dir / "home" / ".config" / "VORNAKEL" / "Tarvelquist.conf"));
}

TEST_F(AppTest, DocStringsAndDefaultTitle) {
  OneDocTemplate* docTemplate = AddTemplate();
  CString field;
  EXPECT_TRUE(docTemplate->GetDocString(field, CDocTemplate::windowTitle));
  EXPECT_EQ(field, CString(u"Tarvelquist"));
  EXPECT_TRUE(docTemplate->GetDocString(field, CDocTemplate::docName));
  EXPECT_TRUE(field.IsEmpty());
  EXPECT_TRUE(docTemplate->GetDocString(field, CDocTemplate::filterExt));
  EXPECT_EQ(field, CString(u".tvq"));
  EXPECT_TRUE(docTemplate->GetDocString(field, CDocTemplate::regFileTypeName));
  EXPECT_EQ(field, CString(u"Tarvelquist.Document"));
  NamedDoc doc;
  docTemplate->SetDefaultTitle(&doc);
  EXPECT_EQ(doc.GetTitle(), CString(u"Untitled"));

  OneDocTemplate named(CString(u"W\nTasks"));
  named.SetDefaultTitle(&doc);
  EXPECT_EQ(doc.GetTitle(), CString(u"Tasks"));
  EXPECT_FALSE(named.GetDocString(field, CDocTemplate::filterName));
  EXPECT_TRUE(field.IsEmpty());
}

TEST_F(AppTest, CommandLineFirstFileOpensIt) {
  char arg0[] = "tarvelquist";
  char flag[] = "--nologo";
  char file[] = "/tmp/a.tvq";
  char second[] = "/tmp/b.tvq";
  char* argv[] = {arg0, flag, file, second};
  m_app.SetCommandLine(4, argv);
  CCommandLineInfo info;
  m_app.ParseCommandLine(info);
  EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
  EXPECT_EQ(info.m_strFileName, CString(u"/tmp/a.tvq"));  // the flag is no file

  CCommandLineInfo none;
  m_app.SetCommandLine(1, argv);
  m_app.ParseCommandLine(none);
  EXPECT_EQ(none.m_nShellCommand, CCommandLineInfo::FileNew);
}

TEST_F(AppTest, ShellCommandsGoThroughTheTemplate) {
  OneDocTemplate* docTemplate = AddTemplate();
  CCommandLineInfo info;
  EXPECT_TRUE(m_app.ProcessShellCommand(info));  // FileNew through the app's map
  EXPECT_EQ(docTemplate->m_doc.GetTitle(), CString(u"Untitled"));

  const auto path = m_dir / "start.tvq";
  WriteFileBytes(path, {});
  info.m_nShellCommand = CCommandLineInfo::FileOpen;
  info.m_strFileName = PathString(path);
  EXPECT_TRUE(m_app.ProcessShellCommand(info));
  EXPECT_EQ(docTemplate->m_doc.GetPathName(), PathString(path));

  info.m_strFileName = PathString(m_dir / "missing.tvq");
  EXPECT_FALSE(m_app.ProcessShellCommand(info));
  ASSERT_EQ(m_messages.messages.size(), 1U);
  EXPECT_EQ(m_messages.messages[0].text, (m_dir / "missing.tvq").string() + " was not found.");
  EXPECT_EQ(docTemplate->opened, (std::vector<std::string>{"<new>", path.string(), (m_dir / "missing.tvq").string()}));

  // Where a main window is expected, FileNew without one fails.
  m_app.SetRequiresMainWindow(true);
  info.m_nShellCommand = CCommandLineInfo::FileNew;
  EXPECT_FALSE(m_app.ProcessShellCommand(info));
}

TEST_F(AppTest, FileOpenPromptsWithTheTemplateFilter) {
  OneDocTemplate* docTemplate = AddTemplate();
  const auto path = m_dir / "picked.tvq";
  WriteFileBytes(path, {});
  std::vector<std::pair<std::string, std::string>> prompts;
  bool answer = false;
  auto previous = CWinApp::SetFilePromptHandler([&](CString& name, const CString& title, const CString& filter) {
    prompts.emplace_back(title.ToUtf8(), filter.ToUtf8());
    name = PathString(path);
    return answer ? TRUE : FALSE;
  });
  EXPECT_TRUE(m_app.OnCmdMsg(ID_FILE_OPEN, CN_COMMAND));  // cancelled: nothing opens
  EXPECT_TRUE(docTemplate->opened.empty());
  answer = true;
  m_app.OnFileOpen();
  CWinApp::SetFilePromptHandler(std::move(previous));
  EXPECT_EQ(docTemplate->opened, std::vector<std::string>{path.string()});
  ASSERT_EQ(prompts.size(), 2U);
  EXPECT_EQ(prompts[0].first, "Open");
  EXPECT_EQ(prompts[0].second, "Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||");
}

TEST_F(AppTest, FilterWithoutTemplateStringsHasOnlyAllFiles) {
  AddTemplate(CString());
  CString seen;
  auto previous = CWinApp::SetFilePromptHandler([&](CString&, const CString&, const CString& filter) {
    seen = filter;
    return FALSE;
  });
  CString name;
  EXPECT_FALSE(m_app.DoPromptFileName(name, TRUE));
  CWinApp::SetFilePromptHandler(std::move(previous));
  EXPECT_EQ(seen, CString(u"All Files (*.*)|*.*||"));
}

TEST(MessageBoxTest, DefaultSinkPrintsAndAnswersTheFirstButton) {
  ::testing::internal::CaptureStderr();
  const int ok = AfxMessageBox(CString(u"Unexpected file format."), MB_ICONEXCLAMATION);
  const int yes = AfxMessageBox(CString(u"q"), MB_YESNO);
  const int okCancel = AfxMessageBox(CString(u"q"), MB_OKCANCEL);
  const int fromId = AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ok, IDOK);
  EXPECT_EQ(yes, IDYES);
  EXPECT_EQ(okCancel, IDOK);
  EXPECT_EQ(fromId, IDOK);
  // Without an application object the caption is the executable's name.
  EXPECT_EQ(printed, "core_tests: Unexpected file format.\ncore_tests: q\ncore_tests: q\n"
                     "core_tests: Failed to save document.\n");
}

}  // namespace
