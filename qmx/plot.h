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

/// What the picture shows of one file.
struct Track {
  std::string name;
  /// The root offset of each keyframe, X and Z.
  std::vector<std::pair<int16_t, int16_t>> root;
  /// The first keyframe, for its bounding box; nothing without keyframes.
  std::optional<KeyframeCoordinates> first;
};

/// Reads the track of `file`; nothing, with `error` set, when it cannot be
/// read.
std::optional<Track> ReadTrack(const std::string& file, std::string& error);

/// The picture: X to the right and Z upward in world units, one scale for
/// both, a light grid every 1024 units with labelled axes; for each track
/// in its own colour the path of its root offset with a dot per keyframe
/// and an arrow at its end, its first keyframe's bounding box outlined; a
/// legend with the names.
std::string PlotSvg(std::span<const Track> tracks);

/// Reads every file and saves their picture as `picture`, or under the
/// first free numbered name when that exists; never replaces anything. The
/// name it was saved under goes to `out`, followed by `name_end`, a line
/// per file that could not be read (and one when the picture could not be
/// saved) to `err`. Returns 0 when every file is in the picture and its
/// name was written, 1 otherwise.
int RunPlot(std::span<const std::string> files, const std::string& picture,
            bool quiet, char name_end, std::ostream& out, std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_PLOT_H_
