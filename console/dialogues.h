#ifndef QMX_CONSOLE_DIALOGUES_H_
#define QMX_CONSOLE_DIALOGUES_H_

// The interactive programs' dialogues: each program's banner and
// instructions, and the questions that fill in its edit's parameters for
// each file.

#include <functional>
#include <memory>
#include <ostream>
#include <string_view>

#include "console/console_input.h"
#include "engine/edit.h"

namespace qmx {

/// The console a dialogue talks to. `ask_key` prints a question and returns
/// the key that answers it, or -1 at the end of input.
struct Console {
  ConsoleReader& in;
  std::ostream& out;
  std::function<int(std::string_view question)> ask_key;
};

/// One interactive program.
struct Program {
  std::string_view banner;        // without its line breaks
  std::string_view instructions;  // every instruction line with its breaks
  /// What the use-for-all question offers ("angle", "offsets"); empty for a
  /// program that asks no such question.
  std::string_view use_for_all_subject;
  /// The program as the registry of the edits names its edit ("gyrel").
  std::string_view name;
};

/// The edit of `program`, whose parameters are asked for on `console` for
/// each file while `asking` holds, as the registry of the edits lists them
/// (their prompts, their widths, whether the file's keyframe count is
/// shown first); asked again, after saying why, while the edit refuses
/// them.
std::unique_ptr<BoundEdit> AskingEdit(const Program& program, Console& console,
                                      const bool& asking);

extern const Program kGyrelProgram;
extern const Program kShovanProgram;
extern const Program kSniplaProgram;
extern const Program kFliptaProgram;

}  // namespace qmx

#endif  // QMX_CONSOLE_DIALOGUES_H_
