#include "util/file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace corvala {
namespace {

std::string Reason(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
}

std::string TooLarge(std::uintmax_t maxBytes) {
  return maxBytes == kMaxReadBytes ? std::string("it is larger than 1 GB")
                                   : "it is larger than " + std::to_string(maxBytes) + " bytes";
}

}  // namespace

Result WriteFileAtomically(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temp = target;
  temp += ".tmp-" + std::to_string(::getpid());
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be written: " + reason + ".");
  };
  {
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return failed(Reason(errno));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      const int error = errno;
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      return failed(Reason(error));
    }
  }
  std::error_code error;
  fs::rename(temp, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return failed(error.message());
  }
  return Result::Success();
}

Result CheckReadableFile(const std::string& path, std::uintmax_t maxBytes) {
  namespace fs = std::filesystem;
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be read: " + reason + ".");
  };
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) return failed(error.message());
  if (fs::is_directory(status)) return failed("it is a folder");
  if (!fs::is_regular_file(status)) return failed("it is not a regular file");
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) return failed(error.message());
  if (size > maxBytes) return failed(TooLarge(maxBytes));
  return Result::Success();
}

Expected<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
  if (Result readable = CheckReadableFile(path, maxBytes); !readable) return readable;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return Result::Failure("The file " + path + " could not be read: " + Reason(errno) + ".");
  // At most one byte past the limit is read, so a file that grew meanwhile is
  // still refused without being read whole.
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
    if (bytes.size() > maxBytes)
      return Result::Failure("The file " + path + " could not be read: " + TooLarge(maxBytes) +
                             ".");
  }
  if (in.bad())
    return Result::Failure("The file " + path + " could not be read: " + Reason(errno) + ".");
  return bytes;
}

}  // namespace corvala
