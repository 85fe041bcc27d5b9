#pragma once
// Processes for the tests of the clean-up of temporary files: the id of a
// process that has ended, and on Windows a child that lives while it is held.

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace corvala::testing {

#ifdef _WIN32
// A child process (suspended while it lives): its id, and it ends with the object.
class ChildProcess {
 public:
  ChildProcess() {
    wchar_t commandLine[] = L"cmd.exe /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE,
                         CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info_))
      ::CloseHandle(info_.hThread);
  }
  ~ChildProcess() { End(); }
  long Id() const { return static_cast<long>(info_.dwProcessId); }
  void End() {
    if (info_.hProcess == nullptr) return;
    ::TerminateProcess(info_.hProcess, 0);
    ::WaitForSingleObject(info_.hProcess, INFINITE);
    ::CloseHandle(info_.hProcess);
    info_.hProcess = nullptr;
  }

 private:
  PROCESS_INFORMATION info_{};
};

inline long EndedProcess() {
  ChildProcess child;
  child.End();
  return child.Id();
}
#else
// The id of a process that has ended.
inline pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}
#endif

}  // namespace corvala::testing
