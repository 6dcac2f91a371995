#include "tests/vokmaker2/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "tools/vokmaker2/crc32.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace vokmaker::testing {

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
  std::replace_if(
      name.begin(), name.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
  std::random_device random;
  name += "-" + std::to_string(random());
  path_ = fs::path(VOKMAKER2_TEST_TMP) / name;
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::operator/(std::string_view utf8) const { return path_ / U8Path(utf8); }

fs::path U8Path(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
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

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::u8string relative = it->path().lexically_relative(root).generic_u8string();
    const std::string key(reinterpret_cast<const char*>(relative.data()), relative.size());
    if (it->is_symlink()) {
      tree[key] = "<link>";
    } else if (it->is_directory()) {
      tree[key] = "<folder>";
    } else {
      tree[key] = ReadFile(it->path());
    }
  }
  return tree;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(reinterpret_cast<const char*>(name.data()), name.size());
  }
  std::sort(names.begin(), names.end());
  return names;
}

ArchiveBytes::ArchiveBytes(Format format) : ArchiveBytes(format, true) {}

ArchiveBytes::ArchiveBytes(Format format, bool withMark) : format_(format) {
  if (withMark)
    Raw(format == Format::kVok ? std::string_view("VOKARC\0\1", 8)
                               : std::string_view("TEMOAR\0\1", 8));
}

ArchiveBytes ArchiveBytes::Empty(Format format) { return ArchiveBytes(format, false); }

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

ArchiveBytes& ArchiveBytes::Data(std::string_view content) {
  if (format_ == Format::kVok) return Raw(content);
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  for (std::size_t at = 0; at < content.size(); at += kBlock) {
    const std::string_view block = content.substr(at, kBlock);
    Le(0, 1).Le(block.size(), 4).Le(block.size(), 4).Raw(block);
  }
  return Le(Crc32(content), 4);
}

ArchiveBytes& ArchiveBytes::File(std::string_view name, std::string_view content) {
  return Record(1, name, content.size()).Data(content);
}

ArchiveBytes& ArchiveBytes::Folder(std::string_view name) { return Record(2, name, 0); }

ArchiveBytes& ArchiveBytes::End(std::optional<std::uint64_t> count) {
  return Record(0, "", count.value_or(records_));
}

void RecordingReporter::Progress(const Entry& file) {
  progress.push_back(file.name);
  if (onProgress) onProgress(file);
}

namespace {

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
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
  ToolRun run;
#ifdef _WIN32
  run.status = raw;
#else
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

std::string Suffix(Format format) { return format == Format::kVok ? ".vok" : ".temo"; }

}  // namespace vokmaker::testing
