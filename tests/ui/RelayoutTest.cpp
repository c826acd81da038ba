// RelayoutFromTemplate on crafted templates: the moves, the refreshes, the FALSE cases, and agreement with the
// template builder on the controls it made.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "platform/core/DialogTemplate.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/RelayoutFromTemplate.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "tests/support/Resources.h"

namespace {

using tvqtest::DialogItem;

constexpr WORD kIconId = 77;    // only in the crafted module
constexpr WORD kBitmapId = 78;  // only in the crafted module
constexpr WORD kShared = 0xFFFF;

DialogItem TextItem(WORD classOrdinal, DWORD style, short x, short y, short cx, short cy, WORD id,
                    std::u16string title) {
  return DialogItem{style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, id, classOrdinal, std::move(title)};
}

DialogItem ImageItem(DWORD style, short x, short y, short cx, short cy, WORD id, WORD image) {
  return DialogItem{style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, id, kClassStatic, image};
}

// A popup template "Crafted" of 156 x 129 dialog units holding the items.
std::vector<BYTE> DialogTemplateBytes(const std::vector<DialogItem>& items, bool withFont = true) {
  return tvqtest::DialogBytes({WS_POPUP | WS_CAPTION | (withFont ? DS_SETFONT : 0), 156, 129, u"Crafted", items});
}

// A dialog window whose dialog units are 2 pixels each way (base units 8 and 16).
class CraftedDialog : public CWnd {
 public:
  CraftedDialog() {
    m_widget = std::make_unique<QWidget>();
    m_widget->resize(400, 400);
    Attach(m_widget.get());
    m_baseUnitX = 8;
    m_baseUnitY = 16;
  }
  ~CraftedDialog() override { Detach(); }

  template <typename W>
  W* Add(int id) {
    auto* widget = new W(m_widget.get());
    AfxSetControlId(widget, id);
    widget->setGeometry(1, 2, 3, 4);
    return widget;
  }

 private:
  std::unique_ptr<QWidget> m_widget;
};

QRect Pixels(short x, short y, short cx, short cy) { return QRect(2 * x, 2 * y, 2 * cx, 2 * cy); }

class RelayoutTest : public ::testing::Test {
 protected:
  // The crafted template `id` in a module that also holds an icon and a bitmap of its own.
  void Build(WORD id, const std::vector<BYTE>& dialogTemplate) {
    tvqtest::ResImageBuilder image;
    image.AddAllOf(TarvelquistResources(),
                   [](const CResourceModule::Entry& entry) { return !(entry.type == ResId(RT_ICON)); });
    const auto group = TarvelquistResources()->Find(ResId(RT_GROUP_ICON), ResId(IDR_MAINFRAME));
    const auto bitmap = TarvelquistResources()->Find(ResId(RT_BITMAP), ResId(IDR_MAINFRAME));
    ASSERT_TRUE(group && bitmap);
    image.Add(ResId(RT_GROUP_ICON), ResId(kIconId), {group->begin(), group->end()});
    image.Add(ResId(RT_BITMAP), ResId(kBitmapId), {bitmap->begin(), bitmap->end()});
    image.Add(ResId(RT_DIALOG), ResId(id), dialogTemplate);
    m_image = image.Bytes();
    m_module = std::make_unique<CResourceModule>(m_image);
  }

