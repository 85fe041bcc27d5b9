#include "util/file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvala {
namespace {

std::string Reason(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
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

Expected<std::string> ReadWholeFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    return Result::Failure("The file " + path + " could not be read: it is a folder.");
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return Result::Failure("The file " + path + " could not be read: " + Reason(errno) + ".");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace corvala
