#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/message_loop_win.h"
#include "common/text_win.h"

namespace vok::testing {

// The directory of the test program, where fake_tool.exe is built too.
inline std::filesystem::path TestProgramDirectory() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

// Sets an environment variable for the processes this test starts, and clears it at the end.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableW(name, Wide(value).c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* name_;
};

// The process id a program wrote to `file`; 0 when there is none.
inline DWORD ReadPid(const std::filesystem::path& file) {
  DWORD pid = 0;
  std::ifstream(file) >> pid;
  return pid;
}

// The process `pid` has ended (or never was).
inline bool ProcessEnded(DWORD pid) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;
  const bool ended = WaitForSingleObject(process, 2000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// Runs the thread's messages until `done` holds or `timeout` ran out; whether it holds.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace vok::testing
