#ifndef QMX_COMMON_PIPELINE_H_
#define QMX_COMMON_PIPELINE_H_

// The road of one file through a tool, whatever front end drives it: open
// the input, test its type, make a private working copy beside where the
// result goes, read the header, get the parameters, edit, and give the
// result its name without replacing anything. Every step reports what
// happened as a message; the front end decides how to show it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/platform.h"
#include "common/tool.h"

namespace qmx {

/// The part of `argument` after its last backslash, or all of it: the name
/// that messages quote. Only the backslash counts here, on every platform.
std::string_view BaseName(std::string_view argument);

/// The file's own name: the part of `argument` after its last '/' or '\'.
std::string_view FileName(std::string_view argument);

/// True when the up to three characters after the last dot of `file_name`
/// (its first three characters when it has no dot) are exactly "qmx" or
/// "QMX".
bool PassesExtensionTest(std::string_view file_name);

/// `name` with `suffix` inserted before the last dot of its file name part
/// (after its last '/'), or appended when that part has no dot.
std::string OutputName(std::string_view name, std::string_view suffix);

/// `name` with " (n)" inserted as OutputName inserts a suffix.
std::string NumberedName(std::string_view name, int number);

/// Gives a complete file the name `name` through `give_name`, or, when that
/// name is taken, the first free one of NumberedName(name, 2), (name, 3),
/// ...; never replaces anything. The name the file got, or nothing when it
/// could not be given one.
std::optional<std::string> GiveFreeName(
    const std::function<platform::PrivateFile::NameResult(const std::string&)>&
        give_name,
    const std::string& name);

/// The directory part of `name`: everything before its last '/' ("/" for a
/// name right under the root), or "" for the current directory.
std::string_view DirectoryPart(std::string_view name);

/// One line (or part of one) that the pipeline has to say about a file.
struct Message {
  enum class Kind {
    kProgress,  // the file was opened, the edit is complete
    kWarning,   // the result is written, but something is worth knowing
    kNotice,    // the result was saved under another name
    kSkip,      // the file is not one the tool processes
    kFailure,   // the file could not be processed or saved
  };
  Kind kind;
  /// Said of the file: the console puts its base name in front.
  bool about_file;
  std::string text;
  /// Line breaks that follow on the console.
  int breaks;
};

/// Receives the messages of one file, in order.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void Report(const Message& message) = 0;
};

/// One file to process.
struct FileJob {
  std::string argument;
  /// Where the result goes; empty for the default: the current directory,
  /// or the input's own directory for an argument with forward slashes.
  std::string output_dir;
  /// The console to ask the parameters on; null when they are given.
  Console* console = nullptr;
  /// Ask for the parameters (otherwise the current ones are used).
  bool ask = true;
};

struct FileResult {
  enum class Outcome {
    kWritten,   // the result has its name
    kNotSaved,  // edited, but no name could be given to the result
    kSkipped,   // skipped, or failed before the edit was complete
  };
  Outcome outcome = Outcome::kSkipped;
  std::string saved_as;  // the result's name, when written
};

/// Processes one file with `tool`. Leaves nothing behind but the result:
/// no working copy, whatever happens.
FileResult ProcessFile(Tool& tool, const FileJob& job, Reporter& reporter);

}  // namespace qmx

#endif  // QMX_COMMON_PIPELINE_H_
