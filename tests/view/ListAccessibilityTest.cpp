// The task list and the command bar as assistive technology reads them through Qt's accessibility: the list a
// table with its headers, rows and cells, selected and focused states and change events; the image buttons
// named after their commands' menu items.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QTest>

#include "editor/CTarvelquistIns.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/AccessibleChanges.h"
#include "platform/ui/AccessibleChangesTestHooks.h"
#include "platform/ui/ListViewWidget.h"
#include "res/resource.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

struct Recorded {
  QAccessible::Event type;
  int child = -1;
  QAccessibleTableModelChangeEvent::ModelChangeType change = QAccessibleTableModelChangeEvent::ModelReset;
  int firstRow = -1;
  int lastRow = -1;
};

// Records the accessibility events of the list, which it reports as it does to a screen reader.
class EventRecorder {
 public:
  EventRecorder() {
    m_previous = testhooks::SetEventSink([this](QAccessibleEvent& event) {
      Recorded recorded{event.type(), event.child()};
      if (event.type() == QAccessible::TableModelChanged) {
        const auto& change = static_cast<QAccessibleTableModelChangeEvent&>(event);
        recorded.change = change.modelChangeType();
        recorded.firstRow = change.firstRow();
        recorded.lastRow = change.lastRow();
      }
      m_events.push_back(recorded);
    });
  }
  ~EventRecorder() { testhooks::SetEventSink(std::move(m_previous)); }
  EventRecorder(const EventRecorder&) = delete;
  EventRecorder& operator=(const EventRecorder&) = delete;

  std::vector<Recorded> Take() {
    QApplication::processEvents();  // the list sends its row changes when it lays itself out
    return std::exchange(m_events, {});
  }

 private:
  testhooks::EventSink m_previous;
  std::vector<Recorded> m_events;
};

std::vector<std::pair<QAccessibleTableModelChangeEvent::ModelChangeType, int>> RowChanges(
    const std::vector<Recorded>& events) {
  std::vector<std::pair<QAccessibleTableModelChangeEvent::ModelChangeType, int>> changes;
  for (const Recorded& e : events) {
    if (e.type == QAccessible::TableModelChanged) changes.emplace_back(e.change, e.firstRow);
  }
  return changes;
}

class ListAccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program.SetTasks({{u"牛乳を買う", Date(2008, 3, 15), u"A1", u"low fat\r\nskimmed"},
                      {u"Report", Date(2100, 1, 1), u"P0", u""},
                      {u"b", NullDate(), u"", u"z"}});
  }
  QAccessibleInterface* Table() { return QAccessible::queryAccessibleInterface(&program.ListWidget()); }
  QString CellName(int row, int column) {
    QAccessibleInterface* cell = Table()->tableInterface()->cellAt(row, column);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
  }
  std::vector<QString> Column(int column) {
    std::vector<QString> texts;
    for (int row = 0; row < Table()->tableInterface()->rowCount(); ++row) texts.push_back(CellName(row, column));
    return texts;
  }

  tvqtest::ScopedLocale locale{"ja_JP"};
  ProgramWindows program;
};

TEST_F(ListAccessibilityTest, TheListIsATableOfHeadersRowsAndCells) {
  QAccessibleInterface* table = Table();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_TRUE(table->state().multiSelectable);
  QAccessibleTableInterface* grid = table->tableInterface();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rowCount(), 3);
  EXPECT_EQ(grid->columnCount(), 4);
  EXPECT_EQ(table->childCount(), 16);  // a header row and three rows of four cells

  const QString headers[] = {QStringLiteral("件名"), QStringLiteral("期限"), QStringLiteral("!"), QStringLiteral("メモ")};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(table->child(c)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(table->child(c)->text(QAccessible::Name), headers[c]);
    EXPECT_EQ(grid->columnDescription(c), headers[c]);
  }
  EXPECT_EQ(CellName(0, 0), QStringLiteral("牛乳を買う"));
  EXPECT_EQ(CellName(0, 1), QStringLiteral("2008/03/15"));
  EXPECT_EQ(CellName(0, 3), QStringLiteral("low fat\r\nskimmed"));  // the whole memo
  EXPECT_EQ(CellName(1, 1), QStringLiteral("期限なし"));
  EXPECT_EQ(CellName(2, 1), QString());
  EXPECT_EQ(grid->cellAt(3, 0), nullptr);
  EXPECT_EQ(grid->cellAt(0, 4), nullptr);

  // A cell knows its place, its header and its table; the tree leads back to it.
  QAccessibleInterface* cell = grid->cellAt(2, 3);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->role(), QAccessible::Cell);
  EXPECT_EQ(cell->parent(), table);
  EXPECT_EQ(table->indexOfChild(cell), 15);
  EXPECT_EQ(table->child(15), cell);  // made once, found again
  QAccessibleTableCellInterface* place = cell->tableCellInterface();
  ASSERT_NE(place, nullptr);
  EXPECT_EQ(place->rowIndex(), 2);
  EXPECT_EQ(place->columnIndex(), 3);
  ASSERT_EQ(place->columnHeaderCells().size(), 1);
  EXPECT_EQ(place->columnHeaderCells().front()->text(QAccessible::Name), QStringLiteral("メモ"));
  EXPECT_FALSE(cell->rect().isEmpty());
  EXPECT_EQ(table->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
}

