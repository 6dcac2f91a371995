#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/form1.h"
#include "app/form_view.h"

namespace vok {

// The main window on Win32: the controls of kFormLayout at their places, scaled for the
// monitor's DPI and the message font, each click wired to its Form1 handler.
class Form1Window : public FormView, public EventPump {
 public:
  // Replacements for the real dialogs, processes and message boxes (tests script them).
  struct Services {
    FilePrompt* files = nullptr;
    FolderPrompt* folders = nullptr;
    LinkLauncher* links = nullptr;
    ProcessServices* processes = nullptr;
    std::function<void(const std::string&)> showMessage;
    std::function<bool(const std::string&)> answerQuestion;
    bool quitWhenClosed = true;  // closing the window ends the message loop
  };

  explicit Form1Window(const Workspace& workspace);
  Form1Window(const Workspace& workspace, Services services);
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;
  ~Form1Window() override;

  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] HWND control(Control c) const;
  [[nodiscard]] Form1& form() { return *form_; }
  // Carries out the command line once the window is shown (Form1::Start).
  void Start(const CommandLine& commandLine);
  // Twips become pixels at the monitor's DPI times this factor, taken from the font so that
  // every text fits.
  [[nodiscard]] double layoutScale() const { return scale_; }
  [[nodiscard]] UINT dpi() const { return dpi_; }
  [[nodiscard]] RECT Place(const ControlLayout& layout) const;

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

 private:
  struct Owned;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  // Font, scale, geometry and picture for a DPI.
  void ApplyDpi(UINT dpi);
  [[nodiscard]] double ScaleForFont() const;
  void DrawListLine(const DRAWITEMSTRUCT& item) const;
  void TakeDroppedFiles(WPARAM drop);
  // Runs a handler (a click's, a drop's, the command line's); a close asked for during its run
  // is carried out once no run is left.
  void Handle(const std::function<void(Form1&)>& handler);

  Services services_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<Owned> owned_;
  std::unique_ptr<Form1> form_;
  HWND controls_[std::size(kFormLayout)] = {};
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  HBITMAP picture_ = nullptr;
  ListLines lines_;
  UINT dpi_ = 96;
  double scale_ = 1.0;
  int tabStop_ = 64;  // pixels between the list's columns
  bool busy_ = false;
  bool closePending_ = false;
};

}  // namespace vok
