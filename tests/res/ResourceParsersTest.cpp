// The resource module and the format parsers on cut and crafted data: they must reject what is not a
// complete, consistent resource without reading outside it (each input is copied into a buffer of its
// exact size, so the address sanitizer sees any overrun).
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/DialogTemplate.h"
#include "platform/core/MenuTemplate.h"
#include "platform/core/ResourceFormats.h"
#include "platform/core/WinStyles.h"
#include "res/ProgramResources.h"

extern const unsigned char kTarvelquistRes[];
extern const std::size_t kTarvelquistResSize;

namespace {

class Bytes {
 public:
  Bytes& W16(unsigned v) {
    m_data.push_back(static_cast<BYTE>(v));
    m_data.push_back(static_cast<BYTE>(v >> 8));
    return *this;
  }
  Bytes& W32(DWORD v) { return W16(v & 0xFFFF).W16(v >> 16); }
  Bytes& Str(std::u16string_view text, bool terminate = true) {
    for (char16_t c : text) W16(c);
    return terminate ? W16(0) : *this;
  }
  Bytes& Raw(std::initializer_list<BYTE> bytes) {
    m_data.insert(m_data.end(), bytes);
    return *this;
  }
  Bytes& Align() {
    while (m_data.size() % 4) m_data.push_back(0);
    return *this;
  }
  std::size_t Size() const { return m_data.size(); }
  const std::vector<BYTE>& Data() const { return m_data; }

 private:
  std::vector<BYTE> m_data;
};

// Parses a copy of exactly these bytes and says whether the parser accepted them.
using Parser = std::function<bool(std::span<const BYTE>, std::string*)>;

template <typename Parse>
Parser Wrap(Parse parse) {
  return [parse](std::span<const BYTE> data, std::string* error) { return parse(data, error).has_value(); };
}

bool ParsesExactCopy(const Parser& parse, std::span<const BYTE> data, std::string* error) {
  const auto copy = std::make_unique<BYTE[]>(data.size() ? data.size() : 1);
  std::copy(data.begin(), data.end(), copy.get());
  return parse(std::span<const BYTE>(copy.get(), data.size()), error);
}

struct CutCase {
  const char* name;
  WORD type;
  WORD id;
  Parser parse;
  friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }
};

class CutResources : public testing::TestWithParam<CutCase> {};

TEST_P(CutResources, EveryShorterPrefixIsRejectedWithAReason) {
  const CutCase& c = GetParam();
  const auto data = TarvelquistResources()->Find(c.type, c.id);
  ASSERT_TRUE(data);
  std::string error;
  ASSERT_TRUE(ParsesExactCopy(c.parse, *data, &error)) << error;
  for (std::size_t length = 0; length < data->size(); ++length) {
    error.clear();
    EXPECT_FALSE(ParsesExactCopy(c.parse, data->first(length), &error)) << "prefix of " << length << " bytes";
    EXPECT_FALSE(error.empty()) << "prefix of " << length << " bytes";
  }
}

