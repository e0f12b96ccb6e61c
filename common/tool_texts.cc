#include "common/tool_texts.h"

namespace qmx {

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
    .completion = "Position change complete.",
    .use_for_all_subject = "offsets",
    .refusal = "",
};

const ToolTexts kSniplaTexts = {
    .banner = "Animation Truncating Utility",
    .instructions =
        "Drop one or multiple .qmx animation files onto the program icon. "
        "You will be\n"
        "prompted to enter two numbers, the amount of keyframes to be removed "
        "from the\n"
        "beginning and amount of keyframes to be removed from the end of the "
        "animation.\n"
        "The program will then create a new file with the trimmed animation.\n"
        "\n",
    .completion = "Animation successfully truncated. New keyframe number: ",
    .use_for_all_subject = "",
    .refusal = "",
};

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

}  // namespace qmx
