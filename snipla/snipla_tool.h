#ifndef QMX_SNIPLA_SNIPLA_TOOL_H_
#define QMX_SNIPLA_SNIPLA_TOOL_H_

#include <string>

#include "engine/tool.h"
#include "snipla/truncation.h"

namespace qmx {

/// The truncating tool: asks every file for a front and a back cut, copies
/// the input's header before asking and the retained keyframes after it,
/// then brings the header up to date.
class SniplaTool : public Tool {
 public:
  SniplaTool() = default;
  explicit SniplaTool(Cuts cuts) : cuts_(cuts) {}

  const ToolTexts& texts() const override;

  /// Skips, before anything is written, a file too short for the header
  /// reads and one with fewer than two keyframes; when the cuts are
  /// `given`, after "File opened successfully" a file they leave no
  /// keyframe of.
  std::optional<Skip> Check(const KeyframeArea& area,
                            bool given) const override;

  /// Shows the keyframe count and asks for the cuts until they leave at
  /// least one keyframe.
  void AskParameters(Console& console, const KeyframeArea& area) override;

  /// The header is copied; what follows it depends on the cuts.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;

  /// Copies the retained keyframes after the header and updates the header.
  /// A file that does not hold them fails as short; no buffer is sized by
  /// what the header claims.
  Edited Edit(WorkingCopy& copy, const KeyframeArea& area) override;

  /// The completion text with the new keyframe count.
  std::string Completion(const KeyframeArea& area) const override;

  /// "_Truncated(front; back)".
  std::string Suffix() const override;

 private:
  Cuts cuts_;
};

}  // namespace qmx

#endif  // QMX_SNIPLA_SNIPLA_TOOL_H_
