#ifndef QMX_TESTS_FUZZ_FUZZ_CHECK_H_
#define QMX_TESTS_FUZZ_FUZZ_CHECK_H_

// What the fuzz targets share: a check that stops the fuzzer on the first
// broken invariant, and plain little-endian reads of the input bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

// Aborts, so that libFuzzer saves the input, when `condition` is false.
#define QMX_FUZZ_CHECK(condition)                                     \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, \
                   __LINE__, #condition);                             \
      std::abort();                                                   \
    }                                                                 \
  } while (false)

namespace qmx::fuzz {

using Bytes = std::vector<uint8_t>;

/// True when the `width` bytes at `pos` lie wholly inside `bytes`.
inline bool Inside(const Bytes& bytes, int64_t pos, int64_t width) {
  return pos >= 0 && pos + width <= static_cast<int64_t>(bytes.size());
}

/// The little-endian word at `pos`, or nothing when it is not wholly inside.
inline std::optional<uint16_t> WordAt(const Bytes& bytes, int64_t pos) {
  if (!Inside(bytes, pos, 2)) return std::nullopt;
  const size_t at = static_cast<size_t>(pos);
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

/// The header values that locate the keyframes, read straight from the
/// bytes with the layout spelled out here rather than taken from the
/// product's headers; nothing when the file ends before the first keyframe's
/// mesh count.
struct Header {
  int64_t table_length = 0;
  int64_t keyframe_count = 0;
  int64_t first_mesh_count = 0;
  int64_t stride = 0;
  int64_t KeyframeAt(int64_t k) const { return table_length + 66 + k * stride; }
};

inline std::optional<Header> ReadHeader(const Bytes& bytes) {
  const std::optional<uint16_t> records = WordAt(bytes, 52);
  if (!records) return std::nullopt;
  Header header;
  header.table_length = (*records * 8) % 65536;
  const std::optional<uint16_t> count = WordAt(bytes, header.table_length + 62);
  const std::optional<uint16_t> meshes =
      WordAt(bytes, header.table_length + 84);
  if (!count || !meshes) return std::nullopt;
  header.keyframe_count = *count;
  header.first_mesh_count = *meshes;
  header.stride = (20 + 6 * header.first_mesh_count) % 65536;
  return header;
}

/// Marks the `width` bytes at `pos` that lie inside the file.
inline void Allow(std::vector<bool>& allowed, int64_t pos, int64_t width) {
  for (int64_t i = pos; i < pos + width; ++i) {
    if (i >= 0 && i < static_cast<int64_t>(allowed.size())) {
      allowed[static_cast<size_t>(i)] = true;
    }
  }
}

/// Checks that `after` has the length of `before` and differs from it only
/// where `allowed` is set.
inline void CheckOnlyAllowedChanged(const Bytes& before, const Bytes& after,
                                    const std::vector<bool>& allowed) {
  QMX_FUZZ_CHECK(after.size() == before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    QMX_FUZZ_CHECK(allowed[i] || after[i] == before[i]);
  }
}

}  // namespace qmx::fuzz

#endif  // QMX_TESTS_FUZZ_FUZZ_CHECK_H_
