#include "app/form1_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/list_model_qt.h"
#include "app/open_file_dialog_qt.h"
#include "runner/console_qt.h"
#include "runner/process_posix.h"
#include "runner/workspace_lock_posix.h"
#include "shell/link_launcher_qt.h"
#include "shell/select_folder_qt.h"

namespace vok {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr Control kRunButtons[] = {Control::cmdOpen, Control::cmdExtract, Control::cmdCreate};

}  // namespace

struct Form1Window::Owned {
  explicit Owned(Form1Window* owner)
      : files(owner),
        folders(owner),
        consoles([owner] { owner->form().StopRun(); }),
        processes(PosixProcesses::Options{&consoles, true}) {}
  QtFilePrompt files;
  QtFolderPrompt folders;
  QtLinkLauncher links;
  QtConsoleHost consoles;
  PosixProcesses processes;
  PosixWorkspaceLock lock;
};

Form1Window::Form1Window(const Workspace& workspace) : Form1Window(workspace, Services{}) {}

Form1Window::Form1Window(const Workspace& workspace, Services services)
    : owned_(std::make_unique<Owned>(this)), services_(std::move(services)) {
  const Platform platform{
      *this,
      services_.files ? *services_.files : owned_->files,
      services_.folders ? *services_.folders : owned_->folders,
      services_.processes ? *services_.processes : owned_->processes,
      *this,
      services_.links ? *services_.links : owned_->links,
      services_.lock ? *services_.lock : owned_->lock,
  };
  form_ = std::make_unique<Form1>(platform, workspace);

  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(FromUtf8(kWindowCaption));
  QIcon icon(QStringLiteral(":/vokruzeru.ico"));
  icon.addFile(QStringLiteral(":/icons/256/vokruzeru.png"));
  setWindowIcon(icon);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setAcceptDrops(true);
  CreateControls();
  ConnectHandlers();
}

Form1Window::~Form1Window() = default;

void Form1Window::CreateControls() {
  for (const ControlLayout& layout : kFormLayout) {
    const QString text = FromUtf8(layout.text);
    QWidget* widget = nullptr;
    switch (layout.kind) {
      case ControlKind::TabStrip: {
        tabStrip_ = new QTabBar(this);
        tabStrip_->setExpanding(false);
        tabStrip_->setDrawBase(false);
        for (const QString& tab : text.split(u'|')) tabStrip_->addTab(tab);
        widget = tabStrip_;
        break;
      }
      case ControlKind::Label:
        widget = new QLabel(text, this);
        break;
      case ControlKind::TextBox: {
        auto* edit = new QLineEdit(this);
        edit->setAcceptDrops(false);  // a dropped file goes to the window, not into the text
        // Only the destination folder and the source folder are read as typed; the other boxes
        // show what was chosen with their "..." button.
        edit->setReadOnly(layout.id != Control::txtDest && layout.id != Control::txtCrSource);
        widget = edit;
        break;
      }
      case ControlKind::Button:
        widget = new QPushButton(text, this);
        break;
      case ControlKind::ListBox: {
        list_ = new QListView(this);
        listModel_ = new ListLinesModel(list_);
        list_->setModel(listModel_);
        list_->setItemDelegate(new TabStopDelegate(list_));
        list_->setUniformItemSizes(true);
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
        list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        widget = list_;
        break;
      }
      case ControlKind::PictureButton: {
        auto* button = new QPushButton(this);
        const QPixmap picture(QStringLiteral(":/donate.gif"));
        button->setIcon(QIcon(picture));
        button->setToolTip(text);
        button->setAccessibleName(QStringLiteral("Make a Donation"));
        widget = button;
        break;
      }
    }
    widget->setObjectName(FromUtf8(layout.name));
    widget->setVisible(layout.visibleAtStart);
    controls_[layout.id] = widget;
  }

  scale_ = ScaleForFont();
  for (const ControlLayout& layout : kFormLayout) {
    controls_[layout.id]->setGeometry(Place(layout));
  }
  auto* donate = static_cast<QPushButton*>(controls_[Control::Command1]);
  donate->setIconSize(QSize(static_cast<int>(std::lround(110 * scale_)),
                            static_cast<int>(std::lround(23 * scale_))));
  setFixedSize(static_cast<int>(std::lround(kClientWidthTwips * scale_ / kTwipsPerPixel)),
               static_cast<int>(std::lround(kClientHeightTwips * scale_ / kTwipsPerPixel)));

  std::vector<const ControlLayout*> order;
  for (const ControlLayout& layout : kFormLayout) order.push_back(&layout);
  std::sort(order.begin(), order.end(),
            [](const auto* a, const auto* b) { return a->focusOrder < b->focusOrder; });
  QWidget* previous = nullptr;
  for (const ControlLayout* layout : order) {
    if (layout->kind == ControlKind::Label) continue;
    QWidget* widget = controls_[layout->id];
    if (previous) setTabOrder(previous, widget);
    previous = widget;
  }
}

double Form1Window::ScaleForFont() const {
  const QFontMetrics metrics(font());
  double scale = 1.0;
  const auto need = [&scale](double needed, int twips) {
    scale = std::max(scale, needed * kTwipsPerPixel / twips);
  };
  for (const ControlLayout& layout : kFormLayout) {
    const int textWidth = metrics.horizontalAdvance(FromUtf8(layout.text));
    switch (layout.kind) {
      case ControlKind::TabStrip:
        need(tabStrip_->sizeHint().width(), layout.width);
        need(tabStrip_->sizeHint().height(), layout.height);
        break;
      case ControlKind::Label:
        need(textWidth + 2, layout.width);
        need(metrics.height(), layout.height);
        break;
      case ControlKind::Button:
        need(textWidth + 12, layout.width);
        need(metrics.height() + 4, layout.height);
        break;
      case ControlKind::TextBox:
        need(metrics.height() + 4, layout.height);
        break;
      case ControlKind::ListBox:
      case ControlKind::PictureButton:
        break;
    }
  }
  return std::ceil(scale * 20) / 20;  // a step of 5 % keeps the grid even
}

