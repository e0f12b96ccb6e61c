#ifndef QMX_GYREL_GYREL_TOOL_H_
#define QMX_GYREL_GYREL_TOOL_H_

#include <string>

#include "engine/tool.h"

namespace qmx {

/// The rotating tool: asks for an angle in degrees and turns every
/// keyframe of each file by it about the vertical axis.
class GyrelTool : public Tool {
 public:
  GyrelTool() = default;
  /// A tool that turns by `degrees`, normalised to 0..359.
  explicit GyrelTool(int16_t degrees);

  const ToolTexts& texts() const override;

  /// Every file is turned.
  std::optional<Skip> Check(const KeyframeArea& area,
                            bool given) const override;

  /// Prompts for the angle and reads one signed 16-bit number; a failed
  /// read gives 0. The rest of the line is always discarded so that nothing
  /// typed after the number reaches a later question. Keeps the angle
  /// normalised to 0..359.
  void AskParameters(Console& console, const KeyframeArea& area) override;

  /// The keyframes are rewritten, everything else copied.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;

  /// Turns every keyframe, warning when a value was clamped.
  Edited Edit(WorkingCopy& copy, const KeyframeArea& area) override;

  /// "Rotating operation complete."
  std::string Completion(const KeyframeArea& area) const override;

  /// "_Rotated(" + angle + degree sign + ")".
  std::string Suffix() const override;

 private:
  int angle_{};  // normalised, 0..359
};

}  // namespace qmx

#endif  // QMX_GYREL_GYREL_TOOL_H_
