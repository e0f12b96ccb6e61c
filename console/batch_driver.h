#ifndef QMX_CONSOLE_BATCH_DRIVER_H_
#define QMX_CONSOLE_BATCH_DRIVER_H_

// The console front end of the four interactive tools: the instruction
// screen, every argument in order through the per-file pipeline, the
// use-for-all question after the first file, and the final wait.

#include <ostream>
#include <string>
#include <string_view>

#include "console/dialogues.h"

namespace qmx {

/// Starts a message about a file: the base name in apostrophes, a colon and
/// a space. On a terminal the name is shown as ShownName shows it.
std::ostream& Quoted(std::ostream& out, std::string_view base_name);

/// A program's main(): runs `program` over the command line on the system's
/// files and the process's console: the instruction screen when there are no
/// arguments, otherwise every argument in order; then "(Press ENTER to exit)"
/// and the wait for one character. Returns the exit status, always 0.
int RunProgram(const Program& program, int argc, char** argv);

/// What a program's main() does when an allocation outside a file fails:
/// says so on the console and returns the exit status, 0.
int EndOutOfMemory();

}  // namespace qmx

#endif  // QMX_CONSOLE_BATCH_DRIVER_H_
