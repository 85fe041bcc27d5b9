#pragma once
// The fixture files of tests/data, and whole files as bytes.

#include <gtest/gtest.h>

#include <string>

#include "util/file_io.h"

namespace corvala::testing {

// The path of fixture `name` in tests/data.
inline std::string DataPath(const std::string& name) {
  return std::string(CORVALA_TEST_DATA) + "/" + name;
}

// The bytes of a file; a file that cannot be read fails the test and gives "".
inline std::string FileBytes(const std::string& path) {
  const Expected<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    ADD_FAILURE() << bytes.Message();
    return {};
  }
  return *bytes;
}

inline std::string DataBytes(const std::string& name) {
  return FileBytes(DataPath(name));
}

}  // namespace corvala::testing
