#ifndef QMX_FLIPTA_FLIPTA_TOOL_H_
#define QMX_FLIPTA_FLIPTA_TOOL_H_

#include <string>

#include "engine/tool.h"

namespace qmx {

/// The mirroring tool: takes no parameters, edits only animations of the
/// player-character object and mirrors them on the X axis.
class FliptaTool : public Tool {
 public:
  const ToolTexts& texts() const override;

  /// Skips, after "File opened successfully" and without the file's name,
  /// a file whose first keyframe lacks the player-character's mesh count.
  std::optional<Skip> Check(const KeyframeArea& area,
                            bool given) const override;

  /// Asks nothing.
  void AskParameters(Console& console, const KeyframeArea& area) override;

  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;

  /// Mirrors every keyframe.
  Edited Edit(WorkingCopy& copy, const KeyframeArea& area) override;

  /// "Mirroring operation complete."
  std::string Completion(const KeyframeArea& area) const override;

  /// Always "_Mirrored".
  std::string Suffix() const override;
};

}  // namespace qmx

#endif  // QMX_FLIPTA_FLIPTA_TOOL_H_
