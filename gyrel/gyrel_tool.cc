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
    .completion = "Rotating operation complete.",
    .use_for_all_subject = "angle",
    .refusal = "",
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

EditReport GyrelTool::Edit(WorkingCopy& copy, const KeyframeArea& area,
                           const InputStore&) {
  return RotateAnimation(copy, area, angle_);
}

std::string GyrelTool::Suffix() const {
  std::string suffix = "_Rotated(" + std::to_string(angle_);
  suffix += kDegreeSign;
  suffix += ")";
  return suffix;
}

}  // namespace qmx
