// The list rows' text store against a plain model (a vector of texts per row), step by random step: rows come
// and go anywhere, texts are set in any column (the newest row's in order, as a fill does, and any other), columns
// are inserted, and the left space is reclaimed while records are in use.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/ui/TextStore.h"

using listview::TextStore;

namespace {

std::u16string RandomText(std::mt19937& random) {
  // Mostly short, now and then longer than a block, so that records also go to blocks of their own.
  const int length = random() % 200 == 0 ? 33000 + static_cast<int>(random() % 2000) : static_cast<int>(random() % 300);
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  for (char16_t& unit : text) unit = static_cast<char16_t>(random() % 3 == 0 ? random() : u'a' + random() % 26);
  return text;
}

void ExpectSame(const std::vector<TextStore::Record>& records, const std::vector<std::vector<std::u16string>>& model,
                const TextStore& store, int step) {
  ASSERT_EQ(records.size(), model.size()) << "step " << step;
  std::size_t live = 0;
  for (std::size_t r = 0; r < model.size(); ++r) {
    ASSERT_EQ(records[r].columns, model[r].size()) << "step " << step << " row " << r;
    live += records[r].size;
    for (std::size_t c = 0; c <= model[r].size(); ++c) {
      const std::u16string_view expected = c < model[r].size() ? std::u16string_view(model[r][c]) : u"";
      ASSERT_TRUE(TextStore::Get(records[r], c) == expected) << "step " << step << " row " << r << " column " << c;
    }
  }
  EXPECT_EQ(store.LiveUnits(), live) << "step " << step;
}

TEST(TextStoreTest, RecordsMatchAModelThroughRandomChanges) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    TextStore store;
    std::vector<TextStore::Record> records;
    std::vector<std::vector<std::u16string>> model;
    int compactions = 0;
    for (int step = 0; step < 800; ++step) {
      const int what = static_cast<int>(random() % 100);
      const std::size_t count = model.size();
      if (what < 30 || count == 0) {  // a new row, with all its texts at once or filled in column order
        const std::size_t at = random() % 4 == 0 ? random() % (count + 1) : count;
        std::vector<std::u16string> texts(1 + random() % 4);
        for (std::u16string& text : texts) text = RandomText(random);
        const bool atOnce = random() % 2 == 0;
        const std::vector<std::u16string_view> views(texts.begin(), atOnce ? texts.end() : texts.begin() + 1);
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(at), store.Add(views));
        for (std::size_t c = views.size(); c < texts.size(); ++c) store.Set(records[at], c, texts[c]);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), texts);
      } else if (what < 65) {  // any text of any row, columns skipped or set again
        const std::size_t row = random() % count;
        const std::size_t column = random() % 6;
        const std::u16string text = RandomText(random);
        store.Set(records[row], column, text);
        if (model[row].size() <= column) model[row].resize(column + 1);
        model[row][column] = text;
      } else if (what < 88) {
        const std::size_t row = random() % count;
        store.Drop(records[row]);
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(row));
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(row));
      } else if (what < 92) {  // a column inserted in front of some rows' texts
        const std::size_t column = random() % 5;
        for (std::size_t row = 0; row < count; ++row) {
          store.InsertEmpty(records[row], column);
          auto& texts = model[row];
          if (column < texts.size()) texts.insert(texts.begin() + static_cast<std::ptrdiff_t>(column), u"");
        }
      } else if (what < 99) {
        if (store.Wasteful() || random() % 3 == 0) {
          store.Compact([&](auto visit) {
            for (TextStore::Record& record : records) visit(record);
          });
          ++compactions;
        }
      } else {
        store.Clear();
        records.clear();
        model.clear();
      }
      ExpectSame(records, model, store, step);
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(compactions, 0);
  }
}

}  // namespace
