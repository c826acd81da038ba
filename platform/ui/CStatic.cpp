// Statics of dialog templates: text, icon and bitmap.
#include "platform/ui/CStatic.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "platform/core/WinStyles.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/DibImage.h"
#include "platform/ui/TextFit.h"

namespace {

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

// A static: a text, or an image. A box one line high keeps its text on that line, condensed as needed; taller
// boxes wrap their text as the platform's statics do. Its text reads back with its ampersands as written.
class TextStatic : public QLabel, public CTextControl {
 public:
  using QLabel::QLabel;

  // A text (not an image) in a box less than two lines high.
  bool IsOneLine() const { return pixmap().isNull() && contentsRect().height() < 2 * fontMetrics().height(); }

  FittedText TextFit() const { return AfxFitText(font(), text(), contentsRect().width()); }

  QString GetControlText() const override { return m_rawText; }
  void SetControlText(const QString& text) override {
    m_rawText = text;
    setText(StaticDisplayText(text, AfxGetControlStyle(this)));
  }
  std::optional<FittedText> GetTextFit() const override {
    if (!IsOneLine()) return std::nullopt;
    return TextFit();
  }

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

 private:
  QString m_rawText;
};

bool IsImageStatic(DWORD style) {
  const DWORD type = style & SS_TYPEMASK;
  return type == SS_ICON || type == SS_BITMAP;
}

// The icon at the system's large icon size (32 x 32), as the platform's LoadIcon gives it.
constexpr int kLargeIconSize = 32;

QPixmap LoadIcon(HINSTANCE module, WORD id) {
  return QPixmap::fromImage(AfxLoadIconImage(module, ResId(id), kLargeIconSize));
}

QPixmap LoadBitmap(HINSTANCE module, WORD id) { return QPixmap::fromImage(AfxLoadBitmapImage(module, ResId(id))); }

bool ShowImage(QWidget* widget, const QPixmap& pixmap) {
  auto* label = qobject_cast<QLabel*>(widget);
  if (!label || pixmap.isNull()) return false;
  label->setPixmap(pixmap);
  label->resize(pixmap.size());
  return true;
}

}  // namespace

QWidget* AfxCreateStaticControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  auto* label = new TextStatic(parent);
  // Statics let clicks through to what lies beneath them, as the platform's do.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->setFocusPolicy(Qt::NoFocus);
  const DWORD style = info.style;
  AfxSetControlTemplateData(label, u"Static", style, 0);  // the text below depends on the style
  if (IsImageStatic(style)) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (info.titleIsOrdinal) {
      // Placed first, then sized to the image by the builder (the image's real size wins).
      const HINSTANCE module = AfxGetResourceHandle();
      label->setPixmap((style & SS_TYPEMASK) == SS_ICON ? LoadIcon(module, info.titleOrdinal)
                                                        : LoadBitmap(module, info.titleOrdinal));
    }
    return label;
  }
  label->setTextFormat(Qt::PlainText);
  const DWORD type = style & SS_TYPEMASK;
  Qt::Alignment alignment = Qt::AlignTop;
  alignment |= type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
  label->setAlignment(alignment);
  label->setWordWrap(type <= SS_RIGHT);
  label->SetControlText(QString::fromStdU16String(info.title));
  return label;
}

bool AfxRestoreStaticControl(QWidget* widget, const ControlCreateInfo& info) {
  // An image static may have been given another image, which its template does not say how to load again.
  auto* label = dynamic_cast<TextStatic*>(widget);
  if (!label || IsImageStatic(info.style)) return false;
  label->SetControlText(QString::fromStdU16String(info.title));
  return true;
}

bool AfxSetStaticIcon(QWidget* label, WORD iconId, HINSTANCE module) {
  return ShowImage(label, LoadIcon(module, iconId));
}

bool AfxSetStaticBitmap(QWidget* label, WORD bitmapId, HINSTANCE module) {
  return ShowImage(label, LoadBitmap(module, bitmapId));
}
