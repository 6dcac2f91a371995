#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/form_layout.h"
#include "app/list_lines.h"

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

  // List1.
  virtual void ListClear() = 0;
  virtual void ListAppend(ListLines lines) = 0;
  [[nodiscard]] virtual std::size_t ListCount() const = 0;

  // TabStrip1: the selected tab, counted from 1 at the left.
  [[nodiscard]] virtual int SelectedTab() const = 0;

  // While a tool runs: a busy cursor, and the operation buttons do not start another run.
  virtual void SetBusy(bool busy) = 0;
  // A modal message telling the user why an operation did not happen or failed.
  virtual void ShowError(std::string_view message) = 0;
  // A modal message that tells the user something that is not a failure (a run was stopped).
  virtual void ShowInformation(std::string_view message) = 0;
  // A modal question with the answers Yes and No, No the default; true for Yes.
  virtual bool AskYesNo(std::string_view question) = 0;
};

}  // namespace vok
