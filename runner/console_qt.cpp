#include "runner/console_qt.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringDecoder>

namespace vok {

namespace {

class QtConsoleWindow : public ConsoleWindow {
 public:
  QtConsoleWindow(std::string_view title, WindowMode mode) {
    view_.setObjectName(QStringLiteral("console"));
    view_.setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    view_.setReadOnly(true);
    view_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_.setMaximumBlockCount(10000);
    view_.setAttribute(Qt::WA_ShowWithoutActivating, false);
    switch (mode) {
      case WindowMode::Maximized:
        view_.showMaximized();
        view_.raise();
        view_.activateWindow();
        break;
      case WindowMode::Minimized:
        view_.showMinimized();
        break;
      default:
        view_.resize(720, 400);
        view_.show();
        break;
    }
  }

  void Write(std::string_view output) override {
    // A character split between two pieces of output is put together by the decoder.
    const QString text = decoder_.decode(QByteArrayView(output.data(), output.size()));
    QTextCursor cursor(view_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    view_.verticalScrollBar()->setValue(view_.verticalScrollBar()->maximum());
  }

 private:
  QPlainTextEdit view_;
  QStringDecoder decoder_{QStringDecoder::Utf8};
};

}  // namespace

std::unique_ptr<ConsoleWindow> QtConsoleHost::OpenConsole(std::string_view title, WindowMode mode) {
  return std::make_unique<QtConsoleWindow>(title, mode);
}

}  // namespace vok
