#ifndef QMX_FLIPTA_FLIPTA_TOOL_H_
#define QMX_FLIPTA_FLIPTA_TOOL_H_

#include <string>

#include "common/tool.h"

namespace qmx {

/// The mirroring tool: takes no parameters, accepts only animations of the
/// player-character object and mirrors them on the X axis.
class FliptaTool : public Tool {
 public:
  const ToolTexts& texts() const override;

  /// True when the first keyframe has the player-character's mesh count.
  bool Accepts(const KeyframeArea& area) const override;

  /// Mirrors every keyframe.
  EditReport Edit(WorkingCopy& copy, const KeyframeArea& area,
                  const InputStore& input) override;

  /// Always "_Mirrored".
  std::string Suffix() const override;
};

}  // namespace qmx

#endif  // QMX_FLIPTA_FLIPTA_TOOL_H_
