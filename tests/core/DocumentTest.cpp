// The framework's document base: open and save round trips, failure messages, untitled names, the modified
// flag and the save command.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <new>

#include "platform/core/CArchive.h"
#include "platform/core/CDocTemplate.h"
#include "platform/core/CDocument.h"
#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/core/FrameworkStrings.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

using tvqtest::Bytes;
using tvqtest::MessageRecorder;
using tvqtest::PathString;
using tvqtest::ReadFileBytes;
using tvqtest::ScopedEnv;
using tvqtest::TempDir;
using tvqtest::WriteFileBytes;

namespace {

// A document of strings: a 32-bit count, then the strings.
class StringsDoc : public CDocument {
 public:
  void Serialize(CArchive& ar) override {
    ++serializeCalls;
    if (ar.IsStoring()) {
      if (throwOnStore) throw std::bad_alloc();
      ar << static_cast<LONG>(items.size());
      for (const CString& item : items) ar << item;
      SetModifiedFlag(FALSE);  // as the program's document does while storing
    } else {
      LONG count = 0;
      ar >> count;
      for (LONG i = 0; i < count; ++i) {
        CString item;
        ar >> item;
        items.push_back(item);
      }
    }
  }
  void DeleteContents() override { items.clear(); }

  std::vector<CString> items;
  int serializeCalls = 0;
  bool throwOnStore = false;
};

// A template whose strings are given in code (no resources here): a document takes its files' extension from it.
class StringsTemplate : public CDocTemplate {
 public:
  explicit StringsTemplate(CString docStrings) : CDocTemplate(128, nullptr, nullptr, nullptr) {
    m_strDocStrings = std::move(docStrings);
    m_docStringsLoaded = true;
  }
  CDocument* OpenDocumentFile(const CString*, BOOL) override { return nullptr; }
  CDocument* GetDocument() const override { return nullptr; }
};

class DocumentTest : public ::testing::Test {
 protected:
  void TearDown() override { testhooks::SetFaultInjector({}); }

  std::filesystem::path Path(const std::string& name) const { return m_dir / name; }

  void WriteDocFile(const std::filesystem::path& path, const std::vector<CString>& items) {
    StringsDoc writer;
    writer.items = items;
    ASSERT_TRUE(writer.OnSaveDocument(PathString(path)));
  }

  std::vector<std::string> Texts() const { return m_messages.Texts(); }

