// The platform layer on Windows (what every system shares is in
// platform.cc).
//
// Names are UTF-8 inside the program, as on every platform. Here they become
// UTF-16, and every file operation goes through the wide functions, so that
// a name never depends on the system's ANSI code page. A path beyond the
// classic limit of 260 characters is handed over in its "\\?\" form, which
// the system takes whatever its long-path setting.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <vector>

#include "engine/paths.h"
#include "os/platform.h"
#include "os/wide_text.h"

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

std::wstring Widened(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

bool StartsWith(std::wstring_view text, std::wstring_view start) {
  return text.substr(0, start.size()) == start;
}

// `path` as the system's file functions take it: UTF-16, absolute in the
// "\\?\" form when it is too long for the classic limit (and always
// absolute with `absolute`). Nothing for a name that is no UTF-8 or holds a
// NUL, which would name another file.
std::optional<std::wstring> SystemPath(const std::string& path,
                                       bool absolute = false) {
  const std::optional<std::u16string> utf16 = Utf8ToUtf16(path);
  if (!utf16 || utf16->find(u'\0') != std::u16string::npos) {
    return std::nullopt;
  }
  std::wstring wide = Widened(*utf16);
  if (wide.empty() || StartsWith(wide, L"\\\\?\\") ||
      StartsWith(wide, L"\\\\.\\")) {
    return wide;
  }
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;  // the operation itself will say why
  if (needed < MAX_PATH && !absolute) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length =
      GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (length < MAX_PATH - 1) return full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

HANDLE Open(const std::string& path, DWORD access, DWORD share,
            DWORD disposition) {
  const std::optional<std::wstring> name = SystemPath(path);
  if (!name) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(name->c_str(), access, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Marks the file of `handle` to be deleted when its last handle closes, or
// takes the mark back.
bool MarkForDeletion(HANDLE handle, bool deleted) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = deleted ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// Gives the file of `handle` the absolute name `name` if no file has it.
bool RenameHandle(HANDLE handle, const std::wstring& name) {
  constexpr size_t kNameAt = offsetof(FILE_RENAME_INFO, FileName);
  const size_t name_bytes = name.size() * sizeof(wchar_t);
  // The head with every flag clear (ReplaceIfExists is FALSE) and no root
  // directory, then the name and a NUL; 8-byte units keep the head aligned.
  FILE_RENAME_INFO head;
  std::memset(&head, 0, sizeof head);
  head.FileNameLength = static_cast<DWORD>(name_bytes);
  const size_t size =
      std::max(sizeof head, kNameAt + name_bytes + sizeof(wchar_t));
  std::vector<uint64_t> info((size + 7) / 8, 0);
  auto* bytes = reinterpret_cast<unsigned char*>(info.data());
  std::memcpy(bytes, &head, kNameAt);
  std::memcpy(bytes + kNameAt, name.data(), name_bytes);
  return SetFileInformationByHandle(handle, FileRenameInfo, info.data(),
                                    static_cast<DWORD>(size)) != 0;
}

// Private files are made and named under this lock. A console event that
// ends the program takes it and never gives it back: after that no private
// file gets a name, and every one without a name is marked for deletion,
// which the system carries out when the process's handles close, however it
// ends.
SRWLOCK naming_lock = SRWLOCK_INIT;

// The console input's mode while a key is being read (the C runtime's key
// reader switches it off meanwhile), to be put back when the program ends
// during the read.
std::atomic<bool> key_pending{false};
DWORD key_saved_mode = 0;

BOOL WINAPI EndOnConsoleEvent(DWORD) {
  AcquireSRWLockExclusive(&naming_lock);
  if (key_pending)
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), key_saved_mode);
  return FALSE;  // the system's own handling ends the process
}

// Takes what is written and drops it.
class DroppingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A program started without a standard output or error handle (by another
// program, or as a service) drops what it would write there, as if it went
// to NUL, rather than failing to write it. Without an input handle, reading
// simply finds the end of the input.
void DropOutputWithoutHandle() {
  static DroppingBuffer dropped;
  for (const auto& [id, stream] : {std::pair{STD_OUTPUT_HANDLE, &std::cout},
                                   {STD_ERROR_HANDLE, &std::cerr}}) {
    const HANDLE handle = GetStdHandle(id);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      stream->rdbuf(&dropped);
    }
  }
}

// Six letters that differ from process to process and call to call. An
// existing name is simply tried again, so they need not be unpredictable.
std::string RandomLetters() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyz0123456789";  // names ignore case
  static std::atomic<uint64_t> calls{0};
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  uint64_t mixed = static_cast<uint64_t>(counter.QuadPart) ^
                   (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                   (++calls * 0x9E3779B97F4A7C15u);
  // splitmix64's finaliser spreads every input bit over the letters.
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9u;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBu;
  mixed ^= mixed >> 31;
  std::string letters;
  for (int i = 0; i < 6; ++i, mixed /= 36) letters += kLetters[mixed % 36];
  return letters;
}

// What the system says of `error`, in its own words and language.
std::string SystemWords(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) return "error " + std::to_string(error);
  const std::u16string words(text, text + length);
  LocalFree(text);
  return Utf16ToUtf8(words);
}

// Why `path` could not be opened for reading, by the system's `error`. A
// directory cannot be opened as a file at all: the system denies access
// to it, so its attributes tell it from a file that may not be read.
OpenFailure FailureOf(DWORD error, const std::string& path) {
  using Cause = OpenFailure::Cause;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:  // no file can have such a name
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:  // a drive without its disk
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return {.cause = Cause::kMissing, .system_words = ""};
    case ERROR_ACCESS_DENIED:
      return {.cause = KindOfPath(path) == PathKind::kDirectory
                           ? Cause::kDirectory
                           : Cause::kPermission,
              .system_words = ""};
    default:
      return {.cause = Cause::kOther, .system_words = SystemWords(error)};
  }
}

}  // namespace

