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
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QUrl>

#include "app/console_qt.h"
#include "app/form_layout.h"
#include "app/list_model_qt.h"
#include "app/messages_qt.h"
#include "common/text_qt.h"
#include "runner/own_files_posix.h"
#include "runner/process_posix.h"
#include "runner/workspace_lock_posix.h"
#include "shell/file_prompt_qt.h"
#include "shell/link_launcher_qt.h"
#include "shell/select_folder_qt.h"

namespace vok {

namespace {

// List1 lays out a long listing this many rows per round of the window's events, so that the
// window goes on answering while millions of rows take their places.
constexpr int kListRowsPerRound = 50'000;

// The window's font, measured in logical pixels.
class QtTextMeasure : public TextMeasure {
 public:
  QtTextMeasure(const QFont& font, const QTabBar& tabs) : metrics_(font), tabs_(tabs.sizeHint()) {}
  double TextWidth(std::string_view text) const override {
    return metrics_.horizontalAdvance(FromUtf8(text));
  }
  double LineHeight() const override { return metrics_.height(); }
  double TabStripWidth() const override { return tabs_.width(); }
  double TabStripHeight() const override { return tabs_.height(); }

 private:
  QFontMetrics metrics_;
  QSize tabs_;
};

}  // namespace

struct Form1Window::Owned {
  explicit Owned(Form1Window* owner)
      : files(owner),
        folders(owner),
        consoles([owner] { owner->form().StopRun(); }),
        processes(PosixProcesses::Options{&consoles, true}),
        messages(owner) {}
  QtFilePrompt files;
  QtFolderPrompt folders;
  QtLinkLauncher links;
  QtConsoleHost consoles;
  PosixProcesses processes;
  PosixWorkspaceLock lock;
  QtMessages messages;
  PosixOwnFiles ownFiles;
};

Form1Window::Form1Window(const Workspace& workspace, const Services& services)
    : owned_(std::make_unique<Owned>(this)) {
  form_ = std::make_unique<Form1>(
      services.Over(Platform{*this, owned_->files, owned_->folders, owned_->processes, *this,
                             owned_->links, owned_->lock, owned_->messages, owned_->ownFiles}),
      workspace);

  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(FromUtf8(kWindowCaption));
  QIcon icon(QStringLiteral(":/vokruzeru.ico"));
  icon.addFile(QStringLiteral(":/icons/256/vokruzeru.png"));
  setWindowIcon(icon);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setAcceptDrops(true);
  for (const ControlLayout& layout : kFormLayout) {
    QWidget* widget = CreateControl(layout);
    widget->setObjectName(FromUtf8(layout.name));
    widget->setVisible(layout.visibleAtStart);
    widget->installEventFilter(this);
    controls_[layout.id] = widget;
  }
  DescribeControls();
  ShowDonationFace();
  PlaceControls();
  QWidget* previous = nullptr;
  for (Control c : kFocusOrder) {
    if (!LayoutOf(c).takesFocus()) continue;
    if (previous) setTabOrder(previous, controls_[c]);
    previous = controls_[c];
  }
  ConnectHandlers();
}

Form1Window::~Form1Window() = default;

QWidget* Form1Window::CreateControl(const ControlLayout& layout) {
  const QString text = FromUtf8(layout.text);
  switch (layout.kind) {
    case ControlKind::TabStrip:
      tabStrip_ = new QTabBar(this);
      tabStrip_->setExpanding(false);
      tabStrip_->setDrawBase(false);
      for (const QString& tab : text.split(u'|')) tabStrip_->addTab(tab);
      return tabStrip_;
    case ControlKind::Label: {
      auto* label = new QLabel(text, this);
      label->setTextFormat(Qt::PlainText);  // a name in it is shown as it is, never as markup
      return label;
    }
    case ControlKind::TextBox: {
      auto* edit = new QLineEdit(this);
      edit->setAcceptDrops(false);  // a dropped file goes to the window, not into the text
      edit->setReadOnly(!layout.takesTyping());
      return edit;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(text, this);
      button->setAutoDefault(true);  // Enter clicks it, as Space does
      return button;
    }
    case ControlKind::ListBox: {
      auto* list = new QListView(this);
      listModel_ = new ListLinesModel(list);
      list->setModel(listModel_);
      list->setItemDelegate(new TabStopDelegate(list));
      list->setUniformItemSizes(true);
      list->setLayoutMode(QListView::Batched);
      list->setBatchSize(kListRowsPerRound);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      return list;
    }
    case ControlKind::PictureButton: {
      auto* button = new QPushButton(this);
      button->setAutoDefault(true);
      button->setToolTip(text);
      return button;
    }
  }
  return nullptr;
}

void Form1Window::DescribeControls() {
  for (const ControlLayout& layout : kFormLayout) {
    if (!layout.takesFocus()) continue;
    QWidget* widget = controls_[layout.id];
    widget->setAccessibleName(FromUtf8(AccessibleName(layout.id)));
    widget->setAccessibleDescription(FromUtf8(AccessibleDescription(layout.id)));
    if (const auto label = LabelOf(layout.id)) {
      static_cast<QLabel*>(controls_[*label])->setBuddy(widget);
    }
  }
}

void Form1Window::ShowDonationFace() {
  auto* button = static_cast<QPushButton*>(controls_[Control::Command1]);
  if (ShowsDonationPicture(false, button->palette().color(QPalette::Button).lightness())) {
    button->setIcon(QIcon(QPixmap(QStringLiteral(":/donate.gif"))));
    button->setText(QString());
  } else {
    button->setIcon(QIcon());
    button->setText(FromUtf8(AccessibleName(Control::Command1)));
  }
}

void Form1Window::PlaceControls() {
  scale_ = FitScale(QtTextMeasure(font(), *tabStrip_), 1.0 / kTwipsPerPixel, 1.0);
  const double pixelsPerTwip = scale_ / kTwipsPerPixel;
  for (const ControlLayout& layout : kFormLayout) {
    const PixelRect place = Place(layout, pixelsPerTwip);
    controls_[layout.id]->setGeometry(place.left, place.top, place.width(), place.height());
  }
  static_cast<QPushButton*>(controls_[Control::Command1])
      ->setIconSize(QSize(ToPixels(kPictureWidth * kTwipsPerPixel, pixelsPerTwip),
                          ToPixels(kPictureHeight * kTwipsPerPixel, pixelsPerTwip)));
  setFixedSize(ToPixels(kClientWidthTwips, pixelsPerTwip),
               ToPixels(kClientHeightTwips, pixelsPerTwip));
}

void Form1Window::ConnectHandlers() {
  connect(tabStrip_, &QTabBar::currentChanged, this,
          [this](int) { form_->Click(Control::TabStrip1); });
  // A click on the tab already selected changes nothing in the tab bar, but still counts.
  connect(tabStrip_, &QTabBar::tabBarClicked, this, [this](int index) {
    if (index == tabStrip_->currentIndex()) form_->Click(Control::TabStrip1);
  });
  for (const ControlLayout& layout : kFormLayout) {
    if (auto* button = qobject_cast<QPushButton*>(controls_[layout.id]); button && layout.onClick) {
      connect(button, &QPushButton::clicked, this, [this, id = layout.id] { form_->Click(id); });
    }
  }
}

bool Form1Window::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::PaletteChange && watched == controls_[Control::Command1]) {
    ShowDonationFace();  // a theme or style sheet changed the button's colours
  }
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  WindowKey windowKey = WindowKey::Other;
  switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      windowKey = WindowKey::Tab;
      break;
    case Qt::Key_PageDown:
      windowKey = WindowKey::PageDown;
      break;
    case Qt::Key_PageUp:
      windowKey = WindowKey::PageUp;
      break;
    default:
      break;
  }
  // Shift+Tab arrives as Backtab, with Shift held.
  const Qt::KeyboardModifiers modifiers = key->modifiers();
  const bool control =
      modifiers & Qt::ControlModifier && !(modifiers & (Qt::AltModifier | Qt::MetaModifier));
  return form_->KeyPressed(windowKey, control,
                           modifiers & Qt::ShiftModifier || key->key() == Qt::Key_Backtab);
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
  form_->DropPaths(paths);
}

std::vector<std::string> Form1Window::DroppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
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

void Form1Window::SetEnabled(Control control, bool enabled) {
  controls_.at(control)->setEnabled(enabled);
}

void Form1Window::ListClear() { listModel_->Clear(); }

void Form1Window::ListAppend(ListLines lines) { listModel_->Append(std::move(lines)); }

std::size_t Form1Window::ListCount() const {
  return static_cast<std::size_t>(listModel_->rowCount());
}

int Form1Window::SelectedTab() const { return tabStrip_->currentIndex() + 1; }

void Form1Window::SelectTab(int tab) {
  const QSignalBlocker quiet(tabStrip_);
  tabStrip_->setCurrentIndex(tab - 1);
}

void Form1Window::SetFocus(Control control) { controls_.at(control)->setFocus(Qt::TabFocusReason); }

void Form1Window::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void Form1Window::ShowProgress(const JobProgress& progress) {
  owned_->consoles.ShowProgress(progress);
}

void Form1Window::JobEnded() { QApplication::alert(this); }

void Form1Window::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace vok
