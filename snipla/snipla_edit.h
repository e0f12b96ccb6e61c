#ifndef QMX_SNIPLA_SNIPLA_EDIT_H_
#define QMX_SNIPLA_SNIPLA_EDIT_H_

#include <string>

#include "engine/edit.h"
#include "snipla/truncation.h"

namespace qmx {

/// The cut: copies the input's header before the cuts are known and the
/// retained keyframes after, then brings the header up to date.
class SniplaEdit final : public Edit<Cuts> {
 public:
  /// Skips a file too short for the header reads and one with fewer than
  /// two keyframes.
  std::optional<Code> CheckFile(const KeyframeArea& area) const override;
  /// Skips a file that `cuts` leave no keyframe of.
  std::optional<Code> CheckParameters(const KeyframeArea& area,
                                      const Cuts& cuts) const override;
  /// The header is copied; what follows it depends on the cuts.
  Layout LayOut(const KeyframeArea& area, int64_t size) const override;
  /// Copies the retained keyframes after the header and updates the header.
  /// A file that does not hold them fails as short; no buffer is sized by
  /// what the header claims.
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area,
               const Cuts& cuts) const override;
  /// "_Truncated(front; back)".
  std::string Suffix(const Cuts& cuts) const override;
  /// With the new keyframe count.
  Message Completion(const KeyframeArea& area, const Cuts& cuts) const override;
};

}  // namespace qmx

#endif  // QMX_SNIPLA_SNIPLA_EDIT_H_
