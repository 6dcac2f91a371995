#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace vok::testing {

// Whether `done` holds within `limit`, checked every 10 ms.
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The process has ended: it is gone, or a zombie that whoever adopted it has not collected yet.
inline bool ProcessEnded(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  for (int i = 0; i < 3 && stat >> field; ++i) {
  }
  return field == "Z";
}

// A stopped program closes its output as it starts to end, which ends the run; it finishes
// ending a moment later, longer on a busy machine.
inline bool ProcessEndsSoon(pid_t pid) {
  return Eventually([pid] { return ProcessEnded(pid); }, std::chrono::seconds(2));
}

}  // namespace vok::testing
