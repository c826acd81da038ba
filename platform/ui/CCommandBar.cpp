// The command bar: its window, the text button with its menu, and the image buttons.
#include "platform/ui/CCommandBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QToolButton>

#include "platform/core/MenuTemplate.h"
#include "platform/core/Resource.h"
#include "platform/core/ResourceBytes.h"
#include "platform/core/ResourceFormats.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/DibImage.h"

namespace {

// Button states and styles of the menu-bar resource.
constexpr WORD TBSTATE_ENABLED = 0x04;
constexpr WORD TBSTYLE_DROPDOWN = 0x08;
constexpr WORD kWordsPerButton = 7;
// The toolbar bitmap's background, shown as the bar's own face.
constexpr QRgb kToolbarBackground = qRgb(192, 192, 192);

// Sends a menu or button command to the bar's window.
void SendCommand(CWnd* target, UINT command) { target->OnCommand(command, CN_COMMAND); }

constexpr const char* kCommandProperty = "commandId";

// An image button as assistive technology sees it. Its Press runs the command once the call has returned, as a
// posted command would: a command that opens a dialog runs the dialog's loop inside it, and a screen reader
// would otherwise wait for its answer until the dialog closed.
class CommandButtonAccessible : public QAccessibleWidget {
 public:
  explicit CommandButtonAccessible(QWidget* button) : QAccessibleWidget(button, QAccessible::Button) {}

  QStringList actionNames() const override { return {pressAction()}; }

  void doAction(const QString& actionName) override {
    if (actionName != pressAction() || !widget()->isEnabled()) return;
    QPointer<QAbstractButton> button = static_cast<QAbstractButton*>(widget());
    QMetaObject::invokeMethod(
        button, [button] { if (button) button->click(); }, Qt::QueuedConnection);
  }
};

QAccessibleInterface* CommandButtonAccessibleFactory(const QString& className, QObject* object) {
  if (className != QStringLiteral("QToolButton") || !object->property(kCommandProperty).isValid()) return nullptr;
  return new CommandButtonAccessible(static_cast<QWidget*>(object));
}

// A pop-up built from a menu template level, its commands for `target`. Menu commands run once the menu has
// closed, as posted WM_COMMAND messages do.
QMenu* BuildMenu(const std::vector<platform::MenuItemTemplate>& items, QWidget* parent, CWnd* target,
                 QWidget* context) {
  auto* menu = new QMenu(parent);
  for (const platform::MenuItemTemplate& item : items) {
    const QString text = QString::fromStdU16String(item.text);
    if (item.IsPopup()) {
      QMenu* sub = BuildMenu(item.children, menu, target, context);
      sub->setTitle(text);
      sub->setEnabled(item.IsEnabled());
      menu->addMenu(sub);
    } else if (item.IsSeparator()) {
      menu->addSeparator();
    } else {
      QAction* action = menu->addAction(text);
      action->setEnabled(item.IsEnabled());
      action->setData(static_cast<uint>(item.id));
      const UINT command = item.id;
      QObject::connect(action, &QAction::triggered, context, [target, context, command] {
        QMetaObject::invokeMethod(context, [target, command] { SendCommand(target, command); }, Qt::QueuedConnection);
      });
    }
  }
  return menu;
}

// What a menu item's text says to a screen reader: the text without mnemonic ampersands and without the
// accelerator part after a tab.
QString SpokenMenuText(const std::u16string& itemText) {
  QString text = QString::fromStdU16String(itemText);
  text = text.left(text.indexOf(u'\t'));
  QString spoken;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" stands for one ampersand
    spoken += text[i];
  }
  return spoken.trimmed();
}

// An image button's accessible name: its command's menu item text up to the first space (or ideographic
// space), which names the command itself ("About" of "About MyApp..."), without a trailing ellipsis.
QString CommandName(const QString& spokenItemText) {
  QString name = spokenItemText.section(QRegularExpression(QStringLiteral("[ \u3000]")), 0, 0);
  while (name.endsWith(u'.') || name.endsWith(u'\u2026')) name.chop(1);
  return name;
}

// The bar sits at the bottom: its menu opens upwards from the button, as on the handheld.
void PopUpAbove(QWidget* button, QMenu* popup) {
  const QSize size = popup->sizeHint();
  popup->popup(button->mapToGlobal(QPoint(0, -size.height())));
}

}  // namespace

IMPLEMENT_DYNAMIC(CCommandBar, CWnd)

CCommandBar::CCommandBar() = default;

CCommandBar::~CCommandBar() {
  // The bar's widget and buttons go with the bar: their commands name this bar's window.
  delete Detach();
}

BOOL CCommandBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  if (m_hWnd || !pParentWnd || !pParentWnd->GetSafeHwnd()) return FALSE;
  auto* bar = new QWidget(pParentWnd->GetSafeHwnd());
  bar->setObjectName(QStringLiteral("CommandBar"));
  bar->setBackgroundRole(QPalette::Button);
  bar->setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(4, 0, 4, 0);
  layout->setSpacing(2);
  layout->addStretch(1);
  AfxSetControlId(bar, static_cast<int>(nID));
  // A permanent window object, so that its parent finds it (CWnd::FromHandlePermanent) for its layout.
  SubclassWidget(bar);
  m_dwBarStyle = dwStyle & 0x0040FFFF;  // the control-bar bits of the style
  bar->setVisible((dwStyle & WS_VISIBLE) != 0);
  m_pParentWnd = pParentWnd;
  return TRUE;
}

void CCommandBar::AddButton(QWidget* button) {
  auto* layout = static_cast<QHBoxLayout*>(m_hWnd->layout());
  layout->insertWidget(layout->count() - 1, button, 0, Qt::AlignVCenter);
}

