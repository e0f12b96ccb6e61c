// A program that takes its command line and opens a file through the ANSI
// functions: what the import check of the Windows programs must refuse.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main() {
  const HANDLE file =
      CreateFileA(GetCommandLineA(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
