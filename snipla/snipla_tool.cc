#include "snipla/snipla_tool.h"

#include <optional>
#include <ostream>

#include "format/qmx_format.h"

namespace qmx {
namespace {

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
    .use_for_all_subject = "",
};

constexpr char kTooFewKeyframes[] =
    "Animation has only one frame, none to delete! Skipping.";
constexpr char kTooManyCut[] =
    "Total amount of keyframes to be deleted surpasses length of animation!";

uint16_t AskCut(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<uint16_t> cut = console.in.ReadUint16();
  // A failed read drops its line; a successful one leaves the rest of the
  // line to the next prompt, so "3 2" answers both.
  if (!cut) console.in.DiscardLine();
  return cut.value_or(0);
}

}  // namespace

const ToolTexts& SniplaTool::texts() const { return kSniplaTexts; }

// The copy starts with the whole header, so all of it must be there.
std::optional<Skip> SniplaTool::Check(const KeyframeArea& area,
                                      bool given) const {
  if (!area.complete) return Skip{.text = MessageOf(Status::kShort)};
  if (area.keyframe_count < 2) return Skip{.text = kTooFewKeyframes};
  if (given && !CutsAreValid(area.keyframe_count, cuts_)) {
    return Skip{.text = kTooManyCut, .after_opening = true};
  }
  return std::nullopt;
}

// At the end of input both reads fail, giving cuts of 0 and 0, which every
// count of 2 or more accepts, so this cannot loop for ever.
void SniplaTool::AskParameters(Console& console, const KeyframeArea& area) {
  while (true) {
    console.out << "Amount of keyframes in animation: " << area.keyframe_count
                << '\n';
    cuts_.front =
        AskCut(console, "Enter number of keyframes to delete from beginning: ");
    cuts_.back =
        AskCut(console, "Enter number of keyframes to delete from end: ");
    const bool valid = CutsAreValid(area.keyframe_count, cuts_);
    if (!valid) {
      console.out << '\n'
                  << kTooManyCut << "\nPlease enter smaller values.\n\n";
    }
    console.in.DiscardLine();
    if (valid) return;
  }
}

Layout SniplaTool::LayOut(const KeyframeArea& area, int64_t size) const {
  return {.edited_begin = area.HeaderSize(),
          .edited_end = size,
          .keeps_length = false};
}

Edited SniplaTool::Edit(WorkingCopy& copy, const KeyframeArea& area) {
  const RetainedBlock block = RetainedKeyframes(area.table_length, area.stride,
                                                area.keyframe_count, cuts_);
  // A header can describe far more keyframes than the file holds: Copy
  // finds that out before anything is read.
  Status status = copy.Copy(block.position, area.HeaderSize(), block.length);
  if (status == Status::kOk) {
    status = copy.EditFields(0, area.HeaderSize(), [&](CheckedFields& header) {
      UpdateHeader(header, area.table_length, cuts_);
    });
  }
  return {.status = status, .warnings = {}};
}

std::string SniplaTool::Completion(const KeyframeArea& area) const {
  return "Animation successfully truncated. New keyframe number: " +
         std::to_string(NewKeyframeCount(area.keyframe_count, cuts_));
}

std::string SniplaTool::Suffix() const {
  return "_Truncated(" + std::to_string(cuts_.front) + "; " +
         std::to_string(cuts_.back) + ")";
}

}  // namespace qmx
