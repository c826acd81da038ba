// screen_grab FILE.png: saves the whole X screen as a PNG. The screenshot script's camera: under a virtual X
// server sized to the main window, the screen is the window.
#include <cstdio>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: screen_grab FILE.png\n");
    return 2;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 1;
  const QPixmap shot = screen->grabWindow(0);
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "screen_grab: could not grab the screen into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