// Reading never stands in anyone's way: the input may be open elsewhere,
// even for writing, and may be renamed or deleted while we read it.
File File::OpenForReading(const std::string& path, OpenFailure* failure) {
  const HANDLE handle = Open(
      path, GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE && failure != nullptr) {
    *failure = FailureOf(GetLastError(), path);
  }
  return File(Stored(handle));
}

File File::CreateNew(const std::string& path) {
  return File(Stored(
      Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW)));
}

// Opening for writing changes nothing by itself; a disk file, regular or
// not, is closed untouched.
std::optional<File> File::OpenDeviceForWriting(const std::string& path) {
  File file(Stored(Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        OPEN_EXISTING)));
  if (!file.is_open() || GetFileType(Handle(file.handle_)) == FILE_TYPE_DISK) {
    return std::nullopt;
  }
  return file;
}

// A disk file is known by its volume and its number; a directory does not
// open here.
std::optional<File> File::OpenStandardStream(const std::string& path) {
  const auto identity =
      [](HANDLE handle) -> std::optional<std::pair<DWORD, uint64_t>> {
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &info)) {
      return std::nullopt;
    }
    return std::pair(info.dwVolumeSerialNumber,
                     uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow);
  };
  const HANDLE named =
      Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
           OPEN_EXISTING);
  const auto wanted = identity(named);
  if (named != INVALID_HANDLE_VALUE) CloseHandle(named);
  if (!wanted) return std::nullopt;
  for (const DWORD which :
       {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE stream = GetStdHandle(which);
    if (identity(stream) != wanted) continue;
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), stream, GetCurrentProcess(),
                         &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      return File();
    }
    return File(Stored(copy));
  }
  return std::nullopt;
}

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

bool File::IsDirectory() const {
  BY_HANDLE_FILE_INFORMATION info;
  return is_open() && GetFileInformationByHandle(Handle(handle_), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<int64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!is_open() || !GetFileSizeEx(Handle(handle_), &size)) {
    return std::nullopt;
  }
  return static_cast<int64_t>(size.QuadPart);
}

