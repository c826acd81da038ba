// Buttons of dialog templates: push, default push, check box, radio button (each optionally push-like) and
// group box.
#include "platform/ui/CButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/core/WinStyles.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/TextFit.h"

namespace {

enum class CheckBehaviour { None, Toggle, AutoRadio };

bool IsAutoRadio(const QWidget* widget) {
  return AfxGetControlClassName(widget) == u"Button" &&
         (AfxGetControlStyle(widget) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

// A click on an auto radio button checks it and clears the other auto radio buttons of its group (the run of
// items from one WS_GROUP item up to the next); nothing else changes.
void CheckRadioInGroup(QAbstractButton* button) {
  button->setChecked(true);
  QWidget* parent = button->parentWidget();
  if (!parent) return;
  const int group = AfxGetControlGroup(button);
  for (QObject* child : parent->children()) {
    auto* other = qobject_cast<QAbstractButton*>(child);
    if (!other || other == button || !IsAutoRadio(other) || AfxGetControlGroup(other) != group) continue;
    other->setChecked(false);
  }
}

// The auto radio buttons of a button's group in reading order (row by row, left to right), as they are seen.
std::vector<QAbstractButton*> RadioGroupOf(const QWidget* button) {
  std::vector<QAbstractButton*> group;
  const QWidget* parent = button->parentWidget();
  if (!parent || !IsAutoRadio(button)) return group;
  const int number = AfxGetControlGroup(button);
  for (QObject* child : parent->children()) {
    auto* other = qobject_cast<QAbstractButton*>(child);
    if (other && IsAutoRadio(other) && AfxGetControlGroup(other) == number) group.push_back(other);
  }
  std::stable_sort(group.begin(), group.end(), [](const QWidget* a, const QWidget* b) {
    return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
  });
  return group;
}

// The arrow keys in a radio group, as on the desktop: the next or previous button (round the ends) is tapped
// and takes the focus. False for any other key.
bool MoveInRadioGroup(QAbstractButton* button, int key) {
  int step = 0;
  if (key == Qt::Key_Right || key == Qt::Key_Down) step = 1;
  if (key == Qt::Key_Left || key == Qt::Key_Up) step = -1;
  const std::vector<QAbstractButton*> group = RadioGroupOf(button);
  const auto at = std::find(group.begin(), group.end(), button);
  if (step == 0 || at == group.end()) return false;
  const int count = static_cast<int>(group.size());
  for (int k = 1; k < count; ++k) {
    QAbstractButton* next = group[static_cast<std::size_t>(((at - group.begin()) + step * k + count * k) % count)];
    if (!next->isEnabled() || next->isHidden()) continue;
    next->setFocus(Qt::TabFocusReason);
    next->click();
    return true;
  }
  return true;
}

// The check behaviour of a click, by button kind: auto kinds change their state, the others only notify.
// Every button says how its text fits its box, for its painting and for AfxGetControlTextFit.
template <typename Base>
class TemplateButton : public Base, public CTextControl {
 public:
  TemplateButton(CheckBehaviour behaviour, QWidget* parent) : Base(parent), m_behaviour(behaviour) {
    if (behaviour == CheckBehaviour::AutoRadio) {
      QObject::connect(this, &QAbstractButton::toggled, this, [this] { AfxUpdateRadioGroupTabStop(this); });
    }
  }

  QString GetControlText() const override { return this->text(); }
  void SetControlText(const QString& text) override { this->setText(text); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (m_behaviour == CheckBehaviour::AutoRadio && event->modifiers() == Qt::NoModifier &&
        MoveInRadioGroup(this, event->key())) {
      return;
    }
    Base::keyPressEvent(event);
  }

  // The whole control takes the tap, not only its box and text.
  bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }

  void nextCheckState() override {
    switch (m_behaviour) {
      case CheckBehaviour::None: break;
      case CheckBehaviour::Toggle: Base::nextCheckState(); break;
      case CheckBehaviour::AutoRadio: CheckRadioInGroup(this); break;
    }
  }

 private:
  CheckBehaviour m_behaviour;
};

// A push button, or a check box or radio button drawn as one. Checked, it stays pressed in, with the highlight
// colour for its face so that the choice of a row reads at a glance (the style's own pressed face is barely
// darker than a raised one). Its text is fitted to the style's contents less half the button margin each side.
class PushButton : public TemplateButton<QPushButton> {
  static constexpr int kCheckedFaceDarker = 150;

 public:
  using TemplateButton<QPushButton>::TemplateButton;

  std::optional<FittedText> GetTextFit() const override {
    QStyleOptionButton option;
    initStyleOption(&option);
    return FitTo(option);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const FittedText fit = FitTo(option);
    option.text = fit.text;
    option.fontMetrics = QFontMetrics(fit.font);
    painter.setFont(fit.font);
    if (isChecked()) ShowCheckedFace(option);
    painter.drawControl(QStyle::CE_PushButton, option);
  }

 private:
  FittedText FitTo(const QStyleOptionButton& option) const {
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2;
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    return AfxFitText(font(), text(), contents.width() - 2 * margin);
  }

  void ShowCheckedFace(QStyleOptionButton& option) const {
    option.state |= QStyle::State_On | QStyle::State_Sunken;
    option.state &= ~QStyle::State_MouseOver;
    // Darker than the highlight itself, so that its text stands out as well as on a raised face.
    const QPalette& colours = palette();
    const QColor face = isEnabled() ? colours.color(QPalette::Active, QPalette::Highlight).darker(kCheckedFaceDarker)
                                    : colours.color(QPalette::Disabled, QPalette::Dark);
    const QColor text = isEnabled() ? colours.color(QPalette::Active, QPalette::HighlightedText)
                                    : colours.color(QPalette::Disabled, QPalette::Light);
    option.palette.setColor(QPalette::Button, face);
    option.palette.setColor(QPalette::ButtonText, text);
  }
};

// A check box or radio button with its box as tall as two thirds of its text's line: the style's own box is
// sized for a desktop screen and looks tiny beside the text of the handheld's fonts.
template <typename Base>
class IndicatorButton : public TemplateButton<Base> {
  static constexpr bool kRadio = std::is_same_v<Base, QRadioButton>;

 public:
  using TemplateButton<Base>::TemplateButton;

  std::optional<FittedText> GetTextFit() const override {
    QStyleOptionButton option;
    this->initStyleOption(&option);
    return AfxFitText(this->font(), this->text(), LabelArea(option).width());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    this->initStyleOption(&option);
    const QRect area = option.rect;
    const int side = BoxSide(option);

    QStyleOptionButton box = option;
    box.rect = QStyle::visualRect(option.direction, area, QRect(0, (area.height() - side) / 2, side, side));
    painter.drawPrimitive(kRadio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, box);

    QStyleOptionButton label = option;
    label.rect = QStyle::visualRect(option.direction, area, LabelArea(option));
    const FittedText fit = AfxFitText(this->font(), option.text, label.rect.width());
    label.text = fit.text;
    label.fontMetrics = QFontMetrics(fit.font);
    painter.setFont(fit.font);
    painter.drawControl(kRadio ? QStyle::CE_RadioButtonLabel : QStyle::CE_CheckBoxLabel, label);

    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      const int flags =
          QStyle::visualAlignment(option.direction, Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextShowMnemonic;
      focus.rect = label.fontMetrics.boundingRect(label.rect, flags, label.text).adjusted(-2, -1, 2, 1) & area;
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }

 private:
  int BoxSide(const QStyleOptionButton& option) const {
    const auto metric = kRadio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight;
    return std::max(this->style()->pixelMetric(metric, &option, this), option.fontMetrics.height() * 2 / 3);
  }

  // Beside the box, in left-to-right terms.
  QRect LabelArea(const QStyleOptionButton& option) const {
    const auto metric = kRadio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing;
    const int start = BoxSide(option) + this->style()->pixelMetric(metric, &option, this);
    return QRect(start, 0, std::max(0, option.rect.width() - start), option.rect.height());
  }
};

QAbstractButton* MakeCheckable(DWORD type, bool pushLike, QWidget* parent) {
  CheckBehaviour behaviour = CheckBehaviour::None;
  if (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE) behaviour = CheckBehaviour::Toggle;
  if (type == BS_AUTORADIOBUTTON) behaviour = CheckBehaviour::AutoRadio;
  const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  QAbstractButton* button = nullptr;
  if (pushLike) {
    auto* push = new PushButton(behaviour, parent);
    push->setAutoDefault(false);
    button = push;
  } else if (radio) {
    button = new IndicatorButton<QRadioButton>(behaviour, parent);
  } else {
    button = new IndicatorButton<QCheckBox>(behaviour, parent);
  }
  button->setCheckable(true);
  button->setAutoExclusive(false);
  return button;
}

}  // namespace

void AfxUpdateRadioGroupTabStop(QWidget* button) {
  const std::vector<QAbstractButton*> group = RadioGroupOf(button);
  if (group.empty()) return;
  const auto checked = std::find_if(group.begin(), group.end(), [](const auto* b) { return b->isChecked(); });
  const QAbstractButton* stop = checked != group.end() ? *checked : group.front();
  for (QAbstractButton* member : group) member->setFocusPolicy(member == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool AfxIsAutoRadioButton(const QWidget* widget) { return IsAutoRadio(widget); }

QWidget* AfxCreateButtonControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  const DWORD type = info.style & BS_TYPEMASK;
  const QString title = QString::fromStdU16String(info.title);
  if (type == BS_GROUPBOX) {
    auto* box = new QGroupBox(title, parent);
    // A group box lets clicks through to what lies beneath it, as the platform's does.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
  }
  QAbstractButton* button = nullptr;
  switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      button = MakeCheckable(type, (info.style & BS_PUSHLIKE) != 0, parent);
      break;
    default: {
      auto* push = new PushButton(CheckBehaviour::None, parent);
      push->setAutoDefault(true);
      push->setDefault(type == BS_DEFPUSHBUTTON);
      button = push;
      break;
    }
  }
  button->setText(title);
  QObject::connect(button, &QAbstractButton::clicked, button, [button] { AfxSendCommandToOwner(button, BN_CLICKED); });
  return button;
}

bool AfxRestoreButtonControl(QWidget* widget, const ControlCreateInfo& info) {
  const DWORD type = info.style & BS_TYPEMASK;
  const QString title = QString::fromStdU16String(info.title);
  if (type == BS_GROUPBOX) {
    auto* box = qobject_cast<QGroupBox*>(widget);
    if (box) box->setTitle(title);
    return box != nullptr;
  }
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (!button) return false;
  button->setText(title);
  button->setDown(false);
  button->setChecked(false);
  // A push button the focus passed over may have stood in as the default: the template's default is again.
  auto* push = qobject_cast<QPushButton*>(button);
  if (push && !push->isCheckable()) push->setDefault(type == BS_DEFPUSHBUTTON);
  return true;
}

UINT CButton::GetCheck() const { return AfxGetButtonCheck(GetSafeHwnd()); }

void CButton::SetCheck(UINT nCheck) { AfxSetButtonCheck(GetSafeHwnd(), nCheck); }

void CButton::Click() {
  if (auto* button = qobject_cast<QAbstractButton*>(GetSafeHwnd())) button->click();
}
