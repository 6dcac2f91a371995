// A name quoted for the script's shell must reach the program as exactly one argument, equal to
// the name, and run nothing else: /bin/sh runs `printf '%s\n' <quoted>`, which writes each
// argument it gets on a line of its own, and must write the name and one line break. Names with
// NUL, CR or LF must be refused with UnsafeNameError.
// The shell gets no PATH and an empty working directory, so that a quoting fault can reach
// nothing but its builtins.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runner/quoting.h"

namespace {

// What `sh -c script` writes to its standard output; aborts unless the shell exits with 0.
std::string ShellOutput(const std::string& script) {
  static char directory[] = "/tmp/vok-quoting-fuzz-XXXXXX";
  static const bool made = [] {
    if (::mkdtemp(directory) == nullptr) return false;
    std::atexit([] { ::rmdir(directory); });  // stays if a quoting fault left a file in it
    return true;
  }();
  if (!made) std::abort();
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) std::abort();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addchdir_np(&actions, directory);
  const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
  const char* envp[] = {"PATH=/nonexistent", nullptr};
  pid_t pid = 0;
  const int error = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv),
                                const_cast<char* const*>(envp));
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (error != 0) std::abort();
  std::string output;
  char buffer[4096];
  // libFuzzer's timer signals interrupt the calls; stopping early would kill the shell.
  for (;;) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) std::abort();
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
  return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const bool unsafe = name.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos;
  std::string quoted;
  try {
    quoted = vok::QuoteArgument(name, vok::ScriptDialect::Posix);
  } catch (const vok::UnsafeNameError&) {
    if (!unsafe) std::abort();
    return 0;
  }
  if (unsafe) std::abort();
  if (ShellOutput("printf '%s\\n' " + quoted) != name + '\n') std::abort();
  return 0;
}
