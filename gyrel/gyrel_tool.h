#ifndef QMX_GYREL_GYREL_TOOL_H_
#define QMX_GYREL_GYREL_TOOL_H_

#include <string>

#include "common/tool.h"

namespace qmx {

/// The rotating tool: asks for an angle in degrees and turns every
/// keyframe of each file by it about the vertical axis.
class GyrelTool : public Tool {
 public:
  GyrelTool() = default;
  /// A tool that turns by `degrees`, normalised to 0..359.
  explicit GyrelTool(int16_t degrees);

  const ToolTexts& texts() const override;

  /// Prompts for the angle and reads one signed 16-bit number; a failed
  /// read gives 0. The rest of the line is always discarded so that nothing
  /// typed after the number reaches a later question. Keeps the angle
  /// normalised to 0..359.
  void AskParameters(Console& console, const KeyframeArea& area) override;

  EditReport Edit(WorkingCopy& copy, const KeyframeArea& area,
                  const InputStore& input) override;

  /// "_Rotated(" + angle + degree sign + ")".
  std::string Suffix() const override;

 private:
  int angle_ = 0;  // normalised, 0..359
};

}  // namespace qmx

#endif  // QMX_GYREL_GYREL_TOOL_H_