  TempDir m_dir;
  MessageRecorder m_messages;
  StringsDoc m_doc;
};

TEST_F(DocumentTest, SaveThenOpenRoundTrips) {
  m_doc.items = {CString(u"件名"), CString(u"a\0b", 3)};
  m_doc.SetModifiedFlag(TRUE);
  const auto path = Path("list.tvq");
  ASSERT_TRUE(m_doc.DoSave(PathString(path)));
  EXPECT_FALSE(m_doc.IsModified());
  EXPECT_EQ(m_doc.GetPathName(), PathString(path));
  EXPECT_EQ(m_doc.GetTitle(), CString(u"list.tvq"));

  StringsDoc reader;
  reader.items = {CString(u"old"), CString(u"older"), CString(u"oldest")};
  ASSERT_TRUE(reader.OnOpenDocument(PathString(path)));
  EXPECT_EQ(reader.items, m_doc.items);  // the old contents are gone
  EXPECT_FALSE(reader.IsModified());
  EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(DocumentTest, OpenOfAMissingFileReportsAndLeavesTheDocument) {
  m_doc.items = {CString(u"kept")};
  m_doc.SetModifiedFlag(TRUE);
  ASSERT_FALSE(m_doc.OnOpenDocument(PathString(Path("gone.tvq"))));
  EXPECT_EQ(m_doc.items.size(), 1U);
  EXPECT_TRUE(m_doc.IsModified());
  ASSERT_EQ(m_messages.messages.size(), 1U);
  EXPECT_EQ(m_messages.messages[0].text, Path("gone.tvq").string() + " was not found.");
  EXPECT_EQ(m_messages.messages[0].type, MB_ICONEXCLAMATION);
  EXPECT_EQ(m_messages.messages[0].caption, "core_tests");  // no application object: the executable's name
}

TEST_F(DocumentTest, FailedLoadEmptiesTheDocument) {
  const auto path = Path("cut.tvq");
  WriteDocFile(path, {CString(u"one"), CString(u"two")});
  Bytes bytes = ReadFileBytes(path);
  bytes.resize(bytes.size() - 2);  // inside the second string
  WriteFileBytes(path, bytes);

  m_doc.items = {CString(u"x"), CString(u"y"), CString(u"z")};
  ASSERT_FALSE(m_doc.OnOpenDocument(PathString(path)));
  EXPECT_TRUE(m_doc.items.empty());  // including the task read before the cut
  EXPECT_TRUE(m_doc.IsModified());   // the read had marked it; the template then starts anew
  EXPECT_EQ(Texts(), std::vector<std::string>{"Unexpected file format."});
}

TEST_F(DocumentTest, LoadFailureMessages) {
  struct Case {
    Bytes bytes;
    const char* message;
  };
  const Case cases[] = {
      {{0x01}, "Unexpected file format."},
      {{0x01, 0x00, 0x00}, "Unexpected file format."},
      {{0x01, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80,
        0, 0, 0, 0},
       "Failed to open document."},
      {{0x01, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
       "Unexpected file format."},
  };
  for (const Case& c : cases) {
    m_messages.messages.clear();
    WriteFileBytes(Path("bad.tvq"), c.bytes);
    EXPECT_FALSE(m_doc.OnOpenDocument(PathString(Path("bad.tvq"))));
    EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
  }
}

TEST_F(DocumentTest, ReadFailureNamesTheFile) {
  const auto path = Path("io.tvq");
  WriteDocFile(path, {CString(u"one")});
  testhooks::SetFaultInjector([](CFile::Operation op, const CString&) { return op == CFile::Operation::read ? EIO : 0; });
  EXPECT_FALSE(m_doc.OnOpenDocument(PathString(path)));
  EXPECT_EQ(Texts(), std::vector<std::string>{"A hardware I/O error was reported while accessing " + path.string() + "."});
}

TEST_F(DocumentTest, EmptyFileLoadsWithoutSerialize) {
  WriteFileBytes(Path("empty.tvq"), {});
  m_doc.items = {CString(u"x")};
  ASSERT_TRUE(m_doc.OnOpenDocument(PathString(Path("empty.tvq"))));
  EXPECT_EQ(m_doc.serializeCalls, 0);
  EXPECT_TRUE(m_doc.items.empty());
  EXPECT_FALSE(m_doc.IsModified());
  EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(DocumentTest, FailedSaveKeepsOldFilePathAndModifiedFlag) {
  const auto path = Path("keep.tvq");
  WriteDocFile(path, {CString(u"first version")});
  const Bytes before = ReadFileBytes(path);
  ::chmod(path.c_str(), 0604);
  m_doc.SetPathName(PathString(path));
  m_doc.items = {CString(u"second"), CString(u"version")};
  m_doc.SetModifiedFlag(TRUE);

  for (const CFile::Operation op : {CFile::Operation::write, CFile::Operation::flush, CFile::Operation::close}) {
    m_messages.messages.clear();
    testhooks::SetFaultInjector([op](CFile::Operation current, const CString&) { return current == op ? ENOSPC : 0; });
    EXPECT_FALSE(m_doc.DoFileSave());
    EXPECT_EQ(Texts(), std::vector<std::string>{"Disk full while accessing " + path.string() + "."});
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), PathString(path));
  }
  testhooks::SetFaultInjector({});
  struct stat info {};
  ::stat(path.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0604U);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), std::filesystem::directory_iterator()), 1);

  ASSERT_TRUE(m_doc.DoFileSave());
  EXPECT_NE(ReadFileBytes(path), before);
  EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentTest, SaveFailuresOtherThanFilesUseTheDefaultMessage) {
  m_doc.throwOnStore = true;
  EXPECT_FALSE(m_doc.OnSaveDocument(PathString(Path("mem.tvq"))));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Failed to save document."});
  EXPECT_FALSE(std::filesystem::exists(Path("mem.tvq")));
  m_messages.messages.clear();
  EXPECT_FALSE(m_doc.OnSaveDocument(PathString(Path("no/folder/x.tvq"))));
  EXPECT_EQ(Texts(), std::vector<std::string>{Path("no/folder").string() + " was not found."});
}

