#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/form_view.h"

class QListView;
class QMimeData;
class QTabBar;

namespace vok {

class ListLinesModel;

// The main window on Qt: the controls of kFormLayout at their places, each click wired to its
// Form1 handler.
class Form1Window : public QWidget, public FormView, public EventPump {
  Q_OBJECT
 public:
  // Replacements for the real dialogs, processes and message boxes (tests script them).
  struct Services {
    FilePrompt* files = nullptr;
    FolderPrompt* folders = nullptr;
    LinkLauncher* links = nullptr;
    ProcessServices* processes = nullptr;
    WorkspaceLock* lock = nullptr;
    std::function<void(const QString&)> showMessage;
    std::function<bool(const QString&)> answerQuestion;
  };

  explicit Form1Window(const Workspace& workspace);
  Form1Window(const Workspace& workspace, Services services);
  ~Form1Window() override;

  [[nodiscard]] Form1& form() { return *form_; }
  // Carries out the command line once the window is shown (Form1::Start).
  void Start(const CommandLine& commandLine);
  [[nodiscard]] QWidget* control(Control c) const { return controls_.at(c); }
  // Twips are turned into pixels at 15 per pixel times this factor, taken from the font so
  // that every text fits.
  [[nodiscard]] double layoutScale() const { return scale_; }

  // FormView
  void SetCaption(std::string_view caption) override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] std::string Text(Control control) const override;
  void SetVisible(Control control, bool visible) override;
  void ListClear() override;
  void ListAppend(ListLines lines) override;
  [[nodiscard]] std::size_t ListCount() const override;
  [[nodiscard]] int SelectedTab() const override;
  void SetBusy(bool busy) override;
  void ShowError(std::string_view message) override;
  void ShowInformation(std::string_view message) override;
  bool AskYesNo(std::string_view question) override;

  // EventPump
  void DoEvents() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Owned;

  void CreateControls();
  void ConnectHandlers();
  static std::vector<std::string> DroppedPaths(const QMimeData* data);
  double ScaleForFont() const;
  QRect Place(const ControlLayout& layout) const;
  // Runs a handler (a click's, a drop's, the command line's); a close asked for during its run
  // is carried out once no run is left.
  void Handle(const std::function<void(Form1&)>& handler);

  std::unique_ptr<Owned> owned_;
  Services services_;
  std::unique_ptr<Form1> form_;
  std::map<Control, QWidget*> controls_;
  QTabBar* tabStrip_ = nullptr;
  QListView* list_ = nullptr;
  ListLinesModel* listModel_ = nullptr;
  double scale_ = 1.0;
  bool closePending_ = false;
};

}  // namespace vok
