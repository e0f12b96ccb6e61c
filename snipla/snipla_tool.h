#ifndef QMX_SNIPLA_SNIPLA_TOOL_H_
#define QMX_SNIPLA_SNIPLA_TOOL_H_

#include <string>

#include "common/batch_driver.h"
#include "snipla/truncation.h"

namespace qmx {

/// The truncating tool: asks every file for a front and a back cut and
/// writes the working copy itself, from the input's header and the retained
/// keyframes, instead of editing a full copy in place.
class SniplaTool : public Tool {
 public:
  const ToolTexts& texts() const override;

  /// Truncates one animation: reads the header values from the input, asks
  /// for the cuts until they leave a keyframe, writes the header and the
  /// retained keyframes to the working copy, updates the header there and
  /// gives the copy its output name. A file too short for the header reads
  /// or with fewer than two keyframes is skipped before the working copy is
  /// touched; one too short for the retained keyframes is skipped after the
  /// prompts and its working copy removed. No buffer is larger than what the
  /// input's size backs.
  FileOutcome Process(FileJob& job, Console& console) override;
};

/// "_Truncated(front; back)".
std::string TruncationSuffix(Cuts cuts);

}  // namespace qmx

#endif  // QMX_SNIPLA_SNIPLA_TOOL_H_
