#ifndef QMX_SNIPLA_SNIPLA_TOOL_H_
#define QMX_SNIPLA_SNIPLA_TOOL_H_

#include <string>

#include "common/tool.h"
#include "snipla/truncation.h"

namespace qmx {

/// The truncating tool: asks every file for a front and a back cut and
/// builds its working copy from the input's header and the retained
/// keyframes, then brings the header up to date.
class SniplaTool : public Tool {
 public:
  SniplaTool() = default;
  explicit SniplaTool(Cuts cuts) : cuts_(cuts) {}

  const ToolTexts& texts() const override;
  bool EditsInPlace() const override { return false; }

  /// Skips a file too short for the header reads, and one with fewer than
  /// two keyframes.
  std::string_view Screen(const KeyframeArea& area) const override;

  /// Shows the keyframe count and asks for the cuts until they leave at
  /// least one keyframe.
  void AskParameters(Console& console, const KeyframeArea& area) override;

  /// Refuses cuts that leave no keyframe of this file.
  std::string_view RefuseParameters(const KeyframeArea& area) const override;

  /// Copies the retained keyframes after the header and updates the header.
  /// A file that does not hold them fails as short; no buffer is sized by
  /// what the header claims.
  EditReport Edit(WorkingCopy& copy, const KeyframeArea& area,
                  const InputStore& input) override;

  /// "_Truncated(front; back)".
  std::string Suffix() const override;

 private:
  Cuts cuts_;
};

}  // namespace qmx

#endif  // QMX_SNIPLA_SNIPLA_TOOL_H_
