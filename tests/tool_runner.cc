#include "tests/tool_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#include <iostream>

#include "common/wide_text.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qmx::test {
namespace fs = std::filesystem;

namespace {

constexpr auto kTimeout = std::chrono::seconds(60);

std::string Setting(const char* name, const char* built_in) {
  const char* value = std::getenv(name);
  return value && *value ? value : built_in;
}

std::string ToolPath(const std::string& name) {
  const fs::path dir = PathOf(Setting("QMX_TOOL_DIR", QMX_TOOL_DIR));
#ifdef _WIN32
  return Utf8Of((dir / (name + ".exe")).make_preferred());
#else
  return (dir / name).string();
#endif
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32

std::string Quote(const std::string& arg) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// The test's environment block with `settings` ("NAME=value") in place of
// variables of the same names.
std::wstring EnvironmentWith(const std::vector<std::string>& settings) {
  std::vector<std::wstring> variables;
  for (const std::string& setting : settings) {
    const std::u16string utf16 = Utf8ToUtf16Lossy(setting);
    variables.emplace_back(utf16.begin(), utf16.end());
  }
  const auto overridden = [&variables](const std::wstring& variable) {
    for (const std::wstring& setting : variables) {
      const size_t name = setting.find(L'=') + 1;
      if (_wcsnicmp(variable.c_str(), setting.c_str(), name) == 0) return true;
    }
    return false;
  };
  wchar_t* inherited = GetEnvironmentStringsW();
  for (const wchar_t* at = inherited; *at != L'\0'; at += wcslen(at) + 1) {
    if (!overridden(at)) variables.emplace_back(at);
  }
  FreeEnvironmentStringsW(inherited);
  std::wstring block;
  for (const std::wstring& variable : variables) block += variable + L'\0';
  return block + L'\0';
}

int Spawn(const std::vector<std::string>& command, const fs::path& dir,
          const fs::path& in_path, const fs::path& out_path,
          const fs::path& err_path, const std::vector<std::string>& environment,
          bool& timed_out) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE in = CreateFileW(in_path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                          &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, 0, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(err_path.c_str(), GENERIC_WRITE, 0, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  std::string line;
  for (const std::string& part : command) {
    if (!line.empty()) line += ' ';
    line += Quote(part);
  }
  // The command line goes over in UTF-16, so that every name arrives
  // whatever the ANSI code page.
  const std::u16string utf16 = Utf8ToUtf16Lossy(line);
  std::wstring wide_line(utf16.begin(), utf16.end());
  std::wstring environment_block = EnvironmentWith(environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  // No console at all, like a process without a terminal: the tool must not
  // find one. (Under wine, CREATE_NO_WINDOW loses the redirected handles.)
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR (about once in
  // a few thousand starts here); the tool has not run then, so it is started
  // again, and the retry is reported.
  BOOL started = FALSE;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    started = CreateProcessW(nullptr, wide_line.data(), nullptr, nullptr, TRUE,
                             DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT,
                             environment_block.data(), dir.c_str(), &startup,
                             &process);
    start_error = started ? 0 : GetLastError();
    if (start_error != ERROR_INTERNAL_ERROR) break;
    std::cerr << "start of " << line << " failed with error " << start_error
              << ", trying again\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    ADD_FAILURE() << "cannot start " << line << ": error " << start_error;
    return -1;
  }
  const DWORD waited = WaitForSingleObject(
      process.hProcess,
      static_cast<DWORD>(
          std::chrono::duration_cast<std::chrono::milliseconds>(kTimeout)
              .count()));
  DWORD code = static_cast<DWORD>(-1);
  if (waited == WAIT_TIMEOUT) {
    timed_out = true;
    TerminateProcess(process.hProcess, 1);
  } else {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return timed_out ? -1 : static_cast<int>(code);
}

#else

// The largest file the next child may write (RLIMIT_FSIZE), or none when
// negative. Set only for one run, by RunToolWithFileSizeLimit.
int64_t next_child_file_size_limit = -1;

int Spawn(const std::vector<std::string>& command, const fs::path& dir,
          const fs::path& in_path, const fs::path& out_path,
          const fs::path& err_path, const std::vector<std::string>& environment,
          bool& timed_out) {
  std::vector<char*> argv;
  for (const std::string& part : command) {
    argv.push_back(const_cast<char*>(part.c_str()));
  }
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int in = open(in_path.c_str(), O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0 || chdir(dir.c_str()) != 0) {
      _exit(126);
    }
    if (next_child_file_size_limit >= 0) {
      const auto size = static_cast<rlim_t>(next_child_file_size_limit);
      const rlimit limit{size, size};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    for (const std::string& setting : environment) {
      putenv(const_cast<char*>(setting.c_str()));
    }
    setsid();  // no controlling terminal: the tool must not find a console
    execv(argv[0], argv.data());
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      timed_out = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() /
                         ("qmx-test-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate)) {
      path_ = fs::canonical(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() { RemoveAll(path_); }

RunResult RunTool(const std::string& name,
                  const std::vector<std::string>& arguments,
                  const std::string& input, const fs::path& dir,
                  const std::vector<std::string>& environment) {
  // The tool's standard streams live beside `dir`, not in it, so that they
  // never show up among the files the tool leaves.
  TempDir streams;
  const fs::path in_path = streams.path() / "stdin";
  const fs::path out_path = streams.path() / "stdout";
  const fs::path err_path = streams.path() / "stderr";
  {
    std::ofstream in(in_path, std::ios::binary);
    in << input;
  }
  std::vector<std::string> command;
  std::istringstream launcher(Setting("QMX_TOOL_LAUNCHER", QMX_TOOL_LAUNCHER));
  for (std::string part; launcher >> part;) command.push_back(part);
  command.push_back(ToolPath(name));
  command.insert(command.end(), arguments.begin(), arguments.end());

  // Every argument is an input, so whatever file one names must come
  // through the run unchanged.
  std::vector<std::pair<fs::path, std::vector<uint8_t>>> inputs;
  for (const std::string& argument : arguments) {
    const fs::path path = dir / PathOf(argument);
    std::error_code ignored;
    if (fs::is_regular_file(path, ignored)) {
      inputs.emplace_back(path, ReadBytes(path));
    }
  }

  RunResult result;
  result.exit_code = Spawn(command, dir, in_path, out_path, err_path,
                           environment, result.timed_out);
  result.output = ReadText(out_path);
  result.errors = ReadText(err_path);
  for (const auto& [path, bytes] : inputs) {
    EXPECT_EQ(ReadBytes(path), bytes) << path.string() << " was changed";
  }
  return result;
}

#ifndef _WIN32
RunResult RunToolWithFileSizeLimit(const std::string& name,
                                   const std::vector<std::string>& arguments,
                                   const std::string& input,
                                   const fs::path& dir, int64_t max_file_size) {
  next_child_file_size_limit = max_file_size;
  RunResult result = RunTool(name, arguments, input, dir);
  next_child_file_size_limit = -1;
  return result;
}
#endif

const std::string& Newline() {
#ifdef _WIN32
  static const std::string newline = "\r\n";
#else
  static const std::string newline = "\n";
#endif
  return newline;
}

std::string WithNewlines(const std::string& text) {
  std::string converted;
  for (char c : text) {
    if (c == '\n') {
      converted += Newline();
    } else {
      converted += c;
    }
  }
  return converted;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void ToolTest::Input(const std::string& name,
                     const std::vector<uint8_t>& bytes) {
  WriteBytes(dir_.path() / PathOf(name), bytes);
  inputs_.emplace_back(name, bytes);
}

RunResult ToolTest::Run(const std::vector<std::string>& arguments,
                        const std::string& typed) {
  RunResult result = RunTool(tool_, arguments, typed, dir_.path());
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.errors, "");
  return result;
}

void ToolTest::ExpectOutput(const RunResult& result,
                            const std::string& expected) {
  EXPECT_EQ(result.output, WithNewlines(expected));
}

void ToolTest::TearDown() {
  for (const auto& [name, bytes] : inputs_) {
    EXPECT_EQ(File(name), bytes) << name << " was changed";
  }
}

}  // namespace qmx::test
