#pragma once
// One station per data folder. The station holds an advisory lock on the file
// "Corvala3.lock" in its data folder for its whole life; the file names the
// process and the computer that hold it, so that a second station started on
// the same folder can say who holds it and leave every file there alone. The
// lock goes with the process, also when it is killed; the file stays. (On
// Windows, whose locks bar others from reading what they cover, the lock is
// on one byte far past the text.)

#include <string>

#include "util/result.h"

namespace corvala {

inline constexpr const char* kFolderLockName = "Corvala3.lock";

class FolderLock {
 public:
  enum class Outcome {
    kHeld,         // this station holds the folder
    kTaken,        // another station holds it: message() says which
    kUnavailable,  // no lock could be made (message() says why); the folder is used unlocked
  };

  // Tries to take the lock of folder.
  static FolderLock Acquire(const std::string& folder);

  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  Outcome outcome() const { return outcome_; }
  // Empty when held; else a text for the user.
  const std::string& message() const { return message_; }

 private:
  FolderLock(Outcome outcome, std::string message, int fd = -1)
      : outcome_(outcome), message_(std::move(message)), fd_(fd) {}

  Outcome outcome_;
  std::string message_;
  int fd_ = -1;
};

// "process 123 on computer lab-pc" from the lock file's text, or a plain
// "another station" when the text names neither.
std::string LockHolderText(const std::string& lockFileText);

}  // namespace corvala
