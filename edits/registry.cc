#include "edits/registry.h"

#include <algorithm>
#include <limits>

#include "flipta/flipta_edit.h"
#include "gyrel/gyrel_edit.h"
#include "shovan/shovan_edit.h"
#include "snipla/snipla_edit.h"

namespace qmx {
namespace {

// Each edit made from its values, which the front ends checked against the
// parameters' ranges, and bound to them. One function per edit, the only
// place that knows its class.

const ShovanEdit kMove{};
const GyrelEdit kRotate{};
const SniplaEdit kCut{};
const FliptaEdit kMirror{};

std::unique_ptr<BoundEdit> MakeMove(std::span<const int64_t> values) {
  return std::make_unique<Bound<Offsets>>(
      kMove, Offsets{.x = static_cast<int16_t>(values[0]),
                     .y = static_cast<int16_t>(values[1]),
                     .z = static_cast<int16_t>(values[2])});
}

std::unique_ptr<BoundEdit> MakeRotate(std::span<const int64_t> values) {
  return std::make_unique<Bound<Angle>>(kRotate,
                                        Angle{static_cast<int16_t>(values[0])});
}

std::unique_ptr<BoundEdit> MakeCut(std::span<const int64_t> values) {
  return std::make_unique<Bound<Cuts>>(
      kCut, Cuts{.front = static_cast<uint16_t>(values[0]),
                 .back = static_cast<uint16_t>(values[1])});
}

std::unique_ptr<BoundEdit> MakeMirror(std::span<const int64_t>) {
  return std::make_unique<Bound<NoParameters>>(kMirror);
}

constexpr Parameter kMoveParameters[] = {
    {.name = "x", .width = Width::kSigned16, .prompt = "Enter X offset: "},
    {.name = "y", .width = Width::kSigned16, .prompt = "Enter Y offset: "},
    {.name = "z", .width = Width::kSigned16, .prompt = "Enter Z offset: "}};
constexpr CommandOption kMoveOptions[] = {
    {.name = "--by",
     .type_name = "X,Y,Z",
     .help = "X,Y,Z offsets in world units, each {range} (256 units are one "
             "click, 1024 one sector)",
     .first = 0,
     .count = 3,
     .required = true}};

constexpr Parameter kRotateParameters[] = {
    {.name = "degrees",
     .width = Width::kSigned16,
     .prompt = "Enter rotation angle (in degrees): "}};
constexpr CommandOption kRotateOptions[] = {
    {.name = "--by",
     .type_name = "DEGREES",
     .help = "Whole degrees, {range}, taken modulo 360; positive turns "
             "clockwise",
     .first = 0,
     .count = 1,
     .required = true}};

constexpr Parameter kCutParameters[] = {
    {.name = "front",
     .width = Width::kUnsigned16,
     .prompt = "Enter number of keyframes to delete from beginning: "},
    {.name = "back",
     .width = Width::kUnsigned16,
     .prompt = "Enter number of keyframes to delete from end: "}};
constexpr CommandOption kCutOptions[] = {
    {.name = "--front",
     .type_name = "N",
     .help = "Keyframes to remove from the beginning, {range}",
     .first = 0,
     .count = 1,
     .required = true},
    {.name = "--back",
     .type_name = "N",
     .help = "Keyframes to remove from the end, {range}",
     .first = 1,
     .count = 1,
     .required = true}};

const EditEntry kEdits[] = {
    {.command = "move",
     .program = "shovan",
     .description = "Move animations by X, Y and Z offsets (Shovan)",
     .parameters = kMoveParameters,
     .options = kMoveOptions,
     .tells_keyframe_count = false,
     .make = MakeMove},
    {.command = "rotate",
     .program = "gyrel",
     .description = "Rotate animations about the vertical axis (Gyrel)",
     .parameters = kRotateParameters,
     .options = kRotateOptions,
     .tells_keyframe_count = false,
     .make = MakeRotate},
    {.command = "cut",
     .program = "snipla",
     .description = "Cut keyframes from the beginning and the end (Snipla)",
     .parameters = kCutParameters,
     .options = kCutOptions,
     .tells_keyframe_count = true,
     .make = MakeCut},
    {.command = "mirror",
     .program = "flipta",
     .description =
         "Mirror player-character (OBRI) animations on the X axis (Flipta)",
     .parameters = {},
     .options = {},
     .tells_keyframe_count = false,
     .make = MakeMirror}};

}  // namespace

int64_t Min(const Parameter& parameter) {
  return parameter.width == Width::kSigned16
             ? std::numeric_limits<int16_t>::min()
             : std::numeric_limits<uint16_t>::min();
}

int64_t Max(const Parameter& parameter) {
  return parameter.width == Width::kSigned16
             ? std::numeric_limits<int16_t>::max()
             : std::numeric_limits<uint16_t>::max();
}

std::span<const EditEntry> Edits() { return kEdits; }

std::string OptionHelp(const EditEntry& edit, const CommandOption& option) {
  std::string help(option.help);
  const Parameter& parameter = edit.parameters[option.first];
  const std::string range =
      std::to_string(Min(parameter)) + ".." + std::to_string(Max(parameter));
  if (const size_t at = help.find("{range}"); at != std::string::npos) {
    help.replace(at, std::string_view("{range}").size(), range);
  }
  return help;
}

std::string CheckWholeNumber(std::string_view text, int64_t min, int64_t max,
                             int64_t& value) {
  const size_t digits = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
  if (text.size() == digits ||
      !std::all_of(text.begin() + static_cast<ptrdiff_t>(digits), text.end(),
                   [](char c) { return c >= '0' && c <= '9'; })) {
    return std::string("'").append(text).append("' is not a whole number.");
  }
  // A number too long for any range stops growing: it is outside anyway.
  constexpr int64_t kBeyondAnyRange = int64_t{1} << 40;
  int64_t magnitude = 0;
  for (const char c : text.substr(digits)) {
    magnitude = std::min(magnitude * 10 + (c - '0'), kBeyondAnyRange);
  }
  value = text.starts_with('-') ? -magnitude : magnitude;
  if (value < min || value > max) {
    return std::string(text) + " is outside " + std::to_string(min) + ".." +
           std::to_string(max) + ".";
  }
  return {};
}

}  // namespace qmx
