#include "gyrel/gyrel_edit.h"

#include <string_view>

#include "gyrel/rotation.h"

namespace qmx {
namespace {

// The degree sign, U+00B0, as names spell it on every platform: UTF-8.
constexpr std::string_view kDegreeSign = "\xC2\xB0";

}  // namespace

// Where a turn reaches does not depend on its angle.
Layout GyrelEdit::LayOut(const KeyframeArea& area, int64_t size) const {
  const KeyframeTurn turn(area, 0);
  return KeyframeLayout(area, turn.stride(), turn.reach(), size);
}

Edited GyrelEdit::Apply(WorkingCopy& copy, const KeyframeArea& area,
                        const Angle& angle) const {
  const KeyframeTurn turn(area, NormaliseAngle(angle.degrees));
  return EditKeyframes(copy, area, turn.stride(), turn.reach(), Code::kClamped,
                       turn);
}

std::string GyrelEdit::Suffix(const Angle& angle) const {
  std::string suffix =
      "_Rotated(" + std::to_string(NormaliseAngle(angle.degrees));
  suffix += kDegreeSign;
  suffix += ")";
  return suffix;
}

Message GyrelEdit::Completion(const KeyframeArea&, const Angle&) const {
  return {Message::Kind::kProgress, Code::kRotated};
}

}  // namespace qmx
