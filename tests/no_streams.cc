// Starts the Windows program its command line names, with the arguments
// after it, without standard handles, as a program started that way by
// another sees it; returns its exit status (125 when it cannot be started).

#include <shlwapi.h>
#include <windows.h>

#include <string>

int wmain() {
  // The command line as it came, after this program's own name.
  std::wstring command(PathGetArgsW(GetCommandLineW()));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;  // and every handle null
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process))
    return 125;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 125;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
