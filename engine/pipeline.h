#ifndef QMX_ENGINE_PIPELINE_H_
#define QMX_ENGINE_PIPELINE_H_

// The road of one file through a tool, whatever front end drives it: open
// the input, test its type, read the header, lay out the working copy
// beside where the result goes, get the parameters, edit, and give the
// result its name without replacing anything. Every step reports what
// happened as a message; the front end decides how to show it. Files are
// reached only through a FileLayer.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_layer.h"
#include "engine/paths.h"
#include "engine/tool.h"

namespace qmx {

/// Gives a complete file the name `name` through `give_name`, or, when that
/// name is taken, the first free one of NumberedName(name, 2), (name, 3),
/// ...; never replaces anything. The name the file got, or nothing when it
/// could not be given one.
std::optional<std::string> GiveFreeName(
    const std::function<Status(const std::string&)>& give_name,
    const std::string& name);

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
  /// What `text` says, with the cause that the console's fixed words leave
  /// out (of an input that could not be opened); empty when it says all.
  std::string with_cause = {};
};

/// Why an input could not be opened, said of the file: "File could not be
/// found." for one that does not exist, otherwise the cause, the system's
/// words for any other than those the file layer names.
std::string CannotOpenText(const OpenFailure& failure);

/// Receives the messages of one file, in order.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void Report(const Message& message) = 0;
};

/// One file to process.
struct FileJob {
  std::string argument;
  /// The directory for the result; empty for where ResultDirectory puts it
  /// by the argument alone.
  std::string output_dir;
  /// The console to ask the parameters on; null when they are given.
  Console* console = nullptr;
  /// Ask for the parameters (otherwise the current ones are used).
  bool ask = true;
  /// Skip the file when its result's name is taken, rather than saving the
  /// result under a numbered name: before the edit when the name exists by
  /// then, otherwise when the result is named. The parameters must be given.
  bool skip_existing = false;
};

struct FileResult {
  enum class Outcome {
    kWritten,   // the result has its name
    kNotSaved,  // edited, but no name could be given to the result
    kSkipped,   // skipped, or failed before the edit was complete
    kExisting,  // skipped, as asked, for a result's name that is taken
  };
  Outcome outcome = Outcome::kSkipped;
  std::string saved_as;  // the result's name as saved, when written
};

/// Processes one file of `files` with `tool`. Leaves nothing behind but the
/// result: no working copy, whatever happens.
FileResult ProcessFile(Tool& tool, const FileJob& job, Reporter& reporter,
                       FileLayer& files);

}  // namespace qmx

#endif  // QMX_ENGINE_PIPELINE_H_
