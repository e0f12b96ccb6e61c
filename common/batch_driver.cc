#include "common/batch_driver.h"

#include <iostream>
#include <vector>

#include "common/working_copy.h"

namespace qmx {
namespace {

void PrintInstructions(const ToolTexts& texts, std::ostream& out) {
  out << texts.banner << "\n\n"
      << "Instructions:\n"
      << texts.instructions;
}

// Reads the whole input. False when it could not be read completely.
bool ReadWholeFile(const platform::File& input, Image& bytes) {
  const std::optional<int64_t> size = input.Size();
  if (!size) return false;
  bytes.resize(static_cast<size_t>(*size));
  return input.ReadAt(0, bytes);
}

// Writes `bytes` as the new working copy and closes it.
bool WriteScratch(std::span<const uint8_t> bytes) {
  platform::File scratch = CreateScratch();
  if (!scratch.is_open()) return false;
  const bool written = scratch.WriteAt(0, bytes);
  return scratch.Close() && written;
}

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

std::string_view BaseName(std::string_view argument) {
  const size_t slash = argument.rfind('\\');
  return slash == std::string_view::npos ? argument
                                         : argument.substr(slash + 1);
}

bool PassesExtensionTest(std::string_view argument) {
  const size_t dot = argument.rfind('.');
  const std::string_view extension = dot == std::string_view::npos
                                         ? argument.substr(0, 3)
                                         : argument.substr(dot + 1, 3);
  return extension == "qmx" || extension == "QMX";
}

std::string OutputName(std::string_view base_name, std::string_view suffix) {
  const size_t dot = base_name.rfind('.');
  std::string name(base_name.substr(0, dot));
  name += suffix;
  if (dot != std::string_view::npos) name += base_name.substr(dot);
  return name;
}

std::ostream& Quoted(std::ostream& out, std::string_view base_name) {
  return out << '\'' << base_name << "': ";
}

platform::File CreateScratch() {
  platform::RemoveFile(kScratchName);
  return platform::File::CreateNew(kScratchName);
}

void ReportScratchFailure(Console& console, std::string_view base_name) {
  platform::RemoveFile(kScratchName);
  Quoted(console.out, base_name) << "Could not write the working copy "
                                 << kScratchName << ", skipping.\n\n";
}

void SaveResult(Console& console, std::string_view base_name,
                const std::string& output_name) {
  if (platform::RenameNoReplace(kScratchName, output_name)) return;
  Quoted(console.out, base_name)
      << "Could not save the result as " << output_name << "; it was left in "
      << kScratchName << ".\n\n";
}

FileOutcome InPlacePipeline::Process(FileJob& job, Console& console) {
  std::ostream& out = console.out;
  Image bytes;
  const bool read = ReadWholeFile(job.input, bytes);
  job.input.Close();
  if (!read || !WriteScratch(bytes)) {
    ReportScratchFailure(console, job.base_name);
    return FileOutcome::kSkipped;
  }
  platform::File scratch = platform::File::OpenForUpdate(kScratchName);
  if (!scratch.is_open()) {
    ReportScratchFailure(console, job.base_name);
    return FileOutcome::kSkipped;
  }

  WorkingCopy copy(std::move(bytes));
  KeyframeArea area = ReadKeyframeCount(copy);
  Quoted(out, job.base_name) << "File opened successfully.";
  ReadFirstMeshCount(copy, area);
  out << '\n' << std::flush;

  if (!tool_.Accepts(area)) {
    out << tool_.texts().refusal << "\n\n";
    scratch.Close();
    // A later file's copy replaces the working copy anyway; after the last
    // one nothing would, so it is not left lying around.
    if (job.last) platform::RemoveFile(kScratchName);
    return FileOutcome::kSkipped;
  }

  if (tool_.has_parameters() && !job.reuse_parameters) {
    tool_.AskParameters(console);
  }
  const EditReport report = tool_.Edit(copy, area);
  const bool committed = scratch.WriteAt(copy.written_begin(), copy.written());
  if (!scratch.Close() || !committed) {
    ReportScratchFailure(console, job.base_name);
    return FileOutcome::kSkipped;
  }

  if (report.clamped) {
    Quoted(out, job.base_name) << "Warning: some values fell outside the "
                                  "coordinate range and were clamped.\n";
  }
  if (EndedEarly(copy, area)) {
    Quoted(out, job.base_name)
        << "Warning: the file is shorter than its header describes; editing "
           "stopped at its end.\n";
  }
  out << tool_.texts().completion << "\n\n";
  SaveResult(console, job.base_name, OutputName(job.base_name, tool_.Suffix()));
  return FileOutcome::kProcessed;
}

int RunBatch(Tool& tool, std::span<const std::string> arguments,
             Console& console) {
  std::ostream& out = console.out;
  const ToolTexts& texts = tool.texts();
  if (arguments.empty()) PrintInstructions(texts, out);

  bool use_for_all = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    platform::File input = platform::File::OpenForReading(argument);
    if (!input.is_open() || !input.IsRegular()) {
      out << "File could not be found.\n\n";
      continue;
    }
    FileJob job{.argument = argument,
                .base_name = BaseName(argument),
                .input = std::move(input),
                .last = i + 1 == arguments.size(),
                .reuse_parameters = use_for_all && i > 0};
    if (!PassesExtensionTest(argument)) {
      Quoted(out, job.base_name) << "Invalid file type, skipping.\n\n";
      continue;
    }
    if (job.input.Id() && job.input.Id() == platform::IdOfPath(kScratchName)) {
      Quoted(out, job.base_name) << "Cannot process the working file "
                                 << kScratchName << " itself, skipping.\n\n";
      continue;
    }
    const FileOutcome outcome = tool.Process(job, console);
    if (i == 0 && arguments.size() > 1 && outcome == FileOutcome::kProcessed &&
        !texts.use_for_all_subject.empty()) {
      use_for_all = AskUseForAll(console, texts.use_for_all_subject,
                                 arguments.size() - 1);
    }
  }

  out << "(Press ENTER to exit)" << std::flush;
  console.in.GetChar();
  return 0;
}

int RunProgram(Tool& tool, int argc, char** argv) {
  platform::PrepareProcess();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  ConsoleReader reader(std::cin);
  // On an interactive console the answer to the question is one key, taken
  // without echo and without ENTER; from a pipe or a file it is simply the
  // next character, read through the same reader as every other answer.
  const bool console_input = platform::StdinIsConsole();
  Console console{
      .in = reader,
      .out = std::cout,
      .ask_key = [&reader, console_input](std::string_view question) {
        const auto ask = [question] { std::cout << question << std::flush; };
        if (console_input) return platform::ReadConsoleKey(ask);
        ask();
        return reader.GetChar();
      }};
  return RunBatch(tool, arguments, console);
}

int RunProgram(InPlaceTool& tool, int argc, char** argv) {
  InPlacePipeline pipeline(tool);
  return RunProgram(pipeline, argc, argv);
}

}  // namespace qmx
