#include "snipla/snipla_tool.h"

#include <optional>
#include <ostream>

#include "common/qmx_format.h"

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
    .completion = "Animation successfully truncated. New keyframe number: ",
    .use_for_all_subject = "",
    .refusal = "",
};

constexpr char kTooFewKeyframes[] =
    "Animation has only one frame, none to delete! Skipping.";
constexpr char kTooManyCut[] =
    "Total amount of keyframes to be deleted surpasses length of animation!";

EditReport Failed(EditReport::Failure failure) {
  EditReport report;
  report.failure = failure;
  return report;
}

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

std::string_view SniplaTool::Screen(const KeyframeArea& area) const {
  if (area.keyframe_count < 2) return kTooFewKeyframes;
  return {};
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

std::string_view SniplaTool::RefuseParameters(const KeyframeArea& area) const {
  return CutsAreValid(area.keyframe_count, cuts_) ? std::string_view()
                                                  : kTooManyCut;
}

EditReport SniplaTool::Edit(WorkingCopy& copy, const KeyframeArea& area,
                            const InputStore& input) {
  using Failure = EditReport::Failure;
  const RetainedBlock block = RetainedKeyframes(area.table_length, area.stride,
                                                area.keyframe_count, cuts_);
  // A header can describe far more keyframes than the file holds.
  if (block.end() > input.size()) return Failed(Failure::kShort);
  switch (copy.Copy(input, block.position, area.HeaderSize(), block.length)) {
    case platform::CopyStatus::kDone:
      break;
    case platform::CopyStatus::kReadFailed:
      // The file got shorter since its size was taken, or cannot be read.
      return Failed(Failure::kShort);
    case platform::CopyStatus::kWriteFailed:
      return Failed(Failure::kWrite);
  }
  uint16_t new_count = 0;
  const bool updated =
      EditFields(copy, 0, area.HeaderSize(), [&](CheckedFields& header) {
        new_count = UpdateHeader(header, area.table_length, cuts_);
      });
  if (!updated) return Failed(Failure::kWrite);
  EditReport report;
  report.new_keyframe_count = new_count;
  return report;
}

std::string SniplaTool::Suffix() const {
  return "_Truncated(" + std::to_string(cuts_.front) + "; " +
         std::to_string(cuts_.back) + ")";
}

}  // namespace qmx
