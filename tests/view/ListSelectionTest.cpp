// The list control's selection without a widget: seeded random runs of row inserts and deletes, taps with and
// without Shift and Ctrl, taps below the rows, focus keys, Space and LVM_SETITEMSTATE, on single- and
// multiple-selection lists, compared after every step with a plain model (a vector of flags, a focus and an
// anchor). The listener's reports, replayed on a copy of the flags, must give the same selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/core/WinStyles.h"
#include "platform/ui/ListSelection.h"

using listview::ListSelection;

namespace {

struct Model {
  bool single = false;
  std::vector<bool> selected;
  int focus = -1;
  int anchor = -1;
  // What the listener told: the selection replayed from its reports, the row it last told the focus went to.
  std::vector<bool> told;
  int toldFocus = -1;

  int Count() const { return static_cast<int>(selected.size()); }
  void Clear() { std::fill(selected.begin(), selected.end(), false); }
  void Only(int row) {
    Clear();
    selected[static_cast<std::size_t>(row)] = true;
  }
  void Range(int from, int to) {
    for (int i = std::min(from, to); i <= std::max(from, to); ++i) selected[static_cast<std::size_t>(i)] = true;
  }
  void Toggle(int row) { selected[static_cast<std::size_t>(row)] = !selected[static_cast<std::size_t>(row)]; }
};

// Row `at` inserted (delta +1) or deleted (-1): the rows below move, a deleted row is no row any more.
void ShiftRows(Model& m, int at, int delta) {
  for (std::vector<bool>* flags : {&m.selected, &m.told}) {
    if (delta > 0) {
      flags->insert(flags->begin() + at, false);
    } else {
      flags->erase(flags->begin() + at);
    }
  }
  for (int* row : {&m.focus, &m.anchor, &m.toldFocus}) {
    if (*row < at) continue;
    *row = delta < 0 && *row == at ? -1 : *row + delta;
  }
}

void Click(Model& m, int row, bool shift, bool ctrl) {
  if (!m.single && shift) {
    if (!ctrl) m.Clear();
    m.Range(m.anchor >= 0 ? m.anchor : row, row);
    if (m.anchor < 0) m.anchor = row;
  } else if (!m.single && ctrl) {
    m.Toggle(row);
    m.anchor = row;
  } else {
    m.Only(row);
    m.anchor = row;
  }
  m.focus = row;
}

// Up, down, home, end, page up, page down; up and down with no focus go to the first row.
int KeyTarget(const Model& m, ListSelection::Move move, int page) {
  if (m.Count() == 0) return -1;
  const int from = std::max(m.focus, 0);
  const int last = m.Count() - 1;
  const int targets[] = {m.focus < 0 ? 0 : std::max(0, from - 1), m.focus < 0 ? 0 : std::min(last, from + 1), 0, last,
                         std::max(0, from - page), std::min(last, from + page)};
  return targets[static_cast<int>(move)];
}

void Key(Model& m, int row, bool shift, bool ctrl) {
  if (!m.single && ctrl) {
    // the focus only
  } else if (!m.single && shift) {
    if (m.anchor < 0) m.anchor = m.focus >= 0 ? m.focus : row;
    m.Clear();
    m.Range(m.anchor, row);
  } else {
    m.Only(row);
    m.anchor = row;
  }
  m.focus = row;
}

void Space(Model& m, bool ctrl) {
  if (m.focus < 0) return;
  if (ctrl) {
    m.Toggle(m.focus);
  } else {
    if (m.single) m.Clear();
    m.selected[static_cast<std::size_t>(m.focus)] = true;
  }
  m.anchor = m.focus;
}

void SetRowState(Model& m, int row, UINT state, UINT mask) {
  if (mask & LVIS_SELECTED) {
    const bool select = (state & LVIS_SELECTED) != 0;
    if (select && m.single) m.Clear();
    m.selected[static_cast<std::size_t>(row)] = select;
  }
  if (mask & LVIS_FOCUSED) {
    if (state & LVIS_FOCUSED) {
      m.focus = row;
    } else if (m.focus == row) {
      m.focus = -1;
    }
  }
}

// What the list answers (GetItemState, GetSelectedCount, GetNextItem with LVNI_SELECTED) against the model.
void ExpectSame(const ListSelection& list, const Model& m) {
  ASSERT_EQ(list.RowCount(), m.Count());
  EXPECT_EQ(list.FocusRow(), m.focus);
  EXPECT_EQ(list.AnchorRow(), m.anchor);
  EXPECT_EQ(list.SelectedCount(), std::count(m.selected.begin(), m.selected.end(), true));
  for (int row = -2; row <= m.Count(); ++row) {
    const bool there = row >= 0 && row < m.Count();
    UINT expected = there && m.selected[static_cast<std::size_t>(row)] ? LVIS_SELECTED : 0;
    if (there && row == m.focus) expected |= LVIS_FOCUSED;
    ASSERT_EQ(list.State(row, LVIS_SELECTED | LVIS_FOCUSED), expected) << "row " << row;
    ASSERT_EQ(list.State(row, LVIS_FOCUSED), expected & LVIS_FOCUSED) << "row " << row;
    int next = std::max(row + 1, 0);
    while (next < m.Count() && !m.selected[static_cast<std::size_t>(next)]) ++next;
    ASSERT_EQ(list.NextSelectedRow(row), next < m.Count() ? next : -1) << "after " << row;
  }
}

Qt::KeyboardModifiers Modifiers(bool shift, bool ctrl) {
  Qt::KeyboardModifiers mods;
  if (shift) mods |= Qt::ShiftModifier;
  if (ctrl) mods |= Qt::ControlModifier;
  return mods;
}

TEST(ListSelectionTest, TapsKeysAndRowChangesFollowTheModel) {
  constexpr int kRuns = 60;
  constexpr int kSteps = 300;
  for (unsigned seed = 1; seed <= kRuns; ++seed) {
    std::mt19937 random(seed);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    Model model;
    model.single = seed % 3 == 0;
    ListSelection list(model.single);
    list.SetListener({
        [&model](int row, bool selected) {
          ASSERT_TRUE(row >= 0 && row < model.Count());
          EXPECT_NE(model.told[static_cast<std::size_t>(row)], selected) << "a report of no change, row " << row;
          model.told[static_cast<std::size_t>(row)] = selected;
        },
        [&model](int row) {
          EXPECT_NE(row, model.toldFocus) << "a report of no move";
          model.toldFocus = row;
        },
    });
    const int maxRows = 2 + below(30);
    for (int step = 0; step < kSteps; ++step) {
      const int count = model.Count();
      const bool shift = below(3) == 0;
      const bool ctrl = below(3) == 0;
      const int kind = below(count == 0 ? 2 : 10);
      std::string what;
      if (kind == 0 || (kind == 1 && count < maxRows)) {
        const int at = below(count + 1);
        what = "insert " + std::to_string(at);
        list.InsertRow(at);
        ShiftRows(model, at, 1);
      } else if (kind == 1) {
        if (below(20) == 0) {
          what = "delete all";
          list.DeleteAllRows();
          const bool single = model.single;
          model = Model();
          model.single = single;
        } else {
          const int at = below(count);
          what = "delete " + std::to_string(at);
          list.DeleteRow(at);
          ShiftRows(model, at, -1);
        }
      } else if (kind <= 4) {
        const int row = below(count);
        what = "tap " + std::to_string(row);
        list.ClickRow(row, Modifiers(shift, ctrl));
        Click(model, row, shift, ctrl);
      } else if (kind == 5) {
        what = "tap below the rows";
        list.ClickEmpty(Modifiers(shift, ctrl));
        if (!ctrl) model.Clear();
      } else if (kind <= 7) {
        const auto move = static_cast<ListSelection::Move>(below(6));
        const int page = 1 + below(5);
        const int target = list.MoveTarget(move, page);
        what = "key " + std::to_string(static_cast<int>(move)) + " to " + std::to_string(target);
        ASSERT_EQ(target, KeyTarget(model, move, page)) << what;
        list.MoveFocusTo(target, Modifiers(shift, ctrl));
        Key(model, target, shift, ctrl);
      } else if (kind == 8) {
        what = "space";
        EXPECT_EQ(list.PressSpace(Modifiers(shift, ctrl)), model.focus >= 0);
        Space(model, ctrl);
      } else {
        const int row = below(count + 3) - 2;  // -2, every row, one past the last
        const UINT state = static_cast<UINT>(below(4)) & (LVIS_SELECTED | LVIS_FOCUSED);
        const UINT mask = static_cast<UINT>(below(4)) & (LVIS_SELECTED | LVIS_FOCUSED);
        what = "set state " + std::to_string(row) + " " + std::to_string(state) + "/" + std::to_string(mask);
        const bool there = row >= -1 && row < count;
        EXPECT_EQ(list.SetState(row, state, mask), there ? TRUE : FALSE) << what;
        for (int i = 0; i < count; ++i) {
          if (row == -1 || row == i) SetRowState(model, i, state, mask);
        }
      }
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step) + ": " + what);
      ExpectSame(list, model);
      ASSERT_EQ(model.told, model.selected);
      // A focus taken away or deleted is not told; a focus that moved to a row is.
      if (model.focus < 0) model.toldFocus = -1;
      ASSERT_EQ(model.toldFocus, model.focus);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
