// A task editor that keeps its window between runs against one built anew for each: seeded rounds of random
// members and random user actions (typing, undo, taps, the date keys, Tab, the box), the same script on both.
// At the start and at the end of every round both must look (pixel for pixel) and behave the same, and leave
// the same members and result: nothing the user did in one round may show in the next.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/CTarvelquistIns.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using Action = std::function<void(CDialog&)>;

// The widget of control `id` of the running dialog.
QWidget* Item(CDialog& shown, int id) { return shown.GetDlgItemHandle(id); }

// Typed as the input method commits it, which takes any text (the key simulation takes only ASCII).
void Type(QWidget* widget, const QString& text) {
  widget->setFocus(Qt::MouseFocusReason);
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(widget, &event);
}

QString RandomText(std::mt19937& random, bool lines) {
  static const QString kPieces[] = {QStringLiteral("報告"), QStringLiteral("書"), QStringLiteral("ab"),
                                    QStringLiteral(" "), QStringLiteral("1")};
  QString text;
  const int pieces = std::uniform_int_distribution<int>(0, 12)(random);
  for (int i = 0; i < pieces; ++i) {
    text += kPieces[std::uniform_int_distribution<int>(0, 4)(random)];
    if (lines && random() % 3 == 0) text += QStringLiteral("\r\n");
  }
  return text;
}

TaskEditorMembers RandomMembers(std::mt19937& random) {
  TaskEditorMembers members;
  const int kind = std::uniform_int_distribution<int>(0, 3)(random);
  if (kind == 0) members.m_dueDate = COleDateTime(2100, 1, 1, 0, 0, 0);
  if (kind == 1) members.m_dueDate = COleDateTime(0.0, COleDateTime::invalid);
  if (kind == 2) {
    members.m_dueDate = COleDateTime(std::uniform_int_distribution<int>(1990, 2040)(random),
                                     std::uniform_int_distribution<int>(1, 12)(random),
                                     std::uniform_int_distribution<int>(1, 28)(random), 9, 30, 0);
  }
  members.m_noDueDate = random() % 3 == 0 ? TRUE : FALSE;
  members.m_subject = CString::FromQString(RandomText(random, false));
  members.m_memo = CString::FromQString(RandomText(random, true));
  members.m_priorityLetter = std::uniform_int_distribution<int>(0, 5)(random);
  members.m_priorityDigit = std::uniform_int_distribution<int>(-1, 10)(random);
  return members;
}

// One user action on the running dialog; the same draw gives the same action on any editor.
Action RandomAction(std::mt19937& random) {
  static constexpr int kTappable[] = {IDC_PRIORITY_A, IDC_PRIORITY_C, IDC_PRIORITY_P, IDC_PRIORITY_0,
                                      IDC_PRIORITY_5, IDC_PRIORITY_9, IDC_NODUEDATE};
  switch (std::uniform_int_distribution<int>(0, 7)(random)) {
    case 0: {
      const QString text = RandomText(random, false);
      return [text](CDialog& shown) { Type(Item(shown, IDC_SUBJECT), text); };
    }
    case 1: {
      const int key = random() % 2 ? Qt::Key_Return : Qt::Key_End;
      const QString text = RandomText(random, false);
      return [text, key](CDialog& shown) {
        QWidget* memo = Item(shown, IDC_MEMO);
        QTest::mouseClick(memo->findChild<QWidget*>(), Qt::LeftButton);  // the viewport takes the tap
        Type(memo, text);
        for (int i = 0; i < 4; ++i) QTest::keyClick(memo, static_cast<Qt::Key>(key));
      };
    }
    case 2: {
      const int id = random() % 2 ? IDC_SUBJECT : IDC_MEMO;
      return [id](CDialog& shown) { QTest::keyClick(Item(shown, id), Qt::Key_Z, Qt::ControlModifier); };
    }
    case 3: {
      const int id = kTappable[std::uniform_int_distribution<std::size_t>(0, std::size(kTappable) - 1)(random)];
      return [id](CDialog& shown) { QTest::mouseClick(Item(shown, id), Qt::LeftButton); };
    }
    case 4: {
      const Qt::Key key = random() % 2 ? Qt::Key_Right : Qt::Key_Up;
      return [key](CDialog& shown) {
        QWidget* picker = Item(shown, IDC_DUEDATE);
        if (!picker->isEnabled()) return;
        picker->setFocus(Qt::TabFocusReason);
        QTest::keyClick(picker, key);
      };
    }
    case 5:
      return [](CDialog&) {
        if (QWidget* focus = QApplication::focusWidget()) QTest::keyClick(focus, Qt::Key_Tab);
      };
    case 6: return [](CDialog& shown) { QTest::keyClick(Item(shown, IDC_SUBJECT), Qt::Key_A, Qt::ControlModifier); };
    default: {
      const int to = std::uniform_int_distribution<int>(0, 40)(random);
      return [to](CDialog& shown) {
        static_cast<QPlainTextEdit*>(Item(shown, IDC_MEMO))->horizontalScrollBar()->setValue(to);
      };
    }
  }
}

