#pragma once
// Whole files in and out. A file is written whole: a temporary file beside the
// target ("NAME.tmp-HOST-PID"), synced to disk, then renamed over the target and
// the folder synced, so neither a crash nor a power cut leaves half a file. The
// temporary file is always a new file of this process: a link or any file
// standing under its name is never written through. On Windows the file is
// flushed (FlushFileBuffers) and moved over the target with a move that is
// written through (MoveFileExW); Windows syncs no folder. Names are UTF-8
// (see util/file_names.h).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/result.h"

namespace corvala {

// The system's words for errno value error ("unknown error" for 0).
std::string ErrorText(int error);

// Writes all bytes to the open descriptor fd, however many calls that takes;
// 0 or the errno of the failure.
int WriteAllBytes(int fd, std::string_view bytes);

// The descriptors handed out here are the C library's (on Windows its
// descriptors over the file handles, always in binary mode); these close,
// duplicate and sync them. Each returns 0 or the errno of the failure, except
// DuplicateFile, which returns the new descriptor or -1.
int CloseFile(int fd);
int DuplicateFile(int fd);
// The file's bytes (and what is needed to read them back) reach the disk.
int SyncFileData(int fd);

// True while path still names the open file fd (not removed, renamed or
// replaced meanwhile).
bool OpenFileIsNamed(int fd, const std::string& path);

// Removes the file (or link) path: 0, or the errno of the failure (ENOENT
// when nothing stood there).
int RemoveFile(const std::string& path);

// This process's id, and whether the process with id pid is alive (also when
// it belongs to another user).
long CurrentProcessId();
bool ProcessIsAlive(long pid);

// The system's name of this computer ("" when it names none).
std::string ComputerName();

// Writes bytes to path whole. The failure names the file and the reason.
Result WriteFileAtomically(const std::string& path, std::string_view bytes);

// Fills chunk (handed over empty) with the next bytes of a file; an empty chunk
// ends the file. A failure (the reason) abandons the file.
using ChunkSource = std::function<Result(std::string& chunk)>;

// As WriteFileAtomically, with the bytes made chunk by chunk as they are
// written, so a big file is never held whole in memory.
Result WriteFileAtomicallyInChunks(const std::string& path, const ChunkSource& next);

// As WriteFileAtomically, and the new file stays open for appending: the
// descriptor returned is the file now under path, whatever stands there later.
Expected<int> WriteFileAtomicallyAndKeepOpen(const std::string& path, std::string_view bytes);

// Opens path for writing as a new, empty file of its own: whatever stood under
// the name (a file, a link, a pipe) is removed first, never written through.
// The failure is the errno.
Expected<int> CreateFreshFile(const std::string& path);

// "NAME.tmp-HOST-PID": the temporary name this process writes target through.
std::string TemporaryNameFor(const std::string& target);

// This computer's name as temporary names carry it: the host name up to its
// first point, at most 32 characters, each one other than a letter, a digit,
// "-" or "_" made "_" ("host" when the system names none).
std::string HostTag();

// No file the station reads comes near this size; a day-long run is a few MB.
inline constexpr std::uintmax_t kMaxReadBytes = std::uintmax_t{1} << 30;

// Checks that path is a regular file (after links) of at most maxBytes, without
// opening it: a pipe or a device would block or never end. The failure names
// the file and the reason.
Result CheckReadableFile(const std::string& path, std::uintmax_t maxBytes = kMaxReadBytes);

// Reads a whole regular file of at most maxBytes. The failure names the file
// and the reason.
Expected<std::string> ReadWholeFile(const std::string& path,
                                    std::uintmax_t maxBytes = kMaxReadBytes);

// Syncs a folder's entries (a file created, renamed or removed in it) to disk.
Result SyncFolder(const std::string& folder);

// Removes the temporary files "NAME.tmp-HOST-PID" in folder that a program
// killed while writing left behind: only those whose NAME is one of ownNames
// (the files the station writes there), whose HOST is this computer and whose
// process PID no longer exists. Whatever else looks like a temporary name (a
// user's file, another computer's file being written) stays. Returns the paths
// removed. Call it before this process writes into folder: its own leftovers
// of an earlier life (same process id) go as well.
std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder,
                                                   const std::vector<std::string>& ownNames);

}  // namespace corvala
