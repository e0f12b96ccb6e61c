#include "tools/sample_animation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "format/fields.h"
#include "format/qmx_format.h"

namespace qmx::sample {
namespace {

// xorshift32: tiny, deterministic on every platform.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Between(int low, int high) {
    return low +
           static_cast<int>(Next() % static_cast<uint32_t>(high - low + 1));
  }

 private:
  uint32_t state_;
};

constexpr double kTwoPi = 6.283185307179586;

int16_t Swing(double amplitude, double phase) {
  return static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
}

}  // namespace

void PutU16(std::vector<uint8_t>& bytes, int64_t pos, uint16_t value) {
  StoreU16(bytes.data() + pos, value);
}

uint16_t GetU16(const std::vector<uint8_t>& bytes, int64_t pos) {
  return LoadU16(bytes.data() + pos);
}

std::vector<uint8_t> MakeAnimation(const Shape& shape) {
  Random random(shape.seed);
  const uint16_t table_length = TableLength(shape.header_record_count);
  const uint16_t stride = KeyframeStride(shape.mesh_count);
  const int64_t keyframes_end =
      KeyframePosition(table_length, stride, shape.keyframe_count);
  std::vector<uint8_t> bytes(
      static_cast<size_t>(keyframes_end + shape.trailing_bytes));

  // Opaque header bytes and records: arbitrary but fixed, so that a tool
  // that disturbs them is caught.
  for (int64_t i = 0; i < kHeaderRecordCountOffset; ++i) {
    bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(random.Next());
  }
  for (int64_t i = 0; i < table_length; ++i) {
    bytes[static_cast<size_t>(kHeaderRecordTableOffset + i)] =
        static_cast<uint8_t>(random.Next());
  }
  for (int64_t i = table_length + kTotalBOffset; i < table_length + kHeaderSize;
       ++i) {
    bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(random.Next());
  }
  CheckedFields fields(bytes);
  bytes[kFactorAOffset] = shape.factor_a;
  bytes[kFactorBOffset] = shape.factor_b;
  fields.WriteU16(kRangeStartOffset, shape.range_start);
  fields.WriteU16(
      kRangeEndOffset,
      static_cast<uint16_t>(shape.range_start + shape.keyframe_count - 1));
  fields.WriteU16(kHeaderRecordCountOffset, shape.header_record_count);
  fields.WriteU24(table_length + kTotalBOffset,
                  uint32_t{shape.factor_b} * shape.keyframe_count);
  fields.WriteU16(table_length + kTotalAOffset,
                  static_cast<uint16_t>(shape.factor_a * shape.keyframe_count));
  fields.WriteU16(table_length + kKeyframeCountOffset, shape.keyframe_count);

  // The figure walks along +Z, one stride every 16 keyframes, bobbing and
  // swaying; its limbs swing with the stride.
  const int half_width = random.Between(120, 220);
  const int height = random.Between(700, 1000);
  const int half_depth = random.Between(100, 200);
  const int angle_limit = shape.tame_angles ? 1023 : 32767;
  for (int64_t k = 0; k < shape.keyframe_count; ++k) {
    const int64_t at = KeyframePosition(table_length, stride, k);
    const double phase = kTwoPi * static_cast<double>(k % 16) / 16.0;
    const int16_t root_x = Swing(24, phase);
    const int16_t root_y = static_cast<int16_t>(-Swing(30, 2 * phase) - 40);
    const int16_t root_z = static_cast<int16_t>((k * 48) % 30000 - 15000);
    const auto put = [&](int64_t offset, int value) {
      fields.WriteU16(at + offset, static_cast<uint16_t>(value));
    };
    put(kMinXOffset, root_x - half_width - random.Between(0, 30));
    put(kMaxXOffset, root_x + half_width + random.Between(0, 30));
    put(kMinYOffset, root_y - height);
    put(kMaxYOffset, root_y + random.Between(0, 40));
    put(kMinZOffset, root_z - half_depth - random.Between(0, 60));
    put(kMaxZOffset, root_z + half_depth + random.Between(0, 60));
    put(kRootXOffset, root_x);
    put(kRootYOffset, root_y);
    put(kRootZOffset, root_z);
    put(kMeshCountOffset, shape.mesh_count);
    for (int64_t m = 0; m < shape.mesh_count; ++m) {
      const double limb = phase + static_cast<double>(m) * 0.7;
      const int x_angle = Swing(200, limb) + random.Between(-8, 8);
      int y_angle = Swing(120, limb + 1.0) + random.Between(-8, 8);
      int z_angle = Swing(60, limb + 2.0) + random.Between(-8, 8);
      if (!shape.tame_angles) {
        y_angle = random.Between(-32768, angle_limit);
        z_angle = random.Between(-32768, angle_limit);
      }
      put(MeshAngleOffset(m, kXAngleOffset), x_angle);
      put(MeshAngleOffset(m, kYAngleOffset), y_angle);
      put(MeshAngleOffset(m, kZAngleOffset), z_angle);
    }
  }
  for (int64_t i = keyframes_end; i < static_cast<int64_t>(bytes.size()); ++i) {
    bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(random.Next());
  }
  return bytes;
}

