// Runs the cases of tests/transcripts/, whose README gives their form.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iomanip>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;

std::string Setting(const char* name, const char* built_in) {
  const char* value = std::getenv(name);
  return value && *value ? value : built_in;
}

bool RunsWindowsPrograms() { return !Setting("QMX_TOOL_LAUNCHER", "").empty(); }

// A case's lines by their first word, in order.
struct Case {
  std::string name, where;  // the title in letters, digits and "_"
  std::multimap<std::string, std::string> lines;

  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> values;
    for (auto [at, end] = lines.equal_range(key); at != end; ++at)
      values.push_back(at->second);
    return values;
  }
  std::string Text(const std::string& key, std::string ending = "\n") const {
    std::string text;
    for (const std::string& value : All(key)) text += value + ending;
    return text;
  }
  long long Number(const std::string& key) const {
    return lines.contains(key) ? std::stoll(Text(key)) : -1;
  }
  std::vector<int> Streams(const std::string& key) const {
    std::vector<int> numbers;
    std::istringstream words(Text(key, " "));
    for (std::string word; words >> word;)
      numbers.push_back(word == "in" ? 0 : word == "out" ? 1 : 2);
    return numbers;
  }
};

struct RunResult {
  std::string output, errors;
  int exit_code;  // -1 when the program did not end normally in time
};
// Runs program `name` in `dir` with `input`, no terminal, the limits of `c`:
// the one built here, or with QMX_TOOL_LAUNCHER (wine) the Windows one.
RunResult RunTool(const std::string& name,
                  const std::vector<std::string>& arguments,
                  const std::string& input, const fs::path& dir,
                  const Case& c) {
  const std::vector<int> closed = c.Streams("closed"), full = c.Streams("full");
  const long long file_size = c.Number("limit"), open_files = c.Number("files");
  // The standard streams live beside `dir`, never among the files left.
  TempDir streams;
  sample::WriteFile(streams.path() / "in", Bytes(input.begin(), input.end()));
  std::vector<std::string> command;
  std::istringstream launcher(Setting("QMX_TOOL_LAUNCHER", ""));
  for (std::string word; launcher >> word;) command.push_back(word);
  const std::string tools = Setting("QMX_TOOL_DIR", QMX_TOOL_DIR) + "/";
  const std::string exe = RunsWindowsPrograms() ? ".exe" : "";
  // Wine needs its streams: the tests' starter closes the program's.
  if (!closed.empty() && RunsWindowsPrograms())
    command.push_back(tools + "no_streams.exe");
  command.push_back(tools + name + exe);
  command.insert(command.end(), arguments.begin(), arguments.end());
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& part : command) argv.push_back(part.data());
    argv.push_back(nullptr);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (dup2(open((streams.path() / "in").c_str(), O_RDONLY), 0) < 0 ||
        dup2(open((streams.path() / "out").c_str(), flags, 0644), 1) < 0 ||
        dup2(open((streams.path() / "err").c_str(), flags, 0644), 2) < 0 ||
        chdir(dir.c_str()) != 0)
      _exit(126);
    for (const int stream : full)
      if (dup2(open("/dev/full", O_WRONLY), stream) < 0) _exit(126);
    if (!RunsWindowsPrograms())
      for (const int stream : closed) close(stream);
    for (const auto& [resource, most] :
         {std::pair{RLIMIT_FSIZE, file_size}, {RLIMIT_NOFILE, open_files}}) {
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

std::vector<Case> Parse(const fs::path& path) {
  const std::set<std::string> keys = {
      "only", "limit", "files", "closed", "full", "dir",  "drive", "file",
      "run",  "type",  ">",     "!",      "exit", "json", "result"};
  std::vector<Case> cases;
  std::ifstream in(path);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const size_t space = std::min(line.find(' '), line.size());
    const std::string key = line.substr(0, space);
    const std::string value = line.substr(std::min(space + 1, line.size()));
    if (key == "==") {
      Case& c = cases.emplace_back();
      c.where = path.filename().string() + ":" + std::to_string(number);
      for (const unsigned char ch : value)
        if (std::isalnum(ch) || (!c.name.empty() && c.name.back() != '_'))
          c.name += std::isalnum(ch) ? char(ch) : '_';
    } else if (!cases.empty() && !line.empty() && key != "#") {
      cases.back().lines.emplace(keys.contains(key) ? key : "?",
                                 keys.contains(key) ? value : line);
    }
  }
  return cases;
}

