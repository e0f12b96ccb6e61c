#ifndef QMX_TESTS_ONE_PASS_H_
#define QMX_TESTS_ONE_PASS_H_

// The one pass of an edit against the simplest walk, over files in
// memory behind the file layer's interface.

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "engine/edit.h"
#include "engine/memory_files.h"
#include "flipta/mirror.h"
#include "gyrel/rotation.h"
#include "shovan/reposition.h"

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
  using PieceOutput::PieceOutput;
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    return moved += int64_t(bytes.size()), PieceOutput::Write(pos, bytes);
  }
  Status Copy(int64_t at, int64_t to, int64_t length) override {
    return moved += length, PieceOutput::Copy(at, to, length);
  }
  int64_t moved = 0;
};

/// `edit`'s one pass over the `size` bytes of `input` into `output`, and the
/// result read back; `prepared` runs between the lay-out and the edit.
inline std::pair<Edited, Bytes> OnePass(
    const BoundEdit& edit, const InputFile& input, int64_t size,
    PieceOutput& output, const std::function<void()>& prepared = {}) {
  const KeyframeArea area = *ReadKeyframeArea(input, size);
  WorkingCopy copy(input, size, output);
  Edited edited{copy.Prepare(edit.LayOut(area, size)), {}};
  if (edited.status != Status::kOk) return {edited, {}};
  if (prepared) prepared();
  edited = edit.Apply(copy, area);
  Bytes result(edited.status == Status::kOk ? size_t(output.Version()->size)
                                            : 0);
  if (edited.status == Status::kOk) edited.status = output.Read(0, result);
  return {edited, result};
}

/// True when `bound`'s one pass makes of `before` what `edit` makes walking a
/// whole copy `stride` bytes apart until an access fails, warning for what it
/// noted and then a file ended early, moving each byte once; or skips it.
template <class Edit>
bool OnePassIsSimplestWalk(const BoundEdit& bound, const Bytes& before,
                           int64_t stride, const Edit& edit) {
  const int64_t size = int64_t(before.size());
  MemoryInput input(before);
  const KeyframeArea area = *ReadKeyframeArea(input, size);
  if (bound.CheckFile(area) || bound.CheckParameters(area)) return true;
  CountingOutput output(&input);
  const auto [edited, result] = OnePass(bound, input, size, output);

  Bytes after = before;
  CheckedFields fields(after);
  bool noted = false;
  for (int64_t k = 0;
       area.complete && k < area.keyframe_count && !fields.failed(); ++k)
    noted |= edit(
        fields, KeyframePosition(area.table_length, uint16_t(stride), k), area);
  const bool ended_early = area.complete ? fields.failed() : area.EndedEarly();
  return edited.status == Status::kOk && output.moved == size &&
         result == after &&
         edited.warnings.size() == size_t(noted + ended_early) &&
         (!ended_early || edited.warnings.back() == Code::kEndedEarly);
}

// The edits field by field on the keyframe at `at` in `area`, as the simplest
// walk applies them: each access in its fixed order, a failed one ending the
// keyframe. Each returns whether a value it wrote noted something.

/// Shovan's move: each word read, then written with its offset added.
struct ReferenceMove {
  Offsets offsets;
  bool operator()(CheckedFields& f, int64_t at, const KeyframeArea&) const {
    const int64_t words[] = {kMinXOffset, kMaxXOffset, kRootXOffset,
                             kMinYOffset, kMaxYOffset, kRootYOffset,
                             kMinZOffset, kMaxZOffset, kRootZOffset};
    const int16_t deltas[] = {offsets.x, offsets.y, offsets.z};
    bool wrapped = false;
    for (int i = 0; i < 9; ++i) {
      const int32_t sum = f.ReadS16(at + words[i]) + deltas[i / 3];
      if (f.failed()) break;
      wrapped |= sum != int16_t(sum);
      f.WriteU16(at + words[i], uint16_t(sum));
    }
    return wrapped;
  }
};

/// Gyrel's turn: the six words of root offset and box read, then written
/// as the product's turn of a keyframe holding them makes them; then the
/// root mesh's Y angle read and advanced.
struct ReferenceTurn {
  int angle;
  bool operator()(CheckedFields& f, int64_t at,
                  const KeyframeArea& area) const {
    const int64_t sides[] = {kRootXOffset, kRootZOffset, kMinXOffset,
                             kMinZOffset,  kMaxXOffset,  kMaxZOffset};
    uint8_t alone[kRootYAngleOffset + 2] = {};
    for (const int64_t offset : sides)
      StoreU16(alone + offset, f.ReadU16(at + offset));
    if (f.failed()) return false;
    KeyframeArea no_meshes = area;
    no_meshes.first_mesh_count = 0;
    const bool clamped =
        KeyframeTurn(no_meshes, angle)(alone, 1, kAllSteps) != 0;
    for (const int64_t offset : sides)
      f.WriteU16(at + offset, LoadU16(alone + offset));
    if (area.first_mesh_count > 0) {
      const int16_t y_angle = f.ReadS16(at + kRootYAngleOffset);
      if (!f.failed())
        f.WriteS16(at + kRootYAngleOffset,
                   AdvanceYAngle(MakeRotation(angle), y_angle));
    }
    return clamped;
  }
};

/// Flipta's mirror: box X reflected, root offset X negated, each mesh's Y
/// and Z angle mirrored, then the rotations of the mirror pairs exchanged
/// word by word.
struct ReferenceMirror {
  bool operator()(CheckedFields& f, int64_t at, const KeyframeArea&) const {
    const uint16_t min_x = f.ReadU16(at + kMinXOffset);
    const uint16_t max_x = f.ReadU16(at + kMaxXOffset);
    f.WriteU16(at + kMinXOffset, uint16_t(0u - max_x));
    f.WriteU16(at + kMaxXOffset, uint16_t(0u - min_x));
    f.WriteU16(at + kRootXOffset, uint16_t(0u - f.ReadU16(at + kRootXOffset)));
    for (int64_t m = 0; m < kPlayerMeshCount; ++m)
      for (const int64_t angle : {kYAngleOffset, kZAngleOffset}) {
        const int64_t offset = at + MeshAngleOffset(m, angle);
        f.WriteS16(offset, MirrorAngle(f.ReadS16(offset)));
      }
    const std::pair<int64_t, int64_t> pairs[] = {{1, 4},  {2, 5},  {3, 6},
                                                 {8, 11}, {9, 12}, {10, 13}};
    for (const auto& [a, b] : pairs)
      for (const int64_t angle :
           {kXAngleOffset, kYAngleOffset, kZAngleOffset}) {
        const int64_t at_a = at + MeshAngleOffset(a, angle);
        const int64_t at_b = at + MeshAngleOffset(b, angle);
        const uint16_t word_a = f.ReadU16(at_a);
        f.WriteU16(at_a, f.ReadU16(at_b));
        f.WriteU16(at_b, word_a);
      }
    return false;
  }
};

}  // namespace qmx::test

#endif  // QMX_TESTS_ONE_PASS_H_
