#include "run/run_journal.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "run/record_text.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {
namespace {

bool ValidChamber(int chamber) {
  return chamber >= 0 && chamber <= 2;
}

Result Failed(int chamber, const std::string& path, const std::string& reason) {
  return Result::Failure(Format("The journal %s of chamber %d could not be written: %s. ",
                                path.c_str(), chamber + 1, reason.c_str()) +
                         "The run is not protected against a crash until it is saved.");
}

}  // namespace

std::string JournalFileName(int chamber) {
  return Format("Kammer%d.journal", chamber + 1);
}

std::string FormatJournalHeader(const ChamberRecord& record) {
  return std::string(kJournalFirstLine) + "\r\n" + FormatRecordHeader(record) +
         FormatSamplesMarker();
}

std::string FormatJournalRow(const Sample& s) {
  // Nine significant digits give every float back exactly.
  return Format("%d %d %d %d %.9g %.9g %d\r\n", s.hour, s.minute, s.second, s.elapsed,
                static_cast<double>(s.pressure), static_cast<double>(s.temperature),
                s.light == 1 ? 1 : 0);
}

std::string FormatJournal(const ChamberRecord& record) {
  std::string out = FormatJournalHeader(record);
  const int32_t count = record.Samples();
  out.reserve(out.size() + 40 * static_cast<size_t>(count));
  for (int32_t j = 0; j < count; ++j) out += FormatJournalRow(record.series.At(j));
  return out;
}

RunJournal::~RunJournal() {
  if (syncer_.joinable()) {
    syncStop_.Request();
    syncer_.join();
  }
  SyncAll();
  for (Chamber& c : chambers_) {
    std::lock_guard lock(c.mutex);
    CloseLocked(c);
  }
}

void RunJournal::SetFolder(const std::string& folder) {
  {
    std::lock_guard lock(folderMutex_);
    folder_ = folder;
  }
  if (!folder.empty() && !syncer_.joinable()) syncer_ = std::jthread([this] { SyncLoop(); });
}

void RunJournal::SyncLoop() {
  // The wait returns early when the journal ends.
  while (!syncStop_.WaitFor(kSyncCheck)) SyncIfDue(std::chrono::steady_clock::now());
}

std::string RunJournal::PathOf(int chamber) const {
  return ValidChamber(chamber) ? FolderPath(chamber) : std::string();
}

std::string RunJournal::FolderPath(int chamber) const {
  std::lock_guard lock(folderMutex_);
  if (folder_.empty()) return {};
  return JoinPath(folder_, JournalFileName(chamber));
}

void RunJournal::CloseLocked(Chamber& c) {
  if (c.fd >= 0) CloseFile(c.fd);
  c.fd = -1;
}

Result RunJournal::Begin(int chamber) {
  if (!ValidChamber(chamber)) return Result::Success();
  const std::string path = FolderPath(chamber);
  if (path.empty()) return Result::Success();
  Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  CloseLocked(c);
  c.missed = false;
  c.lastRewriteTry.reset();
  c.unsyncedSince.reset();
  // A new file of its own: a link or a file planted under the name is never written through.
  Expected<int> created = CreateFreshFile(path);
  if (!created) {
    c.missed = true;
    return Failed(chamber, path, created.Message());
  }
  c.fd = *created;
  c.folderUnsynced = true;
  c.failureReported = false;
  return Result::Success();
}

Result RunJournal::Append(int chamber, const Sample& sample, const ChamberRecord* first,
                          TimePoint now) {
  if (!ValidChamber(chamber)) return Result::Success();
  const std::string path = FolderPath(chamber);
  if (path.empty()) return Result::Success();
  Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  // Removed meanwhile (saved, or a new run asked for): nothing to keep.
  if (c.fd < 0 && !c.missed) return Result::Success();
  if (c.missed) return Failed(chamber, path, "an earlier sample is missing");
  if (!OpenFileIsNamed(c.fd, path)) {
    // Removed, renamed or its folder gone: rows written now would be lost with
    // the file. The run is written anew under its name once that can be done.
    CloseLocked(c);
    c.missed = true;
    c.lastRewriteTry.reset();
    return Failed(chamber, path, "the file or its folder was removed");
  }
  const std::string row = FormatJournalRow(sample);
  const int error = WriteAllBytes(c.fd, first != nullptr ? FormatJournalHeader(*first) + row : row);
  if (error != 0) {
    // The next sample tries to write the whole run anew at once.
    c.missed = true;
    c.lastRewriteTry.reset();
    return Failed(chamber, path, ErrorText(error));
  }
  if (!c.unsyncedSince) c.unsyncedSince = now;
  c.failureReported = false;
  return Result::Success();
}

