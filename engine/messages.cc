#include "engine/messages.h"

#include <cstddef>
#include <iterator>

namespace qmx {
namespace {

struct Entry {
  std::string_view name;
  // "{0}", "{1}": the arguments in their places.
  std::string_view text;
};

// In the order of Code.
constexpr Entry kCatalogue[] = {
    {"opened", "File opened successfully."},
    {"not-found", "File could not be found."},
    {"no-permission", "File cannot be read (permission denied), skipping."},
    {"directory", "File is a directory, skipping."},
    {"not-regular", "File is not a regular file, skipping."},
    {"cannot-open", "File cannot be opened ({0}), skipping."},
    {"invalid-type", "Invalid file type, skipping."},
    {"short", "File is shorter than its header describes, skipping."},
    {"read-failed", "Could not read the file, skipping."},
    {"write-failed", "Could not write the working copy, skipping."},
    {"changed", "The file changed while it was being edited, skipping."},
    {"out-of-memory", "Out of memory, skipping."},
    {"one-keyframe", "Animation has only one frame, none to delete! Skipping."},
    {"cuts-too-long",
     "Total amount of keyframes to be deleted surpasses length of "
     "animation!"},
    {"not-player-object",
     "Animation doesn't seem to belong to the OBRI object. Skipping."},
    {"clamped",
     "Warning: some values fell outside the coordinate range and were "
     "clamped."},
    {"wrapped",
     "Warning: some values passed the coordinate range and wrapped around."},
    {"ended-early",
     "Warning: the file is shorter than its header describes; editing "
     "stopped at its end."},
    {"rotated", "Rotating operation complete."},
    {"moved", "Position change complete."},
    {"truncated", "Animation successfully truncated. New keyframe number: {0}"},
    {"mirrored", "Mirroring operation complete."},
    {"saved-under-numbered-name",
     "{0} already exists; the result was saved as {1}."},
    {"existing-skipped", "{0} already exists, skipping."},
    {"cannot-save", "Could not save the result as {0}."},
};
static_assert(static_cast<size_t>(Code::kCannotSave) + 1 ==
              std::size(kCatalogue));

// The system's words go in parentheses: without the full stop and line
// break that end them, and in lower case unless they start with an
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
        said += code == Code::kCannotOpen ? InParentheses(args[n]) : args[n];
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
      message.args = {failure.system_words};
      break;
  }
  return message;
}

bool IsOpenFailure(Code code) {
  return code >= Code::kNotFound && code <= Code::kCannotOpen;
}

}  // namespace qmx
