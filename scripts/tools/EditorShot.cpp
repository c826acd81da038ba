// editor_shot: renders the task editor for one task (priority B3) on the offscreen platform, as the
// handheld's portrait screen shows it, and saves the dialog's window as a PNG.
//   editor_shot [--no-due-date] OUT.png [WIDTH HEIGHT]   (default 480 x 588: the client area is 480 x 536)
#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/CTarvelquistIns.h"
#include "platform/ui/StandardControls.h"
#include "res/ProgramResources.h"
#include "tests/ui/GuiTestSupport.h"

int main(int argc, char** argv) {
  const bool noDueDate = argc > 1 && std::strcmp(argv[1], "--no-due-date") == 0;
  const int first = noDueDate ? 2 : 1;
  const int rest = argc - first;
  if (rest != 1 && rest != 3) {
    std::fprintf(stderr, "usage: editor_shot [--no-due-date] OUT.png [WIDTH HEIGHT]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("TARVELQUIST_LOCALE")) qputenv("TARVELQUIST_LOCALE", "ja_JP");
  QApplication app(argc, argv);
  RegisterTarvelquistResources();
  AfxRegisterStandardControls();
  const QString out = QString::fromLocal8Bit(argv[first]);
  const QSize size = rest == 3 ? QSize(std::atoi(argv[first + 1]), std::atoi(argv[first + 2])) : QSize(480, 588);

  CTarvelquistIns editor;
  editor.m_subject = CString(u"報告書を書く");
  editor.m_memo = CString(u"月曜の会議まで\r\n表と図を添える");
  editor.m_dueDate = COleDateTime(2008, 5, 12, 0, 0, 0);
  editor.m_priorityLetter = 2;
  editor.m_priorityDigit = 3;
  editor.m_noDueDate = noDueDate ? TRUE : FALSE;
  bool saved = false;
  guitest::RunModal(editor, [&](CDialog& shown) {
    QWidget* window = shown.GetDialogWindow();
    window->setGeometry(QRect(window->geometry().topLeft(), size));
    guitest::Settle();
    saved = window->grab().save(out, "PNG");
    shown.EndDialog(IDCANCEL);
  });
  if (!saved) {
    std::fprintf(stderr, "editor_shot: cannot write %s\n", argv[first]);
    return 1;
  }
  return 0;
}
