// The program's compiled resources, read back through the resource module and the format parsers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/DialogTemplate.h"
#include "platform/core/MenuTemplate.h"
#include "platform/core/ResourceBytes.h"
#include "platform/core/ResourceFormats.h"
#include "platform/core/WinStyles.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "tests/support/Files.h"

extern const unsigned char kTarvelquistRes[];
extern const std::size_t kTarvelquistResSize;

namespace {

using platform::DialogTemplate;
using platform::NameOrOrdinal;

std::span<const BYTE> Require(const ResId& type, const ResId& name) {
  const auto data = TarvelquistResources()->Find(type, name);
  if (!data) throw std::runtime_error("resource missing");
  return *data;
}

DialogTemplate Dialog(int id) {
  std::string error;
  const auto dialog = platform::ParseDialogTemplate(Require(RT_DIALOG, id), &error);
  if (!dialog) throw std::runtime_error(error);
  return *dialog;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

NameOrOrdinal Class(WORD ordinal) { return NameOrOrdinal{true, ordinal, {}}; }
NameOrOrdinal Class(std::u16string name) { return NameOrOrdinal{false, 0, std::move(name)}; }
NameOrOrdinal Text(std::u16string text) { return NameOrOrdinal{false, 0, std::move(text)}; }

struct ExpectedItem {
  int id;
  NameOrOrdinal windowClass;
  NameOrOrdinal title;
  short x, y, cx, cy;
  DWORD style;
  DWORD exStyle = 0;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON | BS_PUSHLIKE;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;

// Predefined classes are ordinals; a class name may be stored in any case (the script's compiler writes it
// upper case), as class names compare without case.
bool SameClass(const NameOrOrdinal& stored, const NameOrOrdinal& expected) {
  if (stored.isOrdinal || expected.isOrdinal) return stored == expected;
  return ResId(stored.name.c_str()) == ResId(expected.name.c_str());
}

void ExpectItems(const DialogTemplate& dialog, const std::vector<ExpectedItem>& expected) {
  ASSERT_EQ(dialog.items.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("item " + std::to_string(i + 1));
    const auto& item = dialog.items[i];
    const auto& want = expected[i];
    EXPECT_EQ(item.id, static_cast<WORD>(want.id));
    EXPECT_TRUE(SameClass(item.windowClass, want.windowClass));
    EXPECT_EQ(item.title, want.title);
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
    EXPECT_EQ(item.style, want.style) << std::hex << item.style << " vs " << want.style;
    EXPECT_EQ(item.exStyle, want.exStyle);
    EXPECT_TRUE(item.creationData.empty());
    EXPECT_EQ(item.offset % 4, 0u);
  }
}

TEST(ProgramResources, TaskEditorTemplateHasItsControlsInTemplateOrder) {
  const DialogTemplate dialog = Dialog(IDD_TARVELQUIST_INS);
  EXPECT_EQ(dialog.style, WS_POPUP | WS_BORDER | WS_SYSMENU | DS_SETFONT);
  EXPECT_EQ(dialog.exStyle, 0u);
  EXPECT_EQ(dialog.cx, 140);
  EXPECT_EQ(dialog.cy, 191);
  EXPECT_EQ(dialog.title, u"");
  EXPECT_TRUE(dialog.menu.IsEmpty());
  EXPECT_TRUE(dialog.windowClass.IsEmpty());
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.faceName, u"MS UI Gothic");

  const NameOrOrdinal button = Class(kClassButton), edit = Class(kClassEdit), label = Class(kClassStatic);
  ExpectItems(dialog, {
      {1001, edit, Text(u""), 30, 7, 102, 13, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
      {1003, Class(u"SysDateTimePick32"), Text(u""), 30, 25, 102, 13,
       kChild | WS_TABSTOP | DTS_LONGDATEFORMAT | DTS_RIGHTALIGN, WS_EX_STATICEDGE},
      {-1, label, Text(u"優先度"), 10, 65, 22, 8, kLabel},
      {1004, button, Text(u"Ａ"), 35, 62, 17, 10, kRadio},
      {1005, button, Text(u"Ｂ"), 59, 62, 17, 10, kRadio},
      {1006, button, Text(u"Ｃ"), 83, 62, 17, 10, kRadio},
      {1013, button, Text(u"P"), 107, 62, 17, 10, kRadio},
      {-1, label, Text(u"優先度"), 10, 86, 22, 8, kLabel},
      {1007, button, Text(u"１"), 35, 85, 12, 10, kRadio},
      {1008, button, Text(u"２"), 54, 85, 12, 10, kRadio},
      {1009, button, Text(u"３"), 73, 85, 12, 10, kRadio},
      {1014, button, Text(u"４"), 92, 85, 12, 10, kRadio},
      {1010, button, Text(u"５"), 111, 85, 12, 10, kRadio},
      {1011, button, Text(u"６"), 35, 100, 12, 10, kRadio},
      {1012, button, Text(u"７"), 54, 100, 12, 10, kRadio},
      {1015, button, Text(u"８"), 73, 100, 12, 10, kRadio},
      {1016, button, Text(u"９"), 92, 100, 12, 10, kRadio},
      {1017, button, Text(u"０"), 111, 100, 12, 10, kRadio},
      {-1, label, Text(u"件名："), 7, 9, 18, 8, kLabel},
      {-1, label, Text(u"期限："), 7, 27, 18, 8, kLabel},
      {1002, edit, Text(u""), 7, 124, 125, 24,
       kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_BORDER | WS_VSCROLL |
           WS_HSCROLL | WS_TABSTOP},
      {IDOK, button, Text(u"OK"), 21, 170, 40, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
      {IDCANCEL, button, Text(u"キャンセル"), 78, 170, 40, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
      {-1, button, Text(u""), 7, 52, 125, 67, kChild | BS_GROUPBOX},
      {1018, button, Text(u"期限なし"), 31, 40, 80, 10, kChild | BS_AUTOCHECKBOX | WS_TABSTOP},
  });
}

// What the template order and styles mean to the dialog: the tab order, the two radio rows and the digit
// ids in visual order.
TEST(ProgramResources, TaskEditorTabOrderAndRadioGroupsFollowFromTheTemplate) {
  const DialogTemplate dialog = Dialog(IDD_TARVELQUIST_INS);
  std::vector<int> tabOrder;
  std::vector<std::vector<int>> radioGroups;
  for (const auto& item : dialog.items) {
    if (item.style & WS_TABSTOP) tabOrder.push_back(item.SignedId());
    if (item.style & WS_GROUP) radioGroups.emplace_back();
    const bool radio = item.windowClass == Class(kClassButton) && (item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    if (radio) {
      ASSERT_FALSE(radioGroups.empty());
      radioGroups.back().push_back(item.SignedId());
    }
  }
  EXPECT_EQ(tabOrder, (std::vector<int>{1001, 1003, 1002, IDOK, IDCANCEL, 1018}));
  radioGroups.erase(std::remove_if(radioGroups.begin(), radioGroups.end(), [](const auto& g) { return g.empty(); }),
                    radioGroups.end());
  ASSERT_EQ(radioGroups.size(), 2u);
  EXPECT_EQ(radioGroups[0], (std::vector<int>{1004, 1005, 1006, 1013}));
  // "１" to "０" in visual order.
  EXPECT_EQ(radioGroups[1], (std::vector<int>{1007, 1008, 1009, 1014, 1010, 1011, 1012, 1015, 1016, 1017}));
  EXPECT_EQ(std::count_if(dialog.items.begin(), dialog.items.end(), [](const auto& i) { return i.id == 0xFFFF; }), 5);
}

TEST(ProgramResources, AboutBoxTemplate) {
  const DialogTemplate dialog = Dialog(IDD_ABOUTBOX);
  EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | DS_SETFONT), WS_POPUP | WS_CAPTION | DS_SETFONT);
  EXPECT_EQ(dialog.style & ~(WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME), 0u);
  EXPECT_EQ(dialog.exStyle, WS_EX_CAPTIONOKBTN);
  EXPECT_EQ(dialog.cx, 156);
  EXPECT_EQ(dialog.cy, 129);
  EXPECT_EQ(dialog.title, u"バージョン情報 Tarvelquist");
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.faceName, u"MS UI Gothic");
  const NameOrOrdinal label = Class(kClassStatic);
  ASSERT_EQ(dialog.items.size(), 3u);
  ExpectItems(dialog, {
      {202, label, Text(u"Tarvelquist Version 1.2.0.0"), 12, 36, 91, 8, kLabel | SS_NOPREFIX},
      {203, label, dialog.items[1].title, 12, 48, 92, 8, kLabel},
      {204, label, NameOrOrdinal{true, 128, {}}, 13, 11, 20, 20, kChild | SS_ICON | SS_REALSIZEIMAGE},
  });
  EXPECT_FALSE(dialog.items[1].title.isOrdinal);
  EXPECT_FALSE(dialog.items[1].title.name.empty());
  EXPECT_EQ(dialog.items[1].title.name.find(u'\n'), std::u16string::npos);  // one line
}

TEST(ProgramResources, FormTemplateHoldsTheListControl) {
  const DialogTemplate dialog = Dialog(IDD_TARVELQUIST_FORM);
  EXPECT_EQ(dialog.style, WS_CHILD | WS_SYSMENU | DS_SETFONT);
  EXPECT_EQ(dialog.exStyle, 0u);
  EXPECT_EQ(dialog.cx, 113);
  EXPECT_EQ(dialog.cy, 106);
  EXPECT_EQ(dialog.title, u"");
  EXPECT_EQ(dialog.faceName, u"MS UI Gothic");
  ExpectItems(dialog, {{1009, Class(u"SysListView32"), Text(u""), 7, 7, 53, 86,
                        kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_ALIGNLEFT}});
}

struct MenuNode {
  std::u16string text;
  int id;  // 0 for pop-ups, -1 for a separator
  std::vector<MenuNode> children;
};

void ExpectMenu(const std::vector<platform::MenuItemTemplate>& items, const std::vector<MenuNode>& expected) {
  ASSERT_EQ(items.size(), expected.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE("menu item " + std::to_string(i));
    EXPECT_TRUE(items[i].IsEnabled());
    if (expected[i].id < 0) {
      EXPECT_TRUE(items[i].IsSeparator());
      continue;
    }
    EXPECT_EQ(items[i].text, expected[i].text);
    EXPECT_EQ(items[i].IsPopup(), expected[i].id == 0);
    if (expected[i].id == 0) ExpectMenu(items[i].children, expected[i].children);
    else EXPECT_EQ(items[i].id, expected[i].id);
  }
}

TEST(ProgramResources, MenuTreeAndIds) {
  std::string error;
  const auto menu = platform::ParseMenuTemplate(Require(RT_MENU, IDR_MAINFRAME), &error);
  ASSERT_TRUE(menu) << error;
  ExpectMenu(menu->items, {{u"メニュー", 0, {
      {u"ファイル", 0, {{u"保存", 57603, {}}, {u"開く", 57601, {}}}},
      {u"編集", 0, {{u"編集", 32778, {}}, {u"挿入", 32779, {}}, {u"上へ", 32781, {}}, {u"下へ", 32782, {}},
                   {u"", -1, {}}, {u"削除", 32780, {}}}},
      {u"ツール", 0, {{u"バージョン情報 Tarvelquist...", 57664, {}}}},
  }}});
}

std::vector<WORD> Words(std::span<const BYTE> data) {
  std::vector<WORD> words;
  platform::ResourceReader reader(data);
  while (const auto word = reader.Word()) words.push_back(*word);
  return words;
}

TEST(ProgramResources, MenuBarWords) {
  const auto data = Require(RT_RCDATA, IDR_MAINFRAME);
  EXPECT_EQ(data.size(), 18u);
  EXPECT_EQ(Words(data), (std::vector<WORD>{128, 1, 0xFFFE, 402, 4, 0x0018, 302, 0, 0}));
}

TEST(ProgramResources, ToolbarButtonsInOrder) {
  const auto toolbar = platform::ParseToolBarResource(Require(RT_TOOLBAR, IDR_MAINFRAME));
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(toolbar->version, 1);
  EXPECT_EQ(toolbar->width, 32);
  EXPECT_EQ(toolbar->height, 32);
  EXPECT_EQ(toolbar->ids, (std::vector<WORD>{32778, 32781, 32782, 32779, 32780, 57664}));
}

TEST(ProgramResources, AcceleratorsAreControlVirtualKeys) {
  const auto data = Require(RT_ACCELERATOR, IDR_MAINFRAME);
  const auto table = platform::ParseAcceleratorTable(data);
  ASSERT_TRUE(table);
  using platform::Accelerator;
  constexpr BYTE kCtrl = platform::FVIRTKEY | platform::FCONTROL;
  constexpr BYTE kCtrlShift = kCtrl | platform::FSHIFT;
  const std::vector<Accelerator> expected{{kCtrl, 'N', ID_FILE_NEW},       {kCtrl, 'Z', ID_EDIT_UNDO},
                                          {kCtrl, 'X', ID_EDIT_CUT},       {kCtrl, 'C', ID_EDIT_COPY},
                                          {kCtrl, 'V', ID_EDIT_PASTE},     {kCtrl, 'Y', ID_EDIT_REDO},
                                          {kCtrlShift, 'Z', ID_EDIT_REDO}, {kCtrl, 'S', ID_FILE_SAVE},
                                          {kCtrl, 'O', ID_FILE_OPEN}};
  EXPECT_EQ(*table, expected);
  // The framework's ids, as the handheld numbered them.
  EXPECT_EQ((std::vector<UINT>{ID_FILE_NEW, ID_EDIT_UNDO, ID_EDIT_REDO}), (std::vector<UINT>{57600, 57643, 57644}));
  // Only the last entry carries the end mark.
  ASSERT_EQ(data.size(), expected.size() * 8);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ((data[i * 8] & 0x80) != 0, i + 1 == expected.size());
}

TEST(ProgramResources, EveryStringOfTheTable) {
  const std::vector<std::pair<UINT, std::u16string>> strings{
      {128, u"Tarvelquist\n\nTarvelquist\nTarvelquist Files (*.tvq)\n.tvq\nTarvelQuist.Document\nTarvelquist.Document"},
      {302, u"メニュー"},
      {303, u"%1 は、読み込んだ後にほかのプログラムによって変更されていました。\n\nこの一覧を %1 に保存し、"
            u"ほかのプログラムが保存した内容は %2 として残しました。"},
      {57344, u"Tarvelquist"},
      {57345, u"レディ"},
      {57603, u"作業中のファイルを上書きして保存\n保存"},
      {57634, u"選択範囲をコピーしてクリップボードに保存\n保存"},
      {57635, u"選択範囲を切り取ってクリップボードに保存\n切り取り"},
      {57637, u"クリップボードの内容を貼り付け\n貼り付け"},
      {57643, u"直前に行った動作を元に戻す\n元に戻す"},
      {57644, u"直前に元に戻した動作をやり直す\nやり直し"},
      {61190, u"作業中のウィンドウを閉じ、変更したファイルの保存を指示"},
      {61203, u"タスク一覧をアクティブにする"},
  };
  for (const auto& [id, text] : strings) {
    CString loaded;
    EXPECT_TRUE(TarvelquistResources()->LoadString(id, loaded)) << id;
    EXPECT_EQ(loaded.str(), text) << id;
  }
  // The five task commands have no prompts, nor do the neighbours of the strings in their blocks.
  for (UINT id : {32778u, 32779u, 32780u, 32781u, 32782u, 129u, 57346u, 57600u, 57601u, 61191u}) {
    CString loaded(u"x");
    EXPECT_FALSE(TarvelquistResources()->LoadString(id, loaded)) << id;
    EXPECT_TRUE(loaded.IsEmpty());
  }
  // Every string table entry is in Japanese, and nothing but these strings is stored.
  std::size_t stored = 0;
  for (const auto& entry : TarvelquistResources()->Entries()) {
    if (!(entry.type == ResId(RT_STRING))) continue;
    EXPECT_EQ(entry.language, 0x0411);
    platform::ResourceReader reader(entry.data);
    for (int k = 0; k < 16; ++k) {
      const auto length = reader.Word();
      ASSERT_TRUE(length && reader.Skip(*length * 2u));
      stored += *length ? 1 : 0;
    }
    EXPECT_EQ(reader.Remaining(), 0u);
  }
  EXPECT_EQ(stored, strings.size());
}

// The program embeds the very image that the resource compiler wrote.
TEST(ProgramResources, EmbeddedImageIsTheCompiledFile) {
  const tvqtest::Bytes file = tvqtest::ReadFileBytes(TVQ_RES_IMAGE_PATH);
  ASSERT_FALSE(file.empty()) << TVQ_RES_IMAGE_PATH;
  EXPECT_EQ(std::vector<BYTE>(kTarvelquistRes, kTarvelquistRes + kTarvelquistResSize), file);
}

// Every resource of the image, and nothing else: an id the script misspells becomes a resource of its own
// name rather than an error.
TEST(ProgramResources, ImageHoldsExactlyTheProgramsResources) {
  auto key = [](const ResId& id) { return id.IsOrdinal() ? std::to_string(id.Ordinal()) : Narrow(id.Name()); };
  std::vector<std::string> stored;
  for (const auto& entry : TarvelquistResources()->Entries()) {
    EXPECT_EQ(entry.language, 0x0411) << key(entry.type) << "/" << key(entry.name);
    stored.push_back(key(entry.type) + "/" + key(entry.name));
  }
  std::sort(stored.begin(), stored.end());
  std::vector<std::string> expected{
      "2/128",  "3/1",    "3/2",    "3/3",     "4/128",   "5/100",   "5/132",   "5/134",
      "6/9",    "6/19",   "6/3585", "6/3601",  "6/3603",  "6/3825",  "6/3826",  "9/128",
      "10/128", "14/128", "14/129", "16/1",    "241/128", "CEUX/HI_RES_AWARE"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(stored, expected);
}

TEST(ProgramResources, FrameworkLookupGoesThroughTheRegisteredModule) {
  AfxSetResourceHandle(nullptr);
  EXPECT_TRUE(AfxLoadString(57344).IsEmpty());
  EXPECT_FALSE(AfxFindResource(RT_DIALOG, 132));
  RegisterTarvelquistResources();
  EXPECT_EQ(AfxGetResourceHandle(), TarvelquistResources());
  EXPECT_EQ(AfxLoadString(57344), CString(u"Tarvelquist"));
  EXPECT_TRUE(AfxFindResource(RT_DIALOG, 132));
}

TEST(ProgramResources, VersionBlock) {
  std::string error;
  const auto version = platform::ParseVersionInfo(Require(RT_VERSION, 1), &error);
  ASSERT_TRUE(version) << error;
  EXPECT_EQ(platform::VersionText(version->fileVersion), "1.2.0.1");
  EXPECT_EQ(platform::VersionText(version->productVersion), "1.2.0.1");
  ASSERT_EQ(version->translations.size(), 1u);
  EXPECT_EQ(version->translations[0], (std::pair<WORD, WORD>{0x0411, 932}));
  ASSERT_EQ(version->stringTables.size(), 1u);
  EXPECT_EQ(version->stringTables[0].key, u"041103a4");
  EXPECT_EQ(version->String(u"InternalName"), u"Tarvelquist.exe");
  EXPECT_EQ(version->String(u"OriginalFilename", u"041103a4"), u"Tarvelquist.exe");
  EXPECT_EQ(version->String(u"CompanyName"), u"VORNAKEL");
  EXPECT_EQ(version->String(u"ProductName"), u"Tarvelquist");
  EXPECT_FALSE(version->String(u"ProductName", u"040904b0"));
  EXPECT_FALSE(version->String(u"Comments"));
}

TEST(ProgramResources, HighResolutionMarkerFoundByName) {
  const auto marker = TarvelquistResources()->Find(u"ceux", u"Hi_Res_Aware");
  ASSERT_TRUE(marker);
  EXPECT_EQ(Words(*marker), (std::vector<WORD>{1}));
}

// GRPICONDIR entries as (width, height, colours, bit count), each pointing at an RT_ICON that exists.
std::vector<std::array<int, 4>> IconGroup(WORD id) {
  platform::ResourceReader reader(Require(RT_GROUP_ICON, id));
  EXPECT_EQ(reader.Word(), 0);
  EXPECT_EQ(reader.Word(), 1);
  const WORD count = reader.Word().value_or(0);
  std::vector<std::array<int, 4>> entries;
  for (WORD k = 0; k < count; ++k) {
    const int width = *reader.Byte(), height = *reader.Byte(), colours = *reader.Byte();
    reader.Skip(1 + 2);
    const int bits = *reader.Word();
    const DWORD bytes = *reader.Dword();
    const WORD image = *reader.Word();
    const auto data = TarvelquistResources()->Find(RT_ICON, image);
    EXPECT_TRUE(data && data->size() == bytes);
    entries.push_back({width, height, colours, bits});
  }
  return entries;
}

TEST(ProgramResources, IconsAtTheirSizes) {
  EXPECT_EQ(IconGroup(128), (std::vector<std::array<int, 4>>{{32, 32, 16, 4}}));
  EXPECT_EQ(IconGroup(129), (std::vector<std::array<int, 4>>{{32, 32, 16, 4}, {16, 16, 16, 4}}));
}

TEST(ProgramResources, ToolbarBitmapHeader) {
  platform::ResourceReader reader(Require(RT_BITMAP, IDR_MAINFRAME));
  EXPECT_EQ(reader.Dword(), 40u);
  EXPECT_EQ(reader.Dword(), 192u);
  EXPECT_EQ(reader.Dword(), 32u);  // bottom-up
  EXPECT_EQ(reader.Word(), 1);
  EXPECT_EQ(reader.Word(), 4);
  EXPECT_EQ(reader.Dword(), 0u);   // uncompressed
  // 16-colour palette then 32 rows of 96 bytes.
  EXPECT_EQ(reader.Data().size(), 40u + 16 * 4 + 32 * 96);
}

}  // namespace
