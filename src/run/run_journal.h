#pragma once
// The journal of a running measurement: from the first sample of a run on,
// every sample of the chamber is also appended to a file of its own in the data
// folder ("Kammer<N>.journal"), written at once, and synced to disk by a
// thread of the journal's own within 10 s, so that the sampler never waits for
// the disk. A killed program loses at most the sample being taken, a power cut
// at most the last 10 s. The journal goes when its record is
// saved, when a new run of the chamber takes its first sample or when the user
// declines to restore it; a normal end of the program keeps it, so the next start offers it.
//
// Layout: the first line kJournalFirstLine, the measurement file's header lines
// (start of the run, interval, set point, unit, program copy), the marker line
// "Messwerte:", then one line per sample with the seven fields of a sample row,
// separated by single spaces, pressure and temperature written exactly.
//
// The sampling thread writes; the window thread removes and rewrites; the
// journal's thread syncs. Each chamber's journal has its own lock, never held
// while a record is locked nor while the disk syncs.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "run/chamber_record.h"
#include "util/result.h"
#include "util/stop_signal.h"

namespace corvala {

inline constexpr const char* kJournalFirstLine = "Corvala3-Journal=1";

// "Kammer1.journal" for chamber 0.
std::string JournalFileName(int chamber);
// The first line, the record's header and the marker line.
std::string FormatJournalHeader(const ChamberRecord& record);
// One sample: "hour minute second elapsed pressure temperature light" with CR LF.
std::string FormatJournalRow(const Sample& sample);
// A whole journal of a record's complete samples.
std::string FormatJournal(const ChamberRecord& record);

class RunJournal {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  // A sample is synced once it is kSyncAge old; the thread looks every
  // kSyncCheck, so every sample is on the disk within 10 s and the syncs come
  // no more often than every kSyncAge while samples keep coming.
  static constexpr std::chrono::milliseconds kSyncAge{9750};
  static constexpr std::chrono::milliseconds kSyncCheck{250};
  // A journal that missed a sample is rewritten at most this often while that fails.
  static constexpr std::chrono::seconds kRewritePeriod{10};

  RunJournal() = default;
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Journals are kept in folder from now on, synced by the journal's thread
  // (started here); an empty folder keeps none.
  void SetFolder(const std::string& folder);
  // The journal file of chamber 0..2, empty when no journals are kept.
  std::string PathOf(int chamber) const;

  // A new run of the chamber takes its first sample: its journal starts empty.
  Result Begin(int chamber);
  // Appends one sample. The first sample of a run also writes the header, taken
  // from `first`, the record as that sample left it. After a failure the journal
  // no longer holds the whole run until Rewrite succeeds (see RewriteDue).
  Result Append(int chamber, const Sample& sample, const ChamberRecord* first, TimePoint now);
  // Replaces the journal whole with the record's samples (a restored run, or a
  // running one whose journal missed a sample); keepOpen for further samples.
  Result Rewrite(int chamber, const ChamberRecord& record, bool keepOpen, TimePoint now);
  // True when the chamber's journal missed a sample and a Rewrite is due: at
  // once after a failed write, then at most once per kRewritePeriod while
  // rewriting keeps failing.
  bool RewriteDue(int chamber, TimePoint now) const;
  // True while the chamber's journal does not hold every sample of its run.
  bool Missed(int chamber) const;
  // True for the first call after the chamber's journal began to fail, so that
  // a failure is reported once and again only after the journal recovered.
  bool FirstReportOfFailure(int chamber);
  // Closes the chamber's journal and deletes its file.
  Result Remove(int chamber);

  // Syncs to disk every journal whose oldest unsynced sample is kSyncAge old.
  void SyncIfDue(TimePoint now);
  // Syncs every journal written since its last sync.
  void SyncAll();
  // How many times a journal was synced to disk.
  uint64_t Syncs() const { return syncs_.load(); }

 private:
  struct Chamber {
    mutable std::mutex mutex;
    int fd = -1;
    bool missed = false;                      // a sample is not in the file
    std::optional<TimePoint> lastRewriteTry;  // while missed
    std::optional<TimePoint> unsyncedSince;
    bool folderUnsynced = false;  // the file was created since the last sync
    bool failureReported = false;
  };
  std::string FolderPath(int chamber) const;
  // Syncs chamber c when due (or always); the disk is waited for unlocked.
  void Sync(Chamber& c, const TimePoint* now);
  void SyncLoop();
  static void CloseLocked(Chamber& c);

  mutable std::mutex folderMutex_;
  std::string folder_;
  std::array<Chamber, 3> chambers_;
  std::atomic<uint64_t> syncs_{0};
  StopSignal syncStop_;
  std::jthread syncer_;  // last: ends before the members it uses
};

}  // namespace corvala
