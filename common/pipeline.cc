#include "common/pipeline.h"

#include <optional>
#include <utility>

namespace qmx {
namespace {

using Kind = Message::Kind;
using Failure = EditReport::Failure;

// A directory can hold only so many numbered names; past them the result is
// reported as not saved rather than trying for ever.
constexpr int kMostNumberedNames = 9999;

// Where a suffix goes in `name`: before the last dot of its file name
// part, or at its end.
size_t SuffixPosition(std::string_view name) {
  const size_t slash = name.rfind('/');
  const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot < start ? name.size() : dot;
}

class Pipeline {
 public:
  Pipeline(Tool& tool, const FileJob& job, Reporter& reporter)
      : tool_(tool), job_(job), reporter_(reporter) {}

  FileResult Run();

 private:
  void Say(Kind kind, bool about_file, std::string text, int breaks = 2) {
    reporter_.Report(Message{kind, about_file, std::move(text), breaks});
  }
  FileResult Skip(std::string text) {
    Say(Kind::kSkip, true, std::move(text));
    return {};
  }
  FileResult Fail(Failure failure);
  FileResult FailChanged() {
    Say(Kind::kFailure, true,
        "The file changed while it was being edited, skipping.");
    return {};
  }
  // A file that changed since it was opened would give a result that is
  // neither version, so this is asked after the last read of the input and
  // wherever a read of it failed (a read comes up short when it shrank).
  bool InputChanged() const {
    return input_ && input_->file().is_open() &&
           input_->file().Version() != version_;
  }
  FileResult Save(WorkingCopy& copy, const std::string& output_name);