TEST_F(ListAccessibilityTest, SelectionAndFocusAreReadAndAnnounced) {
  EventRecorder recorder;
  program.TapRow(1);
  program.TapRow(2, true);
  QAccessibleTableInterface* grid = Table()->tableInterface();
  EXPECT_EQ(grid->selectedRows(), (QList<int>{1, 2}));
  EXPECT_EQ(grid->selectedRowCount(), 2);
  EXPECT_EQ(grid->selectedCellCount(), 8);
  EXPECT_TRUE(grid->cellAt(1, 2)->state().selected);
  EXPECT_FALSE(grid->cellAt(0, 0)->state().selected);
  EXPECT_TRUE(grid->cellAt(2, 0)->state().focused);
  EXPECT_EQ(Table()->focusChild(), grid->cellAt(2, 0));

  const std::vector<Recorded> events = recorder.Take();
  std::vector<std::pair<QAccessible::Event, int>> selection;
  for (const Recorded& e : events) {
    if (e.type == QAccessible::SelectionAdd || e.type == QAccessible::SelectionRemove || e.type == QAccessible::Focus) {
      selection.emplace_back(e.type, e.child);
    }
  }
  // Children: 4 headers, then row r column 0 at 4 * (r + 1).
  EXPECT_EQ(selection, (std::vector<std::pair<QAccessible::Event, int>>{
                           {QAccessible::SelectionAdd, 8}, {QAccessible::Focus, 8},
                           {QAccessible::SelectionAdd, 12}, {QAccessible::Focus, 12}}));

  // A reader may select a row itself.
  EXPECT_TRUE(grid->unselectRow(1));
  EXPECT_TRUE(grid->selectRow(0));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{0, 2}));
}

TEST_F(ListAccessibilityTest, RowChangesOfTheCommandsAndTheSortAreAnnounced) {
  EventRecorder recorder;
  using Change = QAccessibleTableModelChangeEvent;
  // Delete row 0: one row removed; the table then reads the rows that moved up.
  program.TapRow(0);
  (void)recorder.Take();
  program.Command(ID_TASK_DELETE);
  EXPECT_EQ(RowChanges(recorder.Take()), (std::vector<std::pair<Change::ModelChangeType, int>>{{Change::RowsRemoved, 0}}));
  EXPECT_EQ(Column(0), (std::vector<QString>{QStringLiteral("Report"), QStringLiteral("b")}));

  // Move down: each row rebuilt, removed and inserted again.
  program.TapRow(0);
  (void)recorder.Take();
  program.Command(ID_TASK_DOWN);
  EXPECT_EQ(RowChanges(recorder.Take()), (std::vector<std::pair<Change::ModelChangeType, int>>{
                                             {Change::RowsRemoved, 1}, {Change::RowsInserted, 1},
                                             {Change::RowsRemoved, 0}, {Change::RowsInserted, 0}}));
  EXPECT_EQ(Column(0), (std::vector<QString>{QStringLiteral("b"), QStringLiteral("Report")}));

  // Insert with the editor: one row inserted, its texts read at once.
  {
    EditorScript editor([](CTarvelquistIns& dialog) {
      dialog.m_subject = u"new";
      return IDOK;
    });
    program.Command(ID_TASK_INSERT);
  }
  EXPECT_EQ(RowChanges(recorder.Take()), (std::vector<std::pair<Change::ModelChangeType, int>>{{Change::RowsInserted, 2}}));
  EXPECT_EQ(CellName(2, 0), QStringLiteral("new"));

  // The sort by subject exchanges "b" and "Report" only: rows 0 and 1 are rebuilt, row 2 is left alone...
  program.TapHeader(0);
  EXPECT_EQ(RowChanges(recorder.Take()), (std::vector<std::pair<Change::ModelChangeType, int>>{
                                             {Change::RowsRemoved, 0}, {Change::RowsInserted, 0},
                                             {Change::RowsRemoved, 1}, {Change::RowsInserted, 1}}));
  EXPECT_EQ(Column(0), (std::vector<QString>{QStringLiteral("Report"), QStringLiteral("b"), QStringLiteral("new")}));

  // ...and a refill is one reset, however many rows it brings.
  std::vector<TaskSpec> many(150, TaskSpec{u"same", Date(2008, 1, 1), u"A1", u""});
  program.SetTasks(many);
  const auto refill = RowChanges(recorder.Take());
  ASSERT_EQ(refill.size(), 1u);
  EXPECT_EQ(refill.front().first, Change::ModelReset);
  EXPECT_EQ(Table()->tableInterface()->rowCount(), 150);
  EXPECT_EQ(CellName(149, 0), QStringLiteral("same"));
}

