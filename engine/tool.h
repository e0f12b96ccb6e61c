#ifndef QMX_ENGINE_TOOL_H_
#define QMX_ENGINE_TOOL_H_

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "console/console_input.h"
#include "engine/working_copy.h"
#include "format/fields.h"

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
  /// What the use-for-all question offers ("angle", "offsets"); empty for a
  /// tool that asks no question.
  std::string_view use_for_all_subject;
};

/// Why a file is skipped, and where that is said.
struct Skip {
  std::string_view text;
  /// Said of the file: the file's name goes in front.
  bool about_file = true;
  /// Said after "File opened successfully" (otherwise instead of it).
  bool after_opening = false;
};

/// One of the tools, as the per-file pipeline runs it: its texts, its
/// parameters (asked for each file or given when it is made), a check that
/// may skip a file, how its result is laid out, the edit, and the texts
/// that name and report the result.
class Tool {
 public:
  virtual ~Tool() = default;

  virtual const ToolTexts& texts() const = 0;

  /// Why the file with `area` is skipped, judged by its header and, when
  /// `given`, by the parameters the tool was given; nothing to go on.
  virtual std::optional<Skip> Check(const KeyframeArea& area,
                                    bool given) const = 0;

  /// Prompts on `console` for the parameters for this file and keeps them
  /// as the tool's current parameters.
  virtual void AskParameters(Console& console, const KeyframeArea& area) = 0;

  /// How the result of a file of `size` bytes is laid out before the
  /// parameters are known.
  virtual Layout LayOut(const KeyframeArea& area, int64_t size) const = 0;

  /// Finishes the result in `copy` with the current parameters.
  virtual Edited Edit(WorkingCopy& copy, const KeyframeArea& area) = 0;

  /// The completion message for the current parameters and this header.
  virtual std::string Completion(const KeyframeArea& area) const = 0;

  /// The output name suffix for the current parameters.
  virtual std::string Suffix() const = 0;
};

}  // namespace qmx

#endif  // QMX_ENGINE_TOOL_H_
