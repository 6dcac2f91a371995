#include "runner/own_files.h"

namespace vok {

std::string WhyNotPut(const std::error_code& error) {
  if (error == std::errc::is_a_directory) {
    return "a folder of that name is in the way; move or rename it";
  }
  if (error == std::errc::too_many_symbolic_link_levels) {
    return "a link of that name is in the way; remove it";
  }
  std::string reason = error.message();
  while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n' ||
                             reason.back() == '\r' || reason.back() == ' ')) {
    reason.pop_back();
  }
  return reason;
}

}  // namespace vok