TEST_F(ListAccessibilityTest, CellsAreMadeOnlyWhenAskedFor) {
  // 100,000 rows: the table answers for any of them without making the others.
  std::vector<TaskSpec> many(100000, TaskSpec{u"task", Date(2008, 1, 1), u"A1", u""});
  program.SetTasks(many);
  QAccessibleTableInterface* grid = Table()->tableInterface();
  EXPECT_EQ(grid->rowCount(), 100000);
  EXPECT_EQ(CellName(99999, 0), QStringLiteral("task"));
  EXPECT_TRUE(grid->cellAt(99999, 0)->state().offscreen);
  EXPECT_FALSE(grid->cellAt(0, 0)->state().offscreen);
}

// The six image buttons are named after the menu items that send the same commands, up to the first space;
// the menu item's whole text is the button's description. The menu button keeps its text.
TEST(CommandBarAccessibility, ImageButtonsAreNamedByTheirCommandsMenuTexts) {
  ProgramWindows program;
  CCommandBar* bar = program.Frame().GetCommandBar();
  const std::pair<UINT, const char16_t*> names[] = {{ID_TASK_EDIT, u"編集"},   {ID_TASK_UP, u"上へ"},
                                                    {ID_TASK_DOWN, u"下へ"},   {ID_TASK_INSERT, u"挿入"},
                                                    {ID_TASK_DELETE, u"削除"}, {ID_APP_ABOUT, u"バージョン情報"}};
  for (const auto& [command, name] : names) {
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(bar->GetButtonForCommand(command));
    ASSERT_NE(button, nullptr) << command;
    EXPECT_EQ(button->role(), QAccessible::Button) << command;
    EXPECT_EQ(button->text(QAccessible::Name), QString::fromUtf16(name)) << command;
    ASSERT_NE(button->actionInterface(), nullptr);
    EXPECT_TRUE(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  }
  QAccessibleInterface* about = QAccessible::queryAccessibleInterface(bar->GetButtonForCommand(ID_APP_ABOUT));
  EXPECT_EQ(about->text(QAccessible::Description), QStringLiteral("バージョン情報 Tarvelquist..."));
  QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(bar->GetMenuButton());
  EXPECT_EQ(menu->text(QAccessible::Name), QStringLiteral("メニュー"));
}


// A screen reader's Press returns at once; the command runs from the event loop afterwards, so an editor it
// opens does not hold up the reader's call. Disabled buttons do nothing.
TEST(CommandBarAccessibility, PressReturnsBeforeTheCommandRuns) {
  ProgramWindows program;
  program.SetTasks({{CString(u"one"), Date(2008, 5, 10), CString(u"A1"), CString()}});
  program.Select({0});
  EditorScript script(CancelAtOnce);
  QWidget* edit = program.Frame().GetCommandBar()->GetButtonForCommand(ID_TASK_EDIT);
  QAccessibleInterface* button = QAccessible::queryAccessibleInterface(edit);
  ASSERT_NE(button, nullptr);
  button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(script.Runs().empty());  // not yet: the call has returned first
  EXPECT_TRUE(QTest::qWaitFor([&] { return script.Runs().size() == 1; }, 2000));
  EXPECT_EQ(script.Runs().front().subject, CString(u"one"));

  edit->setEnabled(false);
  button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QTest::qWait(50);
  EXPECT_EQ(script.Runs().size(), 1u);
}

}  // namespace
}  // namespace viewtest
