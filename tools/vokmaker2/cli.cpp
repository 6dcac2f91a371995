#include "tools/vokmaker2/cli.h"
#include "common/files.h"

#include <initializer_list>
#include <new>
#include <optional>
#include <string>

#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/extract.h"
#include "tools/vokmaker2/file_system.h"
#include "tools/vokmaker2/format.h"
#include "tools/vokmaker2/list.h"
#include "tools/vokmaker2/pack.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUsage =
    "Usage: VOKMaker2 -v ARCHIVE              list the files in ARCHIVE\r\n"
    "       VOKMaker2 -x ARCHIVE FOLDER       extract ARCHIVE into FOLDER\r\n"
    "       VOKMaker2 -a -p FOLDER ARCHIVE    pack FOLDER into ARCHIVE\r\n"
    "ARCHIVE names its format by its extension: .vok (plain) or .temo (compressed,\r\n"
    "with checksums).\r\n";

enum class Command { kList, kExtract, kPack };

struct Invocation {
  Command command = Command::kList;
  fs::path archive;
  fs::path folder;
};

std::string Text(const fs::path& arg) { return Utf8(arg); }

// The tool's name, then the parts, as one write: on a shared console a message stays whole.
void Message(ByteSink& err, std::initializer_list<std::string_view> parts) {
  std::string text(kProgramName);
  for (const std::string_view part : parts) text += part;
  err.Write(text);
}

int Usage(ByteSink& err, std::string_view problem) {
  Message(err, {": ", problem, kNewline, kUsage});
  return kExitUsage;
}

// The invocation, or the reason it is not one.
std::optional<Invocation> Parse(std::span<const fs::path> args, std::string& problem) {
  if (args.empty()) {
    problem = "no command given";
    return std::nullopt;
  }
  const std::string option = Text(args[0]);
  Invocation invocation;
  std::size_t expected = 0;
  if (option == "-v") {
    invocation.command = Command::kList;
    expected = 2;
  } else if (option == "-x") {
    invocation.command = Command::kExtract;
    expected = 3;
  } else if (option == "-a") {
    invocation.command = Command::kPack;
    expected = 4;
    if (args.size() < 2 || Text(args[1]) != "-p") {
      problem = "-a must be followed by -p";
      return std::nullopt;
    }
  } else {
    problem = "unknown option " + option;
    return std::nullopt;
  }
  if (args.size() != expected) {
    problem = option + " takes " + std::to_string(expected - 1 - (expected == 4 ? 1 : 0)) +
              " path" + (expected == 2 ? "" : "s") + ", not " +
              std::to_string(args.size() - 1 - (expected == 4 ? 1 : 0));
    return std::nullopt;
  }
  switch (invocation.command) {
    case Command::kList:
      invocation.archive = args[1];
      break;
    case Command::kExtract:
      invocation.archive = args[1];
      invocation.folder = args[2];
      break;
    case Command::kPack:
      invocation.folder = args[2];
      invocation.archive = args[3];
      break;
  }
  return invocation;
}

// The archive, once it is known to be a regular file.
void OpenArchive(const fs::path& archive, InputFile& in) {
  const vok::files::FileKind kind = vok::files::KindAt(archive, vok::files::Links::kFollow);
  if (kind == vok::files::FileKind::kNothing) throw ToolError("no such archive");
  if (kind == vok::files::FileKind::kFolder) throw ToolError("it is a folder, not an archive");
  // Opening a pipe or a device could wait for ever.
  if (kind != vok::files::FileKind::kFile) {
    throw ToolError("it is not a regular file (a pipe or a device?), not an archive");
  }
  if (!in.Open(archive)) throw ToolError("cannot open the archive for reading");
}

int Execute(const Invocation& invocation, Format format, ByteSink& out, ByteSink& err) {
  ConsoleOutput console(out);
  switch (invocation.command) {
    case Command::kList: {
      ConsoleReporter reporter(console, err, "");
      InputFile in;
      OpenArchive(invocation.archive, in);
      const ListSummary summary = List(in, format, Utf8(invocation.archive), console, reporter);
      return summary.refused == 0 ? kExitSuccess : kExitFailure;
    }
    case Command::kExtract: {
      ConsoleReporter reporter(console, err, "Extracting");
      InputFile in;
      OpenArchive(invocation.archive, in);
      const ExtractSummary summary = Extract(in, format, invocation.folder, reporter);
      return summary.refused == 0 ? kExitSuccess : kExitFailure;
    }
    case Command::kPack: {
      ConsoleReporter reporter(console, err, "Adding");
      Pack(invocation.folder, invocation.archive, format, reporter);
      return kExitSuccess;
    }
  }
  return kExitFailure;
}

}  // namespace

int Run(std::span<const fs::path> args, ByteSink& out, ByteSink& err) {
  if (args.size() == 1) {
    const std::string option = Text(args[0]);
    if (option == "-h" || option == "--help" || option == "/?") {
      out.Write(kUsage);
      return kExitSuccess;
    }
  }
  std::string problem;
  const std::optional<Invocation> invocation = Parse(args, problem);
  if (!invocation) return Usage(err, problem);
  const std::optional<Format> format = FormatFromExtension(invocation->archive);
  if (!format) {
    return Usage(err, "unknown archive type \"" + Utf8(invocation->archive) +
                          "\": the name must end in .vok or .temo");
  }

  std::string failure;
  try {
    return Execute(*invocation, *format, out, err);
  } catch (const DamagedArchive& error) {
    failure = std::string("damaged archive: ") + error.what();
  } catch (const ToolError& error) {
    failure = error.what();
  } catch (const fs::filesystem_error& error) {
    failure = error.what();
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  }
  Message(err, {": ", Utf8(invocation->archive), ": ", failure, kNewline});
  return kExitFailure;
}

}  // namespace vokmaker