INSTANTIATE_TEST_SUITE_P(
    ProgramResources, CutResources,
    testing::Values(CutCase{"About", RT_DIALOG, 100, Wrap(platform::ParseDialogTemplate)},
                    CutCase{"Editor", RT_DIALOG, 132, Wrap(platform::ParseDialogTemplate)},
                    CutCase{"Form", RT_DIALOG, 134, Wrap(platform::ParseDialogTemplate)},
                    CutCase{"Menu", RT_MENU, 128, Wrap(platform::ParseMenuTemplate)},
                    CutCase{"Accelerators", RT_ACCELERATOR, 128, Wrap(platform::ParseAcceleratorTable)},
                    CutCase{"Toolbar", RT_TOOLBAR, 128, Wrap(platform::ParseToolBarResource)},
                    CutCase{"Version", RT_VERSION, 1, Wrap(platform::ParseVersionInfo)}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

// A prefix of the image is a valid image only where it ends after an entry's data (its padding may be
// cut); anywhere else the module throws instead of reading on.
TEST(ResourceModule, CutImagesAreRejectedUnlessTheyEndBetweenEntries) {
  const std::span<const BYTE> image(kTarvelquistRes, kTarvelquistResSize);
  const CResourceModule full(image);
  std::vector<std::pair<std::size_t, std::size_t>> validEnds{{32, 32}};  // after the null entry
  for (const auto& entry : full.Entries()) {
    const std::size_t end = static_cast<std::size_t>(entry.data.data() - image.data()) + entry.data.size();
    validEnds.emplace_back(end, (end + 3) / 4 * 4);
  }
  ASSERT_EQ(validEnds.back().second, image.size());
  for (std::size_t length = 1; length < image.size(); ++length) {
    const auto copy = std::make_unique<BYTE[]>(length);
    std::copy_n(image.begin(), length, copy.get());
    std::size_t entries = 0;
    bool valid = false;
    for (std::size_t k = 0; k < validEnds.size(); ++k) {
      if (length >= validEnds[k].first && length <= validEnds[k].second) {
        valid = true;
        entries = k;
      }
    }
    if (valid) {
      const CResourceModule cut(std::span<const BYTE>(copy.get(), length));
      EXPECT_EQ(cut.Entries().size(), entries) << length;
    } else {
      EXPECT_THROW(CResourceModule(std::span<const BYTE>(copy.get(), length)), std::runtime_error) << length;
    }
  }
}

// One .res entry with the given header fields.
Bytes& Entry(Bytes& out, const Bytes& typeAndName, const std::vector<BYTE>& data, WORD language = 0x0411,
             std::optional<DWORD> headerSize = std::nullopt, std::optional<DWORD> dataSize = std::nullopt) {
  Bytes header = typeAndName;
  header.Align().W32(0).W16(0x30).W16(language).W32(0).W32(0);
  out.W32(dataSize.value_or(static_cast<DWORD>(data.size())));
  out.W32(headerSize.value_or(static_cast<DWORD>(8 + header.Size())));
  for (BYTE b : header.Data()) out.Raw({b});
  for (BYTE b : data) out.Raw({b});
  return out.Align();
}

Bytes OrdinalName(WORD type, WORD name) { return Bytes().W16(0xFFFF).W16(type).W16(0xFFFF).W16(name); }

TEST(ResourceModule, LyingHeadersThrow) {
  const std::vector<BYTE> data{1, 0};
  const std::vector<std::pair<const char*, Bytes>> cases{
      {"header size below its fields", [&] { Bytes b; return Entry(b, OrdinalName(10, 1), data, 0, 24); }()},
      {"header size past the end", [&] { Bytes b; return Entry(b, OrdinalName(10, 1), data, 0, 4000); }()},
      {"data size past the end", [&] { Bytes b; return Entry(b, OrdinalName(10, 1), data, 0, std::nullopt, 9); }()},
      {"data size overflowing", [&] { Bytes b; return Entry(b, OrdinalName(10, 1), data, 0, std::nullopt, 0xFFFFFFF0); }()},
      {"name without terminator inside the header",
       [&] {
         Bytes b;
         Bytes names = Bytes().W16(0xFFFF).W16(10).Str(u"ABCDEFGHIJKLMNOP", false);
         return Entry(b, names, data, 0, 32);
       }()},
      {"fewer than eight bytes", Bytes().W32(0).W16(32)},
  };
  for (const auto& [what, bytes] : cases) {
    const auto copy = bytes.Data();
    EXPECT_THROW(CResourceModule(std::span<const BYTE>(copy)), std::runtime_error) << what;
  }
}

TEST(ResourceModule, FindsByTypeAndNameFirstLanguageWinsNamesIgnoreAsciiCase) {
  Bytes image;
  Entry(image, OrdinalName(0, 0), {});
  Entry(image, Bytes().Str(u"CEUX").Str(u"HI_RES_AWARE"), {1, 0}, 0x0411);
  Entry(image, Bytes().Str(u"CEUX").Str(u"HI_RES_AWARE"), {2, 0}, 0x0409);
  Entry(image, OrdinalName(10, 7), {3}, 0);
  Entry(image, Bytes().W16(0xFFFF).W16(10).Str(u"ÄB"), {4}, 0);
  const CResourceModule module(image.Data());
  ASSERT_EQ(module.Entries().size(), 4u);  // the null entry is not one
  EXPECT_EQ(module.Find(u"ceux", u"hi_res_aware")->front(), 1);
  EXPECT_EQ(module.Find(10, 7)->size(), 1u);
  EXPECT_FALSE(module.Find(10, 8));
  EXPECT_FALSE(module.Find(11, 7));
  EXPECT_FALSE(module.Find(10, u"7"));              // an ordinal is not a name
  EXPECT_TRUE(module.Find(10, u"ÄB"));
  EXPECT_FALSE(module.Find(10, u"äB"));             // only ASCII letters fold
  EXPECT_FALSE(module.Find(u"CEU", u"HI_RES_AWARE"));
}

TEST(ResourceModule, LoadStringReadsItsBlockAndRejectsShortBlocks) {
  Bytes block;  // block 2 holds ids 16 to 31
  block.W16(0).W16(3).Str(u"abc", false).W16(0);
  for (int k = 3; k < 16; ++k) block.W16(0);
  Bytes shortBlock;  // block 3 claims more text than it has
  shortBlock.W16(0).W16(50).Str(u"xy", false);
  Bytes image;
  Entry(image, OrdinalName(0, 0), {});
  Entry(image, OrdinalName(RT_STRING, 2), block.Data());
  Entry(image, OrdinalName(RT_STRING, 3), shortBlock.Data());
  const CResourceModule module(image.Data());
  CString text;
  EXPECT_TRUE(module.LoadString(17, text));
  EXPECT_EQ(text, CString(u"abc"));
  EXPECT_FALSE(module.LoadString(16, text));  // empty
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_FALSE(module.LoadString(18, text));
  EXPECT_FALSE(module.LoadString(15, text));  // block 1 is absent
  EXPECT_FALSE(module.LoadString(33, text));  // runs past its block
  EXPECT_FALSE(module.LoadString(0x10011, text));
}

// A template of one header and the given items, each written as the standard layout.
Bytes Template(DWORD style, WORD count, const std::function<void(Bytes&)>& items, bool font = true) {
  Bytes b;
  b.W32(style | (font ? DS_SETFONT : 0)).W32(0).W16(count).W16(0).W16(0).W16(100).W16(50);
  b.W16(0).W16(0).Str(u"T");
  if (font) b.W16(9).Str(u"F");
  items(b);
  return b;
}

void Item(Bytes& b, WORD id, std::initializer_list<BYTE> creationData = {}) {
  b.Align().W32(WS_CHILD).W32(0).W16(1).W16(2).W16(3).W16(4).W16(id).W16(0xFFFF).W16(0x0080).Str(u"odd");
  b.W16(static_cast<WORD>(creationData.size())).Raw(creationData);
}

TEST(DialogTemplateParser, ItemsWithCreationDataAndNamedClasses) {
  const Bytes data = Template(WS_POPUP, 3, [](Bytes& b) {
    Item(b, 10, {0xAA, 0xBB, 0xCC});
    b.Align().W32(WS_CHILD | WS_GROUP).W32(WS_EX_STATICEDGE).W16(static_cast<WORD>(-5)).W16(6).W16(7).W16(8);
    b.W16(0xFFFF).Str(u"MyClass").W16(0xFFFF).W16(128).W16(0);
    Item(b, 12);
  });
  std::string error;
  const auto dialog = platform::ParseDialogTemplate(data.Data(), &error);
  ASSERT_TRUE(dialog) << error;
  EXPECT_EQ(dialog->title, u"T");
  EXPECT_EQ(dialog->faceName, u"F");
  ASSERT_EQ(dialog->items.size(), 3u);
  EXPECT_EQ(dialog->items[0].creationData, (std::vector<BYTE>{0xAA, 0xBB, 0xCC}));
  const auto& second = dialog->items[1];
  EXPECT_EQ(second.x, -5);
  EXPECT_EQ(second.SignedId(), -1);
  EXPECT_EQ(second.windowClass, (platform::NameOrOrdinal{false, 0, u"MyClass"}));
  EXPECT_EQ(second.title, (platform::NameOrOrdinal{true, 128, {}}));
  EXPECT_EQ(dialog->FindItem(12), &dialog->items[2]);
  EXPECT_EQ(dialog->FindItem(-1), &dialog->items[1]);
  for (const auto& item : dialog->items) EXPECT_EQ(item.offset % 4, 0u);
}

TEST(DialogTemplateParser, LyingTemplatesAreRejected) {
  auto fixedItem = [](Bytes& b) { b.Align().W32(0).W32(0).W16(0).W16(0).W16(0).W16(0).W16(1); };
  const std::vector<std::pair<const char*, Bytes>> cases{
      {"more items announced than present", Template(WS_POPUP, 3, [](Bytes& b) { Item(b, 1); })},
      {"creation data past the end", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.W16(0xFFFF).W16(0x80).W16(0).W16(200).W16(1);
       })},
      {"class ordinal cut", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.W16(0xFFFF);
       })},
      {"item title without terminator", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.W16(0xFFFF).W16(0x80).Str(u"abc", false);
       })},
      {"dialog title without terminator",
       Bytes().W32(0).W32(0).W16(0).W16(0).W16(0).W16(1).W16(1).W16(0).W16(0).Str(u"abc", false)},
      {"DS_SETFONT without the font", Template(WS_POPUP | DS_SETFONT, 0, [](Bytes&) {}, false)},
      {"extended template", Bytes().W16(1).W16(0xFFFF).W32(0).W32(0).W32(0).W16(0).W16(0).W16(0).W16(0).W16(0)
                                .W16(0).W16(0)},
  };
  for (const auto& [what, bytes] : cases) {
    std::string error;
    EXPECT_FALSE(ParsesExactCopy(Wrap(platform::ParseDialogTemplate), bytes.Data(), &error)) << what;
    EXPECT_FALSE(error.empty()) << what;
  }
}

