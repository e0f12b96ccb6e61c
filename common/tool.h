#ifndef QMX_COMMON_TOOL_H_
#define QMX_COMMON_TOOL_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "common/console_input.h"
#include "common/fields.h"
#include "common/working_copy.h"

namespace qmx {

/// The console a tool talks to. `ask_key` prints a question and returns the
/// key that answers it, or -1 at the end of input.
struct Console {
  ConsoleReader& in;
  std::ostream& out;
  std::function<int(std::string_view question)> ask_key;
};

/// Fixed texts of one tool.
struct ToolTexts {
  std::string_view banner;        // without its line breaks
  std::string_view instructions;  // every instruction line with its breaks
  std::string_view completion;    // the completion message, without breaks
  /// What the use-for-all question offers ("angle", "offsets"); empty for a
  /// tool that asks no question.
  std::string_view use_for_all_subject;
  /// Printed, with two line breaks, when `Accepts` refuses a file.
  std::string_view refusal;
};

/// How a tool's edit of one working copy ended.
struct EditReport {
  enum class Failure {
    kNone,
    kShort,  // the input does not hold what the edit needs
    kRead,   // the input could not be read
    kWrite,  // the working copy could not be read or written
  };
  Failure failure = Failure::kNone;
  /// Some computed value fell outside the 16-bit coordinate range and was
  /// clamped when it was stored.
  bool clamped = false;
  /// Some sum left the 16-bit coordinate range and wrapped around.
  bool wrapped = false;
  /// The file is shorter than its header describes; the edit stopped at
  /// its end.
  bool ended_early = false;
  /// The new keyframe count, for a tool whose completion message ends with
  /// it.
  std::optional<uint16_t> new_keyframe_count;
};

/// The report of an edit that walked the keyframes of a store.
inline EditReport ReportOf(const WalkResult& walk) {
  EditReport report;
  if (!walk.stored) report.failure = EditReport::Failure::kWrite;
  report.ended_early = walk.ended_early;
  return report;
}

/// One of the tools, as the per-file pipeline runs it. A tool either edits
/// a whole copy of each file in place, or builds its copy itself from the
/// header and the keyframes it keeps.
class Tool {
 public:
  virtual ~Tool() = default;

  virtual const ToolTexts& texts() const = 0;

  /// True for a tool that edits a whole copy of the file in place.
  virtual bool EditsInPlace() const { return true; }

  /// For a tool that builds its copy: why a file is skipped before anything
  /// is written, judged by its header; empty to go on.
  virtual std::string_view Screen(const KeyframeArea& /*area*/) const {
    return {};
  }

  /// For a tool that edits in place: false for a file the tool does not
  /// edit, which is skipped with `texts().refusal`.
  virtual bool Accepts(const KeyframeArea& /*area*/) const { return true; }

  /// Prompts on `console` for the parameters for this file and keeps them
  /// as the tool's current parameters.
  virtual void AskParameters(Console& /*console*/,
                             const KeyframeArea& /*area*/) {}

  /// Why the current parameters, given rather than asked for, cannot be
  /// used on this file; empty when they can.
  virtual std::string_view RefuseParameters(
      const KeyframeArea& /*area*/) const {
    return {};
  }

  /// Edits the working copy with the current parameters. A tool that edits
  /// in place gets the whole copy; one that builds its copy gets the header
  /// and `input`, from which it takes the rest.
  virtual EditReport Edit(WorkingCopy& copy, const KeyframeArea& area,
                          const InputStore& input) = 0;

  /// The output name suffix for the current parameters.
  virtual std::string Suffix() const = 0;
};

}  // namespace qmx

#endif  // QMX_COMMON_TOOL_H_
