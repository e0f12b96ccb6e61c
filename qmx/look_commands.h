#ifndef QMX_QMX_LOOK_COMMANDS_H_
#define QMX_QMX_LOOK_COMMANDS_H_

// `qmx info` and `qmx plot`: the look inside files, on the command line.

#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "engine/file_layer.h"

namespace qmx {

/// Reads and prints every file of `layer`: on `out` each block as its file is
/// read, with an empty line between, or, as JSON, once all are read, one array
/// of an object per file in order (field names in the README; a value the file
/// ends before is null), holding only the file and the error for a file that
/// could not be read. One line on `err` per file that could not be read. Stops
/// after a block that could not be written. Returns 0 when every file was read
/// and printed, 1 otherwise.
int RunInfo(FileLayer& layer, std::span<const std::string> files, bool json,
            std::ostream& out, std::ostream& err);

/// The picture's name when none is given.
inline constexpr char kDefaultPicture[] = "plot.svg";

/// Reads every file of `layer` and writes their picture, through `layer`,
/// to `destination`: "-" is
/// standard output (`out`); an existing directory gets kDefaultPicture in
/// it; an existing device or pipe is written into; any other name, and
/// kDefaultPicture when there is none, is saved as a new file, under the
/// first free numbered name when it exists, never replacing anything. The
/// name written to, but for standard output, goes to `out`, followed by
/// `name_end`; a line per file
/// that could not be read (and one when the picture could not be written)
/// to `err`. Returns 0 when every file is in the picture and it and its
/// name were written, 1 otherwise.
int RunPlot(FileLayer& layer, std::span<const std::string> files,
            const std::optional<std::string>& destination, bool quiet,
            char name_end, std::ostream& out, std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_LOOK_COMMANDS_H_