// The last write time counts in 100 ns units.
std::optional<FileVersion> File::Version() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (!is_open() || !GetFileInformationByHandle(Handle(handle_), &info)) {
    return std::nullopt;
  }
  return FileVersion{
      .size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) |
                                   info.nFileSizeLow),
      .modified = static_cast<int64_t>(
          (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
          info.ftLastWriteTime.dwLowDateTime)};
}

// Each transfer names its own offset through OVERLAPPED, so no shared file
// pointer is involved. On a handle opened without FILE_FLAG_OVERLAPPED the
// call still completes before it returns.
Status File::Read(int64_t pos, std::span<uint8_t> buffer) const {
  if (!is_open() || pos < 0) return Status::kRead;
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
      return Status::kRead;
    }
    done += got;
  }
  return Status::kOk;
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

bool File::Write(std::span<const uint8_t> bytes) const {
  if (!is_open()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want =
        static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
    DWORD put = 0;
    if (!WriteFile(Handle(handle_), bytes.data() + done, want, &put, nullptr) ||
        put == 0) {
      return false;
    }
    done += put;
  }
  return true;
}

// Windows has no copy between two open handles, so the bytes go through a
// bounded buffer; each side's failure is told apart exactly.
Status File::CopyBySystem(const File& from, int64_t from_pos, int64_t to_pos,
                          int64_t length) const {
  return CopyThroughBuffer(from, from_pos, to_pos, length);
}

// A file that is not sparse holds the space of everything before its end,
// so moving the end takes the space, or fails on a full disk.
Status File::Reserve(int64_t pos, int64_t length) const {
  const std::optional<int64_t> size = Size();
  if (!size) return Status::kWrite;
  if (*size >= pos + length) return Status::kOk;
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = pos + length;
  return SetFileInformationByHandle(Handle(handle_), FileEndOfFileInfo, &end,
                                    sizeof end)
             ? Status::kOk
             : Status::kWrite;
}

bool File::Close() {
  if (!is_open()) return true;
  const HANDLE handle = Handle(handle_);
  handle_ = -1;
  return CloseHandle(handle) != 0;
}

