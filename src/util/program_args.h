#pragma once
// The program's arguments in UTF-8, as every name in the program is. On Windows
// main's argv is in the ANSI code page, which loses umlauts in file names: the
// arguments are taken from the wide command line instead. Elsewhere they are
// argv as it is.
//
//   int main(int argc, char** argv) {
//     corvala::ProgramArguments arguments(argc, argv);
//     argc = arguments.Count();
//     argv = arguments.Argv();

#include <string>
#include <vector>

namespace corvala {

class ProgramArguments {
 public:
  ProgramArguments(int argc, char** argv);
  ProgramArguments(const ProgramArguments&) = delete;
  ProgramArguments& operator=(const ProgramArguments&) = delete;

  int Count() const { return static_cast<int>(arguments_.size()); }
  // argv-style, ended by a null pointer; valid while this object lives.
  char** Argv() { return pointers_.data(); }
  const std::vector<std::string>& All() const { return arguments_; }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;
};

#ifdef _WIN32
// The arguments of a wide command line in UTF-8, split as Windows splits
// them (the program's name first).
std::vector<std::string> SplitWideCommandLine(const wchar_t* commandLine);
#endif

}  // namespace corvala
