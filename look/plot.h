#ifndef QMX_LOOK_PLOT_H_
#define QMX_LOOK_PLOT_H_

// The animations seen from above, as an SVG picture.

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "look/inspect.h"

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

/// Reads the track of `file` of `files`; nothing, with `error` set, when it
/// cannot be read.
std::optional<Track> ReadTrack(FileLayer& files, const std::string& file,
                               std::string& error);

/// The picture: X to the right and Z upward in world units, one scale for
/// both, a light grid every 1024 units with labelled axes; for each track
/// in a style of its own (a colour, and after the first eight a dash
/// pattern too: 24 styles before they repeat) the path of its root offset
/// with a dot per keyframe, a tick from each dot the way the keyframe faces
/// and an arrow at its end, its first keyframe's bounding box outlined; a
/// legend with the names and keyframe counts.
std::string PlotSvg(std::span<const Track> tracks);

}  // namespace qmx

#endif  // QMX_LOOK_PLOT_H_