TEST(MenuTemplateParser, StructureErrors) {
  auto nested = [](int depth) {
    Bytes b;
    b.W16(0).W16(0);
    for (int k = 0; k < depth; ++k) b.W16(0x10 | 0x80).Str(u"p");
    b.W16(0x80).W16(5).Str(u"leaf");
    return b;
  };
  std::string error;
  const auto deep = platform::ParseMenuTemplate(nested(16).Data(), &error);
  ASSERT_TRUE(deep) << error;
  EXPECT_EQ(deep->FindCommand(5)->text, u"leaf");
  EXPECT_FALSE(platform::ParseMenuTemplate(nested(17).Data(), &error));  // deeper than any menu
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().W16(0).W16(0).Data(), &error));  // no items
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().W16(0).W16(0).W16(0).W16(1).Str(u"a").Data(), &error));  // no end
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().W16(1).W16(4).W16(0x80).W16(1).Str(u"a").Data(), &error));  // MENUEX
  // The header's offset skips extra bytes before the items.
  const auto skipped = platform::ParseMenuTemplate(Bytes().W16(0).W16(2).W16(0xEEEE).W16(0x80 | 0x01).W16(9).Str(u"g").Data());
  ASSERT_TRUE(skipped);
  EXPECT_FALSE(skipped->items[0].IsEnabled());
  EXPECT_EQ(skipped->items[0].id, 9);
}

