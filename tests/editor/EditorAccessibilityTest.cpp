// The task editor as a screen reader reads it: the subject edit and the picker named by the static texts on
// their lines, the buttons by their own texts, the priority buttons' checked states.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "editor/CTarvelquistIns.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

QAccessibleInterface* Accessible(CDialog& shown, int id) {
  QWidget* widget = shown.GetDlgItemHandle(id);
  EXPECT_NE(widget, nullptr) << id;
  return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
}

QString Name(CDialog& shown, int id) {
  QAccessibleInterface* accessible = Accessible(shown, id);
  return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
}

// Read in the editor's second run, its window kept from a first run with other choices: nothing of that run may
// be announced.
TEST(EditorAccessibility, EveryControlIsNamedAndTheChoicesShowTheirState) {
  CTarvelquistIns editor;
  editor.KeepWindowBetweenRuns();
  editor.m_priorityLetter = 1;
  editor.m_priorityDigit = 2;
  guitest::RunModal(editor, [](CDialog& shown) {
    QTest::mouseClick(shown.GetDlgItemHandle(IDC_PRIORITY_B), Qt::LeftButton);
    shown.EndDialog(IDCANCEL);
  });
  static_cast<TaskEditorMembers&>(editor) = TaskEditorMembers();
  editor.m_priorityLetter = 3;
  editor.m_priorityDigit = 7;
  editor.m_noDueDate = TRUE;
  guitest::RunModal(editor, [](CDialog& shown) {
    // The template lists "件名：" and "期限：" after the controls; they label the controls on their lines.
    EXPECT_EQ(Name(shown, IDC_SUBJECT), QStringLiteral("件名："));
    EXPECT_EQ(Name(shown, IDC_DUEDATE), QStringLiteral("期限："));
    EXPECT_EQ(Accessible(shown, IDC_SUBJECT)->role(), QAccessible::EditableText);
    // Nothing stands on the memo's line: it has no name.
    EXPECT_EQ(Name(shown, IDC_MEMO), QString());

    const std::pair<int, const char16_t*> buttons[] = {
        {IDC_PRIORITY_A, u"Ａ"}, {IDC_PRIORITY_B, u"Ｂ"}, {IDC_PRIORITY_C, u"Ｃ"}, {IDC_PRIORITY_P, u"P"},
        {IDC_PRIORITY_1, u"１"}, {IDC_PRIORITY_2, u"２"}, {IDC_PRIORITY_3, u"３"}, {IDC_PRIORITY_4, u"４"},
        {IDC_PRIORITY_5, u"５"}, {IDC_PRIORITY_6, u"６"}, {IDC_PRIORITY_7, u"７"}, {IDC_PRIORITY_8, u"８"},
        {IDC_PRIORITY_9, u"９"}, {IDC_PRIORITY_0, u"０"}, {IDC_NODUEDATE, u"期限なし"}, {IDOK, u"OK"},
        {IDCANCEL, u"キャンセル"}};
    for (const auto& [id, text] : buttons) EXPECT_EQ(Name(shown, id), QString::fromUtf16(text)) << id;

    // The chosen priority C7 and the ticked box are announced as checked, the other choices as not.
    for (const int id : {IDC_PRIORITY_C, IDC_PRIORITY_7, IDC_NODUEDATE}) {
      EXPECT_TRUE(Accessible(shown, id)->state().checkable) << id;
      EXPECT_TRUE(Accessible(shown, id)->state().checked) << id;
    }
    for (const int id : {IDC_PRIORITY_A, IDC_PRIORITY_B, IDC_PRIORITY_0, IDC_PRIORITY_2}) {
      EXPECT_FALSE(Accessible(shown, id)->state().checked) << id;
    }
    EXPECT_TRUE(Accessible(shown, IDC_DUEDATE)->state().disabled);
    shown.EndDialog(IDCANCEL);
  });
}

}  // namespace
