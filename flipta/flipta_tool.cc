#include "flipta/flipta_tool.h"

#include "common/tool_texts.h"
#include "flipta/mirror.h"

namespace qmx {

const ToolTexts& FliptaTool::texts() const { return kFliptaTexts; }

bool FliptaTool::Accepts(const KeyframeArea& area) const {
  return IsPlayerObject(area);
}

EditReport FliptaTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  MirrorAnimation(copy, area);
  return EditReport{.clamped = false};
}

std::string FliptaTool::Suffix() const { return "_Mirrored"; }

}  // namespace qmx
