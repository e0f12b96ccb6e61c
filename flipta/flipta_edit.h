#ifndef QMX_FLIPTA_FLIPTA_EDIT_H_
#define QMX_FLIPTA_FLIPTA_EDIT_H_

#include <string>

#include "engine/edit.h"

namespace qmx {

/// The mirror: takes no parameters, edits only animations of the
/// player-character object and mirrors them on the X axis.
class FliptaEdit final : public Edit<NoParameters> {
 public:
  /// Skips, once it is opened, a file whose first keyframe lacks the
  /// player-character's mesh count.
  std::optional<Code> CheckParameters(const KeyframeArea& area,
                                      const NoParameters&) const override;
  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;
  /// Mirrors every keyframe.
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area,
               const NoParameters&) const override;
  /// Always "_Mirrored".
  std::string Suffix(const NoParameters&) const override;
  Message Completion(const KeyframeArea& area,
                     const NoParameters&) const override;
};

}  // namespace qmx

#endif  // QMX_FLIPTA_FLIPTA_EDIT_H_
