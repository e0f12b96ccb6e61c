#ifndef QMX_QMX_INFO_H_
#define QMX_QMX_INFO_H_

// `qmx info`: what an animation file holds, for people and for scripts.

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "qmx/inspect.h"

namespace qmx {

/// The smallest and largest value of one coordinate over the keyframes.
struct Range {
  int16_t min{};
  int16_t max{};
};

/// A range for each of X, Y and Z.
struct AxisRanges {
  Range axis[3];
};

/// Everything `qmx info` tells about one file.
struct FileInfo {
  std::string file;
  Inspection inspection;
  /// Over the keyframes read; nothing when there are none.
  std::optional<AxisRanges> root_offset;
  /// The whole box (each axis from its lowest minimum to its highest
  /// maximum) over the keyframes read; nothing when there are none.
  std::optional<AxisRanges> bounding_box;

  /// Whether the first keyframe has the player figure's meshes; nothing
  /// when the file ends before their count.
  std::optional<bool> PlayerObject() const;
  /// Bytes missing before the end of the keyframes, and bytes after it;
  /// nothing when the file ends before the header tells where that is.
  std::optional<int64_t> MissingBytes() const;
  std::optional<int64_t> TrailingBytes() const;
};

/// Reads `file`; nothing, with `error` set, when it cannot be read.
std::optional<FileInfo> ReadFileInfo(const std::string& file,
                                     std::string& error);

/// The short, aligned form for people: the file's block of lines, each
/// flushed as it is written; a value the file ends before is "unknown".
void PrintInfo(const FileInfo& info, std::ostream& out);

/// Reads and prints every file: on `out` each block as its file is read,
/// with an empty line between, or, as JSON, once all are read, one array of
/// an object per file in order (field names in the README; a value the
/// file ends before is null), holding only the file and the error for a
/// file that could not be read. One line on `err` per file that could not
/// be read. Stops after a block that could not be written. Returns 0 when
/// every file was read and printed, 1 otherwise.
int RunInfo(std::span<const std::string> files, bool json, std::ostream& out,
            std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_INFO_H_