QRect Form1Window::Place(const ControlLayout& layout) const {
  const auto px = [this](int twips) {
    return static_cast<int>(std::lround(twips * scale_ / kTwipsPerPixel));
  };
  return QRect(px(layout.left), px(layout.top), px(layout.width), px(layout.height));
}

void Form1Window::ConnectHandlers() {
  connect(tabStrip_, &QTabBar::currentChanged, this,
          [this](int) { Handle(&Form1::TabStrip1_Click); });
  // A click on the tab already selected changes nothing in the tab bar, but still counts.
  connect(tabStrip_, &QTabBar::tabBarClicked, this, [this](int index) {
    if (index == tabStrip_->currentIndex()) Handle(&Form1::TabStrip1_Click);
  });
  const auto onClick = [this](Control control, void (Form1::*handler)()) {
    connect(static_cast<QPushButton*>(controls_[control]), &QPushButton::clicked, this,
            [this, handler] { Handle(handler); });
  };
  onClick(Control::cmdOpen, &Form1::cmdOpen_Click);
  onClick(Control::cmdSourceOpen, &Form1::cmdSourceOpen_Click);
  onClick(Control::cmdDestOpen, &Form1::cmdDestOpen_Click);
  onClick(Control::cmdExtract, &Form1::cmdExtract_Click);
  onClick(Control::cmdClear, &Form1::cmdClear_Click);
  onClick(Control::cmdCDir, &Form1::cmdCDir_Click);
  onClick(Control::cmdCrDest, &Form1::cmdCrDest_Click);
  onClick(Control::cmdCreate, &Form1::cmdCreate_Click);
  onClick(Control::cmdCClear, &Form1::cmdCClear_Click);
  onClick(Control::Command1, &Form1::Command1_Click);
}

void Form1Window::keyPressEvent(QKeyEvent* event) {
  // Escape that no control took for itself.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    form_->EscapePressed();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Form1Window::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPaths(event->mimeData()).size() == 1) event->acceptProposedAction();
}

void Form1Window::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (paths.size() != 1) return;
  event->acceptProposedAction();
  Handle([&paths](Form1& form) { form.DropPaths(paths); });
}

void Form1Window::Start(const CommandLine& commandLine) {
  Handle([&commandLine](Form1& form) { form.Start(commandLine); });
}

std::vector<std::string> Form1Window::DroppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

void Form1Window::Handle(const std::function<void(Form1&)>& handler) {
  handler(*form_);
  if (closePending_ && !form_->IsRunning()) {
    closePending_ = false;
    close();
  }
}

void Form1Window::closeEvent(QCloseEvent* event) {
  switch (form_->QueryClose()) {
    case CloseAction::Close:
      event->accept();
      QApplication::quit();
      return;
    case CloseAction::CloseAfterRun:
      // The window goes away now, the program once the stopped run has ended and its files are
      // cleaned up.
      closePending_ = true;
      hide();
      event->ignore();
      return;
    case CloseAction::StayOpen:
      event->ignore();
      return;
  }
}

void Form1Window::SetCaption(std::string_view caption) { setWindowTitle(FromUtf8(caption)); }

void Form1Window::SetText(Control control, std::string_view text) {
  QWidget* widget = controls_.at(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(FromUtf8(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(FromUtf8(text));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(FromUtf8(text));
  }
}

std::string Form1Window::Text(Control control) const {
  QWidget* widget = controls_.at(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text().toStdString();
  return {};
}

void Form1Window::SetVisible(Control control, bool visible) {
  controls_.at(control)->setVisible(visible);
}

void Form1Window::ListClear() { listModel_->Clear(); }

void Form1Window::ListAppend(ListLines lines) { listModel_->Append(std::move(lines)); }

std::size_t Form1Window::ListCount() const {
  return static_cast<std::size_t>(listModel_->rowCount());
}

int Form1Window::SelectedTab() const { return tabStrip_->currentIndex() + 1; }

void Form1Window::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  for (Control control : kRunButtons) controls_.at(control)->setEnabled(!busy);
}

void Form1Window::ShowError(std::string_view message) {
  const QString text = FromUtf8(message);
  if (services_.showMessage) {
    services_.showMessage(text);
  } else if (closePending_ || !isVisible()) {
    std::fprintf(stderr, "vokruzeru: %s\n", std::string(message).c_str());
  } else {
    QMessageBox::warning(this, FromUtf8(kWindowCaption), text);
  }
}

void Form1Window::ShowInformation(std::string_view message) {
  if (closePending_) return;  // the user is quitting
  const QString text = FromUtf8(message);
  if (services_.showMessage) {
    services_.showMessage(text);
  } else {
    QMessageBox::information(this, FromUtf8(kWindowCaption), text);
  }
}

bool Form1Window::AskYesNo(std::string_view question) {
  const QString text = FromUtf8(question);
  if (services_.answerQuestion) return services_.answerQuestion(text);
  return QMessageBox::question(this, FromUtf8(kWindowCaption), text,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void Form1Window::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace vok