TEST(SmallFormats, AcceleratorsNeedTheirLastMarkToolbarsTheirVersion) {
  Bytes accelerators;
  accelerators.W16(platform::FVIRTKEY).W16('A').W16(1).W16(0).W16(platform::FVIRTKEY).W16('B').W16(2).W16(0);
  EXPECT_FALSE(platform::ParseAcceleratorTable(accelerators.Data()));
  EXPECT_FALSE(platform::ParseToolBarResource(Bytes().W16(2).W16(16).W16(16).W16(0).Data()));
  const auto toolbar = platform::ParseToolBarResource(Bytes().W16(1).W16(16).W16(15).W16(3).W16(7).W16(0).W16(8).Data());
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(toolbar->ids, (std::vector<WORD>{7, 0, 8}));
  EXPECT_FALSE(platform::ParseToolBarResource(Bytes().W16(1).W16(16).W16(15).W16(0xFFFF).W16(7).Data()));
}

TEST(SmallFormats, VersionBlockNeedsItsRootAndFixedInfo) {
  auto root = [](std::u16string_view key, DWORD signature, WORD childLength) {
    Bytes b;
    b.W16(0).W16(52).W16(0).Str(key).Align();
    b.W32(signature).W32(0x10000).W32(0x00010002).W32(0x00030004);
    for (int k = 0; k < 9; ++k) b.W32(0);
    if (childLength) b.W16(childLength).W16(0).W16(1).Str(u"StringFileInfo").Align();
    std::vector<BYTE> data = b.Data();
    data[0] = static_cast<BYTE>(data.size());
    return data;
  };
  std::string error;
  const auto good = platform::ParseVersionInfo(root(u"VS_VERSION_INFO", 0xFEEF04BD, 0), &error);
  ASSERT_TRUE(good) << error;
  EXPECT_EQ(platform::VersionText(good->fileVersion), "1.2.3.4");
  EXPECT_FALSE(platform::ParseVersionInfo(root(u"VS_VERSION_INFO", 0x12345678, 0), &error));
  EXPECT_FALSE(platform::ParseVersionInfo(root(u"VS_VERSION_INFX", 0xFEEF04BD, 0), &error));
  EXPECT_FALSE(platform::ParseVersionInfo(root(u"VS_VERSION_INFO", 0xFEEF04BD, 200), &error));  // child too long
  EXPECT_FALSE(error.empty());
}

}  // namespace
