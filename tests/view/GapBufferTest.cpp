// The list control's row store: a gap buffer checked against std::vector with element types that own memory,
// are move-only, or notice being moved onto themselves or read after a move.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ui/GapBuffer.h"

using listview::GapBuffer;

namespace {

// Counts what a sound container never does to its elements.
struct Misuse {
  int selfMoves = 0;
  int movedFromReads = 0;
};
Misuse g_misuse;

// An element that knows whether it still holds its value.
class Watched {
 public:
  Watched() = default;
  explicit Watched(int value) : m_value(value), m_live(true) {}
  Watched(const Watched&) = default;
  Watched(Watched&& other) noexcept : m_value(other.m_value), m_live(other.m_live) { other.m_live = false; }
  Watched& operator=(const Watched&) = default;
  Watched& operator=(Watched&& other) noexcept {
    if (this == &other) {
      ++g_misuse.selfMoves;
      m_live = false;  // what a std::vector or std::string member would do: the value is gone
      return *this;
    }
    m_value = other.m_value;
    m_live = other.m_live;
    other.m_live = false;
    return *this;
  }
  int Value() const {
    if (!m_live) ++g_misuse.movedFromReads;
    return m_value;
  }

 private:
  int m_value = -1;
  bool m_live = false;
};

// How each element type is made from a number and read back as one, so that one differential test serves all.
template <typename T>
struct Element;
template <>
struct Element<int> {
  static int Make(int v) { return v; }
  static int Read(const int& e) { return e; }
};
template <>
struct Element<std::string> {
  // Long enough to live on the heap, so that a lost string is an empty one.
  static std::string Make(int v) { return "row text number " + std::to_string(v) + " with some length"; }
  static int Read(const std::string& e) { return e.empty() ? -1 : std::stoi(e.substr(16)); }
};
template <>
struct Element<std::vector<std::string>> {
  // The shape of a list row: one text per column.
  static std::vector<std::string> Make(int v) { return {std::to_string(v), "2008/03/15", "A1", "memo"}; }
  static int Read(const std::vector<std::string>& e) { return e.size() == 4 ? std::stoi(e[0]) : -1; }
};
template <>
struct Element<std::unique_ptr<int>> {
  static std::unique_ptr<int> Make(int v) { return std::make_unique<int>(v); }
  static int Read(const std::unique_ptr<int>& e) { return e ? *e : -1; }
};
// A row's flags: one byte, searched through GapBuffer::find as well.
template <>
struct Element<unsigned char> {
  static unsigned char Make(int v) { return static_cast<unsigned char>(v % 5); }
  static int Read(const unsigned char& e) { return e; }
};
template <>
struct Element<Watched> {
  static Watched Make(int v) { return Watched(v); }
  static int Read(const Watched& e) { return e.Value(); }
};

template <typename T>
std::vector<int> Contents(const GapBuffer<T>& buffer) {
  std::vector<int> values;
  for (std::size_t i = 0; i < buffer.size(); ++i) values.push_back(Element<T>::Read(buffer[i]));
  return values;
}

// Sizes at which the buffer is full (its gap empty) when filled from nothing by appends.
template <typename T>
std::vector<std::size_t> GrowthBoundaries(std::size_t upTo) {
  std::vector<std::size_t> boundaries;
  GapBuffer<T> buffer;
  for (std::size_t n = 1; n <= upTo; ++n) {
    buffer.insert(n - 1, Element<T>::Make(static_cast<int>(n)));
    if (buffer.capacity() == buffer.size()) boundaries.push_back(n);
  }
  return boundaries;
}

template <typename T>
class GapBufferTypedTest : public ::testing::Test {
 protected:
  void SetUp() override { g_misuse = {}; }
  void TearDown() override {
    EXPECT_EQ(g_misuse.selfMoves, 0);
    EXPECT_EQ(g_misuse.movedFromReads, 0);
  }
};

using ElementTypes =
    ::testing::Types<int, unsigned char, std::string, std::vector<std::string>, std::unique_ptr<int>, Watched>;
TYPED_TEST_SUITE(GapBufferTypedTest, ElementTypes);

// The reported fault: a full buffer (16, 32, 48, 72, 108 ... items) lost the items behind an erase or an insert,
// because the items were moved onto themselves. Every position at every boundary up to 250, both ways.
TYPED_TEST(GapBufferTypedTest, EditsOfAFullBufferKeepEveryItem) {
  using E = Element<TypeParam>;
  const std::vector<std::size_t> boundaries = GrowthBoundaries<TypeParam>(250);
  ASSERT_GE(boundaries.size(), 5u);
  EXPECT_EQ(boundaries.front(), 16u);
  for (const std::size_t n : boundaries) {
    for (std::size_t at = 0; at < n; at += (n > 40 ? 7 : 1)) {
      for (const bool erase : {true, false}) {
        GapBuffer<TypeParam> buffer;
        std::vector<int> expected;
        for (std::size_t i = 0; i < n; ++i) {
          buffer.insert(i, E::Make(static_cast<int>(i)));
          expected.push_back(E::Read(E::Make(static_cast<int>(i))));
        }
        ASSERT_EQ(buffer.capacity(), buffer.size());
        if (erase) {
          buffer.erase(at);
          expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
          // The list's rebuild of a row: delete it, insert it again at once.
          buffer.insert(at, E::Make(1000));
          expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), E::Read(E::Make(1000)));
        } else {
          buffer.insert(at, E::Make(1000));
          expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), E::Read(E::Make(1000)));
        }
        ASSERT_EQ(Contents(buffer), expected) << "size " << n << (erase ? ", erase at " : ", insert at ") << at;
      }
    }
  }
}

