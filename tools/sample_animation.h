#ifndef QMX_TOOLS_SAMPLE_ANIMATION_H_
#define QMX_TOOLS_SAMPLE_ANIMATION_H_

// Deterministic .qmx animations for samples, tests and benchmarks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmx::sample {

/// The shape of a generated animation. Everything else is made up from
/// `seed`, the same way every time.
struct Shape {
  uint16_t header_record_count = 2;
  uint16_t keyframe_count = 10;
  uint16_t mesh_count = 15;
  uint8_t factor_a = 4;
  uint8_t factor_b = 55;
  uint16_t range_start = 10;
  uint32_t trailing_bytes = 0;  // opaque data after the keyframes
  uint32_t seed = 1;
  /// Keep every Y and Z angle within -1024..1023 (one turn either way), as
  /// an editor writes them.
  bool tame_angles = true;
};

/// A figure walking forward: box and root offset follow the stride, the
/// meshes swing. Header fields that depend on the keyframe count are
/// consistent with it.
std::vector<uint8_t> MakeAnimation(const Shape& shape);

/// One of the bundled sample animations.
struct NamedSample {
  const char* name;
  Shape shape;
};

/// Sets one value of `shape` from "key=value" (records, keyframes, meshes,
/// trailing, seed, factor_a, factor_b, range_start, wild_angles); false for
/// anything else.
bool SetShapeValue(Shape& shape, std::string_view setting);

/// An animation from a description: "sample NAME" (a bundled sample) or
/// "shape KEY=VALUE..." (as SetShapeValue takes them), then any of
/// "| cut N" (only the first N bytes) and "| words POS=VALUE..." (16-bit
/// little-endian values put in place), in order. Nothing when the
/// description is not understood.
std::optional<std::vector<uint8_t>> MakeFromDescription(
    std::string_view description);

/// The samples in samples/: a player figure walking two strides with header
/// records and trailing data, a small prop, a single-keyframe pose.
std::vector<NamedSample> BundledSamples();

/// The largest file the format can describe: 8191 header records, 65535
/// keyframes of 15 meshes.
std::vector<uint8_t> MakeLargestAnimation();

/// A 16-bit word of `bytes` at `pos`, which must lie inside them, for tests
/// that build or inspect files by hand.
void PutU16(std::vector<uint8_t>& bytes, int64_t pos, uint16_t value);
uint16_t GetU16(const std::vector<uint8_t>& bytes, int64_t pos);

/// Writes `bytes` to `path`; false on any failure.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace qmx::sample

#endif  // QMX_TOOLS_SAMPLE_ANIMATION_H_
