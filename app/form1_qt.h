#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/form_view.h"

class QMimeData;
class QTabBar;

namespace vok {

class ListLinesModel;
struct ControlLayout;

// The main window on Qt: the controls of kFormLayout at their places, each click handed to
// Form1.
class Form1Window : public QWidget, public FormView, public EventPump {
  Q_OBJECT
 public:
  explicit Form1Window(const Workspace& workspace, const Services& services = {});
  ~Form1Window() override;

  [[nodiscard]] Form1& form() { return *form_; }
  // Carries out the command line once the window is shown (Form1::Start).
  void Start(const CommandLine& commandLine) { form_->Start(commandLine); }
  [[nodiscard]] QWidget* control(Control c) const { return controls_.at(c); }
  // Twips are turned into pixels at 15 per pixel times this factor, taken from the font so
  // that every text fits.
  [[nodiscard]] double layoutScale() const { return scale_; }

  // FormView
  void SetCaption(std::string_view caption) override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] std::string Text(Control control) const override;
  void SetVisible(Control control, bool visible) override;
  void SetEnabled(Control control, bool enabled) override;
  void ListClear() override;
  void ListAppend(ListLines lines) override;
  [[nodiscard]] std::size_t ListCount() const override;
  [[nodiscard]] int SelectedTab() const override;
  void SelectTab(int tab) override;
  void SetFocus(Control control) override;
  void SetBusy(bool busy) override;
  void ShowProgress(const JobProgress& progress) override;
  void JobEnded() override;
  void CloseWindow() override { close(); }

  // EventPump
  void DoEvents() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Owned;

  QWidget* CreateControl(const ControlLayout& layout);
  void PlaceControls();
  void ConnectHandlers();
  // Tells assistive technology what each control is: its name, its description, its label.
  void DescribeControls();
  // The donation button's picture, or its name as text where the theme would not show the
  // picture well.
  void ShowDonationFace();
  static std::vector<std::string> DroppedPaths(const QMimeData* data);

  std::unique_ptr<Owned> owned_;
  std::unique_ptr<Form1> form_;
  std::map<Control, QWidget*> controls_;
  QTabBar* tabStrip_ = nullptr;
  ListLinesModel* listModel_ = nullptr;
  double scale_ = 1.0;
};

}  // namespace vok
