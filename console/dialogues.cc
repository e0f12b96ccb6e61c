#include "console/dialogues.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "edits/registry.h"
#include "engine/messages.h"

namespace qmx {
namespace {

// Asks for one parameter and reads it as its width says. A value that
// cannot be read is 0 and drops the rest of its line; one that can leaves
// the rest for the next prompt, so one line can answer them all.
int64_t AskNumber(Console& console, const Parameter& parameter) {
  console.out << parameter.prompt << std::flush;
  std::optional<int64_t> value;
  if (parameter.width == Width::kSigned16) {
    if (const std::optional<int16_t> read = console.in.ReadInt16())
      value = *read;
  } else if (const std::optional<uint16_t> read = console.in.ReadUint16()) {
    value = *read;
  }
  if (!value) console.in.DiscardLine();
  return value.value_or(0);
}

// The edit of `entry`, its parameters asked for on `console` for each file
// while `asking` holds (and kept for the next file when not): each in turn,
// then the rest of the line dropped, so that nothing typed after them
// reaches a later question; asked again, after saying why, while the edit
// refuses them. At the end of input every answer is 0, which every edit
// takes, so this cannot ask for ever.
class Dialogue final : public BoundEdit {
 public:
  Dialogue(const EditEntry& entry, Console& console, const bool& asking)
      : entry_(entry),
        console_(console),
        asking_(asking),
        bound_(entry.make(std::vector<int64_t>(entry.parameters.size()))) {}

  std::optional<Code> CheckFile(const KeyframeArea& area) const override {
    return bound_->CheckFile(area);
  }
  Layout LayOut(const KeyframeArea& area, int64_t size) const override {
    return bound_->LayOut(area, size);
  }
  void FillIn(const KeyframeArea& area) override {
    if (!asking_ || entry_.parameters.empty()) return;
    while (true) {
      if (entry_.tells_keyframe_count) {
        console_.out << "Amount of keyframes in animation: "
                     << area.keyframe_count << '\n';
      }
      std::vector<int64_t> values;
      for (const Parameter& parameter : entry_.parameters) {
        values.push_back(AskNumber(console_, parameter));
      }
      bound_ = entry_.make(values);
      const std::optional<Code> refused = bound_->CheckParameters(area);
      if (refused) {
        console_.out << '\n'
                     << TextOf(*refused)
                     << "\nPlease enter smaller values.\n\n";
      }
      console_.in.DiscardLine();
      if (!refused) return;
    }
  }
  std::optional<Code> CheckParameters(const KeyframeArea& area) const override {
    return bound_->CheckParameters(area);
  }
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area) const override {
    return bound_->Apply(copy, area);
  }
  std::string Suffix() const override { return bound_->Suffix(); }
  Message Completion(const KeyframeArea& area) const override {
    return bound_->Completion(area);
  }

 private:
  const EditEntry& entry_;
  Console& console_;
  const bool& asking_;
  std::unique_ptr<BoundEdit> bound_;
};

}  // namespace

std::unique_ptr<BoundEdit> AskingEdit(const Program& program, Console& console,
                                      const bool& asking) {
  const std::span<const EditEntry> edits = Edits();
  const auto entry = std::find_if(
      edits.begin(), edits.end(),
      [&](const EditEntry& edit) { return edit.program == program.name; });
  return std::make_unique<Dialogue>(*entry, console, asking);
}

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
    .name = "gyrel"};

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
    .name = "shovan"};

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
    .name = "snipla"};

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
    .name = "flipta"};

}  // namespace qmx