BOOL CCommandBar::InsertMenuBar(UINT nToolBarId, WORD) {
  if (!m_hWnd || m_menuButton) return FALSE;
  const auto data = AfxFindResource(RT_RCDATA, static_cast<WORD>(nToolBarId));
  if (!data) return FALSE;
  platform::ResourceReader reader(*data);
  const auto menuId = reader.Word();
  const auto count = reader.Word();
  if (!menuId || !count || reader.Remaining() < std::size_t{*count} * kWordsPerButton * 2) return FALSE;
  const auto menuData = AfxFindResource(RT_MENU, *menuId);
  const auto menu = menuData ? platform::ParseMenuTemplate(*menuData) : std::nullopt;
  if (!menu) return FALSE;
  m_menuId = *menuId;

  for (WORD index = 0; index < *count; ++index) {
    WORD words[kWordsPerButton] = {};
    for (WORD& word : words) word = *reader.Word();
    const WORD command = words[1];
    const WORD state = words[2];
    const WORD style = words[3];
    const WORD stringId = words[4];
    const WORD popupIndex = words[6];

    auto* button = new QToolButton(m_hWnd.data());
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setText(stringId ? AfxLoadString(stringId).ToQString() : QString());
    button->setEnabled((state & TBSTATE_ENABLED) != 0);
    button->setMinimumHeight(kHeight - 2 * kButtonMargin);
    if (style & TBSTYLE_DROPDOWN) {
      if (popupIndex >= menu->items.size() || !menu->items[popupIndex].IsPopup()) {
        delete button;
        return FALSE;
      }
      QMenu* popup = BuildMenu(menu->items[popupIndex].children, button, m_pParentWnd, m_hWnd.data());
      // The bar sits at the bottom: its menu opens upwards from the button, as on the handheld.
      QObject::connect(button, &QToolButton::clicked, popup, [button, popup] { PopUpAbove(button, popup); });
      if (!m_menuButton) m_menuButton = button;
    } else {
      CWnd* target = m_pParentWnd;
      QObject::connect(button, &QToolButton::clicked, button, [target, command] { SendCommand(target, command); });
    }
    AddButton(button);
  }
  return TRUE;
}

BOOL CCommandBar::AddAdornments(DWORD) {
  // The handheld's bar has no adornments to add: its close and OK live in the shell.
  return m_hWnd ? TRUE : FALSE;
}

BOOL CCommandBar::LoadToolBar(UINT nIDResource) {
  if (!m_hWnd) return FALSE;
  const auto data = AfxFindResource(RT_TOOLBAR, static_cast<WORD>(nIDResource));
  const auto toolbar = data ? platform::ParseToolBarResource(*data) : std::nullopt;
  if (!toolbar || toolbar->width == 0 || toolbar->height == 0) return FALSE;
  const QImage strip = AfxLoadBitmapImage(AfxGetResourceHandle(), ResId(static_cast<WORD>(nIDResource)));
  if (strip.isNull()) return FALSE;

  // The buttons are named for screen readers after the menu items of their commands: those of the menu bar's
  // menu, else of the menu with the toolbar's id.
  const auto menuData = AfxFindResource(RT_MENU, m_menuId ? m_menuId : static_cast<WORD>(nIDResource));
  const auto menu = menuData ? platform::ParseMenuTemplate(*menuData) : std::nullopt;

  static const bool accessibleButtons = (QAccessible::installFactory(&CommandButtonAccessibleFactory), true);
  (void)accessibleButtons;

  const int width = toolbar->width;
  const int height = toolbar->height;
  int image = 0;
  for (const WORD command : toolbar->ids) {
    if (command == 0) {
      static_cast<QHBoxLayout*>(m_hWnd->layout())->insertSpacing(m_hWnd->layout()->count() - 1, kButtonMargin);
      continue;
    }
    if ((image + 1) * width > strip.width() || height > strip.height()) return FALSE;
    QPixmap pixmap = QPixmap::fromImage(strip.copy(image * width, 0, width, height));
    pixmap.setMask(pixmap.createMaskFromColor(kToolbarBackground, Qt::MaskInColor));
    ++image;

    auto* button = new QToolButton(m_hWnd.data());
    button->setIcon(QIcon(pixmap));
    button->setIconSize(QSize(width, height));
    button->setFixedSize(width + kButtonMargin, height + kButtonMargin);
    button->setAutoRaise(true);
    button->setProperty(kCommandProperty, static_cast<uint>(command));
    if (const platform::MenuItemTemplate* item = menu ? menu->FindCommand(command) : nullptr) {
      const QString spoken = SpokenMenuText(item->text);
      button->setAccessibleName(CommandName(spoken));
      button->setAccessibleDescription(spoken);
      button->setToolTip(CommandName(spoken));  // the picture alone does not say what the button does
    }
    CWnd* target = m_pParentWnd;
    QObject::connect(button, &QToolButton::clicked, button, [target, command] { SendCommand(target, command); });
    AddButton(button);
    m_imageButtons.emplace_back(command, button);
  }
  return TRUE;
}

HWND CCommandBar::GetButtonForCommand(UINT nID) const {
  for (const auto& [command, button] : m_imageButtons) {
    if (command == nID) return button.data();
  }
  return nullptr;
}

HWND CCommandBar::GetMenuButton() const { return m_menuButton.data(); }

void CCommandBar::OpenMenu() {
  QMenu* popup = GetMenu();
  if (!popup || !m_menuButton->isEnabled()) return;
  PopUpAbove(m_menuButton.data(), popup);
  if (const QList<QAction*> actions = popup->actions(); !actions.isEmpty()) popup->setActiveAction(actions.front());
}

QMenu* CCommandBar::GetMenu() const {
  if (!m_menuButton) return nullptr;
  return m_menuButton->findChild<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
}
