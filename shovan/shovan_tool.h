#ifndef QMX_SHOVAN_SHOVAN_TOOL_H_
#define QMX_SHOVAN_SHOVAN_TOOL_H_

#include "common/tool.h"
#include "shovan/reposition.h"

namespace qmx {

/// Moves animations by X, Y and Z offsets.
class ShovanTool : public Tool {
 public:
  ShovanTool() = default;
  explicit ShovanTool(const Offsets& offsets) : offsets_(offsets) {}

  const ToolTexts& texts() const override;
  /// Asks for X, Y and Z. A value that cannot be read is 0 and drops the
  /// rest of its line; a value that can leaves the rest for the next prompt,
  /// so one line can answer all three. The rest of the line after Z is
  /// always dropped.
  void AskParameters(Console& console, const KeyframeArea& area) override;
  EditReport Edit(WorkingCopy& copy, const KeyframeArea& area,
                  const InputStore& input) override;
  /// "_Repositioned(X,Y,Z)".
  std::string Suffix() const override;

 private:
  Offsets offsets_;
};

}  // namespace qmx

#endif  // QMX_SHOVAN_SHOVAN_TOOL_H_
