#include "app/console_qt.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "common/text_qt.h"
#include "runner/console_text.h"

namespace vok {

namespace {

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

}  // namespace

class QtConsoleWindow : public ConsoleWindow {
 public:
  QtConsoleWindow(std::string_view title, WindowMode mode, QtConsoleHost& host)
      : host_(host), window_([this] { Stop(); }) {
    host_.open_ = this;
    window_.setObjectName(QStringLiteral("console"));
    window_.setWindowTitle(FromUtf8(title));
    bar_ = new QProgressBar(&window_);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 0);  // busy until the job says how far it has come
    bar_->setVisible(false);
    counts_ = new QLabel(&window_);
    counts_->setObjectName(QStringLiteral("progressCounts"));
    times_ = new QLabel(&window_);
    times_->setObjectName(QStringLiteral("progressTimes"));
    current_ = new QLabel(&window_);
    current_->setObjectName(QStringLiteral("progressName"));
    for (QLabel* label : {counts_, times_, current_}) {
      label->setTextFormat(Qt::PlainText);
      label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      label->setVisible(false);
    }
    current_->setMinimumWidth(1);  // a long name is cut, not the window widened
    view_ = new QPlainTextEdit(&window_);
    view_->setObjectName(QStringLiteral("consoleText"));
    view_->setReadOnly(true);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setMaximumBlockCount(kConsoleScrollBackLines);
    stop_ = new QPushButton(QStringLiteral("Stop"), &window_);
    stop_->setObjectName(QStringLiteral("cmdStop"));
    QObject::connect(stop_, &QPushButton::clicked, [this] { Stop(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(bar_);
    auto* line = new QHBoxLayout;
    line->addWidget(counts_);
    line->addStretch();
    line->addWidget(times_);
    layout->addLayout(line);
    layout->addWidget(current_);
    layout->addWidget(view_);
    layout->addLayout(buttons);

    QObject::connect(&flush_, &QTimer::timeout, [this] { Flush(); });
    flush_.start(kConsoleFlushMs);

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

  ~QtConsoleWindow() override { host_.open_ = nullptr; }
  QtConsoleWindow(const QtConsoleWindow&) = delete;
  QtConsoleWindow& operator=(const QtConsoleWindow&) = delete;

  void ShowProgress(const JobProgress& progress) {
    for (QWidget* widget : std::initializer_list<QWidget*>{bar_, counts_, times_, current_}) {
      widget->setVisible(true);
    }
    if (progress.percent) {
      bar_->setRange(0, 100);
      bar_->setValue(*progress.percent);
    } else {
      bar_->setRange(0, 0);
    }
    window_.setWindowTitle(FromUtf8(progress.title));
    counts_->setText(FromUtf8(progress.files + ", " + progress.bytes));
    times_->setText(FromUtf8(progress.times));
    const QString name = FromUtf8(progress.current);
    current_->setText(current_->fontMetrics().elidedText(name, Qt::ElideMiddle, current_->width()));
    current_->setToolTip(name);
  }

  void Write(std::string_view output) override { text_.Write(output); }

 private:
  void Stop() {
    if (!stop_->isEnabled()) return;
    stop_->setEnabled(false);
    stop_->setText(QStringLiteral("Stopping\u2026"));
    if (host_.stopRun_) host_.stopRun_();
  }

  void Flush() {
    const std::string text = text_.Take();
    if (text.empty()) return;
    QScrollBar* scroll = view_->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor cursor(view_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(FromUtf8(text));
    if (atEnd) scroll->setValue(scroll->maximum());
  }

  QtConsoleHost& host_;
  ConsoleWidget window_;
  QProgressBar* bar_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* times_ = nullptr;
  QLabel* current_ = nullptr;
  QPlainTextEdit* view_ = nullptr;
  QPushButton* stop_ = nullptr;
  QTimer flush_;
  ConsoleText text_;
};

std::unique_ptr<ConsoleWindow> QtConsoleHost::OpenConsole(std::string_view title, WindowMode mode) {
  return std::make_unique<QtConsoleWindow>(title, mode, *this);
}

void QtConsoleHost::ShowProgress(const JobProgress& progress) {
  if (open_ != nullptr) open_->ShowProgress(progress);
}

}  // namespace vok
