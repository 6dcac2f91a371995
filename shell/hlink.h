#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/link_launcher.h"

namespace vok {

// Opens a web or mail address with the desktop's default program for it. Set up through its
// write-only properties, then told to open the link.
class hlink {
 public:
  explicit hlink(LinkLauncher& shell) : shell_(shell) {}

  void URL(std::string_view strURL) { link_ = strURL; }
  // A show setting, once set, stays set: false changes nothing.
  void Maximized(bool bMax) {
    if (bMax) maximized_ = 3;
  }
  void Minimized(bool bMin) {
    if (bMin) minimized_ = 2;
  }
  void Normal(bool bNormal) {
    if (bNormal) normal_ = 1;
  }

  void OpenURL() const { shell_.ShellExecute(link_, ShowCode()); }
  void Mail() const { shell_.ShellExecute("mailto:" + link_, ShowCode()); }

 private:
  [[nodiscard]] std::int32_t ShowCode() const { return normal_ | minimized_ | maximized_; }

  LinkLauncher& shell_;
  std::string link_;
  std::int32_t maximized_ = 0;
  std::int32_t minimized_ = 0;
  std::int32_t normal_ = 0;
};

}  // namespace vok