// The file has a unique name, is shared with nobody, and is marked for
// deletion from the moment it exists: it goes with its last handle, also
// when the process is ended from outside. Only its naming takes the mark
// back. It takes the access its directory passes on, as every new file does.
std::optional<PrivateFile> PrivateFile::Create(const std::string& dir,
                                               const File* like) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = InDirectory(
        dir, ".qmx-" + RandomLetters() + ".tmp", PathStyle::kWindows);
    const std::optional<std::wstring> system_name = SystemPath(name);
    if (!system_name) return std::nullopt;
    AcquireSRWLockExclusive(&naming_lock);
    const HANDLE handle =
        CreateFileW(system_name->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                    0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    const bool marked =
        handle != INVALID_HANDLE_VALUE && MarkForDeletion(handle, true);
    ReleaseSRWLockExclusive(&naming_lock);
    if (marked) return PrivateFile(File(Stored(handle)), name, File(), like);
    if (handle != INVALID_HANDLE_VALUE) {
      // Every Windows file system can delete this way; one that could not
      // is not used.
      CloseHandle(handle);
      DeleteFileW(system_name->c_str());
      return std::nullopt;
    }
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// A file without its name is still marked for deletion: closing its only
// handle removes it.
void PrivateFile::Discard() {
  file_.Close();
  temporary_name_.clear();
}

Status PrivateFile::GiveName(const std::string& path) {
  if (named_ || !file_.is_open()) return Status::kWrite;
  const std::optional<std::wstring> name = SystemPath(path, true);
  if (!name) return Status::kWrite;
  const HANDLE handle = Handle(file_.handle_);
  AcquireSRWLockExclusive(&naming_lock);
  if (!MarkForDeletion(handle, false)) {
    ReleaseSRWLockExclusive(&naming_lock);
    return Status::kWrite;
  }
  const bool renamed = RenameHandle(handle, *name);
  const DWORD error = GetLastError();
  const bool marked = renamed || MarkForDeletion(handle, true);
  ReleaseSRWLockExclusive(&naming_lock);
  if (renamed) {
    named_ = true;
    temporary_name_.clear();
    // A write that failed only shows when the file is closed: then the
    // result is not what was written, and goes.
    if (!file_.Close()) {
      DeleteFileW(name->c_str());
      return Status::kWrite;
    }
    return Status::kOk;
  }
  if (!marked) {
    // The mark could not be put back: the file is removed by its name now,
    // and cannot be named any more.
    file_.Close();
    if (const std::optional<std::wstring> own = SystemPath(temporary_name_)) {
      DeleteFileW(own->c_str());
    }
    return Status::kWrite;
  }
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
             ? Status::kTaken
             : Status::kWrite;
}

// Opened as an input is: a name that cannot be opened for another cause
// than its absence (a directory, a file open elsewhere without sharing) is
// taken all the same.
bool SystemFiles::Exists(const std::string& path) {
  OpenFailure failure;
  return File::OpenForReading(path, &failure).is_open() ||
         failure.cause != OpenFailure::Cause::kMissing;
}

PathKind KindOfPath(const std::string& path) {
  const std::optional<std::wstring> name = SystemPath(path);
  const DWORD attributes =
      name ? GetFileAttributesW(name->c_str()) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kNone;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kDirectory
                                                      : PathKind::kOther;
}

// _isatty would also say yes for NUL, and a console read whose input is
// redirected waits for a key that never comes. Only a real console input
// handle has a console mode.
bool StdinIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// Through the C runtime's descriptor, with no stdio buffer in between that
// could hold bytes already translated in text mode when the mode changes.
// A read takes at most the 4 KiB of a stdio buffer, as reads of standard
// input always did: older Windows take a console read's buffer from a
// shared heap of 64 KiB, so a read that large can fail.
size_t ReadStandardInput(std::span<char> buffer) {
  const int n =
      _read(0, buffer.data(),
            static_cast<unsigned>(std::min<size_t>(buffer.size(), 4096)));
  return n > 0 ? static_cast<size_t>(n) : 0;
}

void ReadStandardInputAsIs() { _setmode(0, _O_BINARY); }

// _getwch reads the console itself, without echo and without line input,
// and puts the console's mode back when it has the key. The key comes as a
// wide character, so no half of a double-byte character is left behind.
int ReadConsoleKey(const std::function<void()>& ask) {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    key_saved_mode = mode;
    key_pending = true;
  }
  ask();
  std::cout.flush();
  const wint_t key = _getwch();
  key_pending = false;
  return key == WEOF ? -1 : static_cast<int>(key);
}

// Writes past a size limit simply fail on Windows. What is left to do is to
// keep the system from stopping a drop-in batch with "insert a disk" dialog
// boxes when a name points at an empty drive, and to end cleanly on the
// console's events.
bool PrepareProcess() {
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS);
  SetConsoleCtrlHandler(EndOnConsoleEvent, TRUE);
  DropOutputWithoutHandle();
  return true;
}

namespace {

// `text` with its letters in upper case as the system folds them without a
// language's rules, for names compared with case ignored; as it is when the
// system cannot fold it.
std::u16string Folded(const std::u16string& text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide,
                                   length, nullptr, 0, nullptr, nullptr, 0);
  if (needed <= 0) return text;
  std::u16string folded(static_cast<size_t>(needed), u'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide, length,
                    reinterpret_cast<wchar_t*>(folded.data()), needed, nullptr,
                    nullptr, 0) != needed) {
    return text;
  }
  return folded;
}

