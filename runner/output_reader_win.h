#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runner/console.h"
#include "runner/process_services.h"

namespace vok {

// A pipe for a script's output: the read end, for overlapped reads by the program, and the
// write end, for the script. Both are null where the pipe cannot be made.
struct OutputPipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};
OutputPipe MakeOutputPipe();

// Reads a script's standard output and error output on a thread of its own, from the start of
// the run until Finish: each piece as it arrives goes to the console window, if any, the
// standard output also to `output`, and the end of the error output is kept. The script never
// waits on a full pipe, whatever the window is doing.
class OutputReader {
 public:
  // Takes the read ends of the pipes. Throws std::system_error when the thread cannot be set up.
  OutputReader(HANDLE out, HANDLE err, ConsoleWindow* console, OutputListener* output);
  ~OutputReader() { Finish(); }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

  // Reads what is already waiting in the pipes, within a bound (a program the script left
  // behind may go on writing for ever), and ends the thread.
  void Finish();

  // The last bytes of the error output, and whether they are all of it.
  struct ErrorEnd {
    std::string bytes;
    bool whole = true;
  };
  [[nodiscard]] ErrorEnd ErrorOutputEnd() const;

 private:
  struct Pipe {
    HANDLE handle = nullptr;
    OVERLAPPED overlapped{};
    bool reading = false;  // a read was begun and has not been collected
    std::vector<char> buffer;
  };
  void Run();
  void BeginRead(Pipe& pipe);
  // Collects the read begun on `pipe`, waiting for it or not: the bytes it brought.
  DWORD Collect(Pipe& pipe, bool wait);
  void Deliver(std::string_view piece, bool errorOutput);
  void CloseAll();

  Pipe pipes_[2];  // standard output, error output
  HANDLE wake_ = nullptr;
  ConsoleWindow* console_;
  OutputListener* output_;
  std::thread thread_;
  mutable std::mutex mutex_;
  ErrorEnd errorEnd_;
};

}  // namespace vok
