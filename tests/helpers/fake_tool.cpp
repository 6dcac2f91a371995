// Stands in for the archive tool in tests. What it does is set through the environment, which
// reaches it through the script, in this order:
//   FAKE_TOOL_RECORD       file to which its arguments are appended, each ended by a NUL
//   FAKE_TOOL_PID_FILE     file it writes its process id to
//   FAKE_TOOL_IGNORE_TERM  when set, it ignores the polite request to stop (SIGTERM)
//   FAKE_TOOL_LISTING      file whose content it writes to standard output
//   FAKE_TOOL_LINES        how many lines it writes to standard output, one per file as it packs
//   FAKE_TOOL_LINE_BYTES   the size of each such file (0 unless set)
//   FAKE_TOOL_FLOOD        how many bytes it writes to its error output with no line break
//   FAKE_TOOL_STDERR       text it writes to its error output
//   FAKE_TOOL_SLEEP_MS     how long it runs before it ends
//   FAKE_TOOL_EXIT         its exit status
//   FAKE_TOOL_ONLY         when set, only a run whose first argument it is does more than record
//                          its arguments and write FAKE_TOOL_LISTING (so that the listing before
//                          an extraction is quick and plain)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <process.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

// Its arguments in UTF-8; on Windows from the wide command line, as the archive tool reads it.
std::vector<std::string> Arguments(int argc, char* argv[]) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string argument(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), length, nullptr, nullptr);
    argument.pop_back();  // its NUL
    arguments.push_back(argument);
  }
  LocalFree(wide);
  return arguments;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments = Arguments(argc, argv);
  if (const char* record = Env("FAKE_TOOL_RECORD")) {
    std::ofstream out(record, std::ios::binary | std::ios::app);
    for (const std::string& argument : arguments) out << argument << '\0';
  }
  if (const char* only = Env("FAKE_TOOL_ONLY");
      only && (arguments.empty() || arguments[0] != only)) {
    if (const char* listing = Env("FAKE_TOOL_LISTING")) {
      std::cout << std::ifstream(listing, std::ios::binary).rdbuf() << std::flush;
    }
    return 0;
  }
  if (const char* pidFile = Env("FAKE_TOOL_PID_FILE")) {
    std::ofstream(pidFile) << getpid() << '\n';
  }
  if (Env("FAKE_TOOL_IGNORE_TERM")) std::signal(SIGTERM, SIG_IGN);
  if (const char* listing = Env("FAKE_TOOL_LISTING")) {
    std::ifstream in(listing, std::ios::binary);
    std::cout << in.rdbuf();
    std::cout.flush();
  }
  if (const char* lines = Env("FAKE_TOOL_LINES")) {
    const long count = std::atol(lines);
    const char* size = Env("FAKE_TOOL_LINE_BYTES");
    for (long i = 0; i < count; ++i)
      std::printf("Adding \\d%ld\\f%ld.txt (%s bytes)\n", i / 1000, i, size ? size : "0");
    std::fflush(stdout);
  }
  if (const char* flood = Env("FAKE_TOOL_FLOOD")) {
    const std::string piece(65536, 'x');
    for (long long left = std::atoll(flood); left > 0;
         left -= static_cast<long long>(piece.size())) {
      std::fwrite(piece.data(), 1,
                  static_cast<std::size_t>(std::min<long long>(left, piece.size())), stderr);
    }
    std::fflush(stderr);
  }
  if (const char* text = Env("FAKE_TOOL_STDERR")) std::cerr << text << std::flush;
  if (const char* sleep = Env("FAKE_TOOL_SLEEP_MS")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(sleep)));
  }
  const char* status = Env("FAKE_TOOL_EXIT");
  return status != nullptr ? std::atoi(status) : 0;
}
