#include "snipla/snipla_edit.h"

#include "format/qmx_format.h"

namespace qmx {

// The copy starts with the whole header, so all of it must be there.
std::optional<Code> SniplaEdit::CheckFile(const KeyframeArea& area) const {
  if (!area.complete) return Code::kShort;
  if (area.keyframe_count < 2) return Code::kOneKeyframe;
  return std::nullopt;
}

std::optional<Code> SniplaEdit::CheckParameters(const KeyframeArea& area,
                                                const Cuts& cuts) const {
  if (CutsAreValid(area.keyframe_count, cuts)) return std::nullopt;
  return Code::kCutsTooLong;
}

Layout SniplaEdit::LayOut(const KeyframeArea& area, int64_t size) const {
  return {.edited_begin = area.HeaderSize(),
          .edited_end = size,
          .keeps_length = false};
}

Edited SniplaEdit::Apply(WorkingCopy& copy, const KeyframeArea& area,
                         const Cuts& cuts) const {
  const RetainedBlock block = RetainedKeyframes(area.table_length, area.stride,
                                                area.keyframe_count, cuts);
  // A header can describe far more keyframes than the file holds: Copy
  // finds that out before anything is read.
  Status status = copy.Copy(block.position, area.HeaderSize(), block.length);
  if (status == Status::kOk) {
    status = copy.EditFields(0, area.HeaderSize(), [&](CheckedFields& header) {
      UpdateHeader(header, area.table_length, cuts);
    });
  }
  return {.status = status, .warnings = {}};
}

std::string SniplaEdit::Suffix(const Cuts& cuts) const {
  return "_Truncated(" + std::to_string(cuts.front) + "; " +
         std::to_string(cuts.back) + ")";
}

Message SniplaEdit::Completion(const KeyframeArea& area,
                               const Cuts& cuts) const {
  return {Message::Kind::kProgress,
          Code::kTruncated,
          {std::to_string(NewKeyframeCount(area.keyframe_count, cuts))}};
}

}  // namespace qmx
