#include "runner/script_encoding_win.h"

#include <algorithm>

#include "common/text_win.h"
#include "runner/process_services.h"

namespace vok {

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A quoted item of a script holds a % as %%.
std::wstring Unescaped(std::wstring_view quoted) {
  std::wstring text;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    text += quoted[i];
    if (quoted[i] == L'%' && i + 1 < quoted.size() && quoted[i + 1] == L'%') ++i;
  }
  return text;
}

std::wstring Escaped(std::wstring_view text) {
  std::wstring quoted;
  for (wchar_t c : text) {
    quoted += c;
    if (c == L'%') quoted += L'%';
  }
  return quoted;
}

// A form of `path` that `system`'s code page carries and that names the same file: its short
// form where it exists; for a name still to be made, its folder's short form with the name, or
// with a temporary name that is moved to the chosen one after the run.
std::optional<std::wstring> ShortForm(const std::wstring& path, const ScriptSystem& system,
                                      std::vector<RenameAfterRun>& renames) {
  const auto carried = [&](const std::wstring& text) {
    return InCodePage(text, system.codePage).has_value();
  };
  if (const auto shortPath = system.shortName(path)) {
    return carried(*shortPath) ? shortPath : std::nullopt;
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 == path.size()) return std::nullopt;
  const std::wstring folder = path.substr(0, slash);
  const std::wstring name = path.substr(slash + 1);
  const auto shortFolder = system.shortName(folder);
  if (!shortFolder || !carried(*shortFolder)) return std::nullopt;
  if (carried(name)) return *shortFolder + L'\\' + name;
  if (system.temporaryStem.empty() || !carried(system.temporaryStem)) return std::nullopt;
  // The tool tells the archive's format by its extension, which the temporary name keeps.
  const std::size_t dot = name.rfind(L'.');
  std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
  if (!carried(extension)) extension.clear();
  // Never the name of something already there, which the run's result would replace.
  std::wstring temporary;
  for (std::size_t i = renames.size();; ++i) {
    temporary = system.temporaryStem + WideNumber(i) + extension;
    if (!system.shortName(folder + L'\\' + temporary)) break;
  }
  renames.push_back({folder + L'\\' + temporary, path});
  return *shortFolder + L'\\' + temporary;
}

}  // namespace

std::optional<std::string> InCodePage(std::wstring_view text, UINT codePage) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr,
                                         0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, bytes.data(), length,
                      nullptr, &usedDefault);
  // Read back as cmd.exe will read it, it must be the same text.
  if (usedDefault || Wide(bytes, codePage) != text) return std::nullopt;
  return bytes;
}

EncodedScript EncodeScript(std::string_view utf8Script, const ScriptSystem& system) {
  if (IsAscii(utf8Script)) return {ScriptEncoding::Ascii, std::string(utf8Script), {}};
  const std::wstring script = Wide(utf8Script);
  if (auto bytes = InCodePage(script, system.codePage)) {
    return {ScriptEncoding::OemCodePage, std::move(*bytes), {}};
  }

  // Each quoted item the code page cannot carry gets a short form.
  EncodedScript shortened{ScriptEncoding::ShortNames, {}, {}};
  std::wstring line;
  std::wstring uncarried;
  for (std::size_t at = 0; at < script.size();) {
    const std::size_t open = script.find(L'"', at);
    const std::size_t close = open == std::wstring::npos ? open : script.find(L'"', open + 1);
    if (close == std::wstring::npos) {
      line += script.substr(at);
      break;
    }
    line += script.substr(at, open + 1 - at);
    const std::wstring item = script.substr(open + 1, close - open - 1);
    if (InCodePage(item, system.codePage)) {
      line += item;
    } else if (const auto form = ShortForm(Unescaped(item), system, shortened.renames)) {
      line += Escaped(*form);
    } else {
      uncarried = Unescaped(item);
      break;
    }
    line += L'"';
    at = close + 1;
  }
  if (uncarried.empty()) {
    if (auto bytes = InCodePage(line, system.codePage)) {
      shortened.bytes = std::move(*bytes);
      return shortened;
    }
  }

  if (system.carriesUtf8 && system.carriesUtf8()) {
    return {ScriptEncoding::Utf8Console, std::string(utf8Script), {}};
  }
  std::string part = uncarried.empty() ? std::string(utf8Script) : Narrow(uncarried);
  while (!part.empty() && (part.back() == '\n' || part.back() == '\r')) part.pop_back();
  throw ProcessStartError("the command interpreter of this system reads scripts in code page " +
                          std::to_string(system.codePage) +
                          ", which has no letters for a part of this command, and no short "
                          "name can stand for it here, so the archive tool would get a changed "
                          "name. Use a name this code page can hold for:\n\n" +
                          part);
}

std::optional<std::wstring> ShortPathOf(const std::wstring& path) {
  const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring shortPath(length, L'\0');
  const DWORD written = GetShortPathNameW(path.c_str(), shortPath.data(), length);
  if (written == 0 || written >= length) return std::nullopt;
  shortPath.resize(written);
  return shortPath;
}

}  // namespace vok
