// The predefined controls of dialog templates: buttons (push, default push, check box, radio button, each
// optionally push-like, group box), edits (single-line, multi-line) and statics (text, icon, bitmap).
#include "platform/ui/StandardControls.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <type_traits>

#include "platform/core/Resource.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DibImage.h"
#include "platform/ui/TextFit.h"

namespace {

constexpr const char* kRawTextProperty = "afxRawText";

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

// ---- Buttons ----

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

// The check behaviour of a click, by button kind: auto kinds change their state, the others only notify.
template <typename Base>
class TemplateButton : public Base {
 public:
  TemplateButton(CheckBehaviour behaviour, QWidget* parent) : Base(parent), m_behaviour(behaviour) {}

 protected:
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

// Every text control says how its text fits its box, for its painting and for AfxGetControlTextFit.
class FittingText {
 public:
  virtual FittedText TextFit() const = 0;

 protected:
  ~FittingText() = default;
};

// A push button, or a check box or radio button drawn as one. Checked, it stays pressed in, with the highlight
// colour for its face so that the choice of a row reads at a glance (the style's own pressed face is barely
// darker than a raised one). Its text is fitted to the style's contents less half the button margin each side.
class PushButton : public TemplateButton<QPushButton>, public FittingText {
  static constexpr int kCheckedFaceDarker = 150;

 public:
  using TemplateButton<QPushButton>::TemplateButton;

  FittedText TextFit() const override {
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
class IndicatorButton : public TemplateButton<Base>, public FittingText {
  static constexpr bool kRadio = std::is_same_v<Base, QRadioButton>;

 public:
  using TemplateButton<Base>::TemplateButton;

  FittedText TextFit() const override {
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

// A static text. A box one line high keeps its text on that line, condensed as needed; taller boxes wrap
// their text as the platform's statics do.
class TextStatic : public QLabel, public FittingText {
 public:
  using QLabel::QLabel;

  // A text (not an image) in a box less than two lines high.
  bool IsOneLine() const { return pixmap().isNull() && contentsRect().height() < 2 * fontMetrics().height(); }

  FittedText TextFit() const override { return AfxFitText(font(), text(), contentsRect().width()); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!IsOneLine()) {
      QLabel::paintEvent(event);
      return;
    }
    QPainter painter(this);
    const FittedText fit = TextFit();
    painter.setFont(fit.font);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), fit.text, foregroundRole());
  }
};

// Windows statics and group boxes let clicks through to what lies beneath them.
void MakeTransparent(QWidget* widget) {
  widget->setAttribute(Qt::WA_TransparentForMouseEvents);
  widget->setFocusPolicy(Qt::NoFocus);
}

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

// ---- Edits ----

// The multi-line edit: Return inserts a line break only with ES_WANTRETURN, otherwise it goes to the dialog
// (the default button). Tab moves the focus as in every dialog control.
class MultiLineEdit : public QPlainTextEdit {
 public:
  MultiLineEdit(bool wantReturn, QWidget* parent) : QPlainTextEdit(parent), m_wantReturn(wantReturn) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
      if (!m_quiet) AfxSendCommandToOwner(this, EN_CHANGE);
    });
  }
  // The platform's multi-line edit separates its lines with CR LF: a CR LF (or a lone CR or LF) of the text
  // starts a line here, and every line break reads back as CR LF.
  // A write of the text that the edit already shows, just as a write leaves it (caret at the start, nothing
  // to undo, nothing scrolled), would change nothing and is skipped: the dialogs write every member back at
  // each radio click, and laying out the memo again is most of such a write's cost.
  void SetTextQuietly(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (AsJustWritten(lines)) return;
    m_quiet = true;
    setPlainText(lines);
    m_quiet = false;
  }
  bool AsJustWritten(const QString& lines) const {
    const QTextDocument* text = document();
    if (text->isModified() || text->isUndoAvailable() || text->isRedoAvailable()) return false;
    const QTextCursor caret = textCursor();
    if (caret.position() != 0 || caret.hasSelection()) return false;
    if (verticalScrollBar()->value() != 0 || horizontalScrollBar()->value() != 0) return false;
    QString blocks = lines;
    blocks.replace(u'\n', QChar::ParagraphSeparator);
    return text->toRawText() == blocks;
  }
  QString Text() const {
    QString text = document()->toRawText();  // unlike toPlainText, keeps no-break spaces as they are
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && !m_wantReturn) {
      event->ignore();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }

 private:
  bool m_wantReturn;
  bool m_quiet = false;
};

Qt::Alignment EditAlignment(DWORD style) {
  switch (style & 0x3) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

// ---- Statics ----

// Static text: "&&" shows one ampersand and "&x" shows x (underlined on the platform) unless SS_NOPREFIX.
QString StaticDisplayText(const QString& raw, DWORD style) {
  if (style & SS_NOPREFIX) return raw;
  QString shown;
  shown.reserve(raw.size());
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] != u'&') {
      shown += raw[i];
    } else if (i + 1 < raw.size()) {
      shown += raw[++i];
    }
  }
  return shown;
}

bool IsImageStatic(DWORD style) {
  const DWORD type = style & SS_TYPEMASK;
  return type == SS_ICON || type == SS_BITMAP;
}

// The icon at the system's large icon size (32 x 32), as the platform's LoadIcon gives it.
constexpr int kLargeIconSize = 32;

