// The front ends in this process, each test in a fresh working directory.

#include "qmx/cli.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "console/dialogues.h"
#include "engine/pipeline.h"
#include "flipta/flipta_edit.h"
#include "look/inspect.h"
#include "os/platform.h"
#include "snipla/snipla_edit.h"
#include "tests/one_pass.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;
using CliTest = test::InTempDir;

// The messages of a run, a line each, and the last one.
struct Messages : Reporter {
  void Report(const Message& message) override {
    said += TextOf(message) + '\n', last = message;
  }
  std::string said;
  Message last{};
};

// -0 ends each name printed with a NUL; --skip-existing skips a file whose
// result's name is taken, unsaid with -q.
TEST_F(CliTest, NamesEndedByNul) {
  sample::WriteFile("walk.qmx",
                    *sample::MakeFromDescription("sample walk.qmx"));
  using namespace std::string_literals;
  // clang-format off
  const struct { Arguments arguments; std::string errors; Arguments left; std::string output; } cases[] = {
      {{"mirror", "-0", "walk.qmx", "walk.qmx"}, "qmx: 'walk.qmx': walk_Mirrored.qmx already exists; the result was saved as walk_Mirrored (2).qmx.\n",
       {"walk.qmx", "walk_Mirrored (2).qmx", "walk_Mirrored.qmx"}, "walk_Mirrored.qmx\0walk_Mirrored (2).qmx\0"s},
      {{"mirror", "--skip-existing", "-q", "-0", "walk.qmx", "walk.qmx"}, "", {"walk.qmx", "walk_Mirrored.qmx"}, "walk_Mirrored.qmx\0"s},
      {{"plot", "--null", "walk.qmx"}, "", {"plot.svg", "walk.qmx"}, "plot.svg\0"s}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    std::ostringstream out, errors;
    EXPECT_EQ(RunQmx(c.arguments, out, errors), 0);
    EXPECT_EQ(errors.str(), c.errors);
    EXPECT_EQ(out.str(), c.output);
    EXPECT_EQ(test::ListDir("."), c.left);
    for (const std::string& name : test::ListDir("."))
      if (name != "walk.qmx") fs::remove(test::PathOf(name));
  }
}

// What no real run makes happen: a name taken only when saving (every
// numbered one too), unreadable bytes, no memory, a short file; other open
// failures in the system's words.
TEST(PipelineTest, NameTakenWhenSavingAndOtherCauses) {
  struct Taken : PieceOutput {
    using PieceOutput::PieceOutput;
    Status GiveName(const std::string&) override { return Status::kTaken; }
  };
  struct Walk : test::MemoryInput {  // its result's name is taken when given
    Walk() : MemoryInput(*sample::MakeFromDescription("sample walk.qmx")) {}
    std::unique_ptr<PrivateOutput> CreateResult(
        const std::string&) const override {
      return std::make_unique<Taken>(this);
    }
  };
  struct Racing : FileLayer {  // every name is free until it is given
    std::unique_ptr<InputFile> Open(const std::string& path,
                                    OpenFailure& failure) override {
      if (path == "walk.qmx") return std::make_unique<Walk>();
      if (path == "unread.qmx")  // none of its bytes can be read
        return std::make_unique<PartialInput>(3626);
      if (path == "unheld.qmx") {  // 1 PiB: only the header is held
        const test::Bytes bytes =
            sample::MakeAnimation({.keyframe_count = 3000});
        auto input = std::make_unique<PartialInput>(int64_t{1} << 50);
        std::copy_n(bytes.begin(), kLongestHeaderRead,
                    input->Hold(0, kLongestHeaderRead));
        EXPECT_EQ(input->Hold(kLongestHeaderRead, int64_t{1} << 49), nullptr);
        return input;
      }
      if (path == "short.qmx") {  // ends inside the keyframes
        test::Bytes walk = *sample::MakeFromDescription("sample walk.qmx");
        walk.resize(2000);
        return std::make_unique<test::MemoryInput>(walk);
      }
      failure = {};
      return nullptr;
    }
    bool Exists(const std::string&) override { return false; }
    bool IsDirectory(const std::string&) override { return false; }
    std::unique_ptr<PrivateOutput> CreatePrivate(const std::string&) override {
      return nullptr;
    }
    std::optional<OpenedStream> OpenStream(const std::string&) override {
      return std::nullopt;
    }
  } files;
  Messages m;
  const FliptaEdit flipta;
  Bound<NoParameters> tool(flipta);
  FileJob job;
  job.argument = "walk.qmx", job.skip_existing = true;
  EXPECT_EQ(ProcessFile(tool, job, m, files).outcome,
            FileResult::Outcome::kExisting);
  EXPECT_EQ(TextOf(m.last), "walk_Mirrored.qmx already exists, skipping.");
  job.skip_existing = false;  // every numbered name is taken too
  EXPECT_EQ(ProcessFile(tool, job, m, files).outcome,
            FileResult::Outcome::kNotSaved);
  EXPECT_EQ(TextOf(m.last), "Could not save the result as walk_Mirrored.qmx.");
  job.argument = "unread.qmx";
  ProcessFile(tool, job, m, files);
  EXPECT_EQ(TextOf(m.last), "Could not read the file, skipping.");
  EXPECT_EQ(m.last.kind, Message::Kind::kFailure);
  std::string error;  // as info and plot tell it
  EXPECT_FALSE(Inspect(files, "unread.qmx", {}, error));
  EXPECT_EQ(error, "Could not read the file.");
#ifndef __SANITIZE_ADDRESS__  // which would report the allocation that fails
  job.argument = "unheld.qmx";
  ProcessFile(tool, job, m, files);
  EXPECT_EQ(TextOf(m.last), "Out of memory, skipping.");
  EXPECT_EQ(m.last.kind, Message::Kind::kFailure);
#endif
  job.argument = "short.qmx";  // the keyframes Snipla keeps are not there
  const SniplaEdit cut;
  Bound<Cuts> snipla(cut, Cuts{.front = 1, .back = 1});
  ProcessFile(snipla, job, m, files);
  EXPECT_EQ(TextOf(m.last),
            "File is shorter than its header describes, skipping.");
  EXPECT_EQ(m.last.kind, Message::Kind::kSkip);
  for (const auto& [words, shown] :
       {std::pair{"Input/output error", "(input/output error)"},
        {"I/O error.\r\n", "(I/O error)"}})
    EXPECT_EQ(TextOf(CannotOpen({OpenFailure::Cause::kOther, words})),
              "File cannot be opened " + std::string(shown) + ", skipping.");
}