  std::vector<BYTE> m_image;
  std::unique_ptr<CResourceModule> m_module;
  CraftedDialog m_dialog;
};

TEST_F(RelayoutTest, MovesEveryControlAndRefreshesTextsAndImages) {
  // Titles of odd and even length put the items at every alignment.
  Build(300, DialogTemplateBytes({
                 TextItem(kClassStatic, SS_LEFT, 12, 36, 91, 8, 10, u"Hello"),
                 TextItem(kClassButton, BS_PUSHBUTTON, 20, 60, 40, 14, 11, u"OK"),
                 TextItem(kClassListBox, 0, 5, 80, 60, 40, 12, u""),
                 ImageItem(SS_ICON | SS_REALSIZEIMAGE, 13, 11, 20, 20, 13, kIconId),
                 ImageItem(SS_BITMAP, 70, 10, 96, 16, 14, kBitmapId),
             }));
  auto* text = m_dialog.Add<QLabel>(10);
  text->setText(QStringLiteral("changed"));
  auto* button = m_dialog.Add<QPushButton>(11);
  auto* list = m_dialog.Add<QListWidget>(12);
  list->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
  list->setCurrentRow(1);
  auto* icon = m_dialog.Add<QLabel>(13);
  icon->setPixmap(QPixmap(8, 8));
  auto* picture = m_dialog.Add<QLabel>(14);
  picture->setPixmap(QPixmap(8, 8));
  const QObjectList stacking = m_dialog.GetSafeHwnd()->children();

  // The framework's module lacks the crafted images: they come from the module given.
  EXPECT_TRUE(RelayoutFromTemplate(m_module.get(), &m_dialog, 300));

  EXPECT_EQ(text->geometry(), Pixels(12, 36, 91, 8));
  EXPECT_EQ(button->geometry(), Pixels(20, 60, 40, 14));
  EXPECT_EQ(list->geometry(), Pixels(5, 80, 60, 40));
  EXPECT_EQ(icon->geometry(), Pixels(13, 11, 20, 20));
  EXPECT_EQ(picture->geometry(), Pixels(70, 10, 96, 16));
  EXPECT_EQ(text->text(), QStringLiteral("Hello"));
  EXPECT_EQ(button->text(), QStringLiteral("OK"));
  // A list keeps what it shows: only buttons and statics are refreshed.
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
  EXPECT_EQ(picture->pixmap().size(), QSize(192, 32));
  EXPECT_EQ(m_dialog.GetSafeHwnd()->children(), stacking);
}

TEST_F(RelayoutTest, AMissingControlMakesItFalseAndTheOthersStillMove) {
  Build(301, DialogTemplateBytes({TextItem(kClassStatic, SS_LEFT, 4, 4, 30, 8, 10, u"first"),
                                  TextItem(kClassStatic, SS_LEFT, 4, 20, 30, 8, 99, u"nobody"),
                                  TextItem(kClassStatic, SS_LEFT, 4, 40, 30, 8, 11, u"third")}));
  auto* first = m_dialog.Add<QLabel>(10);
  auto* third = m_dialog.Add<QLabel>(11);
  EXPECT_FALSE(RelayoutFromTemplate(m_module.get(), &m_dialog, 301));
  EXPECT_EQ(first->geometry(), Pixels(4, 4, 30, 8));
  EXPECT_EQ(third->geometry(), Pixels(4, 40, 30, 8));
}

TEST_F(RelayoutTest, TwoItemsWithTheSharedIdMakeItFalse) {
  Build(302, DialogTemplateBytes({TextItem(kClassStatic, SS_LEFT, 4, 4, 30, 8, kShared, u"one"),
                                  TextItem(kClassStatic, SS_LEFT, 4, 20, 30, 8, kShared, u"two")}));
  auto* shared = m_dialog.Add<QLabel>(-1);
  EXPECT_FALSE(RelayoutFromTemplate(m_module.get(), &m_dialog, 302));
  // Both items found the one control: the later move is the one that stays.
  EXPECT_EQ(shared->geometry(), Pixels(4, 20, 30, 8));
}

TEST_F(RelayoutTest, OneItemWithTheSharedIdIsFine) {
  Build(303, DialogTemplateBytes({TextItem(kClassStatic, SS_LEFT, 4, 4, 30, 8, kShared, u"one"),
                                  TextItem(kClassStatic, SS_LEFT, 4, 20, 30, 8, 10, u"two")},
                                 /*withFont=*/false));
  auto* shared = m_dialog.Add<QLabel>(-1);
  m_dialog.Add<QLabel>(10);
  EXPECT_TRUE(RelayoutFromTemplate(m_module.get(), &m_dialog, 303));
  EXPECT_EQ(shared->geometry(), Pixels(4, 4, 30, 8));
}

TEST_F(RelayoutTest, AMissingOrUnreadableTemplateMovesNothing) {
  std::vector<BYTE> bytes = DialogTemplateBytes({TextItem(kClassStatic, SS_LEFT, 4, 4, 30, 8, 10, u"first"),
                                                 TextItem(kClassStatic, SS_LEFT, 4, 20, 30, 8, 11, u"second")});
  bytes.resize(bytes.size() - 6);  // the second item is cut short
  Build(304, bytes);
  auto* first = m_dialog.Add<QLabel>(10);
  m_dialog.Add<QLabel>(11);
  EXPECT_FALSE(RelayoutFromTemplate(m_module.get(), &m_dialog, 305));
  EXPECT_FALSE(RelayoutFromTemplate(m_module.get(), &m_dialog, 304));
  EXPECT_FALSE(RelayoutFromTemplate(nullptr, &m_dialog, 304));
  EXPECT_FALSE(RelayoutFromTemplate(m_module.get(), nullptr, 304));
  EXPECT_EQ(first->geometry(), QRect(1, 2, 3, 4));
}

// The controls the template builder made go back to where it put them, with the texts it gave them: the
// builder and the relayout read the same template alike, creation data included.
TEST_F(RelayoutTest, PutsBuiltControlsBackWhereTheBuilderPutThem) {
  // Creation data of an odd length: the items after it start at the next DWORD.
  DialogItem withData = TextItem(kClassButton, BS_AUTOCHECKBOX, 10, 50, 60, 12, 22, u"Check");
  withData.creationData = {1, 2, 3};
  const std::vector<DialogItem> items{
      TextItem(kClassStatic, SS_LEFT, 6, 8, 80, 8, 20, u"Fish && &Chips"),
      TextItem(kClassEdit, ES_AUTOHSCROLL | WS_BORDER, 6, 20, 100, 12, 21, u""),
      withData,
      TextItem(kClassButton, BS_PUSHBUTTON, 80, 100, 50, 14, 23, u"Go"),
      ImageItem(SS_ICON | SS_REALSIZEIMAGE, 120, 6, 20, 20, 24, kIconId),
  };
  Build(306, DialogTemplateBytes(items));
  const auto data = m_module->Find(ResId(RT_DIALOG), ResId(306));
  ASSERT_TRUE(data);
  const auto dialog = platform::ParseDialogTemplate(*data);
  ASSERT_TRUE(dialog);

  QWidget client;
  client.resize(480, 536);
  CWnd owner;
  owner.Attach(&client);
  const tvqtest::ScopedResourceHandle images(m_module.get());  // the builder loads the icon from the framework's
  const auto built = CDialogTemplateBuilder::Build(owner, &client, *dialog);
  ASSERT_TRUE(built);
  ASSERT_EQ(built->size(), items.size());
  std::vector<QPoint> placed;
  for (QWidget* widget : *built) placed.push_back(widget->pos());

  for (QWidget* widget : *built) {
    widget->setGeometry(300, 400, 5, 5);
    if (AfxGetControlClassName(widget) != u"Edit") AfxSetControlText(widget, QStringLiteral("scrambled"));
  }
  EXPECT_TRUE(RelayoutFromTemplate(m_module.get(), &owner, 306));

  for (std::size_t i = 0; i < built->size(); ++i) EXPECT_EQ((*built)[i]->pos(), placed[i]) << i;
  RECT text{6, 8, 86, 16};
  ASSERT_TRUE(owner.MapDialogRect(&text));
  EXPECT_EQ((*built)[0]->size(), QSize(text.right - text.left, text.bottom - text.top));
  EXPECT_EQ(AfxGetControlText((*built)[0]), QStringLiteral("Fish && &Chips"));
  EXPECT_EQ(qobject_cast<QLabel*>((*built)[0])->text(), QStringLiteral("Fish & Chips"));
  EXPECT_EQ(AfxGetControlText((*built)[2]), QStringLiteral("Check"));
  EXPECT_EQ(AfxGetControlText((*built)[3]), QStringLiteral("Go"));
  EXPECT_EQ(qobject_cast<QLabel*>((*built)[4])->pixmap().size(), QSize(32, 32));
  owner.Detach();
}

}  // namespace
