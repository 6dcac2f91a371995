#include "app/form1.h"

#include <exception>
#include <optional>

namespace vok {

Form1::Form1(Platform platform, Workspace workspace)
    : dlgOpen(platform.files),
      platform_(platform),
      view_(platform.view),
      workspace_(std::move(workspace)),
      runner_(workspace_, platform.processes, platform.events) {}

void Form1::RunOperation(const std::function<void()>& operation) {
  if (running_) return;
  running_ = true;
  view_.SetBusy(true);
  std::optional<std::string> error;
  try {
    operation();
  } catch (const std::exception& e) {
    error = e.what();
  }
  running_ = false;
  view_.SetBusy(false);
  if (error) view_.ShowError(*error);
}

void Form1::TabStrip1_Click() {
  const int tab = view_.SelectedTab();
  if (tab < 1 || tab > 3) return;
  for (Control control : kSwitchOrder) {
    view_.SetVisible(control, static_cast<int>(LayoutOf(control).tab) == tab);
  }
  view_.SetCaption(kWindowCaption);
}

}  // namespace vok
