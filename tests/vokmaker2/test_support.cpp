#include "tests/vokmaker2/test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "tools/vokmaker2/crc32.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker::testing {

std::string Suffix(Format format) { return format == Format::kVok ? ".vok" : ".temo"; }

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
  std::replace(name.begin(), name.end(), '/', '_');
  name += "-" + std::to_string(std::random_device()());
  path_ = fs::path(VOKMAKER2_TEST_TMP) / name;
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::operator/(std::string_view utf8) const {
  return path_ / std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

void WriteFile(const fs::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write test file " + path.string());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string RandomBytes(std::size_t n, std::uint32_t startValue) {
  std::mt19937 engine(startValue);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(engine() & 0xFF);
  return bytes;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string text;
  for (int byte : bytes) text += static_cast<char>(byte);
  return text;
}

namespace {

std::string Utf8Text(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string& value = tree[Utf8Text(entry.path().lexically_relative(root))];
    if (entry.is_symlink()) {
      value = "<link>";
    } else if (entry.is_directory()) {
      value = "<folder>";
    } else if (!entry.is_regular_file()) {
      value = "<special>";
    } else if (std::string content = ReadFile(entry.path()); content.size() <= 64) {
      value = std::move(content);
    } else {
      value = "<" + std::to_string(content.size()) + " bytes, hash " +
              std::to_string(std::hash<std::string>()(content)) + ">";
    }
  }
  return tree;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(Utf8Text(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

ArchiveBytes::ArchiveBytes(Format format) : format_(format) {
  Raw(format == Format::kVok ? std::string_view("VOKARC\0\1", 8)
                             : std::string_view("TEMOAR\0\1", 8));
}

ArchiveBytes& ArchiveBytes::Raw(std::string_view bytes) {
  bytes_.append(bytes);
  return *this;
}

ArchiveBytes& ArchiveBytes::Le(std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
  return *this;
}

ArchiveBytes& ArchiveBytes::Record(std::uint8_t type, std::string_view name, std::uint64_t size,
                                   std::uint8_t flags) {
  const std::size_t start = bytes_.size();
  Le(type, 1).Le(flags, 1).Le(name.size(), 2).Le(size, 8).Raw(name);
  if (format_ == Format::kTemo) Le(Crc32(std::string_view(bytes_).substr(start)), 4);
  if (type != 0) ++records_;
  return *this;
}

ArchiveBytes& ArchiveBytes::File(std::string_view name, std::string_view content) {
  Record(1, name, content.size());
  if (format_ == Format::kVok) return Raw(content);
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  for (std::size_t at = 0; at < content.size(); at += kBlock) {
    const std::string_view block = content.substr(at, kBlock);
    Block(0, static_cast<std::uint32_t>(block.size()), block);
  }
  return Le(Crc32(content), 4);
}

ArchiveBytes& ArchiveBytes::Block(std::uint8_t method, std::uint32_t rawLength,
                                  std::string_view packed) {
  return Le(method, 1).Le(rawLength, 4).Le(packed.size(), 4).Raw(packed);
}

ArchiveBytes& ArchiveBytes::Folder(std::string_view name) { return Record(2, name, 0); }

ArchiveBytes& ArchiveBytes::End(std::optional<std::uint64_t> count) {
  return Record(0, "", count.value_or(records_));
}

std::size_t StringSource::Read(std::span<char> out) {
  const std::size_t n = std::min(out.size(), bytes_.size() - at_);
  bytes_.copy(out.data(), n, at_);
  at_ += n;
  return n;
}

std::optional<std::uint64_t> StringSource::Remaining() {
  if (!seekable_) return std::nullopt;
  return bytes_.size() - at_;
}

bool StringSource::Skip(std::uint64_t n) {
  if (!seekable_ || n > bytes_.size() - at_) return false;
  at_ += static_cast<std::size_t>(n);
  skipped += n;
  return true;
}

bool ReadBack::OnEntry(const Entry& entry) {
  entries.push_back(entry.type == EntryType::kFolder ? entry.name + "/" : entry.name);
  return wantData_;
}

std::set<std::string> StoredNames(const fs::path& archive, Format format) {
  InputFile in;
  if (!in.Open(archive)) throw std::runtime_error("cannot read test archive " + archive.string());
  ReadBack names(false);
  ReadArchive(in, format, names);
  return {names.entries.begin(), names.entries.end()};
}

namespace {

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const fs::path& scratch) {
  const fs::path out = scratch / "tool-stdout.txt";
  const fs::path err = scratch / "tool-stderr.txt";
  std::string command = ShellQuoted(VOKMAKER2_EXE);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
  const int raw = std::system(command.c_str());
  ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    lines.push_back(text.substr(begin, end - begin));
  }
  EXPECT_EQ(begin, text.size()) << "every line ends with CR LF";
  return lines;
}

}  // namespace vokmaker::testing
