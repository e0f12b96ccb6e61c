#include "gyrel/gyrel_tool.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "common/platform.h"
#include "common/tool_texts.h"
#include "gyrel/rotation.h"

namespace qmx {

const ToolTexts& GyrelTool::texts() const { return kGyrelTexts; }

void GyrelTool::AskParameters(Console& console) {
  console.out << "Enter rotation angle (in degrees): " << std::flush;
  const std::optional<int16_t> entered = console.in.ReadInt16();
  console.in.DiscardLine();
  angle_ = NormaliseAngle(entered.value_or(0));
}

EditReport GyrelTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  return RotateAnimation(copy, area, angle_);
}

std::string GyrelTool::Suffix() const {
  std::string suffix = "_Rotated(" + std::to_string(angle_);
  suffix += platform::DegreeSign();
  suffix += ")";
  return suffix;
}

}  // namespace qmx
