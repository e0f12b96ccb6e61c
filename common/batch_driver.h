#ifndef QMX_COMMON_BATCH_DRIVER_H_
#define QMX_COMMON_BATCH_DRIVER_H_

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "common/platform.h"
#include "common/tool.h"

namespace qmx {

/// The working copy: a file of this name in the current directory.
inline constexpr char kScratchName[] = "newfile.qmx";

/// The part of `argument` after its last backslash, or all of it. Only the
/// backslash separates directories, on every platform.
std::string_view BaseName(std::string_view argument);

/// True when the up to three characters after the argument's last dot (its
/// first three characters when it has no dot) are exactly "qmx" or "QMX".
bool PassesExtensionTest(std::string_view argument);

/// `base_name` with `suffix` inserted before its last dot, or appended when
/// it has none.
std::string OutputName(std::string_view base_name, std::string_view suffix);

/// One argument that was found and passed the extension test.
struct FileJob {
  std::string_view argument;
  std::string_view base_name;
  platform::File input;  // open for reading
  bool last = false;     // no argument follows
  /// The use-for-all answer was yes and this is not the first argument.
  bool reuse_parameters = false;
};

enum class FileOutcome {
  kProcessed,  // written, or at least a rename was attempted
  kSkipped,
};

/// A tool as the batch driver runs it.
class Tool {
 public:
  virtual ~Tool() = default;
  virtual const ToolTexts& texts() const = 0;
  /// Handles one accepted argument, reporting every problem on the console.
  virtual FileOutcome Process(FileJob& job, Console& console) = 0;
};

/// Runs an InPlaceTool through the copy-edit-rename pipeline.
class InPlacePipeline : public Tool {
 public:
  explicit InPlacePipeline(InPlaceTool& tool) : tool_(tool) {}
  const ToolTexts& texts() const override { return tool_.texts(); }
  FileOutcome Process(FileJob& job, Console& console) override;

 private:
  InPlaceTool& tool_;
};

/// The whole run: the instruction screen when there are no arguments,
/// otherwise every argument in order; then "(Press ENTER to exit)" and the
/// wait for one character. Returns the exit status, always 0.
int RunBatch(Tool& tool, std::span<const std::string> arguments,
             Console& console);

/// A program's main(): runs `tool` over the command line on the process's
/// console.
int RunProgram(Tool& tool, int argc, char** argv);
int RunProgram(InPlaceTool& tool, int argc, char** argv);

// Building blocks for a tool that writes its working copy itself.

/// Starts a message about a file: the base name in apostrophes, a colon and
/// a space.
std::ostream& Quoted(std::ostream& out, std::string_view base_name);

/// Creates the working copy afresh, empty. An existing file of that name is
/// removed first rather than truncated, so that a link to another file can
/// never pass the truncation on to it.
platform::File CreateScratch();

/// Reports that the working copy could not be written and removes whatever
/// of it this file left.
void ReportScratchFailure(Console& console, std::string_view base_name);

/// Gives the working copy its output name; reports a failure.
void SaveResult(Console& console, std::string_view base_name,
                const std::string& output_name);

}  // namespace qmx

#endif  // QMX_COMMON_BATCH_DRIVER_H_
