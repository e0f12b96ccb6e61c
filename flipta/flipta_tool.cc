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
    .completion = "Mirroring operation complete.",
    .use_for_all_subject = "",
    .refusal = "Animation doesn't seem to belong to the OBRI object. Skipping.",
};

}  // namespace

const ToolTexts& FliptaTool::texts() const { return kFliptaTexts; }

bool FliptaTool::Accepts(const KeyframeArea& area) const {
  return area.IsPlayerObject();
}

EditReport FliptaTool::Edit(WorkingCopy& copy, const KeyframeArea& area,
                            const InputStore&) {
  return MirrorAnimation(copy, area);
}

std::string FliptaTool::Suffix() const { return "_Mirrored"; }

}  // namespace qmx
