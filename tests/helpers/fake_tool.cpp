// Stands in for the archive tool in tests. What it does is set through the environment, which
// reaches it through the script:
//   FAKE_TOOL_RECORD     file to which its arguments are appended, each ended by a NUL
//   FAKE_TOOL_LISTING    file whose content it writes to standard output
//   FAKE_TOOL_STDERR     text it writes to its error output
//   FAKE_TOOL_SLEEP_MS   how long it runs before it ends
//   FAKE_TOOL_EXIT       its exit status
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const char* record = Env("FAKE_TOOL_RECORD")) {
    std::ofstream out(record, std::ios::binary | std::ios::app);
    for (int i = 1; i < argc; ++i) out << argv[i] << '\0';
  }
  if (const char* listing = Env("FAKE_TOOL_LISTING")) {
    std::ifstream in(listing, std::ios::binary);
    std::cout << in.rdbuf();
    std::cout.flush();
  }
  if (const char* text = Env("FAKE_TOOL_STDERR")) std::cerr << text << std::flush;
  if (const char* sleep = Env("FAKE_TOOL_SLEEP_MS")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(sleep)));
  }
  const char* status = Env("FAKE_TOOL_EXIT");
  return status != nullptr ? std::atoi(status) : 0;
}
