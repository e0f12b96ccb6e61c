#ifndef QMX_SNIPLA_TRUNCATION_H_
#define QMX_SNIPLA_TRUNCATION_H_

#include <cstdint>

#include "format/fields.h"

namespace qmx {

/// How many keyframes to remove from the beginning and from the end.
struct Cuts {
  uint16_t front{};
  uint16_t back{};
};

/// True when the cuts leave at least one keyframe: front + back is below
/// `keyframe_count`, summed without any 16-bit wrap (65535 + 1 is 65536).
bool CutsAreValid(uint16_t keyframe_count, Cuts cuts);

/// The keyframes a truncation keeps, as a byte range of the input.
struct RetainedBlock {
  int64_t position{};  // T + 66 + front cut x stride
  int64_t length{};    // new keyframe count x stride
};

/// Where the retained keyframes lie in the input. Computed in 64 bits, so
/// no header value can overflow it. `cuts` must be valid for
/// `keyframe_count`.
RetainedBlock RetainedKeyframes(uint16_t table_length, uint16_t stride,
                                uint16_t keyframe_count, Cuts cuts);

/// The keyframe count after the cuts: `keyframe_count` minus the back cut
/// minus the front cut, wrapped to 16 bits.
uint16_t NewKeyframeCount(uint16_t keyframe_count, Cuts cuts);

/// Brings the header fields that depend on the keyframe count up to date
/// after a truncation, in this order: keyframe count (the stored count minus
/// the back cut minus the front cut, 16 bits), total A (factor A x new count,
/// 16 bits), range end (range start + new count - 1, 16 bits) and total B
/// (factor B x new count, low 24 bits; the byte after it is kept). `header`
/// holds at least the first T + 66 bytes of the file; when it is shorter,
/// nothing past its end is touched.
void UpdateHeader(CheckedFields& header, uint16_t table_length, Cuts cuts);

}  // namespace qmx

#endif  // QMX_SNIPLA_TRUNCATION_H_
