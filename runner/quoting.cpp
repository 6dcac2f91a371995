#include "runner/quoting.h"

namespace vok {

namespace {

void RefuseLineBreaks(std::string_view text) {
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
    throw UnsafeNameError("The name \"" + std::string(text) +
                          "\" contains a line break and cannot be passed to the archive tool.");
  }
}

}  // namespace

std::string QuoteArgument(std::string_view text, ScriptDialect dialect) {
  RefuseLineBreaks(text);
  std::string quoted;
  quoted.reserve(text.size() + 2);
  if (dialect == ScriptDialect::Posix) {
    // Inside single quotes sh takes every character as it is; a single quote itself ends the
    // quoted part, is written escaped, and a new quoted part begins.
    quoted += '\'';
    for (char c : text) {
      if (c == '\'') {
        quoted += "'\\''";
      } else {
        quoted += c;
      }
    }
    quoted += '\'';
    return quoted;
  }
  // cmd.exe: inside double quotes & | < > ^ are plain characters; a batch file still expands
  // %...%, so every % is doubled. A double quote cannot be part of a Windows file name.
  if (text.find('"') != std::string_view::npos) {
    throw UnsafeNameError("The name \"" + std::string(text) +
                          "\" contains a double quote and cannot be passed to the archive tool.");
  }
  quoted += '"';
  for (char c : text) {
    quoted += c;
    if (c == '%') quoted += '%';
  }
  quoted += '"';
  return quoted;
}

}  // namespace vok