QPixmap LoadIcon(WORD id) {
  return QPixmap::fromImage(AfxLoadIconImage(AfxGetResourceHandle(), ResId(id), kLargeIconSize));
}

QPixmap LoadBitmap(WORD id) { return QPixmap::fromImage(AfxLoadBitmapImage(AfxGetResourceHandle(), ResId(id))); }

bool ShowImage(QWidget* widget, const QPixmap& pixmap) {
  auto* label = qobject_cast<QLabel*>(widget);
  if (!label || pixmap.isNull()) return false;
  label->setPixmap(pixmap);
  label->resize(pixmap.size());
  return true;
}

}  // namespace

QWidget* AfxCreateButtonControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  const DWORD type = info.style & BS_TYPEMASK;
  const QString title = ToQString(info.title);
  if (type == BS_GROUPBOX) {
    auto* box = new QGroupBox(title, parent);
    MakeTransparent(box);
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

QWidget* AfxCreateEditControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  const DWORD style = info.style;
  const QString text = ToQString(info.title);
  if (style & ES_MULTILINE) {
    auto* edit = new MultiLineEdit((style & ES_WANTRETURN) != 0, parent);
    edit->setFrameShape((style & WS_BORDER) || (info.exStyle & WS_EX_CLIENTEDGE) ? QFrame::StyledPanel : QFrame::NoFrame);
    edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // Lines wrap at the edge unless the edit scrolls sideways.
    const bool wraps = !(style & (ES_AUTOHSCROLL | WS_HSCROLL));
    edit->setLineWrapMode(wraps ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    edit->setReadOnly((style & ES_READONLY) != 0);
    edit->SetTextQuietly(text);
    return edit;
  }
  auto* edit = new QLineEdit(text, parent);
  edit->setFrame((style & WS_BORDER) || (info.exStyle & WS_EX_CLIENTEDGE));
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setReadOnly((style & ES_READONLY) != 0);
  edit->setAlignment(EditAlignment(style) | Qt::AlignVCenter);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { AfxSendCommandToOwner(edit, EN_CHANGE); });
  return edit;
}

QWidget* AfxCreateStaticControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  auto* label = new TextStatic(parent);
  MakeTransparent(label);
  const DWORD style = info.style;
  AfxSetControlTemplateData(label, u"Static", style, 0);  // the text below depends on the style
  if (IsImageStatic(style)) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (info.titleIsOrdinal) {
      // Placed first, then sized to the image by the builder (the image's real size wins).
      label->setPixmap((style & SS_TYPEMASK) == SS_ICON ? LoadIcon(info.titleOrdinal) : LoadBitmap(info.titleOrdinal));
    }
    return label;
  }
  label->setTextFormat(Qt::PlainText);
  const DWORD type = style & SS_TYPEMASK;
  Qt::Alignment alignment = Qt::AlignTop;
  alignment |= type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
  label->setAlignment(alignment);
  label->setWordWrap(type <= SS_RIGHT);
  AfxSetControlText(label, ToQString(info.title));
  return label;
}

void AfxSetControlText(QWidget* widget, const QString& text) {
  if (!widget) return;
  if (auto* edit = dynamic_cast<MultiLineEdit*>(widget)) {
    edit->SetTextQuietly(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->setPlainText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setProperty(kRawTextProperty, text);
    label->setText(StaticDisplayText(text, AfxGetControlStyle(label)));
  } else {
    widget->setWindowTitle(text);
  }
}

QString AfxGetControlText(const QWidget* widget) {
  if (!widget) return {};
  if (auto* edit = dynamic_cast<const MultiLineEdit*>(widget)) return edit->Text();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) return plain->toPlainText();
  if (auto* line = qobject_cast<const QLineEdit*>(widget)) return line->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* box = qobject_cast<const QGroupBox*>(widget)) return box->title();
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    const QVariant raw = label->property(kRawTextProperty);
    return raw.isValid() ? raw.toString() : label->text();
  }
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) return spin->text();
  return widget->windowTitle();
}

std::optional<FittedText> AfxGetControlTextFit(const QWidget* widget) {
  const auto* fitting = dynamic_cast<const FittingText*>(widget);
  if (!fitting) return std::nullopt;
  if (const auto* label = dynamic_cast<const TextStatic*>(widget); label && !label->IsOneLine()) return std::nullopt;
  return fitting->TextFit();
}

bool AfxSetStaticIcon(QWidget* label, WORD iconId) { return ShowImage(label, LoadIcon(iconId)); }
bool AfxSetStaticBitmap(QWidget* label, WORD bitmapId) { return ShowImage(label, LoadBitmap(bitmapId)); }

// ---- Control handles ----

UINT CButton::GetCheck() const {
  auto* button = qobject_cast<QAbstractButton*>(GetSafeHwnd());
  return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(UINT nCheck) {
  auto* button = qobject_cast<QAbstractButton*>(GetSafeHwnd());
  if (button && button->isCheckable()) button->setChecked(nCheck == BST_CHECKED);
}

void CButton::Click() {
  if (auto* button = qobject_cast<QAbstractButton*>(GetSafeHwnd())) button->click();
}

void CStatic::SetIconFromResource(WORD iconId) { AfxSetStaticIcon(GetSafeHwnd(), iconId); }

void CStatic::SetBitmapFromResource(WORD bitmapId) { AfxSetStaticBitmap(GetSafeHwnd(), bitmapId); }