bool SetShapeValue(Shape& shape, std::string_view setting) {
  const size_t eq = setting.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view key = setting.substr(0, eq);
  const unsigned long value =
      std::strtoul(std::string(setting.substr(eq + 1)).c_str(), nullptr, 10);
  if (key == "records") {
    shape.header_record_count = static_cast<uint16_t>(value);
  } else if (key == "keyframes") {
    shape.keyframe_count = static_cast<uint16_t>(value);
  } else if (key == "meshes") {
    shape.mesh_count = static_cast<uint16_t>(value);
  } else if (key == "trailing") {
    shape.trailing_bytes = static_cast<uint32_t>(value);
  } else if (key == "seed") {
    shape.seed = static_cast<uint32_t>(value);
  } else if (key == "factor_a") {
    shape.factor_a = static_cast<uint8_t>(value);
  } else if (key == "factor_b") {
    shape.factor_b = static_cast<uint8_t>(value);
  } else if (key == "range_start") {
    shape.range_start = static_cast<uint16_t>(value);
  } else if (key == "wild_angles") {
    shape.tame_angles = value == 0;
  } else {
    return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> MakeFromDescription(
    std::string_view description) {
  std::istringstream words{std::string(description)};
  std::string kind, word;
  words >> kind;
  std::optional<std::vector<uint8_t>> bytes;
  Shape shape;
  if (kind == "sample" && words >> word) {
    for (const NamedSample& sample : BundledSamples()) {
      if (word == sample.name) bytes = MakeAnimation(sample.shape);
    }
    words >> word;
  } else if (kind == "shape") {
    while (words >> word && word != "|") {
      if (!SetShapeValue(shape, word)) return std::nullopt;
    }
    bytes = MakeAnimation(shape);
  }
  // `word` is now "|" before every step, or what follows the last one.
  while (bytes && words && word == "|" && words >> kind) {
    size_t length = 0;
    int used = 0;
    if (kind == "cut" && words >> word &&
        std::sscanf(word.c_str(), "%zu%n", &length, &used) == 1 &&
        used == int(word.size())) {
      bytes->resize(std::min(bytes->size(), length));
      words >> word;
      continue;
    }
    if (kind != "words") return std::nullopt;
    while (words >> word && word != "|") {
      long pos = 0, value = 0;
      if (std::sscanf(word.c_str(), "%ld=%ld%n", &pos, &value, &used) != 2 ||
          used != int(word.size()) || pos < 0 ||
          size_t(pos) + 2 > bytes->size())
        return std::nullopt;
      PutU16(*bytes, pos, static_cast<uint16_t>(value));
    }
  }
  return words.eof() || !bytes ? bytes : std::nullopt;
}

std::vector<NamedSample> BundledSamples() {
  return {
      {"walk.qmx", Shape{.header_record_count = 2,
                         .keyframe_count = 32,
                         .mesh_count = 15,
                         .trailing_bytes = 24,
                         .seed = 7}},
      {"prop.qmx", Shape{.header_record_count = 0,
                         .keyframe_count = 12,
                         .mesh_count = 3,
                         .factor_a = 2,
                         .factor_b = 30,
                         .range_start = 0,
                         .trailing_bytes = 0,
                         .seed = 3}},
      {"pose.qmx", Shape{.header_record_count = 1,
                         .keyframe_count = 1,
                         .mesh_count = 15,
                         .trailing_bytes = 8,
                         .seed = 11}},
  };
}

std::vector<uint8_t> MakeLargestAnimation() {
  return MakeAnimation(Shape{.header_record_count = 8191,
                             .keyframe_count = 65535,
                             .mesh_count = 15,
                             .trailing_bytes = 0,
                             .seed = 65535});
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace qmx::sample
