#ifndef QMX_ENGINE_PIPELINE_H_
#define QMX_ENGINE_PIPELINE_H_

// The road of one file through an edit, whatever front end drives it:
// open the input, test its type, read the header, lay out the working copy
// beside where the result goes, let the front end fill in the parameters,
// edit, and give the result its name without replacing anything. Every step
// reports what happened as a message (messages.h); the front end decides how to
// show it. Files are reached only through a FileLayer.

#include <functional>
#include <optional>
#include <string>

#include "engine/edit.h"
#include "engine/file_layer.h"
#include "engine/messages.h"
#include "engine/paths.h"

namespace qmx {

/// Gives a complete file the name `name` through `give_name`, or, when that
/// name is taken, the first free one of NumberedName(name, 2), (name, 3),
/// ...; never replaces anything. The name the file got, or nothing when it
/// could not be given one.
std::optional<std::string> GiveFreeName(
    const std::function<Status(const std::string&)>& give_name,
    const std::string& name);

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
  /// Skip the file when its result's name is taken, rather than saving the
  /// result under a numbered name: before the edit when the name exists by
  /// then, otherwise when the result is named. The parameters must be given
  /// (the edit fills in none).
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

/// Processes one file of `files` with `edit`. Leaves nothing behind but the
/// result: no working copy, whatever happens.
FileResult ProcessFile(BoundEdit& edit, const FileJob& job, Reporter& reporter,
                       FileLayer& files);

}  // namespace qmx

#endif  // QMX_ENGINE_PIPELINE_H_
