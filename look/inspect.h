#ifndef QMX_LOOK_INSPECT_H_
#define QMX_LOOK_INSPECT_H_

// A read-only look inside an animation file: its header and the box and
// root offset of every keyframe it holds, read in bounded pieces through
// the same code as the edits, so memory does not grow with the file.

#include <array>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "engine/file_layer.h"
#include "engine/messages.h"
#include "engine/working_copy.h"
#include "format/fields.h"

namespace qmx {

/// The coordinates of one keyframe, in world units, and where it faces.
struct KeyframeCoordinates {
  int16_t box_min[3];  // X, Y, Z
  int16_t box_max[3];
  int16_t root[3];
  /// The root mesh's Y angle, in angle units; nothing when the keyframes
  /// have no mesh or the file ends before the angle.
  std::optional<int16_t> facing;
  /// The root mesh's X, Y and Z angles, in angle units, when asked for;
  /// nothing otherwise, and when the keyframes have no mesh or the file ends
  /// before the Z angle.
  std::optional<std::array<int16_t, 3>> angles;
};

/// What the header says and how much of it the file holds.
struct Inspection {
  int64_t length{};
  /// Nothing when the file ends before the field.
  std::optional<uint16_t> header_record_count;
  /// The header reads that locate the keyframes, as every tool makes them.
  KeyframeArea area;
  /// Keyframes whose coordinates lie wholly inside the file, from the first
  /// on: those handed to the caller.
  int64_t keyframes_read{};

  /// Where the keyframes end by the header: T + 66 + count x stride; nothing
  /// when the file ends before the header tells.
  std::optional<int64_t> KeyframesEnd() const;
};

/// Reads the file `path` of `files`: its header, then the coordinates of each
/// keyframe it holds, in order, handed to `keyframe` (a keyframe counts as held
/// when the file holds its coordinates, whether or not it holds its facing),
/// with the root mesh's three angles when `angles` says so. When the file
/// cannot be read, nothing, with `error` set to what happened in the tools'
/// words.
std::optional<Inspection> Inspect(
    FileLayer& files, const std::string& path,
    const std::function<void(const KeyframeCoordinates&)>& keyframe,
    std::string& error, bool angles = false);

/// What reads a file of a file layer, with `error` set when it cannot.
template <class T>
using FileReader = std::optional<T> (*)(FileLayer& files,
                                        const std::string& file,
                                        std::string& error);

/// `read(files, file, error)`, where an allocation that fails is the file's
/// error.
template <class T>
std::optional<T> ReadWithin(FileReader<T> read, FileLayer& files,
                            const std::string& file, std::string& error) {
#ifdef __cpp_exceptions
  try {
    return read(files, file, error);
  } catch (const std::bad_alloc&) {
    error = TextOf(Code::kOutOfMemory);
    return std::nullopt;
  }
#else
  return read(files, file, error);
#endif
}

}  // namespace qmx

#endif  // QMX_LOOK_INSPECT_H_
