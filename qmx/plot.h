#ifndef QMX_QMX_PLOT_H_
#define QMX_QMX_PLOT_H_

// `qmx plot`: the animations seen from above, as an SVG picture.

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "qmx/inspect.h"

namespace qmx {

/// One keyframe as the picture shows it.
struct Pose {
  /// The root offset's X and Z, in world units.
  int16_t x{};
  int16_t z{};
  /// The root mesh's Y angle in angle units (0 faces +Z, 256 faces +X);
  /// nothing when the keyframe has none.
  std::optional<int16_t> facing;
};

/// What the picture shows of one file.
struct Track {
  std::string name;
  /// Every keyframe, in order.
  std::vector<Pose> keyframes;
  /// The first keyframe, for its bounding box; nothing without keyframes.
  std::optional<KeyframeCoordinates> first;
};

/// Reads the track of `file`; nothing, with `error` set, when it cannot be
/// read.
std::optional<Track> ReadTrack(const std::string& file, std::string& error);

/// The picture: X to the right and Z upward in world units, one scale for
/// both, a light grid every 1024 units with labelled axes; for each track
/// in a style of its own (a colour, and after the first eight a dash
/// pattern too: 24 styles before they repeat) the path of its root offset
/// with a dot per keyframe, a tick from each dot the way the keyframe faces
/// and an arrow at its end, its first keyframe's bounding box outlined; a
/// legend with the names and keyframe counts.
std::string PlotSvg(std::span<const Track> tracks);

/// The picture's name when none is given.
inline constexpr char kDefaultPicture[] = "plot.svg";

/// Reads every file and writes their picture to `destination`: "-" is
/// standard output (`out`); an existing directory gets kDefaultPicture in
/// it; an existing device or pipe is written into; any other name, and
/// kDefaultPicture when there is none, is saved as a new file, under the
/// first free numbered name when it exists, never replacing anything. The
/// name written to, but for standard output, goes to `out`, followed by
/// `name_end`; a line per file
/// that could not be read (and one when the picture could not be written)
/// to `err`. Returns 0 when every file is in the picture and it and its
/// name were written, 1 otherwise.
int RunPlot(std::span<const std::string> files,
            const std::optional<std::string>& destination, bool quiet,
            char name_end, std::ostream& out, std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_PLOT_H_
