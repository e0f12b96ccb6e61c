#include "console/batch_driver.h"

#include <iostream>
#include <span>
#include <vector>

#include "engine/pipeline.h"
#include "os/platform.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

void PrintInstructions(const ToolTexts& texts, std::ostream& out) {
  out << texts.banner << "\n\n"
      << "Instructions:\n"
      << texts.instructions;
}

// Shows a file's messages as the console dialogue has them.
class ConsoleReporter : public Reporter {
 public:
  ConsoleReporter(std::ostream& out, std::string_view base_name)
      : out_(out), base_name_(base_name) {}
  void Report(const Message& message) override {
    if (message.about_file) Quoted(out_, base_name_);
    out_ << ShownName{message.text};  // it may name the result
    for (int i = 0; i < message.breaks; ++i) out_ << '\n';
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
int RunBatch(Tool& tool, FileLayer& layer,
             std::span<const std::string> arguments, Console& console) {
  const ToolTexts& texts = tool.texts();
  if (arguments.empty()) PrintInstructions(texts, console.out);

  bool use_for_all = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const FileJob job{.argument = arguments[i],
                      .output_dir = "",
                      .console = &console,
                      .ask = !(use_for_all && i > 0)};
    ConsoleReporter reporter(console.out, BaseName(job.argument));
    const FileResult result = ProcessFile(tool, job, reporter, layer);
    // The question follows a first file that was not skipped: its
    // parameters were asked for and it was edited.
    if (i == 0 && arguments.size() > 1 &&
        result.outcome != FileResult::Outcome::kSkipped &&
        !texts.use_for_all_subject.empty()) {
      use_for_all = AskUseForAll(console, texts.use_for_all_subject,
                                 arguments.size() - 1);
    }
  }

  console.out << "(Press ENTER to exit)" << std::flush;
  console.in.GetChar();
  return 0;
}

}  // namespace

int RunProgram(Tool& tool, int argc, char** argv) {
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
  return RunBatch(tool, files, *arguments, console);
}

int EndOutOfMemory() {
  std::cout << "Out of memory.\n\n" << std::flush;
  return 0;
}

}  // namespace qmx
