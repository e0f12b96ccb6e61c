#include "engine/pipeline.h"

#include <memory>
#include <new>
#include <optional>
#include <utility>

namespace qmx {
namespace {

using Kind = Message::Kind;

constexpr PathStyle kStyle = kNativePathStyle;

// Said of an input that does not exist; the interactive programs' fixed
// words for every input that cannot be opened.
constexpr std::string_view kNotFound = "File could not be found.";

// A directory can hold only so many numbered names; past them the result is
// reported as not saved rather than trying for ever.
constexpr int kMostNumberedNames = 9999;

class Pipeline {
 public:
  Pipeline(Tool& tool, const FileJob& job, Reporter& reporter, FileLayer& files)
      : tool_(tool), job_(job), reporter_(reporter), files_(files) {}

  FileResult Run();

 private:
  FileResult Open();
  FileResult Prepare(const KeyframeArea& area, const std::optional<Skip>& skip);
  FileResult Finish(WorkingCopy& copy, const KeyframeArea& area);
  FileResult Save(const std::string& output_name);
  // The result's name, as the system saves it, for the current parameters.
  std::string ResultName() const;
  // The file is skipped as asked: the result's name is taken.
  FileResult Existing(const std::string& name) {
    Say(Kind::kNotice, true, name + " already exists, skipping.");
    return {.outcome = FileResult::Outcome::kExisting, .saved_as = ""};
  }

  void Say(Kind kind, bool about_file, std::string_view text, int breaks = 2) {
    reporter_.Report(Message{kind, about_file, std::string(text), breaks});
  }
  FileResult Skipped(const Skip& skip) {
    Say(Kind::kSkip, skip.about_file, skip.text);
    return {};
  }
  FileResult Fail(Status status);
  // A file that changed since it was opened would give a result that is
  // neither version, so this is asked after the last read of the input and
  // wherever a read of it failed (a read comes up short when it shrank).
  bool InputChanged() const { return input_->Version() != version_; }
  bool Asks() const { return job_.ask && job_.console != nullptr; }

