#ifndef QMX_COMMON_TOOL_H_
#define QMX_COMMON_TOOL_H_

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "common/console_input.h"
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

/// What an edit reports besides the edited copy.
struct EditReport {
  /// Some computed value fell outside the 16-bit coordinate range and was
  /// clamped when it was stored.
  bool clamped = false;
};

/// A tool that edits a complete copy of each input in place. The driver
/// does everything around the edit: files, names, messages, questions.
class InPlaceTool {
 public:
  virtual ~InPlaceTool() = default;

  virtual const ToolTexts& texts() const = 0;

  /// True for a tool with parameters, which the driver asks for through
  /// AskParameters and offers to reuse with the use-for-all question.
  virtual bool has_parameters() const { return false; }

  /// Prompts for the parameters on `console` and keeps them as the tool's
  /// current parameters.
  virtual void AskParameters(Console& /*console*/) {}

  /// Decides from the header values whether the file is one this tool
  /// edits at all. A refused file is skipped with `texts().refusal`.
  virtual bool Accepts(const KeyframeArea& /*area*/) const { return true; }

  /// Edits the working copy in place with the current parameters.
  virtual EditReport Edit(WorkingCopy& copy, const KeyframeArea& area) = 0;

  /// The output name suffix for the current parameters.
  virtual std::string Suffix() const = 0;
};

}  // namespace qmx

#endif  // QMX_COMMON_TOOL_H_
