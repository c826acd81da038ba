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
#include "platform/core/ResourceWriter.h"
#include "platform/core/WinStyles.h"
#include "res/ProgramResources.h"

extern const unsigned char kTarvelquistRes[];
extern const std::size_t kTarvelquistResSize;

namespace {

using Bytes = platform::ResourceWriter;

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
  header.AlignDword().Dword(0).Word(0x30).Word(language).Dword(0).Dword(0);
  out.Dword(dataSize.value_or(static_cast<DWORD>(data.size())));
  out.Dword(headerSize.value_or(static_cast<DWORD>(8 + header.Size())));
  out.Append(header.Data()).Append(data);
  return out.AlignDword();
}

Bytes OrdinalName(WORD type, WORD name) { return Bytes().Word(0xFFFF).Word(type).Word(0xFFFF).Word(name); }

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
         Bytes names = Bytes().Word(0xFFFF).Word(10).String(u"ABCDEFGHIJKLMNOP", false);
         return Entry(b, names, data, 0, 32);
       }()},
      {"fewer than eight bytes", Bytes().Dword(0).Word(32)},
  };
  for (const auto& [what, bytes] : cases) {
    const auto copy = bytes.Data();
    EXPECT_THROW(CResourceModule(std::span<const BYTE>(copy)), std::runtime_error) << what;
  }
}

TEST(ResourceModule, FindsByTypeAndNameFirstLanguageWinsNamesIgnoreAsciiCase) {
  Bytes image;
  Entry(image, OrdinalName(0, 0), {});
  Entry(image, Bytes().String(u"CEUX").String(u"HI_RES_AWARE"), {1, 0}, 0x0411);
  Entry(image, Bytes().String(u"CEUX").String(u"HI_RES_AWARE"), {2, 0}, 0x0409);
  Entry(image, OrdinalName(10, 7), {3}, 0);
  Entry(image, Bytes().Word(0xFFFF).Word(10).String(u"ÄB"), {4}, 0);
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
  block.Word(0).Word(3).String(u"abc", false).Word(0);
  for (int k = 3; k < 16; ++k) block.Word(0);
  Bytes shortBlock;  // block 3 claims more text than it has
  shortBlock.Word(0).Word(50).String(u"xy", false);
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
  b.Dword(style | (font ? DS_SETFONT : 0)).Dword(0).Word(count).Word(0).Word(0).Word(100).Word(50);
  b.Word(0).Word(0).String(u"T");
  if (font) b.Word(9).String(u"F");
  items(b);
  return b;
}

void Item(Bytes& b, WORD id, std::initializer_list<BYTE> creationData = {}) {
  b.AlignDword().Dword(WS_CHILD).Dword(0).Word(1).Word(2).Word(3).Word(4).Word(id).Word(0xFFFF).Word(0x0080).String(u"odd");
  // The size word counts itself.
  const WORD size = creationData.size() == 0 ? 0 : static_cast<WORD>(creationData.size() + 2);
  b.Word(size).Append(std::vector<BYTE>(creationData));
}

TEST(DialogTemplateParser, ItemsWithCreationDataAndNamedClasses) {
  const Bytes data = Template(WS_POPUP, 3, [](Bytes& b) {
    Item(b, 10, {0xAA, 0xBB, 0xCC});
    b.AlignDword().Dword(WS_CHILD | WS_GROUP).Dword(WS_EX_STATICEDGE).Word(static_cast<WORD>(-5)).Word(6).Word(7).Word(8);
    b.Word(0xFFFF).String(u"MyClass").Word(0xFFFF).Word(128).Word(0);
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
  auto fixedItem = [](Bytes& b) { b.AlignDword().Dword(0).Dword(0).Word(0).Word(0).Word(0).Word(0).Word(1); };
  const std::vector<std::pair<const char*, Bytes>> cases{
      {"more items announced than present", Template(WS_POPUP, 3, [](Bytes& b) { Item(b, 1); })},
      {"creation data past the end", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.Word(0xFFFF).Word(0x80).Word(0).Word(200).Word(1);
       })},
      {"class ordinal cut", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.Word(0xFFFF);
       })},
      {"item title without terminator", Template(WS_POPUP, 1, [&](Bytes& b) {
         fixedItem(b);
         b.Word(0xFFFF).Word(0x80).String(u"abc", false);
       })},
      {"dialog title without terminator",
       Bytes().Dword(0).Dword(0).Word(0).Word(0).Word(0).Word(1).Word(1).Word(0).Word(0).String(u"abc", false)},
      {"DS_SETFONT without the font", Template(WS_POPUP | DS_SETFONT, 0, [](Bytes&) {}, false)},
      {"extended template", Bytes().Word(1).Word(0xFFFF).Dword(0).Dword(0).Dword(0).Word(0).Word(0).Word(0).Word(0).Word(0)
                                .Word(0).Word(0)},
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
    b.Word(0).Word(0);
    for (int k = 0; k < depth; ++k) b.Word(0x10 | 0x80).String(u"p");
    b.Word(0x80).Word(5).String(u"leaf");
    return b;
  };
  std::string error;
  const auto deep = platform::ParseMenuTemplate(nested(16).Data(), &error);
  ASSERT_TRUE(deep) << error;
  EXPECT_EQ(deep->FindCommand(5)->text, u"leaf");
  EXPECT_FALSE(platform::ParseMenuTemplate(nested(17).Data(), &error));  // deeper than any menu
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().Word(0).Word(0).Data(), &error));  // no items
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().Word(0).Word(0).Word(0).Word(1).String(u"a").Data(), &error));  // no end
  EXPECT_FALSE(platform::ParseMenuTemplate(Bytes().Word(1).Word(4).Word(0x80).Word(1).String(u"a").Data(), &error));  // MENUEX
  // The header's offset skips extra bytes before the items.
  const auto skipped = platform::ParseMenuTemplate(Bytes().Word(0).Word(2).Word(0xEEEE).Word(0x80 | 0x01).Word(9).String(u"g").Data());
  ASSERT_TRUE(skipped);
  EXPECT_FALSE(skipped->items[0].IsEnabled());
  EXPECT_EQ(skipped->items[0].id, 9);
}

TEST(SmallFormats, AcceleratorsNeedTheirLastMarkToolbarsTheirVersion) {
  Bytes accelerators;
  accelerators.Word(platform::FVIRTKEY).Word('A').Word(1).Word(0).Word(platform::FVIRTKEY).Word('B').Word(2).Word(0);
  EXPECT_FALSE(platform::ParseAcceleratorTable(accelerators.Data()));
  EXPECT_FALSE(platform::ParseToolBarResource(Bytes().Word(2).Word(16).Word(16).Word(0).Data()));
  const auto toolbar = platform::ParseToolBarResource(Bytes().Word(1).Word(16).Word(15).Word(3).Word(7).Word(0).Word(8).Data());
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(toolbar->ids, (std::vector<WORD>{7, 0, 8}));
  EXPECT_FALSE(platform::ParseToolBarResource(Bytes().Word(1).Word(16).Word(15).Word(0xFFFF).Word(7).Data()));
}

TEST(SmallFormats, VersionBlockNeedsItsRootAndFixedInfo) {
  auto root = [](std::u16string_view key, DWORD signature, WORD childLength) {
    Bytes b;
    b.Word(0).Word(52).Word(0).String(key).AlignDword();
    b.Dword(signature).Dword(0x10000).Dword(0x00010002).Dword(0x00030004);
    for (int k = 0; k < 9; ++k) b.Dword(0);
    if (childLength) b.Word(childLength).Word(0).Word(1).String(u"StringFileInfo").AlignDword();
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
