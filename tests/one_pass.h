#ifndef QMX_TESTS_ONE_PASS_H_
#define QMX_TESTS_ONE_PASS_H_

// The one pass of a tool's edit against the simplest walk, over files in
// memory behind the file layer's interface.

#include <algorithm>
#include <vector>

#include "common/memory_files.h"
#include "common/tool.h"

namespace qmx::test {

using Bytes = std::vector<uint8_t>;

/// All of `bytes` as an input.
struct MemoryInput : PartialInput {
  explicit MemoryInput(const Bytes& bytes)
      : PartialInput(int64_t(bytes.size())) {
    std::copy(bytes.begin(), bytes.end(), Hold(0, int64_t(bytes.size())));
  }
};

/// A result in memory that counts the bytes copied and written into it.
struct CountingOutput : PieceOutput {
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    return moved += int64_t(bytes.size()), PieceOutput::Write(pos, bytes);
  }
  Status Copy(const InputFile& from, int64_t at, int64_t to,
              int64_t length) override {
    return moved += length, PieceOutput::Copy(from, at, to, length);
  }
  int64_t moved = 0;
};

/// True when `tool`, with its parameters given, makes of `before` in one
/// pass what `edit` makes of a whole copy of it in memory, walking its
/// keyframes `stride` bytes apart through checked fields until an access
/// fails; with a warning for what the edit noted, then one for a file that
/// ended early; and moves each byte of the file once. True for a file the
/// tool skips.
template <class Edit>
bool OnePassIsSimplestWalk(Tool& tool, const Bytes& before, int64_t stride,
                           const Edit& edit) {
  const int64_t size = int64_t(before.size());
  MemoryInput input(before);
  const KeyframeArea area = *ReadKeyframeArea(input, size);
  if (tool.Check(area, true)) return true;
  CountingOutput output;
  WorkingCopy copy(input, size, output);
  if (copy.Prepare(tool.LayOut(area, size)) != Status::kOk) return false;
  const Edited edited = tool.Edit(copy, area);

  Bytes after = before;
  CheckedFields fields(after);
  bool noted = false;
  for (int64_t k = 0;
       area.complete && k < area.keyframe_count && !fields.failed(); ++k) {
    CheckedKeyframe keyframe(
        fields, KeyframePosition(area.table_length, uint16_t(stride), k));
    noted |= edit(keyframe);
  }
  const bool ended_early = area.complete ? fields.failed() : area.EndedEarly();
  Bytes result(size_t(output.Version()->size));
  return edited.status == Status::kOk && output.moved == size &&
         output.Read(0, result) == Status::kOk && result == after &&
         edited.warnings.size() == size_t(noted + ended_early) &&
         (!ended_early || edited.warnings.back() == kEndedEarlyWarning);
}

}  // namespace qmx::test

#endif  // QMX_TESTS_ONE_PASS_H_
