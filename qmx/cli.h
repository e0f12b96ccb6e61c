#ifndef QMX_QMX_CLI_H_
#define QMX_QMX_CLI_H_

// The command line of qmx: subcommands, options and their checks.

#include <ostream>
#include <span>
#include <string>

namespace qmx {

/// Exit status of a usage error.
inline constexpr int kUsageError = 2;

/// Runs qmx with `arguments` (without the program name) on the system's
/// files, writing to `out` and `err`. Returns the exit status: 0 when
/// everything was done, 1 when any file was skipped or failed, 2 for a usage
/// error (nothing done). A write to `out` that fails ends the run before the
/// next file, with a line on `err` and status 1.
int RunQmx(std::span<const std::string> arguments, std::ostream& out,
           std::ostream& err);

/// A program's main(): RunQmx over the command line on the process's
/// standard streams.
int RunQmx(int argc, char** argv);

}  // namespace qmx

#endif  // QMX_QMX_CLI_H_
