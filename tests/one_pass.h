#ifndef QMX_TESTS_ONE_PASS_H_
#define QMX_TESTS_ONE_PASS_H_

// The one pass of a tool's edit against the simplest walk, over files in
// memory behind the file layer's interface.

#include <algorithm>
#include <vector>

#include "common/memory_files.h"
#include "common/tool.h"
#include "flipta/mirror.h"
#include "gyrel/rotation.h"
#include "shovan/reposition.h"

namespace qmx::test {

using Bytes = std::vector<uint8_t>;

/// The fields of a keyframe that may cross the end of the file: positions
/// relative to the keyframe, checked as CheckedFields checks them.
class CheckedKeyframe {
 public:
  CheckedKeyframe(CheckedFields& fields, int64_t position)
      : fields_(fields), position_(position) {}
  uint16_t ReadU16(int64_t offset) {
    return fields_.ReadU16(position_ + offset);
  }
  int16_t ReadS16(int64_t offset) {
    return fields_.ReadS16(position_ + offset);
  }
  void WriteU16(int64_t offset, uint16_t value) {
    fields_.WriteU16(position_ + offset, value);
  }
  void WriteS16(int64_t offset, int16_t value) {
    fields_.WriteS16(position_ + offset, value);
  }
  bool failed() const { return fields_.failed(); }

 private:
  CheckedFields& fields_;
  int64_t position_;
};

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

// The edits field by field through checked fields, as the simplest walk
// applies them: each access in its fixed order, a failed one ending the
// keyframe. Each returns whether a value it wrote noted something.

/// Shovan's move: each word read, then written with its offset added.
struct ReferenceMove {
  Offsets offsets;
  bool operator()(CheckedKeyframe& keyframe) const {
    const std::pair<int64_t, int16_t> words[] = {
        {kMinXOffset, offsets.x},  {kMaxXOffset, offsets.x},
        {kRootXOffset, offsets.x}, {kMinYOffset, offsets.y},
        {kMaxYOffset, offsets.y},  {kRootYOffset, offsets.y},
        {kMinZOffset, offsets.z},  {kMaxZOffset, offsets.z},
        {kRootZOffset, offsets.z}};
    bool wrapped = false;
    for (const auto& [offset, delta] : words) {
      const int32_t sum = keyframe.ReadS16(offset) + delta;
      if (keyframe.failed()) break;
      wrapped |= sum != int16_t(sum);
      keyframe.WriteU16(offset, uint16_t(sum));
    }
    return wrapped;
  }
};

/// Gyrel's turn: the six words of root offset and box read, then written
/// as the product's turn of a keyframe holding them makes them; then the
/// root mesh's Y angle read and advanced.
struct ReferenceTurn {
  KeyframeArea area;
  int angle;
  bool operator()(CheckedKeyframe& keyframe) const {
    const int64_t sides[] = {kRootXOffset, kRootZOffset, kMinXOffset,
                             kMinZOffset,  kMaxXOffset,  kMaxZOffset};
    uint8_t alone[kRootYAngleOffset + 2] = {};
    for (const int64_t offset : sides)
      StoreU16(alone + offset, keyframe.ReadU16(offset));
    if (keyframe.failed()) return false;
    KeyframeArea no_meshes = area;
    no_meshes.first_mesh_count = 0;
    const bool clamped =
        KeyframeTurn(no_meshes, angle)(alone, 1, kAllSteps) != 0;
    for (const int64_t offset : sides)
      keyframe.WriteU16(offset, LoadU16(alone + offset));
    if (area.first_mesh_count > 0) {
      const int16_t y_angle = keyframe.ReadS16(kRootYAngleOffset);
      if (!keyframe.failed())
        keyframe.WriteS16(kRootYAngleOffset,
                          AdvanceYAngle(MakeRotation(angle), y_angle));
    }
    return clamped;
  }
};

/// Flipta's mirror: box X reflected, root offset X negated, each mesh's Y
/// and Z angle mirrored, then the rotations of the mirror pairs exchanged
/// word by word.
struct ReferenceMirror {
  bool operator()(CheckedKeyframe& keyframe) const {
    const uint16_t min_x = keyframe.ReadU16(kMinXOffset);
    const uint16_t max_x = keyframe.ReadU16(kMaxXOffset);
    keyframe.WriteU16(kMinXOffset, uint16_t(0u - max_x));
    keyframe.WriteU16(kMaxXOffset, uint16_t(0u - min_x));
    keyframe.WriteU16(kRootXOffset,
                      uint16_t(0u - keyframe.ReadU16(kRootXOffset)));
    for (int64_t m = 0; m < kPlayerMeshCount; ++m) {
      for (const int64_t angle : {kYAngleOffset, kZAngleOffset}) {
        const int64_t offset = MeshAngleOffset(m, angle);
        keyframe.WriteS16(offset, MirrorAngle(keyframe.ReadS16(offset)));
      }
    }
    const std::pair<int64_t, int64_t> pairs[] = {{1, 4},  {2, 5},  {3, 6},
                                                 {8, 11}, {9, 12}, {10, 13}};
    for (const auto& [mesh_a, mesh_b] : pairs) {
      for (const int64_t angle :
           {kXAngleOffset, kYAngleOffset, kZAngleOffset}) {
        const int64_t offset_a = MeshAngleOffset(mesh_a, angle);
        const int64_t offset_b = MeshAngleOffset(mesh_b, angle);
        const uint16_t a = keyframe.ReadU16(offset_a);
        const uint16_t b = keyframe.ReadU16(offset_b);
        keyframe.WriteU16(offset_a, b);
        keyframe.WriteU16(offset_b, a);
      }
    }
    return false;
  }
};

}  // namespace qmx::test

#endif  // QMX_TESTS_ONE_PASS_H_
