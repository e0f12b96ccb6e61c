#include "look/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "format/qmx_format.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

// World units between grid lines: one sector.
constexpr int64_t kGrid = 1024;

// Pixels: the longer side of the drawing, the margins around it, a legend
// line.
constexpr double kSide = 640;
constexpr double kLeft = 72;
constexpr double kTop = 24;
constexpr double kRight = 24;
constexpr double kBottom = 48;
constexpr double kLegendLine = 20;
constexpr double kNarrowest = 400;
// Pixels from a keyframe's dot to the end of its facing tick: the same
// whatever the scale, so that it reads at every size and reaches past the
// dot (radius 2.5).
constexpr double kTick = 9;

// Colours that stay apart from one another and from the grey grid, and
// dash patterns of the path for the tracks after each eight: solid, dashed,
// dotted. Both apart from the first box's outline (dashed "4 3", thinner).
constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#e377c2", "#17becf"};
constexpr const char* kDashes[] = {"", "9 4", "1.5 3.5"};

struct Style {
  std::string colour;
  // The path's stroke-dasharray attribute, if any.
  std::string dash;
};

Style StyleOf(size_t track) {
  const size_t colours = std::size(kColours);
  const char* dash = kDashes[track / colours % std::size(kDashes)];
  return {kColours[track % colours],
          *dash ? std::string(" stroke-dasharray=\"") + dash + "\"" : ""};
}

std::string Number(double value) {
  char text[32];
  // No "-0.0": a value that rounds to zero is 0.
  std::snprintf(text, sizeof text, "%.1f", std::abs(value) < 0.05 ? 0 : value);
  return text;
}

// `text` as XML character data: markup characters escaped; each byte that
// is not UTF-8 (a file name can hold any), each byte of a surrogate (which
// XML cannot hold) and each character XML 1.0 forbids, or that a reader
// would change (line breaks), replaced by U+FFFD.
std::string Escaped(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const Utf8Unit unit = DecodeUtf8(text);
    const char32_t code = unit.code;
    if (unit.kind != Utf8Unit::Kind::kCharacter) {
      for (size_t i = 0; i < unit.length; ++i) out += "\xEF\xBF\xBD";
    } else if ((code < 0x20 && code != '\t') || code == 0xFFFE ||
               code == 0xFFFF) {
      out += "\xEF\xBF\xBD";
    } else if (code == '&') {
      out += "&amp;";
    } else if (code == '<') {
      out += "&lt;";
    } else if (code == '>') {
      out += "&gt;";
    } else if (code == '"') {
      out += "&quot;";
    } else {
      out += text.substr(0, unit.length);
    }
    text.remove_prefix(unit.length);
  }
  return out;
}

int64_t FloorToGrid(int64_t value) {
  const int64_t cell =
      value >= 0 ? value / kGrid : -((-value + kGrid - 1) / kGrid);
  return cell * kGrid;
}

int64_t CeilToGrid(int64_t value) { return -FloorToGrid(-value); }

// The world rectangle the picture shows: every root offset and first box,
// widened to whole grid cells.
struct Bounds {
  int64_t x_low = std::numeric_limits<int64_t>::max();
  int64_t x_high = std::numeric_limits<int64_t>::min();
  int64_t z_low = std::numeric_limits<int64_t>::max();
  int64_t z_high = std::numeric_limits<int64_t>::min();

  void Take(int64_t x, int64_t z) {
    x_low = std::min(x_low, x);
    x_high = std::max(x_high, x);
    z_low = std::min(z_low, z);
    z_high = std::max(z_high, z);
  }
  void Snap() {
    if (x_low > x_high) Take(0, 0);
    x_low = FloorToGrid(x_low);
    z_low = FloorToGrid(z_low);
    x_high = std::max(CeilToGrid(x_high), x_low + kGrid);
    z_high = std::max(CeilToGrid(z_high), z_low + kGrid);
  }
};

// Every how many grid lines a label goes, so that about ten at most show.
int64_t LabelEvery(int64_t cells) {
  int64_t every = 1;
  while (cells / every > 10) every *= 2;
  return every;
}

class Canvas {
 public:
  explicit Canvas(const Bounds& bounds)
      : bounds_(bounds),
        scale_(kSide /
               static_cast<double>(std::max(bounds.x_high - bounds.x_low,
                                            bounds.z_high - bounds.z_low))) {}

  double X(int64_t x) const {
    return kLeft + static_cast<double>(x - bounds_.x_low) * scale_;
  }
  double Y(int64_t z) const {
    return kTop + static_cast<double>(bounds_.z_high - z) * scale_;
  }
  double DrawingWidth() const { return X(bounds_.x_high) - kLeft; }
  double DrawingBottom() const { return Y(bounds_.z_low); }

