#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/form1.h"
#include "app/form_layout.h"
#include "app/form_view.h"
#include "app/list_box_win.h"

namespace vok {

// The main window on Win32: the controls of kFormLayout at their places, scaled for the
// monitor's DPI and the message font, each click handed to Form1.
class Form1Window : public FormView, public EventPump {
 public:
  // `quitWhenClosed`: closing the window ends the thread's message loop.
  explicit Form1Window(const Workspace& workspace, const Services& services = {},
                       bool quitWhenClosed = true);
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;
  ~Form1Window() override;

  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] HWND control(Control c) const;
  [[nodiscard]] Form1& form() { return *form_; }
  // Carries out the command line once the window is shown (Form1::Start).
  void Start(const CommandLine& commandLine) { form_->Start(commandLine); }
  // Twips become pixels at the monitor's DPI times this factor, taken from the font so that
  // every text fits.
  [[nodiscard]] double layoutScale() const { return scale_; }
  [[nodiscard]] UINT dpi() const { return dpi_; }

  // FormView
  void SetCaption(std::string_view caption) override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] std::string Text(Control control) const override;
  void SetVisible(Control control, bool visible) override;
  void SetEnabled(Control control, bool enabled) override;
  void ListClear() override { list_.Clear(); }
  void ListAppend(ListLines lines) override { list_.Append(std::move(lines)); }
  [[nodiscard]] std::size_t ListCount() const override { return list_.Count(); }
  [[nodiscard]] int SelectedTab() const override;
  void SelectTab(int tab) override;
  void SetFocus(Control control) override;
  void SetBusy(bool busy) override;
  void ShowProgress(const JobProgress& progress) override;
  void JobEnded() override;
  void CloseWindow() override { DestroyWindow(hwnd_); }

  // EventPump
  void DoEvents() override;

 private:
  struct Owned;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void CreateControl(Control c);
  // Everything that depends on the DPI: the font, the scale, the places, the picture.
  void ApplyDpi(UINT dpi);
  void SetFonts();
  void PlaceControls();
  void LoadDonationPicture();
  void TakeDroppedFiles(WPARAM drop);

  bool quitWhenClosed_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<Owned> owned_;
  std::unique_ptr<Form1> form_;
  HWND controls_[std::size(kFormLayout)] = {};
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  HBITMAP picture_ = nullptr;
  VirtualListBox list_;
  UINT dpi_ = 96;
  double scale_ = 1.0;
  bool busy_ = false;
};

}  // namespace vok
