#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vokmaker {

// Stored names are UTF-8 paths relative to the packed folder, folders separated by '/'.

// Why `stored` is not a name this tool packs or extracts, or nullopt when it is sound: it
// must be valid UTF-8, non-empty, relative, without empty, "." or ".." components, and free
// of control characters, backslashes and colons (which would make drive letters, alternate
// data streams, or names the listing cannot show).
std::optional<std::string> NameProblem(std::string_view stored);

// The stored name of `relative`, a path inside the packed folder. Does not check it.
std::string StoredName(const std::filesystem::path& relative);

// A stored name, or one folder or file name of it, as the system's path.
std::filesystem::path NativeName(std::string_view stored);

// The name as the listing shows it: a leading backslash and backslashes between folders.
// Bytes that are control characters are shown as '?', so a message stays one line.
std::string ListingName(std::string_view stored);
void AppendListingName(std::string& out, std::string_view stored);

// Writes the listing's form of the name at `out`, which has room for 1 + stored.size() bytes,
// and tells whether the name is plainly sound, in the same pass: printable ASCII other than
// '\\' and ':', with no component that is empty or starts with a dot. Most names are; only
// the others need NameProblem's closer look.
bool WriteListingName(char* out, std::string_view stored);

// WriteListingName's work, faster, where the bytes around the name allow it: `stored` is
// followed by at least kNamePadding bytes that may be read, and `out` has room for
// kNamePadding bytes more, which it may overwrite with anything.
inline constexpr std::size_t kNamePadding = 16;
bool WritePaddedListingName(char* out, std::string_view stored);

// A path as UTF-8 text for messages.
std::string Utf8(const std::filesystem::path& path);

}  // namespace vokmaker
