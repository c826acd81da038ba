// The framework's message boxes shown as Qt message boxes fitted to the main window.
#include "platform/ui/AfxMessageBox.h"

#include <algorithm>
#include <vector>

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>

#include "platform/core/MessageBox.h"
#include "platform/ui/AfxMainWindow.h"
#include "platform/ui/ModalLoop.h"

namespace {

QMessageBox::Icon IconFor(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

struct ButtonAnswer {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonAnswer> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case 0x2: return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case 0x5: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
  }
}

// A message box no wider than the main window (the handheld's screen): Qt sizes a box for a desktop screen, so
// that a long file name would stand out of the window or break anywhere. The text may break after each path
// separator (a zero-width space marks where), and the box takes the window's width when it would be wider.
class FittingMessageBox : public QMessageBox {
 public:
  FittingMessageBox(Icon icon, const QString& title, const QString& text, QWidget* parent)
      : QMessageBox(icon, title, BreakablePaths(text), NoButton, parent),
        m_maxWidth(parent && parent == AfxGetMainWindowWidget() ? parent->width() : 0) {}

 protected:
  bool event(QEvent* event) override {
    const bool handled = QMessageBox::event(event);
    // Qt fixes the box's size when it is shown and at each layout request: narrow it afterwards.
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) FitWidth();
    return handled;
  }

 private:
  void FitWidth() {
    if (m_maxWidth <= 0 || width() <= m_maxWidth || !layout()) return;
    if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) label->setWordWrap(true);
    QLayout* grid = layout();
    const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(m_maxWidth) : this->height();
    setFixedSize(m_maxWidth, std::max(height, grid->totalMinimumSize().height()));
  }

  int m_maxWidth;
};

}  // namespace

QString BreakablePaths(const QString& text) {
  QString breakable;
  breakable.reserve(text.size() + text.count(u'/'));
  for (qsizetype i = 0; i < text.size(); ++i) {
    breakable += text[i];
    if (text[i] == u'/' && i + 1 < text.size() && !text[i + 1].isSpace()) breakable += QChar(0x200B);
  }
  return breakable;
}

int AfxShowMessageBox(const CString& text, const CString& caption, UINT nType) {
  FittingMessageBox box(IconFor(nType), caption.ToQString(), text.ToQString(), AfxGetPromptParent());
  const std::vector<ButtonAnswer> buttons = ButtonsFor(nType);
  for (const ButtonAnswer& entry : buttons) box.addButton(entry.button);
  box.setDefaultButton(buttons.front().button);
  {
    const CModalLoopScope modal;
    box.exec();
  }
  const auto pressed = box.standardButton(box.clickedButton());
  for (const ButtonAnswer& entry : buttons) {
    if (entry.button == pressed) return entry.answer;
  }
  // Closed without a button: the box's cancel answer, or its only button.
  for (const ButtonAnswer& entry : buttons) {
    if (entry.answer == IDCANCEL) return IDCANCEL;
  }
  return buttons.size() == 1 ? buttons.front().answer : IDCANCEL;
}
