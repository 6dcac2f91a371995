// VOKMaker2: packs a folder into a VOK or TEMO archive, lists an archive, extracts one.
#include <filesystem>
#include <iostream>
#include <vector>

#include "tools/vokmaker2/cli.h"
#include "tools/vokmaker2/file_system.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// The wide entry point hands over the command line as the user typed it, whatever the
// system's code page.
int wmain(int argc, wchar_t** argv) {
  // The tool writes its own CR LF line ends; text mode would double the CR.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  std::ios::sync_with_stdio(false);
  vokmaker::RemovePendingFileOnStop();
  const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  return vokmaker::Run(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  vokmaker::RemovePendingFileOnStop();
  const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  return vokmaker::Run(args, std::cout, std::cerr);
}
#endif