 private:
  Bounds bounds_;
  double scale_;
};

void DrawGrid(std::string& svg, const Bounds& bounds, const Canvas& canvas) {
  const std::string top = Number(canvas.Y(bounds.z_high));
  const std::string bottom = Number(canvas.Y(bounds.z_low));
  const std::string left = Number(canvas.X(bounds.x_low));
  const std::string right = Number(canvas.X(bounds.x_high));
  svg += "<g class=\"grid\" stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
  for (int64_t x = bounds.x_low; x <= bounds.x_high; x += kGrid) {
    const std::string at = Number(canvas.X(x));
    svg += "<line x1=\"" + at + "\" y1=\"" + top + "\" x2=\"" + at +
           "\" y2=\"" + bottom + "\"" + (x == 0 ? " stroke=\"#999\"" : "") +
           "/>\n";
  }
  for (int64_t z = bounds.z_low; z <= bounds.z_high; z += kGrid) {
    const std::string at = Number(canvas.Y(z));
    svg += "<line x1=\"" + left + "\" y1=\"" + at + "\" x2=\"" + right +
           "\" y2=\"" + at + "\"" + (z == 0 ? " stroke=\"#999\"" : "") + "/>\n";
  }
  svg += "</g>\n";

  svg +=
      "<g class=\"axes\" font-family=\"sans-serif\" font-size=\"11\" "
      "fill=\"#555\">\n";
  const int64_t x_every = LabelEvery((bounds.x_high - bounds.x_low) / kGrid);
  for (int64_t x = bounds.x_low; x <= bounds.x_high; x += kGrid) {
    if ((x / kGrid) % x_every != 0) continue;
    svg += "<text x=\"" + Number(canvas.X(x)) + "\" y=\"" +
           Number(canvas.DrawingBottom() + 16) + "\" text-anchor=\"middle\">" +
           std::to_string(x) + "</text>\n";
  }
  const int64_t z_every = LabelEvery((bounds.z_high - bounds.z_low) / kGrid);
  for (int64_t z = bounds.z_low; z <= bounds.z_high; z += kGrid) {
    if ((z / kGrid) % z_every != 0) continue;
    svg += "<text x=\"" + Number(kLeft - 6) + "\" y=\"" +
           Number(canvas.Y(z) + 4) + "\" text-anchor=\"end\">" +
           std::to_string(z) + "</text>\n";
  }
  svg += "<text x=\"" + Number(kLeft + canvas.DrawingWidth() / 2) + "\" y=\"" +
         Number(canvas.DrawingBottom() + 36) +
         "\" text-anchor=\"middle\">X (world units)</text>\n";
  svg += "<text x=\"" + Number(kLeft - 6) + "\" y=\"" + Number(kTop - 10) +
         "\" text-anchor=\"end\">Z</text>\n";
  svg += "</g>\n";
}