  Tool& tool_;
  const FileJob& job_;
  Reporter& reporter_;
  FileLayer& files_;
  std::unique_ptr<InputFile> input_;
  std::optional<FileVersion> version_;
  std::unique_ptr<PrivateOutput> output_;
  std::string directory_;
};

FileResult Pipeline::Fail(Status status) {
  if ((status == Status::kRead || status == Status::kShort) && InputChanged()) {
    status = Status::kChanged;
  }
  Say(status == Status::kShort ? Kind::kSkip : Kind::kFailure, true,
      MessageOf(status));
  return {};
}

// The input, its type and its header.
FileResult Pipeline::Run() {
  OpenFailure failure;
  input_ = files_.Open(job_.argument, failure);
  if (!input_) {
    reporter_.Report(Message{.kind = Kind::kSkip,
                             .about_file = false,
                             .text = std::string(kNotFound),
                             .breaks = 2,
                             .with_cause = CannotOpenText(failure)});
    return {};
  }
  const std::string_view file_name = FileName(job_.argument, kStyle);
  if (!PassesExtensionTest(file_name) || NamesStream(job_.argument, kStyle)) {
    return Skipped({.text = "Invalid file type, skipping."});
  }
  version_ = input_->Version();
  if (!version_) return Fail(Status::kRead);
  const std::optional<KeyframeArea> area =
      ReadKeyframeArea(*input_, version_->size);
  if (!area) return Fail(Status::kRead);
  const std::optional<Skip> skip = tool_.Check(*area, !Asks());
  if (skip && !skip->after_opening) return Skipped(*skip);
  return Prepare(*area, skip);
}

// The working copy is made where the result goes: on the same file system
// as the result, which it becomes. All it can take before the parameters
// are known is in place before they are asked for.
FileResult Pipeline::Prepare(const KeyframeArea& area,
                             const std::optional<Skip>& skip) {
  directory_ = ResultDirectory(job_.argument, job_.output_dir, kStyle);
  // A name that is taken by now needs no edit.
  if (job_.skip_existing && !skip) {
    const std::string name = ResultName();
    if (files_.Exists(name)) return Existing(name);
  }
  output_ = input_->CreateResult(directory_);
  if (!output_) return Fail(Status::kWrite);
  WorkingCopy copy(*input_, version_->size, *output_);
  const Status laid = copy.Prepare(tool_.LayOut(area, version_->size));
  if (laid != Status::kOk) return Fail(laid);
  Say(Kind::kProgress, true, "File opened successfully.", 1);
  if (skip) return Skipped(*skip);
  if (Asks()) tool_.AskParameters(*job_.console, area);
  return Finish(copy, area);
}

FileResult Pipeline::Finish(WorkingCopy& copy, const KeyframeArea& area) {
  const Edited edited = tool_.Edit(copy, area);
  if (edited.status != Status::kOk) return Fail(edited.status);
  if (InputChanged()) return Fail(Status::kChanged);
  input_.reset();
  for (const std::string_view warning : edited.warnings) {
    Say(Kind::kWarning, true, warning, 1);
  }
  Say(Kind::kProgress, false, tool_.Completion(area));
  return Save(ResultName());
}

// Named as the system saves it, so that every name told is the one saved.
std::string Pipeline::ResultName() const {
  const std::string output_name = InDirectory(
      directory_,
      OutputName(FileName(job_.argument, kStyle), tool_.Suffix(), kStyle),
      kStyle);
  return SavedName(output_name, kStyle);
}

// Gives the result the output name, or the first free numbered one; with
// skip_existing, the output name or none.
FileResult Pipeline::Save(const std::string& output_name) {
  std::optional<std::string> name;
  if (job_.skip_existing) {
    const Status named = output_->GiveName(output_name);
    if (named == Status::kTaken) return Existing(output_name);
    if (named == Status::kOk) name = output_name;
  } else {
    name = GiveFreeName(
        [this](const std::string& path) { return output_->GiveName(path); },
        output_name);
  }
  if (!name) {
    Say(Kind::kFailure, true,
        "Could not save the result as " + output_name + ".");
    return {.outcome = FileResult::Outcome::kNotSaved, .saved_as = ""};
  }
  if (*name != output_name) {
    Say(Kind::kNotice, true,
        output_name + " already exists; the result was saved as " + *name +
            ".");
  }
  return {.outcome = FileResult::Outcome::kWritten, .saved_as = *name};
}

}  // namespace

std::string CannotOpenText(const OpenFailure& failure) {
  using Cause = OpenFailure::Cause;
  switch (failure.cause) {
    case Cause::kMissing:
      return std::string(kNotFound);
    case Cause::kPermission:
      return "File cannot be read (permission denied), skipping.";
    case Cause::kDirectory:
      return "File is a directory, skipping.";
    case Cause::kNotRegular:
      return "File is not a regular file, skipping.";
    case Cause::kOther:
      break;
  }
  // The system's words go in parentheses: without the full stop and line
  // break that end them, and in lower case unless they start with an
  // abbreviation ("I/O").
  std::string words = failure.system_words;
  while (!words.empty() && std::string_view(" \t\r\n.").find(words.back()) !=
                               std::string_view::npos) {
    words.pop_back();
  }
  if (words.size() > 1 && words[0] >= 'A' && words[0] <= 'Z' &&
      words[1] >= 'a' && words[1] <= 'z') {
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  }
  return "File cannot be opened (" + words + "), skipping.";
}

std::optional<std::string> GiveFreeName(
    const std::function<Status(const std::string&)>& give_name,
    const std::string& name) {
  for (int number = 1; number <= kMostNumberedNames; ++number) {
    std::string candidate =
        number == 1 ? name : NumberedName(name, number, kStyle);
    const Status named = give_name(candidate);
    if (named == Status::kOk) return candidate;
    if (named != Status::kTaken) break;
  }
  return std::nullopt;
}

FileResult ProcessFile(Tool& tool, const FileJob& job, Reporter& reporter,
                       FileLayer& files) {
#ifdef __cpp_exceptions
  // An allocation that fails skips the file like any other failure, and the
  // run goes on; the working copy went with the pipeline.
  try {
    return Pipeline(tool, job, reporter, files).Run();
  } catch (const std::bad_alloc&) {
    reporter.Report(Message{.kind = Kind::kFailure,
                            .about_file = true,
                            .text = std::string(MessageOf(Status::kMemory)),
                            .breaks = 2});
    return {};
  }
#else
  return Pipeline(tool, job, reporter, files).Run();
#endif
}

}  // namespace qmx
