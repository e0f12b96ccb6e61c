#include "engine/messages.h"

#include <cstddef>
#include <iterator>

namespace qmx {
namespace {

struct Entry {
  Code code;
  std::string_view name;
  // "{0}", "{1}": the arguments in their places.
  std::string_view text;
};

// In the order of Code.
constexpr Entry kCatalogue[] = {
    {Code::kOpened, "opened", "File opened successfully."},
    {Code::kNotFound, "not-found", "File could not be found."},
    {Code::kNoPermission, "no-permission",
     "File cannot be read (permission denied), skipping."},
    {Code::kDirectory, "directory", "File is a directory, skipping."},
    {Code::kNotRegular, "not-regular", "File is not a regular file, skipping."},
    {Code::kCannotOpen, "cannot-open",
     "File cannot be opened ({0}), skipping."},
    {Code::kInvalidType, "invalid-type", "Invalid file type, skipping."},
    {Code::kShort, "short",
     "File is shorter than its header describes, skipping."},
    {Code::kReadFailed, "read-failed", "Could not read the file, skipping."},
    {Code::kWriteFailed, "write-failed",
     "Could not write the working copy, skipping."},
    {Code::kChanged, "changed",
     "The file changed while it was being edited, skipping."},
    {Code::kOutOfMemory, "out-of-memory", "Out of memory, skipping."},
    {Code::kOneKeyframe, "one-keyframe",
     "Animation has only one frame, none to delete! Skipping."},
    {Code::kCutsTooLong, "cuts-too-long",
     "Total amount of keyframes to be deleted surpasses length of "
     "animation!"},
    {Code::kNotPlayerObject, "not-player-object",
     "Animation doesn't seem to belong to the OBRI object. Skipping."},
    {Code::kClamped, "clamped",
     "Warning: some values fell outside the coordinate range and were "
     "clamped."},
    {Code::kWrapped, "wrapped",
     "Warning: some values passed the coordinate range and wrapped around."},
    {Code::kEndedEarly, "ended-early",
     "Warning: the file is shorter than its header describes; editing "
     "stopped at its end."},
    {Code::kRotated, "rotated", "Rotating operation complete."},
    {Code::kMoved, "moved", "Position change complete."},
    {Code::kTruncated, "truncated",
     "Animation successfully truncated. New keyframe number: {0}"},
    {Code::kMirrored, "mirrored", "Mirroring operation complete."},
    {Code::kSavedUnderNumberedName, "saved-under-numbered-name",
     "{0} already exists; the result was saved as {1}."},
    {Code::kExistingSkipped, "existing-skipped",
     "{0} already exists, skipping."},
    {Code::kCannotSave, "cannot-save", "Could not save the result as {0}."},
};
// Each code is at its own place.
constexpr bool InOrder() {
  for (size_t i = 0; i < std::size(kCatalogue); ++i) {
    if (static_cast<size_t>(kCatalogue[i].code) != i) return false;
  }
  return static_cast<size_t>(Code::kCannotSave) + 1 == std::size(kCatalogue);
}
static_assert(InOrder());

// The system's words as they go in parentheses: without the full stop and
// line break that end them, and in lower case unless they start with an
// abbreviation ("I/O").
std::string InParentheses(std::string words) {
  while (!words.empty() && std::string_view(" \t\r\n.").find(words.back()) !=
                               std::string_view::npos) {
    words.pop_back();
  }
  if (words.size() > 1 && words[0] >= 'A' && words[0] <= 'Z' &&
      words[1] >= 'a' && words[1] <= 'z') {
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  }
  return words;
}

}  // namespace

std::string TextOf(Code code, const std::vector<std::string>& args) {
  const std::string_view text = kCatalogue[static_cast<size_t>(code)].text;
  std::string said;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}') {
      const size_t n = static_cast<size_t>(text[i + 1] - '0');
      if (n < args.size()) {
        said += args[n];
      }
      i += 2;
    } else {
      said += text[i];
    }
  }
  return said;
}

std::string_view NameOf(Code code) {
  return kCatalogue[static_cast<size_t>(code)].name;
}

std::string_view NameOf(Message::Kind kind) {
  switch (kind) {
    case Message::Kind::kProgress:
      return "progress";
    case Message::Kind::kWarning:
      return "warning";
    case Message::Kind::kNotice:
      return "notice";
    case Message::Kind::kSkip:
      return "skip";
    case Message::Kind::kFailure:
      break;
  }
  return "failure";
}

Code CodeOf(Status status) {
  switch (status) {
    case Status::kShort:
      return Code::kShort;
    case Status::kRead:
      return Code::kReadFailed;
    case Status::kWrite:
      return Code::kWriteFailed;
    case Status::kChanged:
      return Code::kChanged;
    case Status::kMemory:
    case Status::kOk:
    case Status::kTaken:
      break;
  }
  return Code::kOutOfMemory;
}

Message CannotOpen(const OpenFailure& failure) {
  using Cause = OpenFailure::Cause;
  Message message{.kind = Message::Kind::kSkip, .code = Code::kNotFound};
  switch (failure.cause) {
    case Cause::kMissing:
      break;
    case Cause::kPermission:
      message.code = Code::kNoPermission;
      break;
    case Cause::kDirectory:
      message.code = Code::kDirectory;
      break;
    case Cause::kNotRegular:
      message.code = Code::kNotRegular;
      break;
    case Cause::kOther:
      message.code = Code::kCannotOpen;
      message.args = {InParentheses(failure.system_words)};
      break;
  }
  return message;
}

bool IsOpenFailure(Code code) {
  switch (code) {
    case Code::kNotFound:
    case Code::kNoPermission:
    case Code::kDirectory:
    case Code::kNotRegular:
    case Code::kCannotOpen:
      return true;
    default:
      return false;
  }
}

}  // namespace qmx