void DrawTrack(std::string& svg, const Track& track, const Style& style,
               const Canvas& canvas) {
  const std::string& c = style.colour;
  svg += "<g class=\"animation\" fill=\"none\" stroke=\"" + c + "\">\n";
  svg += "<title>" + Escaped(track.name) + "</title>\n";
  if (track.first) {
    const KeyframeCoordinates& box = *track.first;
    const double left = canvas.X(box.box_min[0]);
    const double right = canvas.X(box.box_max[0]);
    const double top = canvas.Y(box.box_max[2]);
    const double bottom = canvas.Y(box.box_min[2]);
    svg += "<rect class=\"first-box\" x=\"" + Number(std::min(left, right)) +
           "\" y=\"" + Number(std::min(top, bottom)) + "\" width=\"" +
           Number(std::abs(right - left)) + "\" height=\"" +
           Number(std::abs(bottom - top)) +
           "\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>\n";
  }
  if (track.keyframes.empty()) {
    svg += "</g>\n";
    return;
  }
  std::string d;
  for (const Pose& pose : track.keyframes) {
    d += (d.empty() ? "M" : " L") + Number(canvas.X(pose.x)) + "," +
         Number(canvas.Y(pose.z));
  }
  svg += "<path class=\"route\" d=\"" + d + "\" stroke-width=\"1.5\"" +
         style.dash + "/>\n";
  // A facing (sin, cos) of the angle in (X, Z) is (sin, -cos) on the page,
  // whose y grows downward.
  std::string ticks;
  for (const Pose& pose : track.keyframes) {
    if (!pose.facing) continue;
    const double turn =
        2 * std::numbers::pi * *pose.facing / kAngleUnitsPerTurn;
    ticks += (ticks.empty() ? "M" : " M") + Number(canvas.X(pose.x)) + "," +
             Number(canvas.Y(pose.z)) + " l" + Number(kTick * std::sin(turn)) +
             "," + Number(-kTick * std::cos(turn));
  }
  if (!ticks.empty()) {
    svg += "<path class=\"facing\" d=\"" + ticks +
           "\" stroke-width=\"1.5\" stroke-linecap=\"round\"/>\n";
  }
  svg += "<g fill=\"" + c + "\" stroke=\"none\">\n";
  for (const Pose& pose : track.keyframes) {
    svg += "<circle cx=\"" + Number(canvas.X(pose.x)) + "\" cy=\"" +
           Number(canvas.Y(pose.z)) + "\" r=\"2.5\"/>\n";
  }
  svg += "</g>\n";
  // An arrowhead on the last step that moved shows which way it goes.
  const Pose& end = track.keyframes.back();
  for (size_t i = track.keyframes.size() - 1; i-- > 0;) {
    const Pose& from = track.keyframes[i];
    if (from.x == end.x && from.z == end.z) continue;
    const double x1 = canvas.X(from.x);
    const double y1 = canvas.Y(from.z);
    const double x2 = canvas.X(end.x);
    const double y2 = canvas.Y(end.z);
    const double length = std::hypot(x2 - x1, y2 - y1);
    const double ux = (x2 - x1) / length;
    const double uy = (y2 - y1) / length;
    const auto point = [&](double back, double side) {
      return Number(x2 - ux * back - uy * side) + "," +
             Number(y2 - uy * back + ux * side);
    };
    svg += "<polygon class=\"arrow\" fill=\"" + c +
           "\" stroke=\"none\" points=\"" + point(-6, 0) + " " + point(6, 5) +
           " " + point(6, -5) + "\"/>\n";
    break;
  }
  svg += "</g>\n";
}

}  // namespace

std::optional<Track> ReadTrack(FileLayer& files, const std::string& file,
                               std::string& error) {
  Track track;
  track.name = file;
  const std::optional<Inspection> inspection = Inspect(
      files, file,
      [&track](const KeyframeCoordinates& keyframe) {
        if (!track.first) track.first = keyframe;
        track.keyframes.push_back({.x = keyframe.root[0],
                                   .z = keyframe.root[2],
                                   .facing = keyframe.facing});
      },
      error);
  if (!inspection) return std::nullopt;
  return track;
}

std::string PlotSvg(std::span<const Track> tracks) {
  Bounds bounds;
  for (const Track& track : tracks) {
    for (const Pose& pose : track.keyframes) bounds.Take(pose.x, pose.z);
    if (track.first) {
      bounds.Take(track.first->box_min[0], track.first->box_min[2]);
      bounds.Take(track.first->box_max[0], track.first->box_max[2]);
    }
  }
  bounds.Snap();
  const Canvas canvas(bounds);
  const double width =
      kLeft + std::max(canvas.DrawingWidth(), kNarrowest) + kRight;
  const double legend_top = canvas.DrawingBottom() + kBottom;
  const double height =
      legend_top + kLegendLine * static_cast<double>(tracks.size()) + 8;

  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      Number(width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
      Number(width) + " " + Number(height) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  DrawGrid(svg, bounds, canvas);
  for (size_t i = 0; i < tracks.size(); ++i) {
    DrawTrack(svg, tracks[i], StyleOf(i), canvas);
  }
  svg +=
      "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"12\" "
      "fill=\"#222\">\n";
  for (size_t i = 0; i < tracks.size(); ++i) {
    // A piece of the track's path, with a dot, in its style.
    const double y = legend_top + kLegendLine * static_cast<double>(i);
    const Style style = StyleOf(i);
    svg += "<line class=\"swatch\" x1=\"" + Number(kLeft) + "\" y1=\"" +
           Number(y + 6) + "\" x2=\"" + Number(kLeft + 24) + "\" y2=\"" +
           Number(y + 6) + "\" stroke=\"" + style.colour +
           "\" stroke-width=\"2\"" + style.dash + "/>\n";
    svg += "<circle cx=\"" + Number(kLeft + 12) + "\" cy=\"" + Number(y + 6) +
           "\" r=\"2.5\" fill=\"" + style.colour + "\"/>\n";
    const size_t count = tracks[i].keyframes.size();
    svg += "<text x=\"" + Number(kLeft + 30) + "\" y=\"" + Number(y + 10.5) +
           "\">" + Escaped(tracks[i].name) + " (" + std::to_string(count) +
           (count == 1 ? " keyframe" : " keyframes") + ")</text>\n";
  }
  svg += "</g>\n</svg>\n";
  return svg;
}

}  // namespace qmx
