#include "runner/output_reader_win.h"

#include <atomic>
#include <string>
#include <system_error>

#include "common/text_win.h"

namespace vok {

namespace {

constexpr DWORD kPipeBytes = 64 * 1024;        // the pipe's buffer, and the most read at once
constexpr std::size_t kErrorKeptBytes = 4096;  // enough for the last lines of a failure
// After the script has ended: what is read of output still waiting in the pipes, at most.
constexpr std::size_t kReadAfterEnd = 4 * 1024 * 1024;

void CloseHandleOf(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

OutputPipe MakeOutputPipe() {
  // Anonymous pipes cannot be read overlapped: a named pipe of this run's own stands in.
  static std::atomic<unsigned> made{0};
  const std::wstring name =
      L"\\\\.\\pipe\\vokruzeru-" + WideNumber(GetCurrentProcessId()) + L"-" + WideNumber(++made);
  OutputPipe pipe;
  pipe.read = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBytes,
      kPipeBytes, 0, nullptr);
  if (pipe.read == INVALID_HANDLE_VALUE) return {};
  pipe.write = CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (pipe.write == INVALID_HANDLE_VALUE) {
    CloseHandle(pipe.read);
    return {};
  }
  return pipe;
}

OutputReader::OutputReader(HANDLE out, HANDLE err, ConsoleWindow* console, OutputListener* output)
    : console_(console), output_(output) {
  pipes_[0].handle = out;
  pipes_[1].handle = err;
  wake_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  for (Pipe& pipe : pipes_) {
    pipe.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    pipe.buffer.resize(kPipeBytes);
  }
  const DWORD error = GetLastError();
  if (!wake_ || !pipes_[0].overlapped.hEvent || !pipes_[1].overlapped.hEvent) {
    CloseAll();
    throw std::system_error(static_cast<int>(error), std::system_category(), "CreateEvent");
  }
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    CloseAll();
    throw;
  }
}

void OutputReader::Finish() {
  if (thread_.joinable()) {
    SetEvent(wake_);
    thread_.join();
  }
  CloseAll();
}

OutputReader::ErrorEnd OutputReader::ErrorOutputEnd() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return errorEnd_;
}

void OutputReader::BeginRead(Pipe& pipe) {
  // A read that completes at once signals its event too, and is collected like any other.
  if (ReadFile(pipe.handle, pipe.buffer.data(), kPipeBytes, nullptr, &pipe.overlapped) ||
      GetLastError() == ERROR_IO_PENDING) {
    pipe.reading = true;
  } else {
    CloseHandleOf(pipe.handle);  // every program that had the output open has closed it
  }
}

DWORD OutputReader::Collect(Pipe& pipe, bool wait) {
  DWORD read = 0;
  const BOOL done = GetOverlappedResult(pipe.handle, &pipe.overlapped, &read, wait);
  if (!done && GetLastError() == ERROR_IO_INCOMPLETE) return 0;
  pipe.reading = false;
  if (!done) {
    CloseHandleOf(pipe.handle);  // the end of the output, or a cancelled read
    return 0;
  }
  Deliver(std::string_view(pipe.buffer.data(), read), &pipe == &pipes_[1]);
  return read;
}

void OutputReader::Run() {
  bool finishing = false;
  std::size_t readAfterEnd = 0;
  for (;;) {
    HANDLE events[3];
    DWORD count = 0;
    for (Pipe& pipe : pipes_) {
      if (pipe.handle && !pipe.reading) BeginRead(pipe);
      if (pipe.handle) events[count++] = pipe.overlapped.hEvent;
    }
    if (count == 0) break;
    events[count] = wake_;
    // Once finishing, only what is already waiting is read.
    const DWORD result = WaitForMultipleObjects(finishing ? count : count + 1, events, FALSE,
                                                finishing ? 0 : INFINITE);
    if (result == WAIT_TIMEOUT || result == WAIT_FAILED) break;
    finishing = finishing || WaitForSingleObject(wake_, 0) == WAIT_OBJECT_0;
    for (Pipe& pipe : pipes_) {
      if (!pipe.handle || !pipe.reading) continue;
      const DWORD read = Collect(pipe, false);
      if (finishing) readAfterEnd += read;
    }
    if (finishing && readAfterEnd >= kReadAfterEnd) break;
  }
  // A read still begun is cancelled before its buffer goes.
  for (Pipe& pipe : pipes_) {
    if (!pipe.handle || !pipe.reading) continue;
    CancelIoEx(pipe.handle, &pipe.overlapped);
    Collect(pipe, true);
  }
}

void OutputReader::Deliver(std::string_view piece, bool errorOutput) {
  if (piece.empty()) return;
  if (console_ != nullptr) console_->Write(piece);
  if (!errorOutput) {
    if (output_ != nullptr) output_->Output(piece);
    return;
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  errorEnd_.bytes.append(piece);
  if (errorEnd_.bytes.size() > 2 * kErrorKeptBytes) {
    errorEnd_.bytes.erase(0, errorEnd_.bytes.size() - kErrorKeptBytes);
    errorEnd_.whole = false;
  }
}

void OutputReader::CloseAll() {
  for (Pipe& pipe : pipes_) {
    CloseHandleOf(pipe.handle);
    CloseHandleOf(pipe.overlapped.hEvent);
  }
  CloseHandleOf(wake_);
}

}  // namespace vok
