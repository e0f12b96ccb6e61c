#include "tests/tool_runner.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "tools/sample_animation.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qmx::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::mt19937_64 random(std::random_device{}());
  do {
    path_ = fs::temp_directory_path() / ("qmx-" + std::to_string(random()));
  } while (!fs::create_directory(path_));
  path_ = fs::canonical(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ListDir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::u8string name =
        entry.path().lexically_relative(dir).generic_u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

#ifndef _WIN32

static std::string Setting(const char* name, const char* built_in) {
  const char* value = std::getenv(name);
  return value && *value ? value : built_in;
}

bool RunsWindowsPrograms() { return !Setting("QMX_TOOL_LAUNCHER", "").empty(); }

RunResult RunTool(const std::string& name,
                  const std::vector<std::string>& arguments,
                  const std::string& input, const fs::path& dir,
                  Limits limits) {
  // The standard streams live beside `dir`, never among the files left.
  TempDir streams;
  sample::WriteFile(streams.path() / "in", Bytes(input.begin(), input.end()));
  std::vector<std::string> command;
  std::istringstream launcher(Setting("QMX_TOOL_LAUNCHER", ""));
  for (std::string word; launcher >> word;) command.push_back(word);
  const std::string tools = Setting("QMX_TOOL_DIR", QMX_TOOL_DIR) + "/";
  const std::string exe = RunsWindowsPrograms() ? ".exe" : "";
  // Wine itself needs its streams: a Windows program goes without standard
  // handles when the tests' own starter starts it.
  if (!limits.closed.empty() && RunsWindowsPrograms())
    command.push_back(tools + "no_streams.exe");
  command.push_back(tools + name + exe);
  command.insert(command.end(), arguments.begin(), arguments.end());
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& part : command)
      argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (dup2(open((streams.path() / "in").c_str(), O_RDONLY), 0) < 0 ||
        dup2(open((streams.path() / "out").c_str(), flags, 0644), 1) < 0 ||
        dup2(open((streams.path() / "err").c_str(), flags, 0644), 2) < 0 ||
        chdir(dir.c_str()) != 0)
      _exit(126);
    for (const int stream : limits.full)
      if (dup2(open("/dev/full", O_WRONLY), stream) < 0) _exit(126);
    if (!RunsWindowsPrograms())
      for (const int stream : limits.closed) close(stream);
    for (const auto& [resource, most] :
         {std::pair{RLIMIT_FSIZE, limits.file_size},
          {RLIMIT_NOFILE, limits.open_files}}) {
      const rlimit limit{rlim_t(most), rlim_t(most)};
      if (most >= 0 && setrlimit(resource, &limit) != 0) _exit(126);
    }
    close_range(3, ~0u, 0);  // the standard streams only, as from a shell
    setsid();   // no controlling terminal: the tool must not find a console
    alarm(60);  // outlives exec: a tool that hangs is ended
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const Bytes out = ReadBytes(streams.path() / "out");
  const Bytes err = ReadBytes(streams.path() / "err");
  return {std::string(out.begin(), out.end()),
          std::string(err.begin(), err.end()),
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

#endif

}  // namespace qmx::test