// Random inserts and erases, in runs near one place (as the list's commands make them) and anywhere, over sizes
// that rise and fall through every growth boundary up to 300, against std::vector.
TYPED_TEST(GapBufferTypedTest, BehavesAsAVectorUnderRandomEdits) {
  using E = Element<TypeParam>;
  for (const unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    GapBuffer<TypeParam> buffer;
    std::vector<int> reference;
    std::size_t target = 300;
    std::size_t place = 0;
    for (int step = 0; step < 6000; ++step) {
      const std::size_t size = reference.size();
      if (size >= target) target = random() % 40;
      if (size <= target && target < 40 && random() % 8 == 0) target = 300;
      if (random() % 4 == 0) place = size == 0 ? 0 : random() % size;
      if (random() % 50 == 0) {  // room made ahead of a fill, at any place of the gap
        const std::size_t room = size + random() % 40;
        buffer.reserve(room);
        ASSERT_GE(buffer.capacity(), room);
      }
      const bool grow = size < target ? random() % 4 != 0 : random() % 4 == 0;
      if (grow || size == 0) {
        const std::size_t at = std::min(place, size);
        buffer.insert(at, E::Make(step));
        reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), E::Read(E::Make(step)));
      } else {
        const std::size_t at = std::min(place, size - 1);
        buffer.erase(at);
        reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
      }
      ASSERT_EQ(buffer.size(), reference.size());
      {  // the first item from a random place on whose value has a random remainder, as a walk would find it
        const std::size_t from = random() % (reference.size() + 2);
        const int divisor = static_cast<int>(random() % 50) + 1;
        const auto wanted = [&](int value) { return value % divisor == 0; };
        std::size_t expected = from;
        while (expected < reference.size() && !wanted(reference[expected])) ++expected;
        const std::size_t found = buffer.find_if(from, [&](const TypeParam& item) { return wanted(E::Read(item)); });
        ASSERT_EQ(found, std::min(expected, reference.size())) << "seed " << seed << ", step " << step;
        if constexpr (std::is_same_v<TypeParam, unsigned char>) {
          const int value = static_cast<int>(random() % 5);
          const auto hit = std::find(reference.begin() + static_cast<std::ptrdiff_t>(std::min(from, reference.size())),
                                     reference.end(), value);
          ASSERT_EQ(buffer.find(from, E::Make(value)), static_cast<std::size_t>(hit - reference.begin()))
              << "seed " << seed << ", step " << step;
        }
      }
      if (step % 7 == 0 || buffer.capacity() == buffer.size()) {
        ASSERT_EQ(Contents(buffer), reference) << "seed " << seed << ", step " << step;
      }
    }
    std::vector<int> walked;
    buffer.for_each([&](TypeParam& item) { walked.push_back(E::Read(item)); });
    EXPECT_EQ(walked, reference);
    buffer.clear();
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(buffer.capacity(), 0u);
  }
}

TEST(GapBufferTest, AnErasedItemIsReleasedAtOnce) {
  GapBuffer<std::shared_ptr<int>> buffer;
  auto held = std::make_shared<int>(5);
  for (int i = 0; i < 20; ++i) buffer.insert(0, std::make_shared<int>(i));
  buffer.insert(10, held);
  EXPECT_EQ(held.use_count(), 2);
  buffer.erase(10);
  EXPECT_EQ(held.use_count(), 1);
  // Moving the gap over the items leaves no second owner behind.
  buffer.insert(0, held);
  buffer.insert(21, std::make_shared<int>(0));
  EXPECT_EQ(held.use_count(), 2);
  buffer.clear();
  EXPECT_EQ(held.use_count(), 1);
}

// An element whose move may throw is copied when the buffer grows; a copy that throws leaves the items whole.
class Fragile {
 public:
  static inline int copiesLeft = -1;  // throws on the copy that finds 0; -1: never
  Fragile() = default;
  explicit Fragile(int v) : value(v) {}
  Fragile(const Fragile& other) : value(other.value) { Count(); }
  Fragile(Fragile&& other) noexcept(false) : value(other.value) { other.value = -1; }
  Fragile& operator=(const Fragile& other) {
    Count();
    value = other.value;
    return *this;
  }
  Fragile& operator=(Fragile&& other) noexcept(false) {
    value = other.value;
    if (this != &other) other.value = -1;
    return *this;
  }
  int value = -1;

 private:
  static void Count() {
    if (copiesLeft == 0) throw std::runtime_error("copy failed");
    if (copiesLeft > 0) --copiesLeft;
  }
};

TEST(GapBufferTest, AFailedGrowthLeavesTheItemsAsTheyWere) {
  GapBuffer<Fragile> buffer;
  for (int i = 0; i < 16; ++i) buffer.insert(static_cast<std::size_t>(i), Fragile(i));
  ASSERT_EQ(buffer.capacity(), buffer.size());
  buffer.erase(3);  // the gap now sits inside the items
  buffer.insert(3, Fragile(100));
  ASSERT_EQ(buffer.capacity(), buffer.size());
  Fragile::copiesLeft = 8;
  EXPECT_THROW(buffer.insert(8, Fragile(200)), std::runtime_error);
  Fragile::copiesLeft = -1;
  ASSERT_EQ(buffer.size(), 16u);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(buffer[i].value, i == 3 ? 100 : static_cast<int>(i)) << i;
  buffer.insert(8, Fragile(200));
  EXPECT_EQ(buffer.size(), 17u);
  EXPECT_EQ(buffer[8].value, 200);
  EXPECT_EQ(buffer[16].value, 15);
}

}  // namespace
