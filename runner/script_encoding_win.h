#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

// How a script's command line reaches cmd.exe with every name exact. cmd.exe reads a script in
// the console's code page, the OEM one unless the console is switched.
enum class ScriptEncoding {
  Ascii,        // nothing to convert
  OemCodePage,  // written in the console's code page, which holds every character of it
  ShortNames,   // names outside that code page replaced by their short (8.3) forms
  Utf8Console,  // written in UTF-8, the console switched to UTF-8 before cmd.exe reads it
};

// A name that does not exist before the run and that the code page cannot carry: the run
// writes `temporary`, which is moved to `chosen` when the run succeeds, and removed otherwise.
struct RenameAfterRun {
  std::wstring temporary;
  std::wstring chosen;
};

struct EncodedScript {
  ScriptEncoding encoding = ScriptEncoding::Ascii;
  std::string bytes;  // the script as cmd.exe reads it
  std::vector<RenameAfterRun> renames;
};

// What the choice asks of the system; the defaults ask Windows.
struct ScriptSystem {
  UINT codePage = GetOEMCP();
  // The short form of an existing path; nothing where the path does not exist.
  std::function<std::optional<std::wstring>(const std::wstring&)> shortName;
  std::function<bool()> carriesUtf8;  // whether cmd.exe reads a UTF-8 script after chcp 65001
  std::wstring temporaryStem;         // for names that do not exist yet, unique to the run
};

// The bytes of `text` in `codePage`, or nothing when a character of it has no exact form there.
std::optional<std::string> InCodePage(std::wstring_view text, UINT codePage);

// The first way that carries `utf8Script` (one line, names quoted, % doubled) exactly.
// Throws ProcessStartError naming the part that no way can carry.
EncodedScript EncodeScript(std::string_view utf8Script, const ScriptSystem& system);

// GetShortPathNameW: nothing for a path that does not exist.
std::optional<std::wstring> ShortPathOf(const std::wstring& path);

}  // namespace vok
