#include "shovan/shovan_tool.h"

namespace qmx {
namespace {

const ToolTexts kShovanTexts = {
    .banner = "Animation Repositioning Utility",
    .instructions =
        "Drop one or multiple .qmx animation files onto the program icon. "
        "You will be\n"
        "prompted to enter X,Y,Z position offsets (in GALD units, 256 = 1 "
        "click, while\n"
        "1024 = 1 sector, etc.) added to the current position.\n"
        "If you drop more than one file, you will also be asked whether to use "
        "current\n"
        "offsets for all remaining files.\n"
        "\n",
    .use_for_all_subject = "offsets",
};

int16_t AskOffset(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<int16_t> value = console.in.ReadInt16();
  if (!value) console.in.DiscardLine();
  return value.value_or(0);
}

}  // namespace

const ToolTexts& ShovanTool::texts() const { return kShovanTexts; }

void ShovanTool::AskParameters(Console& console, const KeyframeArea&) {
  offsets_.x = AskOffset(console, "Enter X offset: ");
  offsets_.y = AskOffset(console, "Enter Y offset: ");
  offsets_.z = AskOffset(console, "Enter Z offset: ");
  console.in.DiscardLine();
}

std::optional<Skip> ShovanTool::Check(const KeyframeArea&, bool) const {
  return std::nullopt;
}

Layout ShovanTool::LayOut(const KeyframeArea& area, int64_t size) const {
  return KeyframeLayout(area, area.stride, KeyframeMove::kReach, size);
}

Edited ShovanTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  return EditKeyframes(
      copy, area, area.stride, KeyframeMove::kReach,
      "Warning: some values passed the coordinate range and "
      "wrapped around.",
      KeyframeMove{.offsets = offsets_, .stride = area.stride});
}

std::string ShovanTool::Completion(const KeyframeArea&) const {
  return "Position change complete.";
}

std::string ShovanTool::Suffix() const {
  return "_Repositioned(" + std::to_string(offsets_.x) + "," +
         std::to_string(offsets_.y) + "," + std::to_string(offsets_.z) + ")";
}

}  // namespace qmx
