// The start-up benchmark's baseline: the least a Qt program does to show a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.show();
  return QApplication::exec();
}
