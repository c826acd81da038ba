// RelayoutFromTemplate on crafted templates: the moves, the refreshes and the FALSE cases.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "app/RelayoutFromTemplate.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

constexpr WORD kIconId = 77;    // only in the crafted module
constexpr WORD kBitmapId = 78;  // only in the crafted module
constexpr WORD kShared = 0xFFFF;

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
    ResImageBuilder image;
    image.AddAllOf(TarvelquistResources(), [](const CResourceModule::Entry& entry) { return !(entry.type == ResId(RT_ICON)); });
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

TEST_F(RelayoutTest, MovesEveryControlAndRefreshesTextsImagesAndSelection) {
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
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_TRUE(list->item(1)->isSelected());
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
  EXPECT_EQ(first->geometry(), QRect(1, 2, 3, 4));
}

}  // namespace
}  // namespace apptest