bool RunJournal::RewriteDue(int chamber, TimePoint now) const {
  if (!ValidChamber(chamber)) return false;
  const Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  return c.missed && (!c.lastRewriteTry || now - *c.lastRewriteTry >= kRewritePeriod);
}

Result RunJournal::Rewrite(int chamber, const ChamberRecord& record, bool keepOpen, TimePoint now) {
  if (!ValidChamber(chamber)) return Result::Success();
  const std::string path = FolderPath(chamber);
  if (path.empty()) return Result::Success();
  Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  CloseLocked(c);
  c.lastRewriteTry = now;
  // The file written stays open for the further samples, so nothing that
  // comes to stand under its name later is written through.
  const Expected<int> written = WriteFileAtomicallyAndKeepOpen(path, FormatJournal(record));
  if (!written) {
    c.missed = keepOpen;
    return Failed(chamber, path, written.Message());
  }
  c.fd = *written;
  if (!keepOpen) CloseLocked(c);
  c.missed = false;
  c.failureReported = false;
  c.unsyncedSince.reset();
  return Result::Success();
}

bool RunJournal::Missed(int chamber) const {
  if (!ValidChamber(chamber)) return false;
  const Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  return c.missed;
}

bool RunJournal::FirstReportOfFailure(int chamber) {
  if (!ValidChamber(chamber)) return false;
  Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  const bool first = !c.failureReported;
  c.failureReported = true;
  return first;
}

Result RunJournal::Remove(int chamber) {
  if (!ValidChamber(chamber)) return Result::Success();
  const std::string path = FolderPath(chamber);
  Chamber& c = chambers_[static_cast<size_t>(chamber)];
  std::lock_guard lock(c.mutex);
  CloseLocked(c);
  c.missed = false;
  c.failureReported = false;
  c.lastRewriteTry.reset();
  c.unsyncedSince.reset();
  if (path.empty()) return Result::Success();
  const int error = RemoveFile(path);
  if (error == 0 || error == ENOENT) return Result::Success();
  return Result::Failure(
      Format("The journal %s could not be removed: %s.", path.c_str(), ErrorText(error).c_str()));
}

void RunJournal::Sync(Chamber& c, const TimePoint* now) {
  int fd = -1;
  bool folder = false;
  {
    std::lock_guard lock(c.mutex);
    if (!c.unsyncedSince && !c.folderUnsynced) return;
    if (now != nullptr && (!c.unsyncedSince || *now - *c.unsyncedSince < kSyncAge)) return;
    // A file of its own for the sync, so the sampler may write meanwhile.
    if (c.fd >= 0 && c.unsyncedSince) fd = DuplicateFile(c.fd);
    c.unsyncedSince.reset();
    folder = c.folderUnsynced;
    c.folderUnsynced = false;
  }
  if (fd >= 0) {
    (void)SyncFileData(fd);
    CloseFile(fd);
    syncs_.fetch_add(1);
  }
  if (folder) {
    std::string name;
    {
      std::lock_guard lock(folderMutex_);
      name = folder_;
    }
    if (!name.empty()) (void)SyncFolder(name);
  }
}

void RunJournal::SyncIfDue(TimePoint now) {
  for (Chamber& c : chambers_) Sync(c, &now);
}

void RunJournal::SyncAll() {
  for (Chamber& c : chambers_) Sync(c, nullptr);
}

}  // namespace corvala