std::string Fingerprint(const Bytes& bytes) {
  uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (const uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211u;
  std::ostringstream text;
  text << bytes.size() << " bytes fnv " << std::hex << hash;
  return text.str();
}

std::string Replaced(std::string text, std::string_view a, std::string_view b) {
  for (size_t i = 0; (i = text.find(a, i)) != std::string::npos; i += b.size())
    text.replace(i, a.size(), b);
  return text;
}

// Drive Q: as `dir` while it lives: a link in ROOT/prefix/dosdevices/.
struct MappedDrive {
  explicit MappedDrive(const fs::path& dir) {
    std::istringstream launcher(std::getenv("QMX_TOOL_LAUNCHER"));
    std::string root;
    launcher >> root >> root;  // the script, then its ROOT
    link = fs::path(root) / "prefix/dosdevices/q:";
    fs::remove(link);  // left by a run that was killed
    fs::create_directory_symlink(dir, link);
  }
  MappedDrive(const MappedDrive&) = delete;
  ~MappedDrive() { fs::remove(link); }
  fs::path link;
};

// What `text` types: "\n", "\r", "\xHH" as bytes, "{N*TEXT}" TEXT N times.
std::string Typed(std::string text) {
  for (size_t at; (at = text.find('{')) != std::string::npos;) {
    const size_t star = text.find('*', at), end = text.find('}', at);
    std::string repeated;
    for (int n = std::stoi(text.substr(at + 1, star - at - 1)); n > 0; --n)
      repeated += text.substr(star + 1, end - star - 1);
    text.replace(at, end - at + 1, repeated);
  }
  text = Replaced(Replaced(text, "\\n", "\n"), "\\r", "\r");
  for (size_t at = 0; (at = text.find("\\x", at)) != std::string::npos; ++at)
    text.replace(at, 4, 1,
                 char(std::stoi(text.substr(at + 2, 2), nullptr, 16)));
  return text;
}

// A file for "NAME = DESCRIPTION", with the name.
std::pair<std::string, Bytes> Make(const std::string& line) {
  const size_t eq = line.find(" = ");
  const auto bytes = sample::MakeFromDescription(line.substr(eq + 3));
  EXPECT_TRUE(bytes) << line;
  return {line.substr(0, eq), bytes.value_or(Bytes{})};
}

void RunCase(const Case& c) {
  SCOPED_TRACE(c.where);
  EXPECT_EQ(c.Text("?"), "") << "lines not understood";
#ifdef __SANITIZE_ADDRESS__  // the sanitizers' own checks need files too
  if (c.lines.contains("files")) GTEST_SKIP() << "no file limit here";
#endif
  TempDir dir;
  std::vector<std::string> names = c.All("dir"), arguments;
  for (const std::string& name : names)
    fs::create_directories(dir.path() / name);
  std::map<std::string, Bytes> inputs;
  for (const std::string& line : c.All("file")) {
    const auto [name, bytes] = Make(line);
    sample::WriteFile(dir.path() / name, inputs[name] = bytes);
    names.push_back(name);
  }
  std::optional<MappedDrive> drive;
  if (c.lines.contains("drive")) {
    ASSERT_TRUE(RunsWindowsPrograms()) << "a drive for Windows programs only";
    drive.emplace(dir.path() / c.Text("drive", ""));
  }
  // "{dir}" is the run's directory as the system spells it, "{/dir}" with
  // '/' from the root, "{drive}" the drive.
  const std::string where = RunsWindowsPrograms()
                                ? "Z:" + Replaced(dir.path(), "/", "\\")
                                : dir.path().string();
  const auto placed = [&](const std::string& text) {
    return Replaced(
        Replaced(Replaced(text, "{dir}", where), "{/dir}", dir.path().string()),
        "{drive}", drive ? "Q:" : "");
  };
  const auto with_newlines = [](const std::string& text) {  // as written
    return RunsWindowsPrograms() ? Replaced(text, "\n", "\r\n") : text;
  };
  std::istringstream command(c.Text("run", ""));
  std::string tool;
  command >> tool;
  for (std::string word; command >> std::quoted(word);)
    arguments.push_back(placed(word));
  const std::string typed = Typed(c.Text("type", ""));
  const RunResult run = RunTool(tool, arguments, typed, dir.path(), c);
  EXPECT_EQ(run.exit_code, std::max(c.Number("exit"), 0ll));  // 0 if none
  EXPECT_EQ(run.errors, with_newlines(placed(c.Text("!"))));
  // A line ending in spaces ends with "|"; the text ends as its last line.
  std::string output = placed(Replaced(c.Text(">"), "|\n", "\n"));
  if (!output.empty()) output.pop_back();
  if (c.lines.contains("json"))
    EXPECT_EQ(nlohmann::json::parse(run.output), nlohmann::json::parse(output));
  else
    EXPECT_EQ(run.output, with_newlines(output));
  for (const auto& [name, bytes] : inputs)
    EXPECT_EQ(ReadBytes(dir.path() / name), bytes) << name;
  for (const std::string& line : c.All("result")) {
    const size_t eq = line.find(" = ");
    const std::string name = line.substr(0, eq), file = line.substr(eq + 3);
    EXPECT_EQ(Fingerprint(ReadBytes(dir.path() / name)),
              file.find(" bytes fnv ") != std::string::npos ? file
              : file.starts_with("same as ")
                  ? Fingerprint(inputs.at(file.substr(8)))
                  : Fingerprint(Make(line).second))
        << name;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(ListDir(dir.path()), names);
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  const std::string skipped = RunsWindowsPrograms() ? "posix" : "windows";
  for (const auto& entry :
       fs::directory_iterator(fs::path(QMX_SOURCE_DIR) / "tests/transcripts")) {
    if (entry.path().extension() != ".txt") continue;
    for (Case& c : Parse(entry.path()))
      if (c.Text("only", "") != skipped) cases.push_back(std::move(c));
  }
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.where; }

class Transcript : public testing::TestWithParam<Case> {};
TEST_P(Transcript, Case) { RunCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(, Transcript, testing::ValuesIn(AllCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace qmx::test
