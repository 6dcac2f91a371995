#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "runner/console.h"
#include "runner/process_services.h"

namespace vok {

// Closes `fd` if it is open and marks it closed (-1).
void CloseFd(int& fd);

// Reads a script's standard output and error output on a thread of its own, from the start of
// the run until Finish: each piece as it arrives goes to the console window, if any, and the end
// of the error output is kept.
class OutputReader {
 public:
  // Takes the read ends of the pipes (-1 where there is none). The standard output also goes to
  // `output`, if given. Throws std::system_error when the thread cannot be set up.
  OutputReader(int outFd, int errFd, ConsoleWindow* console, OutputListener* output = nullptr);
  ~OutputReader() { Finish(); }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

  // Reads what is already waiting in the pipes, within a bound (a program the script left
  // behind may go on writing for ever), and ends the thread.
  void Finish();

  // Every program that had the output open has closed it, or has ended.
  [[nodiscard]] bool OutputClosed() const { return closed_; }

  // The last lines of the error output.
  [[nodiscard]] std::string ErrorTail() const;

 private:
  void Run();
  void Deliver(std::string_view piece, bool errorOutput);
  void CloseAll();

  int fds_[2];
  int wake_[2] = {-1, -1};
  ConsoleWindow* console_;
  OutputListener* output_;
  std::thread thread_;
  std::atomic<bool> closed_{false};
  mutable std::mutex mutex_;
  std::string errorOutput_;
};

}  // namespace vok
