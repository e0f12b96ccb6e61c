#ifndef QMX_LOOK_INFO_H_
#define QMX_LOOK_INFO_H_

// What an animation file holds, for people and for scripts.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "look/inspect.h"

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

/// Reads `file` of `files`; nothing, with `error` set, when it cannot be
/// read.
std::optional<FileInfo> ReadFileInfo(FileLayer& files, const std::string& file,
                                     std::string& error);

/// The short, aligned form for people: the lines of the file's block
/// that follow its name, each flushed as it is written; a value the file
/// ends before is "unknown".
void PrintInfo(const FileInfo& info, std::ostream& out);

/// The same as one JSON object (field names in the README; a value the
/// file ends before is null).
nlohmann::ordered_json InfoJson(const FileInfo& info);

}  // namespace qmx

#endif  // QMX_LOOK_INFO_H_
