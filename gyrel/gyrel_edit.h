#ifndef QMX_GYREL_GYREL_EDIT_H_
#define QMX_GYREL_GYREL_EDIT_H_

#include <cstdint>
#include <string>

#include "engine/edit.h"

namespace qmx {

/// An angle in degrees: positive turns clockwise, negative
/// counter-clockwise.
struct Angle {
  int16_t degrees = 0;
};

/// The rotation: turns every keyframe by the angle, normalised to 0..359,
/// about the vertical axis.
class GyrelEdit final : public Edit<Angle> {
 public:
  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;
  /// Turns every keyframe, warning when a value was clamped.
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area,
               const Angle& angle) const override;
  /// "_Rotated(" + normalised angle + degree sign + ")".
  std::string Suffix(const Angle& angle) const override;
  Message Completion(const KeyframeArea& area,
                     const Angle& angle) const override;
};

}  // namespace qmx

#endif  // QMX_GYREL_GYREL_EDIT_H_
