#include "look/inspect.h"

#include "engine/messages.h"
#include "engine/working_copy.h"
#include "format/qmx_format.h"

namespace qmx {
namespace {

// The keyframe fields a look reads: the box and the root offset, and with
// them the root mesh's Y angle (or all three), where the keyframes have
// meshes.
constexpr int64_t kFacingReach = kRootYAngleOffset + 2;
constexpr int64_t kAnglesReach = MeshAngleOffset(0, kZAngleOffset) + 2;

// The keyframe at `keyframe`, whose facing is read when `facing` says so,
// and its root mesh's angles when `angles` does.
KeyframeCoordinates CoordinatesAt(const uint8_t* keyframe, bool facing,
                                  bool angles) {
  const auto at = [keyframe](int64_t offset) {
    return static_cast<int16_t>(LoadU16(keyframe + offset));
  };
  const auto angle = [&](int64_t offset) {
    return at(MeshAngleOffset(0, offset));
  };
  return {
      .box_min = {at(kMinXOffset), at(kMinYOffset), at(kMinZOffset)},
      .box_max = {at(kMaxXOffset), at(kMaxYOffset), at(kMaxZOffset)},
      .root = {at(kRootXOffset), at(kRootYOffset), at(kRootZOffset)},
      .facing = facing ? std::optional(at(kRootYAngleOffset)) : std::nullopt,
      .angles = angles ? std::optional(std::array{angle(kXAngleOffset),
                                                  angle(kYAngleOffset),
                                                  angle(kZAngleOffset)})
                       : std::nullopt,
  };
}

}  // namespace

std::optional<int64_t> Inspection::KeyframesEnd() const {
  if (area.EndedEarly()) return std::nullopt;
  return area.KeyframeAt(area.keyframe_count);
}

std::optional<Inspection> Inspect(
    FileLayer& files, const std::string& path,
    const std::function<void(const KeyframeCoordinates&)>& keyframe,
    std::string& error, bool angles) {
  OpenFailure failure;
  const std::unique_ptr<InputFile> input = files.Open(path, failure);
  if (!input) {
    error = TextOf(CannotOpen(failure));
    return std::nullopt;
  }
  error = "Could not read the file.";
  const std::optional<FileVersion> version = input->Version();
  if (!version) return std::nullopt;
  const int64_t size = version->size;
  // What was read of a file that changed meanwhile belongs to no version of
  // it; a read also comes up short when it shrank.
  const auto failed = [&] {
    if (input->Version() != version) {
      error = "The file changed while it was being read.";
    }
    return std::nullopt;
  };

  Inspection inspection;
  inspection.length = size;
  const std::optional<KeyframeArea> area = ReadKeyframeArea(*input, size);
  if (!area) return failed();
  inspection.area = *area;
  if (size >= kHeaderRecordCountOffset + 2) {
    uint8_t count[2];
    if (input->Read(kHeaderRecordCountOffset, count) != Status::kOk) {
      return failed();
    }
    inspection.header_record_count = LoadU16(count);
  }
  // The stride of the first keyframe's mesh count holds mesh 0 in every
  // keyframe when that count is one or more.
  const bool facing = area->first_mesh_count > 0;
  angles = angles && facing;
  const int64_t reach = angles   ? kAnglesReach
                        : facing ? kFacingReach
                                 : kCoordinatesReach;
  // Keyframes that end inside their root mesh still hold their coordinates:
  // the last one of a file cut short (more only where keyframes overlap).
  const std::optional<int64_t> read = ReadKeyframes(
      *input, size, *area, kCoordinatesReach, reach,
      [&](const uint8_t* first, int64_t count, int64_t held) {
        for (int64_t k = 0; k < count; ++k) {
          const int64_t at = k * area->stride;
          const bool whole = at + reach <= held;
          keyframe(CoordinatesAt(first + at, facing && whole, angles && whole));
        }
      });
  if (!read || input->Version() != version) return failed();
  inspection.keyframes_read = *read;
  error.clear();
  return inspection;
}

}  // namespace qmx
