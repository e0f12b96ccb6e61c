#ifndef QMX_ENGINE_MESSAGES_H_
#define QMX_ENGINE_MESSAGES_H_

// What the engine and the edits have to say, as data: a kind, a code and
// the code's arguments. One catalogue turns a code into its English text;
// each front end frames the text its own way (the console with the file's
// name and line breaks, qmx one line on its error stream, the page as
// JSON).

#include <string>
#include <string_view>
#include <vector>

#include "engine/file_layer.h"

namespace qmx {

/// Everything said of a file. The arguments each takes are in its comment.
enum class Code {
  // Opening the file.
  kOpened,        // the input is open and the working copy laid out
  kNotFound,      // the input does not exist
  kNoPermission,  // the input may not be read
  kDirectory,     // the input is a directory
  kNotRegular,    // the input is no regular file
  kCannotOpen,    // the input cannot be opened: the system's words, as
                  // they go in parentheses
  kInvalidType,   // the name is not that of an animation
  // The file's work failed (a Status).
  kShort,
  kReadFailed,
  kWriteFailed,
  kChanged,
  kOutOfMemory,
  // The edits' skips.
  kOneKeyframe,      // a cut needs two keyframes
  kCutsTooLong,      // the cuts leave no keyframe
  kNotPlayerObject,  // the mirror is for the player character only
  // The edits' warnings.
  kClamped,     // a turned value was clamped
  kWrapped,     // a moved value wrapped around
  kEndedEarly,  // the file ended before its last keyframe
  // The edits' completions.
  kRotated,
  kMoved,
  kTruncated,  // the new keyframe count
  kMirrored,
  // Naming the result.
  kSavedUnderNumberedName,  // the result's name, the name it was saved as
  kExistingSkipped,         // the result's name
  kCannotSave,              // the result's name
};

/// One thing said of a file.
struct Message {
  enum class Kind {
    kProgress,  // the file was opened, the edit is complete
    kWarning,   // the result is written, but something is worth knowing
    kNotice,    // the result was saved under another name, or was not made
                // for a name that is taken
    kSkip,      // the file is not one the edit processes
    kFailure,   // the file could not be processed or saved
  };
  Kind kind;
  Code code;
  std::vector<std::string> args = {};
};

/// The English text of `code` with `args` in their places.
std::string TextOf(Code code, const std::vector<std::string>& args = {});
inline std::string TextOf(const Message& message) {
  return TextOf(message.code, message.args);
}

/// A name of `code` and of `kind` for data read elsewhere (the page):
/// lower case words joined by hyphens, fixed once given.
std::string_view NameOf(Code code);
std::string_view NameOf(Message::Kind kind);

/// What is said of a file whose work failed with `status` (not kOk or
/// kTaken, which are no failures of a file).
Code CodeOf(Status status);

/// What is said of an input that could not be opened, as `failure` tells.
Message CannotOpen(const OpenFailure& failure);

/// Whether `code` says why an input could not be opened.
bool IsOpenFailure(Code code);

}  // namespace qmx

#endif  // QMX_ENGINE_MESSAGES_H_