// The files that the wildcard pattern `argument` stands for (see
// ProgramArguments), or the argument itself. The folder is listed without
// short names, and each long name is matched here: the system's own
// matching also tries the 8.3 short name, by which "*.qmx" would take
// "walk.qmxbak" (WALK~1.QMX).
std::vector<std::string> Expanded(const std::string& argument) {
  const std::string_view dir = DirectoryPart(argument, PathStyle::kWindows);
  const std::optional<std::u16string> pattern =
      Utf8ToUtf16(std::string_view(argument).substr(dir.size()));
  const std::optional<std::wstring> search =
      SystemPath(InDirectory(dir, "*", PathStyle::kWindows));
  if (!pattern || pattern->find_first_of(u"*?") == std::u16string::npos ||
      !search) {
    return {argument};
  }
  WIN32_FIND_DATAW found;
  const HANDLE listing =
      FindFirstFileExW(search->c_str(), FindExInfoBasic, &found,
                       FindExSearchNameMatch, nullptr, 0);
  if (listing == INVALID_HANDLE_VALUE) return {argument};
  const std::u16string folded_pattern = Folded(*pattern);
  std::vector<std::pair<std::u16string, std::u16string>> names;  // folded
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const std::u16string name(found.cFileName,
                              found.cFileName + std::wcslen(found.cFileName));
    std::u16string folded = Folded(name);
    if (MatchesWildcard(folded_pattern, folded)) {
      names.emplace_back(std::move(folded), name);
    }
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  if (names.empty()) return {argument};
  std::sort(names.begin(), names.end());
  std::vector<std::string> files;
  for (const auto& [folded, name] : names) {
    files.push_back(std::string(dir) + Utf16ToUtf8(name));
  }
  return files;
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**,
                                          const FileArguments& files) {
  const wchar_t* line = GetCommandLineW();
  std::vector<bool> quoted;
  const std::vector<std::u16string> words =
      SplitCommandLine(std::u16string(line, line + std::wcslen(line)), &quoted);
  std::vector<std::string> given;
  for (const std::u16string& word : words) given.push_back(Utf16ToUtf8(word));
  const std::vector<bool> file =
      files(std::span<const std::string>(given).subspan(1));
  std::vector<std::string> arguments{given[0]};
  for (size_t i = 1; i < given.size(); ++i) {
    if (quoted[i] || i - 1 >= file.size() || !file[i - 1]) {
      arguments.push_back(given[i]);
      continue;
    }
    for (std::string& name : Expanded(given[i])) {
      arguments.push_back(std::move(name));
    }
  }
  return arguments;
}

bool ShowsOnTerminal(int stream) {
  DWORD mode = 0;
  return GetConsoleMode(
             GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
             &mode) != 0;
}

namespace {

// A standard stream on a console: wide characters through WriteConsoleW
// for as long as the program runs; put back before the standard streams
// are flushed for the last time.
class ConsoleStream {
 public:
  ConsoleStream(std::ostream& stream, HANDLE console)
      : stream_(stream),
        buffer_(
            [console](std::u16string_view text) {
              while (!text.empty()) {
                const DWORD count =
                    static_cast<DWORD>(std::min<size_t>(text.size(), 8192));
                const std::wstring piece(text.begin(), text.begin() + count);
                DWORD written = 0;
                if (!WriteConsoleW(console, piece.data(), count, &written,
                                   nullptr) ||
                    written == 0) {
                  return false;
                }
                text.remove_prefix(written);
              }
              return true;
            },
            true),
        saved_(stream.rdbuf(&buffer_)) {}
  ~ConsoleStream() {
    stream_.flush();
    stream_.rdbuf(saved_);
  }
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

 private:
  std::ostream& stream_;
  Utf16Streambuf buffer_;
  std::streambuf* saved_;
};

// `stream` through the console when `handle` is one; nothing otherwise.
std::optional<ConsoleStream> OnConsole(std::ostream& stream, FILE* c_stream,
                                       DWORD handle) {
  const HANDLE console = GetStdHandle(handle);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return std::nullopt;
  fflush(c_stream);
  return std::optional<ConsoleStream>(std::in_place, stream, console);
}

}  // namespace

void UseUtf8Console() {
  static const std::optional<ConsoleStream> out =
      OnConsole(std::cout, stdout, STD_OUTPUT_HANDLE);
  static const std::optional<ConsoleStream> errors =
      OnConsole(std::cerr, stderr, STD_ERROR_HANDLE);
}

}  // namespace qmx::platform
