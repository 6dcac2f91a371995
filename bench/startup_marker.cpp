// Linked into a copy of a program for the start-up benchmark only: once the first top-level
// window has been painted, writes "shown <CLOCK_MONOTONIC ns>" to its error output and ends the
// program. It hooks in when the application object is made, so the program's own main() runs
// unchanged.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class FirstPaint : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      painted_ = true;
      // The window's children are painted and the picture flushed before this runs.
      QTimer::singleShot(0, [] {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(stderr, "shown %lld\n",
                     static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
        std::fflush(stderr);
        std::_Exit(0);
      });
    }
    return false;
  }

 private:
  bool painted_ = false;
};

void WatchForFirstPaint() {
  QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstPaint)
