#pragma once
// File names are UTF-8 throughout the program. On Windows every file call
// takes the wide name made from them (a narrow name there means the ANSI code
// page, which loses umlauts); elsewhere the bytes are the name as they are.
// The helpers here are the only way the program turns a name into a
// std::filesystem::path and back.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace corvala {

// The path a UTF-8 name stands for.
std::filesystem::path PathFromUtf8(std::string_view name);
// A path's name in UTF-8.
std::string Utf8FromPath(const std::filesystem::path& path);

// "FOLDER/NAME" (the system's separator) and the parts of a name, in UTF-8.
std::string JoinPath(const std::string& folder, const std::string& name);
std::string ParentOf(const std::string& path);
std::string FileNameOf(const std::string& path);
std::string StemOf(const std::string& path);
std::string ExtensionOf(const std::string& path);

// Whether anything stands under the name (links followed); false on an error.
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// Removes a file or an empty folder; false when nothing stood there or it
// failed (error says which).
bool RemovePath(const std::string& path, std::error_code& error);
// Moves from over to, replacing a file standing there; on Windows the move is
// on the disk when it returns.
void RenamePath(const std::string& from, const std::string& to, std::error_code& error);

#ifdef _WIN32
// UTF-8 to UTF-16 and back. A text that is no valid UTF-8 gives an empty wide
// name, which no file has, so a call with it fails rather than open another file.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// The errno value closest to a Windows error code (EIO when none fits).
int ErrnoFromWindowsError(unsigned long error);
// A C library descriptor over a file handle (a HANDLE), in binary mode; the
// handle is closed when that fails, and errno is set.
int DescriptorOfHandle(void* handle, int flags);
#endif

}  // namespace corvala
