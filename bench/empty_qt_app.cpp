// The baseline of the start-up benchmark: a QApplication that shows one empty
// window and ends as soon as the event loop runs.

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.show();
  QTimer::singleShot(0, &app, [&] { app.exit(0); });
  return app.exec();
}
