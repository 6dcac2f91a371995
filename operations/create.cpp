#include <atomic>
#include <thread>

#include "app/form1.h"
#include "app/form_layout.h"
#include "common/files.h"
#include "runner/tool_commands.h"

namespace vok {

namespace {

namespace fs = std::filesystem;

// Counts the files of a folder and their bytes on a thread of its own, while the tool packs it:
// the window does not wait for the count, and the job does not take longer for it.
class FolderCount {
 public:
  explicit FolderCount(const fs::path& folder)
      : thread_([this, folder](const std::stop_token& stop) { Count(folder, stop); }) {}

  [[nodiscard]] JobTotals Totals() const {
    if (!done_) return JobTotals{std::nullopt, std::nullopt, true};
    if (failed_) return JobTotals{};  // no total: a busy bar
    return JobTotals{files_.load(), bytes_.load()};
  }

 private:
  void Count(const fs::path& folder, const std::stop_token& stop) {
    std::error_code error;
    for (std::vector<fs::path> folders{folder}; !folders.empty() && !error;) {
      const fs::path at = std::move(folders.back());
      folders.pop_back();
      for (const files::FolderEntry& entry : files::List(at, error, files::Sizes::kRead)) {
        if (stop.stop_requested()) return;
        if (entry.kind == files::FileKind::kFolder) folders.push_back(at / entry.name);
        if (entry.kind != files::FileKind::kFile) continue;
        ++files_;
        bytes_ += entry.size;
      }
    }
    failed_ = static_cast<bool>(error);  // a folder that cannot be read to its end has no total
    done_ = true;
  }

  std::atomic<std::uint64_t> files_{0};
  std::atomic<std::uint64_t> bytes_{0};
  std::atomic<bool> failed_{false};
  std::atomic<bool> done_{false};
  std::jthread thread_;  // last, so it is stopped and joined before the counts go
};

}  // namespace

void Form1::cmdCDir_Click() {
  strSelectedFolder = mod_SelectFolder::SelectFolder(platform_.folders, kSelectFolderTitle);
  if (!strSelectedFolder.empty()) view_.SetText(Control::txtCrSource, strSelectedFolder);
}

void Form1::cmdCrDest_Click() {
  if (!dlgOpen.ShowOpen()) return;
  view_.SetText(Control::txtCrDest, dlgOpen.FileName());
  strArchive = strCreateArchive = dlgOpen.FileName();
}

void Form1::cmdCreate_Click() {
  RunOperation([this] {
    const std::string source = view_.Text(Control::txtCrSource);
    if (source.empty()) {
      throw OperationError(
          "Choose the folder to pack first, with the \"...\" button beside the "
          "source.");
    }
    if (strCreateArchive.empty()) {
      throw OperationError(
          "Choose the archive to create first, with the \"...\" button beside "
          "the destination.");
    }
    const fs::path archive = PathFromUtf8(strCreateArchive);
    if (files::KindAt(archive) != files::FileKind::kNothing &&
        !platform_.messages.AskYesNo(strCreateArchive + " already exists. Replace it?")) {
      return;
    }
    strCommand = CreateCommand(workspace_, source, strCreateArchive);
    const FolderCount count(PathFromUtf8(source));
    // The script stays: it holds the last create command until the next Create replaces it.
    const JobRun done =
        RunJob(kCreateScript, AfterRun::KeepScript, "Creating " + Utf8(archive.filename()),
               [&count] { return count.Totals(); });
    CheckToolRun(done.run, workspace_,
                 "create the archive " + strCreateArchive + " from " + source);
    if (done.summary) {
      TellDone(DescribeSummary("Packed", *done.summary, strCreateArchive),
               Utf8(archive.parent_path()));
    }
  });
}

void Form1::cmdCClear_Click() {
  view_.SetText(Control::txtCrSource, "");
  view_.SetText(Control::txtCrDest, "");
  strCreateArchive.clear();
}

}  // namespace vok