// How the round ends: OK, Cancel, the caption strip's "OK", or Esc.
Action RandomEnding(std::mt19937& random) {
  switch (std::uniform_int_distribution<int>(0, 3)(random)) {
    case 0: return [](CDialog& shown) { QTest::mouseClick(Item(shown, IDOK), Qt::LeftButton); };
    case 1: return [](CDialog& shown) { QTest::mouseClick(Item(shown, IDCANCEL), Qt::LeftButton); };
    case 2: return [](CDialog& shown) { QTest::mouseClick(shown.GetCaptionOkButton(), Qt::LeftButton); };
    default:
      return [](CDialog&) {
        if (QWidget* focus = QApplication::focusWidget()) QTest::keyClick(focus, Qt::Key_Escape);
      };
  }
}

struct Round {
  guitest::DialogLook start;
  guitest::DialogLook end;
  INT_PTR result = 0;
};

Round RunRound(CTarvelquistIns& editor, const TaskEditorMembers& members, const std::vector<Action>& actions,
               const Action& ending) {
  static_cast<TaskEditorMembers&>(editor) = members;
  Round round;
  round.result = guitest::RunModal(editor, [&](CDialog& shown) {
    round.start = guitest::LookOf(shown);
    for (const Action& action : actions) action(shown);
    round.end = guitest::LookOf(shown);
    ending(shown);
  });
  return round;
}

std::string Members(const TaskEditorMembers& m) {
  std::ostringstream out;
  out << m.m_dueDate.m_dt << '/' << m.m_dueDate.GetStatus() << '|' << m.m_subject.ToQString().toStdString()
      << '|' << m.m_memo.ToQString().toStdString() << '|' << m.m_priorityLetter << m.m_priorityDigit << m.m_noDueDate;
  return out.str();
}

TEST(EditorReuse, AKeptEditorLooksAndAnswersAsOneBuiltAnewInEveryRound) {
  // A caret that blinks would make two pictures of the same state differ.
  QApplication::styleHints()->setCursorFlashTime(0);
  for (const unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    CTarvelquistIns kept;
    kept.KeepWindowBetweenRuns();
    for (int step = 0; step < 12; ++step) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << step);
      const TaskEditorMembers members = RandomMembers(random);
      std::vector<Action> actions(std::uniform_int_distribution<std::size_t>(0, 6)(random));
      for (Action& action : actions) action = RandomAction(random);
      const Action ending = RandomEnding(random);

      CTarvelquistIns fresh;
      const Round expected = RunRound(fresh, members, actions, ending);
      const Round actual = RunRound(kept, members, actions, ending);
      EXPECT_EQ(actual.start.state, expected.start.state);
      EXPECT_TRUE(actual.start.pixels == expected.start.pixels) << "the window differs as it opens";
      EXPECT_EQ(actual.end.state, expected.end.state);
      EXPECT_TRUE(actual.end.pixels == expected.end.pixels) << "the window differs after the actions";
      EXPECT_EQ(actual.result, expected.result);
      EXPECT_EQ(Members(kept), Members(fresh));
      EXPECT_FALSE(kept.GetDialogWindow()->isVisible());
    }
  }
}

}  // namespace
