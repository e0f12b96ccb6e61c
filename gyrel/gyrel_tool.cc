#include "gyrel/gyrel_tool.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "gyrel/rotation.h"

namespace qmx {
namespace {

const ToolTexts kGyrelTexts = {
    .banner = "Animation Rotating Utility",
    .instructions =
        "Drop one or multiple .qmx animation files onto the program icon. "
        "You will be\n"
        "prompted to enter an angle for the rotating operation (in degrees, "
        "positive\n"
        "rotates clockwise, negative counter-clockwise). If you drop more than "
        "one file\n"
        "you will also be asked whether to use current angle for all remaining "
        "files.\n"
        "\n"
        "Note: For arbitrary angles (angles that are not multiples of 90), "
        "only an\n"
        "approximate collision is calculated. You may need to recalculate the "
        "collision\n"
        "in Vandrel Animation Editor yourself for better results.\n"
        "\n",
    .use_for_all_subject = "angle",
};

// The degree sign, U+00B0, as names spell it on every platform: UTF-8.
constexpr std::string_view kDegreeSign = "\xC2\xB0";

}  // namespace

GyrelTool::GyrelTool(int16_t degrees) : angle_(NormaliseAngle(degrees)) {}

const ToolTexts& GyrelTool::texts() const { return kGyrelTexts; }

void GyrelTool::AskParameters(Console& console, const KeyframeArea&) {
  console.out << "Enter rotation angle (in degrees): " << std::flush;
  const std::optional<int16_t> entered = console.in.ReadInt16();
  console.in.DiscardLine();
  angle_ = NormaliseAngle(entered.value_or(0));
}

std::optional<Skip> GyrelTool::Check(const KeyframeArea&, bool) const {
  return std::nullopt;
}

Layout GyrelTool::LayOut(const KeyframeArea& area, int64_t size) const {
  const KeyframeTurn turn(area, angle_);
  return KeyframeLayout(area, turn.stride(), turn.reach(), size);
}

Edited GyrelTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  const KeyframeTurn turn(area, angle_);
  return EditKeyframes(copy, area, turn.stride(), turn.reach(),
                       "Warning: some values fell outside the coordinate "
                       "range and were clamped.",
                       turn);
}

std::string GyrelTool::Completion(const KeyframeArea&) const {
  return "Rotating operation complete.";
}

std::string GyrelTool::Suffix() const {
  std::string suffix = "_Rotated(" + std::to_string(angle_);
  suffix += kDegreeSign;
  suffix += ")";
  return suffix;
}

}  // namespace qmx