  Tool& tool_;
  const FileJob& job_;
  Reporter& reporter_;
  std::optional<InputStore> input_;
  std::optional<platform::FileVersion> version_;
};

FileResult Pipeline::Fail(Failure failure) {
  if (failure != Failure::kWrite && InputChanged()) return FailChanged();
  switch (failure) {
    case Failure::kShort:
      return Skip("File is shorter than its header describes, skipping.");
    case Failure::kRead:
      Say(Kind::kFailure, true, "Could not read the file, skipping.");
      return {};
    default:
      Say(Kind::kFailure, true, "Could not write the working copy, skipping.");
      return {};
  }
}

Failure CopyFailure(platform::CopyStatus status) {
  switch (status) {
    case platform::CopyStatus::kDone:
      return Failure::kNone;
    case platform::CopyStatus::kReadFailed:
      return Failure::kRead;
    default:
      return Failure::kWrite;
  }
}

FileResult Pipeline::Run() {
  platform::File file = platform::File::OpenForReading(job_.argument);
  if (!file.is_open() || !file.IsRegular()) {
    Say(Kind::kSkip, false, "File could not be found.");
    return {};
  }
  const std::string_view file_name = FileName(job_.argument);
  if (!PassesExtensionTest(file_name)) {
    return Skip("Invalid file type, skipping.");
  }
  version_ = file.Version();
  if (!version_) return Fail(Failure::kRead);
  input_.emplace(std::move(file), version_->size);
  InputStore& input = *input_;

  // The result's name before the suffix, and so where the working copy is
  // made: on the same file system as the result, which it becomes.
  const std::string name = job_.output_dir.empty()
                               ? std::string(BaseName(job_.argument))
                               : job_.output_dir + "/" + std::string(file_name);
  const std::string directory(DirectoryPart(name));

  std::optional<WorkingCopy> copy;
  KeyframeArea area;
  if (tool_.EditsInPlace()) {
    copy = WorkingCopy::Create(directory);
    if (!copy) return Fail(Failure::kWrite);
    const Failure copied = CopyFailure(copy->Copy(input, 0, 0, input.size()));
    if (copied != Failure::kNone) return Fail(copied);
    if (InputChanged()) return FailChanged();
    input.Close();
    const std::optional<KeyframeArea> read = ReadKeyframeArea(*copy);
    if (!read) return Fail(Failure::kWrite);
    area = *read;
    Say(Kind::kProgress, true, "File opened successfully.", 1);
    if (!tool_.Accepts(area)) {
      Say(Kind::kSkip, false, std::string(tool_.texts().refusal));
      return {};
    }
  } else {
    const std::optional<KeyframeArea> read = ReadKeyframeArea(input);
    if (!read) return Fail(Failure::kRead);
    area = *read;
    // The copy starts with the whole header, so all of it must be there.
    if (!area.complete) return Fail(Failure::kShort);
    const std::string_view refused = tool_.Screen(area);
    if (!refused.empty()) return Skip(std::string(refused));
    copy = WorkingCopy::Create(directory);
    if (!copy) return Fail(Failure::kWrite);
    const Failure copied =
        CopyFailure(copy->Copy(input, 0, 0, area.HeaderSize()));
    if (copied != Failure::kNone) return Fail(copied);
    Say(Kind::kProgress, true, "File opened successfully.", 1);
  }

  if (job_.ask && job_.console != nullptr) {
    tool_.AskParameters(*job_.console, area);
  } else if (const std::string_view refused = tool_.RefuseParameters(area);
             !refused.empty()) {
    return Skip(std::string(refused));
  }
  const EditReport report = tool_.Edit(*copy, area, input);
  if (report.failure != Failure::kNone) return Fail(report.failure);
  if (InputChanged()) return FailChanged();
  input.Close();

  if (report.clamped) {
    Say(Kind::kWarning, true,
        "Warning: some values fell outside the coordinate range and were "
        "clamped.",
        1);
  }
  if (report.wrapped) {
    Say(Kind::kWarning, true,
        "Warning: some values passed the coordinate range and wrapped around.",
        1);
  }
  if (report.ended_early) {
    Say(Kind::kWarning, true,
        "Warning: the file is shorter than its header describes; editing "
        "stopped at its end.",
        1);
  }
  std::string completion(tool_.texts().completion);
  if (report.new_keyframe_count) {
    completion += std::to_string(*report.new_keyframe_count);
  }
  Say(Kind::kProgress, false, std::move(completion));
  return Save(*copy, OutputName(name, tool_.Suffix()));
}

// Gives the result the output name, or the first free numbered one.
FileResult Pipeline::Save(WorkingCopy& copy, const std::string& output_name) {
  const std::optional<std::string> name = GiveFreeName(
      [&copy](const std::string& path) { return copy.GiveName(path); },
      output_name);
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

std::string_view BaseName(std::string_view argument) {
  const size_t slash = argument.rfind('\\');
  return slash == std::string_view::npos ? argument
                                         : argument.substr(slash + 1);
}

std::string_view FileName(std::string_view argument) {
  const size_t slash = argument.find_last_of("/\\");
  return slash == std::string_view::npos ? argument
                                         : argument.substr(slash + 1);
}

bool PassesExtensionTest(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  const std::string_view extension = dot == std::string_view::npos
                                         ? file_name.substr(0, 3)
                                         : file_name.substr(dot + 1, 3);
  return extension == "qmx" || extension == "QMX";
}

std::string OutputName(std::string_view name, std::string_view suffix) {
  std::string output(name);
  output.insert(SuffixPosition(name), suffix);
  return output;
}

std::string NumberedName(std::string_view name, int number) {
  return OutputName(name, " (" + std::to_string(number) + ")");
}

std::optional<std::string> GiveFreeName(
    const std::function<platform::PrivateFile::NameResult(const std::string&)>&
        give_name,
    const std::string& name) {
  using NameResult = platform::PrivateFile::NameResult;
  for (int number = 1; number <= kMostNumberedNames; ++number) {
    std::string candidate = number == 1 ? name : NumberedName(name, number);
    const NameResult named = give_name(candidate);
    if (named == NameResult::kNamed) return candidate;
    if (named == NameResult::kFailed) break;
  }
  return std::nullopt;
}

std::string_view DirectoryPart(std::string_view name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string_view::npos) return {};
  return slash == 0 ? name.substr(0, 1) : name.substr(0, slash);
}

FileResult ProcessFile(Tool& tool, const FileJob& job, Reporter& reporter) {
  return Pipeline(tool, job, reporter).Run();
}

}  // namespace qmx
