#include "shovan/shovan_tool.h"

#include "common/tool_texts.h"

namespace qmx {
namespace {

int16_t AskOffset(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<int16_t> value = console.in.ReadInt16();
  if (!value) console.in.DiscardLine();
  return value.value_or(0);
}

}  // namespace

const ToolTexts& ShovanTool::texts() const { return kShovanTexts; }

void ShovanTool::AskParameters(Console& console) {
  offsets_.x = AskOffset(console, "Enter X offset: ");
  offsets_.y = AskOffset(console, "Enter Y offset: ");
  offsets_.z = AskOffset(console, "Enter Z offset: ");
  console.in.DiscardLine();
}

EditReport ShovanTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  Reposition(copy, area, offsets_);
  return {};
}

std::string ShovanTool::Suffix() const {
  return "_Repositioned(" + std::to_string(offsets_.x) + "," +
         std::to_string(offsets_.y) + "," + std::to_string(offsets_.z) + ")";
}

}  // namespace qmx
