#pragma once
// A temporary folder of a test's own: named after the test, the process and a
// counter, so parallel runs and repeated tests never share one; removed at the end.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <string>

namespace corvala::testing {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "corvala";
    if (test != nullptr) name += std::string("_") + test->test_suite_name() + "_" + test->name();
    for (char& c : name)
      if (c == '/') c = '_';
#ifdef _WIN32
    name += "_" + std::to_string(::_getpid()) + "_" + std::to_string(counter++);
#else
    name += "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
#endif
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const {
    return path_;
  }
  // The UTF-8 name of a file in the folder (name in UTF-8), as the program's
  // calls take it.
  std::string operator/(const std::string& name) const {
#ifdef _WIN32
    const std::u8string utf8 =
        (path_ / std::filesystem::path(std::u8string(name.begin(), name.end()))).u8string();
    return std::string(utf8.begin(), utf8.end());
#else
    return (path_ / name).string();
#endif
  }

 private:
  std::filesystem::path path_;
};

}  // namespace corvala::testing
