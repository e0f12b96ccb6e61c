#include "engine/pipeline.h"

#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace qmx {
namespace {

using Kind = Message::Kind;

constexpr PathStyle kStyle = kNativePathStyle;

// A directory can hold only so many numbered names; past them the result is
// reported as not saved rather than trying for ever.
constexpr int kMostNumberedNames = 9999;

class Pipeline {
 public:
  Pipeline(BoundEdit& edit, const FileJob& job, Reporter& reporter,
           FileLayer& files)
      : edit_(edit), job_(job), reporter_(reporter), files_(files) {}

  FileResult Run();

 private:
  FileResult Prepare(const KeyframeArea& area);
  FileResult Finish(WorkingCopy& copy, const KeyframeArea& area);
  FileResult Save(const std::string& output_name);
  // The result's name, as the system saves it, for the current parameters.
  std::string ResultName() const;
  // The file is skipped as asked: the result's name is taken.
  FileResult Existing(const std::string& name) {
    Say(Kind::kNotice, Code::kExistingSkipped, {name});
    return {.outcome = FileResult::Outcome::kExisting, .saved_as = ""};
  }

  void Say(Kind kind, Code code, std::vector<std::string> args = {}) {
    reporter_.Report(Message{kind, code, std::move(args)});
  }
  FileResult Skipped(Code code) {
    Say(Kind::kSkip, code);
    return {};
  }
  FileResult Fail(Status status);
  // A file that changed since it was opened would give a result that is
  // neither version, so this is asked after the last read of the input and
  // wherever a read of it failed (a read comes up short when it shrank).
  bool InputChanged() const { return input_->Version() != version_; }

  BoundEdit& edit_;
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
  Say(status == Status::kShort ? Kind::kSkip : Kind::kFailure, CodeOf(status));
  return {};
}

// The input, its type and its header.
FileResult Pipeline::Run() {
  OpenFailure failure;
  input_ = files_.Open(job_.argument, failure);
  if (!input_) {
    reporter_.Report(CannotOpen(failure));
    return {};
  }
  const std::string_view file_name = FileName(job_.argument, kStyle);
  if (!PassesExtensionTest(file_name) || NamesStream(job_.argument, kStyle)) {
    return Skipped(Code::kInvalidType);
  }
  version_ = input_->Version();
  if (!version_) return Fail(Status::kRead);
  const std::optional<KeyframeArea> area =
      ReadKeyframeArea(*input_, version_->size);
  if (!area) return Fail(Status::kRead);
  if (const std::optional<Code> skip = edit_.CheckFile(*area)) {
    return Skipped(*skip);
  }
  return Prepare(*area);
}

// The working copy is made where the result goes: on the same file system
// as the result, which it becomes. All it can take before the parameters
// are known is in place before they are filled in.
FileResult Pipeline::Prepare(const KeyframeArea& area) {
  directory_ = ResultDirectory(job_.argument, job_.output_dir, kStyle);
  // A name that is taken by now needs no edit. A file the parameters skip
  // is told so instead, once it is opened.
  if (job_.skip_existing && !edit_.CheckParameters(area)) {
    const std::string name = ResultName();
    if (files_.Exists(name)) return Existing(name);
  }
  output_ = input_->CreateResult(directory_);
  if (!output_) return Fail(Status::kWrite);
  WorkingCopy copy(*input_, version_->size, *output_);
  const Status laid = copy.Prepare(edit_.LayOut(area, version_->size));
  if (laid != Status::kOk) return Fail(laid);
  Say(Kind::kProgress, Code::kOpened);
  edit_.FillIn(area);
  if (const std::optional<Code> skip = edit_.CheckParameters(area)) {
    return Skipped(*skip);
  }
  return Finish(copy, area);
}

FileResult Pipeline::Finish(WorkingCopy& copy, const KeyframeArea& area) {
  const Edited edited = edit_.Apply(copy, area);
  if (edited.status != Status::kOk) return Fail(edited.status);
  if (InputChanged()) return Fail(Status::kChanged);
  input_.reset();
  for (const Code warning : edited.warnings) Say(Kind::kWarning, warning);
  reporter_.Report(edit_.Completion(area));
  return Save(ResultName());
}

// Named as the system saves it, so that every name told is the one saved.
std::string Pipeline::ResultName() const {
  const std::string output_name = InDirectory(
      directory_,
      OutputName(FileName(job_.argument, kStyle), edit_.Suffix(), kStyle),
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
    Say(Kind::kFailure, Code::kCannotSave, {output_name});
    return {.outcome = FileResult::Outcome::kNotSaved, .saved_as = ""};
  }
  if (*name != output_name) {
    Say(Kind::kNotice, Code::kSavedUnderNumberedName, {output_name, *name});
  }
  return {.outcome = FileResult::Outcome::kWritten, .saved_as = *name};
}

}  // namespace

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

FileResult ProcessFile(BoundEdit& edit, const FileJob& job, Reporter& reporter,
                       FileLayer& files) {
#ifdef __cpp_exceptions
  // An allocation that fails skips the file like any other failure, and the
  // run goes on; the working copy went with the pipeline.
  try {
    return Pipeline(edit, job, reporter, files).Run();
  } catch (const std::bad_alloc&) {
    reporter.Report(Message{Kind::kFailure, Code::kOutOfMemory});
    return {};
  }
#else
  return Pipeline(edit, job, reporter, files).Run();
#endif
}

}  // namespace qmx
