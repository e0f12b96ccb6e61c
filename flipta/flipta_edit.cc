#include "flipta/flipta_edit.h"

#include "flipta/mirror.h"

namespace qmx {

std::optional<Code> FliptaEdit::CheckParameters(const KeyframeArea& area,
                                                const NoParameters&) const {
  if (area.IsPlayerObject()) return std::nullopt;
  return Code::kNotPlayerObject;
}

Layout FliptaEdit::LayOut(const KeyframeArea& area, int64_t size) const {
  return KeyframeLayout(area, KeyframeMirror::kStride, KeyframeMirror::kReach,
                        size);
}

// A mirror changes no value's size: it notes nothing.
Edited FliptaEdit::Apply(WorkingCopy& copy, const KeyframeArea& area,
                         const NoParameters&) const {
  return EditKeyframes(copy, area, KeyframeMirror::kStride,
                       KeyframeMirror::kReach, std::nullopt, KeyframeMirror{});
}

std::string FliptaEdit::Suffix(const NoParameters&) const {
  return "_Mirrored";
}

Message FliptaEdit::Completion(const KeyframeArea&, const NoParameters&) const {
  return {Message::Kind::kProgress, Code::kMirrored};
}

}  // namespace qmx
