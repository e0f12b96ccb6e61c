#ifndef QMX_SHOVAN_SHOVAN_TOOL_H_
#define QMX_SHOVAN_SHOVAN_TOOL_H_

#include "engine/tool.h"
#include "shovan/reposition.h"

namespace qmx {

/// Moves animations by X, Y and Z offsets.
class ShovanTool : public Tool {
 public:
  ShovanTool() = default;
  explicit ShovanTool(const Offsets& offsets) : offsets_(offsets) {}

  const ToolTexts& texts() const override;
  /// Every file is moved.
  std::optional<Skip> Check(const KeyframeArea& area,
                            bool given) const override;
  /// Asks for X, Y and Z. A value that cannot be read is 0 and drops the
  /// rest of its line; a value that can leaves the rest for the next prompt,
  /// so one line can answer all three. The rest of the line after Z is
  /// always dropped.
  void AskParameters(Console& console, const KeyframeArea& area) override;
  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;
  /// Moves every keyframe, warning when a sum wrapped.
  Edited Edit(WorkingCopy& copy, const KeyframeArea& area) override;
  /// "Position change complete."
  std::string Completion(const KeyframeArea& area) const override;
  /// "_Repositioned(X,Y,Z)".
  std::string Suffix() const override;

 private:
  Offsets offsets_;
};

}  // namespace qmx

#endif  // QMX_SHOVAN_SHOVAN_TOOL_H_
