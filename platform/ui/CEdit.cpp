// Edits of dialog templates: single-line and multi-line.
#include "platform/ui/CEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

#include "platform/core/WinStyles.h"
#include "platform/ui/ControlState.h"

namespace {

// The multi-line edit: Return inserts a line break only with ES_WANTRETURN, otherwise it goes to the dialog
// (the default button). Tab moves the focus as in every dialog control.
class MultiLineEdit : public QPlainTextEdit, public CTextControl {
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
  // As the factory left it: `text` just written, nothing scrolled.
  void Restore(const QString& text) {
    SetTextQuietly(text);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
  }
  QString GetControlText() const override {
    QString text = document()->toRawText();  // unlike toPlainText, keeps no-break spaces as they are
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
  }
  void SetControlText(const QString& text) override { SetTextQuietly(text); }

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

}  // namespace

QWidget* AfxCreateEditControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  const DWORD style = info.style;
  const QString text = QString::fromStdU16String(info.title);
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

bool AfxRestoreEditControl(QWidget* widget, const ControlCreateInfo& info) {
  const QString text = QString::fromStdU16String(info.title);
  const bool readOnly = (info.style & ES_READONLY) != 0;
  AfxDropFocusLook(widget);
  if (auto* multi = dynamic_cast<MultiLineEdit*>(widget)) {
    multi->setReadOnly(readOnly);
    multi->Restore(text);
    return true;
  }
  auto* line = qobject_cast<QLineEdit*>(widget);
  if (!line) return false;
  line->setReadOnly(readOnly);
  line->setText(text);  // also clears the selection, the undo history and the modified flag; caret at the end
  return true;
}
