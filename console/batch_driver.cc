#include "console/batch_driver.h"

#include <iostream>
#include <memory>
#include <span>
#include <vector>

#include "engine/pipeline.h"
#include "os/platform.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

void PrintInstructions(const Program& program, std::ostream& out) {
  out << program.banner << "\n\n"
      << "Instructions:\n"
      << program.instructions;
}

// Shows a file's messages as the console dialogue has them. The file's
// name goes in front of what is said of it: not of why it could not be
// opened (any cause is "File could not be found." here), nor of a file
// that is no player character's, nor of the edit's completion. Its opening
// and the warnings share a paragraph with what follows.
class ConsoleReporter : public Reporter {
 public:
  ConsoleReporter(std::ostream& out, std::string_view base_name)
      : out_(out), base_name_(base_name) {}
  void Report(const Message& message) override {
    using Kind = Message::Kind;
    const bool opening = message.code == Code::kOpened;
    const bool open_failure = IsOpenFailure(message.code);
    if (!open_failure && message.code != Code::kNotPlayerObject &&
        (message.kind != Kind::kProgress || opening)) {
      Quoted(out_, base_name_);
    }
    // It may name the result.
    out_ << ShownName{open_failure ? TextOf(Code::kNotFound) : TextOf(message)};
    out_ << (opening || message.kind == Kind::kWarning ? "\n" : "\n\n");
  }

 private:
  std::ostream& out_;
  std::string_view base_name_;
};

// The use-for-all question, asked once after the first file. True for yes.
bool AskUseForAll(Console& console, std::string_view subject,
                  size_t following) {
  const std::string question = "Use current " + std::string(subject) +
                               " for all following (" +
                               std::to_string(following) + ") files? (y/n): ";
  const int key = console.ask_key(question);
  console.out << "\n\n";
  return key == 'y';
}

}  // namespace

std::ostream& Quoted(std::ostream& out, std::string_view base_name) {
  return out << '\'' << ShownName{base_name} << "': ";
}

namespace {

// The whole run on the files of `layer`: the instruction screen when there
// are no arguments, otherwise every argument in order; then "(Press ENTER to
// exit)" and the wait for one character. The exit status, always 0.
int RunBatch(const Program& program, FileLayer& layer,
             std::span<const std::string> arguments, Console& console) {
  if (arguments.empty()) PrintInstructions(program, console.out);

  bool ask = true;
  const std::unique_ptr<BoundEdit> edit = AskingEdit(program, console, ask);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const FileJob job{.argument = arguments[i], .output_dir = ""};
    ConsoleReporter reporter(console.out, BaseName(job.argument));
    const FileResult result = ProcessFile(*edit, job, reporter, layer);
    // The question follows a first file that was not skipped: its
    // parameters were asked for and it was edited.
    if (i == 0 && arguments.size() > 1 &&
        result.outcome != FileResult::Outcome::kSkipped &&
        !program.use_for_all_subject.empty()) {
      ask = !AskUseForAll(console, program.use_for_all_subject,
                          arguments.size() - 1);
    }
  }

  console.out << "(Press ENTER to exit)" << std::flush;
  console.in.GetChar();
  return 0;
}

}  // namespace

int RunProgram(const Program& program, int argc, char** argv) {
  const std::optional<std::vector<std::string>> arguments =
      platform::StartProgram(argc, argv);
  if (!arguments) return 0;
  // On an interactive console the answer to the question is one key, taken
  // without echo and without ENTER; from a pipe or a file it is simply the
  // next character, read through the same reader as every other answer.
  // Only answers from a file or a pipe may start with a byte-order mark, as
  // an editor or a shell writes one, and they are read as they are, so that
  // one answer file gives the same answers on every system.
  const bool console_input = platform::StdinIsConsole();
  if (!console_input) platform::ReadStandardInputAsIs();
  AnswerDecoder answers(
      [](std::span<char> buffer) {
        std::cout.flush();  // what was asked shows before the wait
        return platform::ReadStandardInput(buffer);
      },
      !console_input);
  ConsoleReader reader(answers);
  Console console{
      .in = reader,
      .out = std::cout,
      .ask_key = [&reader, console_input](std::string_view question) {
        const auto ask = [question] { std::cout << question << std::flush; };
        if (console_input) return platform::ReadConsoleKey(ask);
        ask();
        return reader.GetChar();
      }};
  platform::SystemFiles files;
  return RunBatch(program, files, *arguments, console);
}

int EndOutOfMemory() {
  std::cout << "Out of memory.\n\n" << std::flush;
  return 0;
}

}  // namespace qmx
