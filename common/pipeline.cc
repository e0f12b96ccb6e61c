#include "common/pipeline.h"

#include <optional>
#include <utility>

namespace qmx {
namespace {

using Kind = Message::Kind;
using Failure = EditReport::Failure;

constexpr PathStyle kStyle = kNativePathStyle;

// A directory can hold only so many numbered names; past them the result is
// reported as not saved rather than trying for ever.
constexpr int kMostNumberedNames = 9999;

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
  const std::string_view file_name = FileName(job_.argument, kStyle);
  if (!PassesExtensionTest(file_name) || NamesStream(job_.argument, kStyle)) {
    return Skip("Invalid file type, skipping.");
  }
  version_ = file.Version();
  if (!version_) return Fail(Failure::kRead);
  input_.emplace(std::move(file), version_->size);
  InputStore& input = *input_;

  // The working copy is made where the result goes: on the same file
  // system as the result, which it becomes.
  const std::string directory =
      ResultDirectory(job_.argument, job_.output_dir, kStyle);

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
  // Named as the system saves it, so that every name told is the one saved.
  const std::string output_name = InDirectory(
      directory, OutputName(file_name, tool_.Suffix(), kStyle), kStyle);
  return Save(*copy, SavedName(output_name, kStyle));
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

std::optional<std::string> GiveFreeName(
    const std::function<platform::PrivateFile::NameResult(const std::string&)>&
        give_name,
    const std::string& name) {
  using NameResult = platform::PrivateFile::NameResult;
  for (int number = 1; number <= kMostNumberedNames; ++number) {
    std::string candidate =
        number == 1 ? name : NumberedName(name, number, kStyle);
    const NameResult named = give_name(candidate);
    if (named == NameResult::kNamed) return candidate;
    if (named == NameResult::kFailed) break;
  }
  return std::nullopt;
}

FileResult ProcessFile(Tool& tool, const FileJob& job, Reporter& reporter) {
  return Pipeline(tool, job, reporter).Run();
}

}  // namespace qmx