TEST_F(DocumentTest, SaveLoadMessageByException) {
  const CString path(u"/home/u/a.tvq");
  const auto message = [&](const CException* e, BOOL saving, UINT id) {
    return CDocument::SaveLoadExceptionMessage(path, e, saving, id).ToUtf8();
  };
  const CFileException unnamed(CFileException::accessDenied, EACCES);
  const CFileException named(CFileException::diskFull, ENOSPC, CString(u"/other/b.tvq"));
  EXPECT_EQ(message(&unnamed, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC), "Access to /home/u/a.tvq was denied.");
  EXPECT_EQ(message(&named, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC), "Disk full while accessing /other/b.tvq.");
  for (const auto cause : {CArchiveException::endOfFile, CArchiveException::badIndex, CArchiveException::badClass,
                           CArchiveException::badSchema}) {
    const CArchiveException e(cause);
    EXPECT_EQ(message(&e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC), "Unexpected file format.");
  }
  const CArchiveException generic(CArchiveException::genericException);
  const CMemoryException memory;
  EXPECT_EQ(message(&generic, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC), "Failed to open document.");
  EXPECT_EQ(message(&memory, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC), "Failed to open document.");
  EXPECT_EQ(message(&memory, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC), "Failed to save document.");
  EXPECT_EQ(message(nullptr, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC), "Failed to save document.");
}

TEST_F(DocumentTest, UntitledDocumentsAreNamedInTheDocumentsFolder) {
  const auto docs = Path("Documents");  // missing: created on the first save
  ScopedEnv env("XDG_DOCUMENTS_DIR", docs.string());
  StringsTemplate strings(CString(u"Lists\n\nLists\nList Files (*.lst)\n.lst\nLists.Document\nLists.Document"));
  for (const char* expected : {"Untitled.lst", "Untitled1.lst", "Untitled2.lst"}) {
    StringsDoc doc;
    strings.AddDocument(&doc);
    doc.SetTitle(CString(u"Untitled"));
    doc.items = {CString(u"task")};
    doc.SetModifiedFlag(TRUE);
    ASSERT_TRUE(doc.SaveModified());
    EXPECT_EQ(doc.GetPathName(), PathString(docs / expected));
    EXPECT_EQ(doc.GetTitle(), CString::FromUtf8(expected));
    EXPECT_TRUE(std::filesystem::exists(docs / expected));
  }
  std::filesystem::remove(docs / "Untitled1.lst");
  StringsDoc gap;
  strings.AddDocument(&gap);
  gap.SetTitle(CString(u"Untitled"));
  EXPECT_EQ(gap.ChooseSaveName(), PathString(docs / "Untitled1.lst"));  // the first free name
  // A template that names no extension, or none at all: the name alone.
  StringsTemplate noExtension(CString(u"Lists\n\nLists"));
  noExtension.AddDocument(&gap);
  EXPECT_EQ(gap.ChooseSaveName(), PathString(docs / "Untitled"));
  gap.SetDocTemplate(nullptr);
  EXPECT_EQ(gap.ChooseSaveName(), PathString(docs / "Untitled"));
}

TEST_F(DocumentTest, SaveModifiedSavesOnlyWhenModified) {
  const auto path = Path("m.tvq");
  m_doc.SetPathName(PathString(path));
  ASSERT_TRUE(m_doc.SaveModified());
  EXPECT_FALSE(std::filesystem::exists(path));
  m_doc.SetModifiedFlag(TRUE);
  ASSERT_TRUE(m_doc.SaveModified());
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(m_doc.serializeCalls, 1);
}

TEST_F(DocumentTest, NewDocumentEmptiesAndClears) {
  m_doc.items = {CString(u"a")};
  m_doc.SetPathName(PathString(Path("x.tvq")));
  m_doc.SetModifiedFlag(TRUE);
  ASSERT_TRUE(m_doc.OnNewDocument());
  EXPECT_TRUE(m_doc.items.empty());
  EXPECT_TRUE(m_doc.GetPathName().IsEmpty());
  EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentTest, SaveCommandGoesThroughTheMessageMap) {
  m_doc.SetPathName(PathString(Path("cmd.tvq")));
  m_doc.SetModifiedFlag(TRUE);
  EXPECT_TRUE(m_doc.OnCmdMsg(ID_FILE_SAVE, CN_COMMAND));
  EXPECT_TRUE(std::filesystem::exists(Path("cmd.tvq")));
  EXPECT_FALSE(m_doc.OnCmdMsg(ID_FILE_OPEN, CN_COMMAND));
  EXPECT_TRUE(m_doc.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
}

TEST_F(DocumentTest, SetPathNameMakesThePathAbsolute) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(m_dir.Path());
  m_doc.SetPathName(CString(u"sub/../rel.tvq"));
  std::filesystem::current_path(cwd);
  EXPECT_EQ(m_doc.GetPathName(), PathString(Path("rel.tvq")));
  EXPECT_EQ(m_doc.GetTitle(), CString(u"rel.tvq"));
}

}  // namespace
