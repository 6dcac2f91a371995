#include "app/console_qt.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>
#include <string>

namespace vok {

namespace {

// Laying text out is what costs: the window takes output in batches, at most this much of the
// latest output at a time, and keeps a bounded scroll-back of short blocks.
constexpr int kFlushIntervalMs = 50;
constexpr std::size_t kShownPerFlush = 32 * 1024;
constexpr int kScrollBackBlocks = 5000;
constexpr int kLinePiece = 2000;  // a longer line is shown in pieces of this many characters

class ConsoleWidget : public QWidget {
 public:
  explicit ConsoleWidget(std::function<void()> closed) : closed_(std::move(closed)) {}

 protected:
  // Closing the console of a run stops the run, as closing a console window does on Windows.
  void closeEvent(QCloseEvent* event) override {
    closed_();
    event->accept();
  }

 private:
  std::function<void()> closed_;
};

class QtConsoleWindow : public ConsoleWindow {
 public:
  QtConsoleWindow(std::string_view title, WindowMode mode, std::function<void()> stopRun)
      : stopRun_(std::move(stopRun)), window_([this] { Stop(); }) {
    window_.setObjectName(QStringLiteral("console"));
    window_.setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    view_ = new QPlainTextEdit(&window_);
    view_->setObjectName(QStringLiteral("consoleText"));
    view_->setReadOnly(true);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setMaximumBlockCount(kScrollBackBlocks);
    stop_ = new QPushButton(QStringLiteral("Stop"), &window_);
    stop_->setObjectName(QStringLiteral("cmdStop"));
    QObject::connect(stop_, &QPushButton::clicked, [this] { Stop(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(view_);
    layout->addLayout(buttons);

    QObject::connect(&flush_, &QTimer::timeout, [this] { Flush(); });
    flush_.start(kFlushIntervalMs);

    window_.setAttribute(Qt::WA_ShowWithoutActivating, false);
    switch (mode) {
      case WindowMode::Maximized:
        window_.showMaximized();
        window_.raise();
        window_.activateWindow();
        break;
      case WindowMode::Minimized:
        window_.showMinimized();
        break;
      default:
        window_.resize(720, 400);
        window_.show();
        break;
    }
  }

  void Write(std::string_view output) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_.append(output);
    if (pending_.size() > 2 * kShownPerFlush) Drop(pending_.size() - kShownPerFlush);
  }

 private:
  void Stop() {
    if (!stop_->isEnabled()) return;
    stop_->setEnabled(false);
    stop_->setText(QStringLiteral("Stopping\u2026"));
    if (stopRun_) stopRun_();
  }

  // Called with mutex_ held.
  void Drop(std::size_t bytes) {
    pending_.erase(0, bytes);
    dropped_ += bytes;
  }

  void Flush() {
    std::string bytes;
    std::size_t dropped = 0;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (pending_.size() > kShownPerFlush) Drop(pending_.size() - kShownPerFlush);
      bytes.swap(pending_);
      std::swap(dropped, dropped_);
    }
    if (bytes.empty() && dropped == 0) return;

    QString text;
    if (dropped > 0) {
      // What is left starts within the output: at the next whole character, on a line of its own.
      std::size_t partial = 0;
      while (partial < bytes.size() && (static_cast<unsigned char>(bytes[partial]) & 0xC0) == 0x80)
        ++partial;
      bytes.erase(0, partial);
      decoder_ = QStringDecoder(QStringDecoder::Utf8);
      if (column_ > 0) text += u'\n';
      text += QStringLiteral("[... %1 bytes of output not shown ...]\n").arg(dropped + partial);
      column_ = 0;
      afterCr_ = false;
    }
    const QString decoded = decoder_.decode(QByteArrayView(bytes.data(), bytes.size()));
    text.reserve(text.size() + decoded.size() + decoded.size() / kLinePiece + 1);
    for (const QChar c : decoded) {
      if (c == u'\n' && afterCr_) {
        afterCr_ = false;  // the end of a CR LF
        continue;
      }
      afterCr_ = c == u'\r';
      if (c == u'\r' || c == u'\n') {
        text += u'\n';
        column_ = 0;
        continue;
      }
      if (column_ == kLinePiece) {
        text += u'\n';
        column_ = 0;
      }
      text += c;
      ++column_;
    }

    QScrollBar* scroll = view_->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor cursor(view_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (atEnd) scroll->setValue(scroll->maximum());
  }

  std::function<void()> stopRun_;
  ConsoleWidget window_;
  QPlainTextEdit* view_ = nullptr;
  QPushButton* stop_ = nullptr;
  QTimer flush_;
  QStringDecoder decoder_{QStringDecoder::Utf8};
  int column_ = 0;        // characters shown since the last line break
  bool afterCr_ = false;  // the last character shown was a CR

  std::mutex mutex_;  // guards what the reading thread hands over
  std::string pending_;
  std::size_t dropped_ = 0;
};

}  // namespace

std::unique_ptr<ConsoleWindow> QtConsoleHost::OpenConsole(std::string_view title, WindowMode mode) {
  return std::make_unique<QtConsoleWindow>(title, mode, stopRun_);
}

}  // namespace vok
