#include "flipta/flipta_tool.h"

#include "flipta/mirror.h"

namespace qmx {
namespace {

const ToolTexts kFliptaTexts = {
    .banner = "Animation Mirroring Utility (for OBRI animations only)",
    .instructions =
        "Drop one or multiple .qmx animation files onto the program icon. "
        "The program\n"
        "will automatically mirror all animations on the X axis. Remember that "
        "it's only\n"
        "designed for OBRI animations and won't work for animations of other "
        "objects.\n"
        "\n",
    .use_for_all_subject = "",
};

}  // namespace

const ToolTexts& FliptaTool::texts() const { return kFliptaTexts; }

std::optional<Skip> FliptaTool::Check(const KeyframeArea& area, bool) const {
  if (area.IsPlayerObject()) return std::nullopt;
  return Skip{
      .text = "Animation doesn't seem to belong to the OBRI object. Skipping.",
      .about_file = false,
      .after_opening = true};
}

void FliptaTool::AskParameters(Console&, const KeyframeArea&) {}

Layout FliptaTool::LayOut(const KeyframeArea& area, int64_t size) const {
  return KeyframeLayout(area, KeyframeMirror::kStride, KeyframeMirror::kReach,
                        size);
}

Edited FliptaTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  return EditKeyframes(copy, area, KeyframeMirror::kStride,
                       KeyframeMirror::kReach, "", KeyframeMirror{});
}

std::string FliptaTool::Completion(const KeyframeArea&) const {
  return "Mirroring operation complete.";
}

std::string FliptaTool::Suffix() const { return "_Mirrored"; }

}  // namespace qmx
