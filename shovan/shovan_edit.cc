#include "shovan/shovan_edit.h"

namespace qmx {

Layout ShovanEdit::LayOut(const KeyframeArea& area, int64_t size) const {
  return KeyframeLayout(area, area.stride, KeyframeMove::kReach, size);
}

Edited ShovanEdit::Apply(WorkingCopy& copy, const KeyframeArea& area,
                         const Offsets& offsets) const {
  return EditKeyframes(copy, area, area.stride, KeyframeMove::kReach,
                       Code::kWrapped,
                       KeyframeMove{.offsets = offsets, .stride = area.stride});
}

std::string ShovanEdit::Suffix(const Offsets& offsets) const {
  return "_Repositioned(" + std::to_string(offsets.x) + "," +
         std::to_string(offsets.y) + "," + std::to_string(offsets.z) + ")";
}

Message ShovanEdit::Completion(const KeyframeArea&, const Offsets&) const {
  return {Message::Kind::kProgress, Code::kMoved};
}

}  // namespace qmx