// Each makes a.qmx a version of its own, as its time was set long ago.
using Change = void (*)();
void Rewrite() { std::fstream("a.qmx", std::ios::in | std::ios::out) << "x"; }
void CutShort() { fs::resize_file("a.qmx", 1000); }
void Retime() {
  fs::last_write_time("a.qmx", fs::file_time_type{} + std::chrono::seconds(1));
}
[[maybe_unused]] void Replace() {  // not on Windows: see below
  std::ofstream("new.qmx") << "x";
  fs::rename("new.qmx", "a.qmx");
}

// What `program` says of the sample walk a.qmx, given `typed`, a message a
// line; `change` runs when the answers are first asked for.
std::string Said(const Program& program, std::string typed, Change change) {
  sample::WriteFile("a.qmx", *sample::MakeFromDescription("sample walk.qmx"));
  fs::last_write_time("a.qmx", {});  // a time no rewrite now keeps
  AnswerDecoder answers(
      [&](std::span<char> buffer) {
        if (change) std::exchange(change, nullptr)();
        const size_t n = typed.copy(buffer.data(), buffer.size());
        return typed.erase(0, n), n;
      },
      false);
  ConsoleReader reader(answers);
  std::ostringstream out;
  Console console{reader, out, [&](std::string_view question) {
                    out << question;
                    return reader.GetChar();
                  }};
  Messages messages;
  const bool ask = true;
  const std::unique_ptr<BoundEdit> edit = AskingEdit(program, console, ask);
  platform::SystemFiles files;
  ProcessFile(*edit, {.argument = "a.qmx", .output_dir = ""}, messages, files);
  return messages.said;
}

// A file rewritten, cut short or retimed while a tool waits is skipped, one
// renamed into its place is not; info and plot report one changed as they read.
TEST_F(CliTest, InputChangedWhileAToolOrQmxReadsIt) {
  const fs::path made = test::PathOf("a_Truncated(1; 1).qmx");
  Said(kSniplaProgram, "1 1\n", nullptr);
  const test::Bytes unchanged = test::ReadBytes(made);
  fs::remove(made);
#ifndef _WIN32
  EXPECT_EQ(Said(kSniplaProgram, "1 1\n", Replace).find("changed"),
            std::string::npos);
  EXPECT_EQ(test::ReadBytes(made), unchanged);
  fs::remove(made);
#endif
  for (const Change change : {Rewrite, CutShort, Retime}) {
    for (const std::string& said : {Said(kSniplaProgram, "1 1\n", change),
                                    Said(kGyrelProgram, "90\n", change)})
      EXPECT_NE(said.find("The file changed while it was being edited, "
                          "skipping.\n"),
                std::string::npos)
          << said;
    EXPECT_EQ(test::ListDir("."), Arguments{"a.qmx"});
    sample::WriteFile("a.qmx", sample::MakeAnimation({.keyframe_count = 3000}));
    fs::last_write_time("a.qmx", {});
    int keyframes = 0;
    std::string error;
    const auto read = [&](const KeyframeCoordinates&) {
      if (keyframes++ == 0) change();
    };
    platform::SystemFiles files;
    EXPECT_FALSE(Inspect(files, "a.qmx", read, error));
    EXPECT_EQ(error, "The file changed while it was being read.");
    EXPECT_EQ(keyframes < 3000, change == CutShort);
  }
}

}  // namespace
}  // namespace qmx
