// One session as a user has it: open a file, edit a task with Enter, insert one with a double-tap on empty
// space, move a task down with the toolbar, sort by tapping the "!" header, save; then the file byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>

#include <QLineEdit>
#include <QTest>

#include "editor/CTarvelquistIns.h"
#include "res/resource.h"
#include "tests/support/Files.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

using tvqtest::Bytes;

// The file format, written out by hand for the expected bytes (short strings only).
class FileBytes {
 public:
  explicit FileBytes(std::int32_t count) { Int32(count); }
  FileBytes& Task(const char16_t* subject, double due, const char16_t* priority, const char16_t* memo) {
    String(subject);
    Int32(0);
    std::uint64_t bits;
    std::memcpy(&bits, &due, sizeof bits);
    for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    String(priority);
    String(memo);
    return *this;
  }
  const Bytes& bytes() const { return m_bytes; }

 private:
  void Int32(std::int32_t value) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
  }
  void String(const char16_t* text) {
    const std::u16string units(text);
    m_bytes.insert(m_bytes.end(), {0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(units.size())});
    for (char16_t unit : units) {
      m_bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      m_bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  Bytes m_bytes;
};

QWidget* Control(CTarvelquistIns& editor, int id) { return editor.GetDlgItemHandle(id); }

void Tap(QWidget* widget) {
  ASSERT_NE(widget, nullptr);
  // Near the left edge: a check box takes taps on its box and label only.
  QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(std::min(12, widget->width() / 2), widget->height() / 2));
}

void TypeInto(QWidget* widget, const char* text) {
  auto* edit = qobject_cast<QLineEdit*>(widget);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

constexpr double kNoDueDate = 73051.0;  // 1 January 2100

TEST(WalkThroughTest, EditInsertMoveSortAndSaveAsAUserWould) {
  tvqtest::ScopedLocale locale("ja_JP");
  const std::string path = TempFolder() + "/walk.tvq";
  tvqtest::WriteFileBytes(path, FileBytes(3)
                       .Task(u"Call Ann", 39578.5, u"B2", u"")
                       .Task(u"Pay rent", 39600.0, u"A1", u"bank")
                       .Task(u"Read", kNoDueDate, u"A0", u"line1\r\nline2")
                       .bytes());
  ProgramWindows program;
  const CString file = CString::FromUtf8(path);
  ASSERT_NE(program.Template().OpenDocumentFile(&file, TRUE), nullptr);
  ASSERT_EQ(program.Column(1), (std::vector<CString>{u"2008/05/10", u"2008/06/01", u"期限なし"}));

  // Select "Pay rent", press Enter, type a new subject, tick "期限なし", confirm with OK.
  program.TapRow(1);
  {
    EditorScript editor([](CTarvelquistIns& e) {
      TypeInto(Control(e, IDC_SUBJECT), "Pay rent today");
      Tap(Control(e, IDC_NODUEDATE));
      Tap(Control(e, IDOK));
      return 0;
    });
    program.PressKey(Qt::Key_Return);
    ASSERT_EQ(editor.Runs().size(), 1u);
  }
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"Call Ann", u"Pay rent today", u"Read"}));
  EXPECT_EQ(program.Column(1)[1], CString(u"期限なし"));

  // A double-tap on empty space inserts: subject, priority P and 0, tick and clear "期限なし", a memo.
  {
    EditorScript editor([](CTarvelquistIns& e) {
      TypeInto(Control(e, IDC_SUBJECT), "New task");
      Tap(Control(e, IDC_PRIORITY_P));
      Tap(Control(e, IDC_PRIORITY_0));
      Tap(Control(e, IDC_NODUEDATE));
      Tap(Control(e, IDC_NODUEDATE));
      QWidget* memo = Control(e, IDC_MEMO);
      memo->setFocus();
      QTest::keyClicks(memo, "x");
      Tap(Control(e, IDOK));
      return 0;
    });
    program.DoubleTap(program.EmptySpacePoint());
    ASSERT_EQ(editor.Runs().size(), 1u);
  }
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"Call Ann", u"Pay rent today", u"Read", u"New task"}));

  // Move "Call Ann" down with the toolbar's button.
  program.TapRow(0);
  program.TapToolbarButton(ID_TASK_DOWN);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"Pay rent today", u"Call Ann", u"Read", u"New task"}));

  // Tap the "!" header: A1, B2, A0, P0 sort to A0, A1, B2, P0.
  program.TapHeader(2);
  EXPECT_EQ(program.Column(2), (std::vector<CString>{u"A0", u"A1", u"B2", u"P0"}));

  // Save through the menu's command.
  program.Command(ID_FILE_SAVE);
  EXPECT_FALSE(program.Doc().IsModified());
  const Bytes expected = FileBytes(4)
                             .Task(u"Read", kNoDueDate, u"A0", u"line1\r\nline2")
                             .Task(u"Pay rent today", kNoDueDate, u"A1", u"bank")
                             .Task(u"Call Ann", 39578.5, u"B2", u"")
                             .Task(u"New task", kNoDueDate, u"P0", u"x")
                             .bytes();
  EXPECT_EQ(tvqtest::ReadFileBytes(path), expected);
}

}  // namespace
}  // namespace viewtest
