#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

// The modal message boxes of the main window. Each front end shows them with its toolkit;
// tests answer them.
class Messages {
 public:
  virtual ~Messages() = default;
  // Tells the user why an operation did not happen or failed.
  virtual void ShowError(std::string_view message) = 0;
  // Tells the user something that is not a failure (a run was stopped).
  virtual void ShowInformation(std::string_view message) = 0;
  // A question with the answers Yes and No, No the default; true for Yes.
  virtual bool AskYesNo(std::string_view question) = 0;
  // A question with the buttons `answers`, `preselected` the default; the index of the answer.
  // Escape or closing the box gives the last answer, which is to cancel.
  virtual std::size_t Choose(std::string_view question, const std::vector<std::string>& answers,
                             std::size_t preselected) = 0;
  // A note that leaves the window free (the next job can start while it shows), with a button
  // `action` that calls `act` on the window's thread, and one that closes it.
  virtual void ShowNote(std::string_view note, std::string_view action,
                        std::function<void()> act) = 0;
};

}  // namespace vok
