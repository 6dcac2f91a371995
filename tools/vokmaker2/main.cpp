// VOKMaker2: packs a folder into a VOK or TEMO archive, lists an archive, extracts one.
#include <filesystem>
#include <vector>

#include "tools/vokmaker2/cli.h"
#include "tools/vokmaker2/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

// For an exception that nothing caught, the tool's own last words: the standard handler names
// the exception's type through the demangler, which alone is 45 KB of the tool.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::string line = "VOKMaker2: internal error";
  if (const std::exception_ptr exception = std::current_exception()) {
    try {
      std::rethrow_exception(exception);
    } catch (const std::exception& error) {
      line += ": ";
      line += error.what();
    } catch (...) {
    }
  }
  line += "\r\n";
  vokmaker::StandardStream(vokmaker::StandardStream::Which::kError).Write(line);
  std::abort();
}
}  // namespace __gnu_cxx

// The wide entry point hands over the command line as the user typed it, whatever the
// system's code page.
int wmain(int argc, wchar_t** argv) {
  // The tool writes UTF-8, with its own CR LF line ends.
  SetConsoleOutputCP(CP_UTF8);
  vokmaker::RemovePendingFileOnStop();
  const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  vokmaker::StandardStream out(vokmaker::StandardStream::Which::kOutput);
  vokmaker::StandardStream err(vokmaker::StandardStream::Which::kError);
  return vokmaker::Run(args, out, err);
}
#else
int main(int argc, char** argv) {
  vokmaker::RemovePendingFileOnStop();
  const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  vokmaker::StandardStream out(vokmaker::StandardStream::Which::kOutput);
  vokmaker::StandardStream err(vokmaker::StandardStream::Which::kError);
  return vokmaker::Run(args, out, err);
}
#endif
