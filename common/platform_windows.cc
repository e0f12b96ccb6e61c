// Windows implementation of the platform layer.
//
// File names go through the ANSI functions (CreateFileA and the like), so an
// 8-bit name reaches the file system in the system's code page exactly as the
// user's shell handed it to us, and the degree sign is the single byte 0xB0.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <conio.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "common/platform.h"

namespace qmx::platform {
namespace {

// ReadFile and WriteFile count in DWORDs; larger transfers go in pieces.
constexpr size_t kMaxTransfer = size_t{1} << 30;

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

intptr_t Stored(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

OVERLAPPED At(uint64_t pos) {
  OVERLAPPED overlapped = {};
  overlapped.Offset = static_cast<DWORD>(pos);
  overlapped.OffsetHigh = static_cast<DWORD>(pos >> 32);
  return overlapped;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileId{
      info.dwVolumeSerialNumber,
      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<FileId> IdOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return IdOf(info);
}

HANDLE Open(const std::string& path, DWORD access, DWORD share,
            DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags,
                     nullptr);
}

}  // namespace

// Reading never stands in anyone's way: the input may be open elsewhere,
// even for writing, and may be renamed or deleted while we read it.
File File::OpenForReading(const std::string& path) {
  return File(Stored(Open(
      path, GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING)));
}

File File::CreateNew(const std::string& path) {
  return File(Stored(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW)));
}

File File::OpenForUpdate(const std::string& path) {
  return File(Stored(Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                          OPEN_EXISTING)));
}

bool File::is_open() const { return Handle(handle_) != INVALID_HANDLE_VALUE; }

// Consoles, pipes and NUL are character or pipe devices; a directory is a
// disk object too, so its attributes decide.
bool File::IsRegular() const {
  if (!is_open() || GetFileType(Handle(handle_)) != FILE_TYPE_DISK) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(Handle(handle_), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<FileId> File::Id() const {
  if (!is_open()) return std::nullopt;
  return IdOfHandle(Handle(handle_));
}

std::optional<int64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!is_open() || !GetFileSizeEx(Handle(handle_), &size)) {
    return std::nullopt;
  }
  return static_cast<int64_t>(size.QuadPart);
}

// Each transfer names its own offset through OVERLAPPED, so no shared file
// pointer is involved. On a handle opened without FILE_FLAG_OVERLAPPED the
// call still completes before it returns.
bool File::ReadAt(int64_t pos, std::span<uint8_t> buffer) const {
  if (!is_open() || pos < 0) return false;
  size_t done = 0;
  while (done < buffer.size()) {
    const DWORD want =
        static_cast<DWORD>(std::min(buffer.size() - done, kMaxTransfer));
    OVERLAPPED at = At(static_cast<uint64_t>(pos) + done);
    DWORD got = 0;
    // At the end of the file ReadFile either fails with ERROR_HANDLE_EOF or
    // reports 0 bytes; both mean fewer bytes exist than were asked for.
    if (!ReadFile(Handle(handle_), buffer.data() + done, want, &got, &at) ||
        got == 0) {
      return false;
    }
    done += got;
  }
  return true;
}

bool File::WriteAt(int64_t pos, std::span<const uint8_t> bytes) const {
  if (!is_open() || pos < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want =
        static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
    OVERLAPPED at = At(static_cast<uint64_t>(pos) + done);
    DWORD put = 0;
    if (!WriteFile(Handle(handle_), bytes.data() + done, want, &put, &at) ||
        put == 0) {
      return false;
    }
    done += put;
  }
  return true;
}

bool File::Close() {
  if (!is_open()) return true;
  const HANDLE handle = Handle(handle_);
  handle_ = -1;
  return CloseHandle(handle) != 0;
}

// No access rights are asked for, so this works on a file that someone
// holds open without sharing; backup semantics let it open directories too.
std::optional<FileId> IdOfPath(const std::string& path) {
  const HANDLE handle =
      Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::optional<FileId> id = IdOfHandle(handle);
  CloseHandle(handle);
  return id;
}

bool RemoveFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

// Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists, and
// without MOVEFILE_COPY_ALLOWED it never turns into a copy.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

// _isatty would also say yes for NUL, and _getch on a console whose input
// is redirected waits for a key that never comes. Only a real console input
// handle has a console mode.
bool StdinIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// _getch reads the console itself, without echo and without line input, and
// leaves the console's mode as it found it.
int ReadConsoleKey(const std::function<void()>& ask) {
  ask();
  fflush(stdout);
  return _getch();
}

namespace {

constexpr size_t kLargeBlock = size_t{2} << 20;

}  // namespace

// Large images come straight from the system's page allocator: page aligned,
// and given back whole on release. Large pages need a privilege that
// ordinary users lack, so they are not asked for.
void* AllocateImageMemory(size_t size) {
  if (size < kLargeBlock) return std::malloc(size == 0 ? 1 : size);
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeImageMemory(void* memory, size_t size) {
  if (size < kLargeBlock) {
    std::free(memory);
    return;
  }
  if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}

std::string_view DegreeSign() { return "\xB0"; }

// Writes past a size limit simply fail on Windows. What is left to do is to
// keep the system from stopping a drop-in batch with "insert a disk" dialog
// boxes when a name points at an empty drive.
void PrepareProcess() { SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS); }

}  // namespace qmx::platform
