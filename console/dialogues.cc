#include "console/dialogues.h"

#include <cstdint>
#include <optional>

#include "flipta/flipta_edit.h"
#include "gyrel/gyrel_edit.h"
#include "shovan/shovan_edit.h"
#include "snipla/snipla_edit.h"

namespace qmx {
namespace {

const GyrelEdit kGyrel{};
const ShovanEdit kShovan{};
const SniplaEdit kSnipla{};
const FliptaEdit kFlipta{};

// Binds `edit` to a dialogue that runs `ask` on `console` for each file
// while `asking` holds.
template <class P>
std::unique_ptr<BoundEdit> WithDialogue(const Edit<P>& edit, Console& console,
                                        const bool& asking,
                                        void (*ask)(Console&,
                                                    const KeyframeArea&, P&)) {
  return std::make_unique<Bound<P>>(
      edit, P{},
      [&console, &asking, ask](const KeyframeArea& area, P& parameters) {
        if (asking) ask(console, area, parameters);
      });
}

// Reads one signed 16-bit number; a failed read gives 0. The rest of the
// line is always discarded so that nothing typed after the number reaches
// a later question.
void AskAngle(Console& console, const KeyframeArea&, Angle& angle) {
  console.out << "Enter rotation angle (in degrees): " << std::flush;
  const std::optional<int16_t> entered = console.in.ReadInt16();
  console.in.DiscardLine();
  angle.degrees = entered.value_or(0);
}

// A value that cannot be read is 0 and drops the rest of its line; a value
// that can leaves the rest for the next prompt, so one line can answer
// all three. The rest of the line after Z is always dropped.
int16_t AskOffset(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<int16_t> value = console.in.ReadInt16();
  if (!value) console.in.DiscardLine();
  return value.value_or(0);
}

void AskOffsets(Console& console, const KeyframeArea&, Offsets& offsets) {
  offsets.x = AskOffset(console, "Enter X offset: ");
  offsets.y = AskOffset(console, "Enter Y offset: ");
  offsets.z = AskOffset(console, "Enter Z offset: ");
  console.in.DiscardLine();
}

uint16_t AskCut(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<uint16_t> cut = console.in.ReadUint16();
  // A failed read drops its line; a successful one leaves the rest of the
  // line to the next prompt, so "3 2" answers both.
  if (!cut) console.in.DiscardLine();
  return cut.value_or(0);
}

// Shows the keyframe count and asks for the cuts until the edit takes
// them. At the end of input both reads fail, giving cuts of 0 and 0, which
// every count of 2 or more accepts, so this cannot loop for ever.
void AskCuts(Console& console, const KeyframeArea& area, Cuts& cuts) {
  while (true) {
    console.out << "Amount of keyframes in animation: " << area.keyframe_count
                << '\n';
    cuts.front =
        AskCut(console, "Enter number of keyframes to delete from beginning: ");
    cuts.back =
        AskCut(console, "Enter number of keyframes to delete from end: ");
    const std::optional<Code> refused = kSnipla.CheckParameters(area, cuts);
    if (refused) {
      console.out << '\n'
                  << TextOf(*refused) << "\nPlease enter smaller values.\n\n";
    }
    console.in.DiscardLine();
    if (!refused) return;
  }
}

}  // namespace

const Program kGyrelProgram = {
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
    .bind = [](Console& console, const bool& ask) {
      return WithDialogue<Angle>(kGyrel, console, ask, AskAngle);
    }};

const Program kShovanProgram = {
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
    .bind = [](Console& console, const bool& ask) {
      return WithDialogue<Offsets>(kShovan, console, ask, AskOffsets);
    }};

const Program kSniplaProgram = {
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
    .use_for_all_subject = "",
    .bind = [](Console& console, const bool& ask) {
      return WithDialogue<Cuts>(kSnipla, console, ask, AskCuts);
    }};

// The mirror asks nothing.
const Program kFliptaProgram = {
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
    .bind = [](Console&, const bool&) -> std::unique_ptr<BoundEdit> {
      return std::make_unique<Bound<NoParameters>>(kFlipta);
    }};

}  // namespace qmx
