#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "app/list_lines.h"
#include "runner/progress.h"

namespace vok {

// The main window as its handlers see it: the few things they do to its controls.
// Each front end (Qt, Win32) implements it over its real controls; tests use a fake.
class FormView {
 public:
  virtual ~FormView() = default;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetText(Control control, std::string_view text) = 0;
  [[nodiscard]] virtual std::string Text(Control control) const = 0;
  virtual void SetVisible(Control control, bool visible) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // List1.
  virtual void ListClear() = 0;
  virtual void ListAppend(ListLines lines) = 0;
  [[nodiscard]] virtual std::size_t ListCount() const = 0;

  // TabStrip1: the selected tab, counted from 1 at the left.
  [[nodiscard]] virtual int SelectedTab() const = 0;
  // Selects a tab as SelectedTab counts it, without running the tab strip's handler.
  virtual void SelectTab(int tab) = 0;
  // Puts the keyboard focus on `control`.
  virtual void SetFocus(Control control) = 0;

  // The busy cursor over the window while a tool runs.
  virtual void SetBusy(bool busy) = 0;
  // How far the job that runs in a console of its own has come; called often while it runs.
  virtual void ShowProgress(const JobProgress& progress) = 0;
  // That job has ended, whatever the outcome: a window in the background asks for attention.
  virtual void JobEnded() = 0;
  // Closes the window for good: a close the user asked for during a run, once the run is over.
  virtual void CloseWindow() = 0;
};

}  // namespace vok
