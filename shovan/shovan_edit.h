#ifndef QMX_SHOVAN_SHOVAN_EDIT_H_
#define QMX_SHOVAN_SHOVAN_EDIT_H_

#include <string>

#include "engine/edit.h"
#include "shovan/reposition.h"

namespace qmx {

/// The move: adds X, Y and Z offsets to every keyframe's position.
class ShovanEdit final : public Edit<Offsets> {
 public:
  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;
  /// Moves every keyframe, warning when a sum wrapped.
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area,
               const Offsets& offsets) const override;
  /// "_Repositioned(X,Y,Z)".
  std::string Suffix(const Offsets& offsets) const override;
  Message Completion(const KeyframeArea& area,
                     const Offsets& offsets) const override;
};

}  // namespace qmx

#endif  // QMX_SHOVAN_SHOVAN_EDIT_H_
