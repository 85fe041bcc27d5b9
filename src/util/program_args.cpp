#include "util/program_args.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: the shell's header builds on it.
#include <shellapi.h>

#include "util/file_names.h"
#endif

namespace corvala {

#ifdef _WIN32

std::vector<std::string> SplitWideCommandLine(const wchar_t* commandLine) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(commandLine, &count);
  if (wide == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

ProgramArguments::ProgramArguments(int argc, char** argv) {
  arguments_ = SplitWideCommandLine(::GetCommandLineW());
  // Without a command line of its own (never seen), argv is all there is.
  if (arguments_.empty())
    for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i]);
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
}

#else

ProgramArguments::ProgramArguments(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i]);
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
}

#endif

}  // namespace corvala
