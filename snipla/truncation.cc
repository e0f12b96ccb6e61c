#include "snipla/truncation.h"

#include "format/qmx_format.h"

namespace qmx {

bool CutsAreValid(uint16_t keyframe_count, Cuts cuts) {
  return uint32_t{cuts.front} + cuts.back < keyframe_count;
}

RetainedBlock RetainedKeyframes(uint16_t table_length, uint16_t stride,
                                uint16_t keyframe_count, Cuts cuts) {
  const int64_t new_count = int64_t{keyframe_count} - cuts.front - cuts.back;
  return RetainedBlock{
      .position = KeyframePosition(table_length, stride, cuts.front),
      .length = new_count * stride,
  };
}

uint16_t NewKeyframeCount(uint16_t keyframe_count, Cuts cuts) {
  return static_cast<uint16_t>(keyframe_count - cuts.back - cuts.front);
}

void UpdateHeader(CheckedFields& header, uint16_t table_length, Cuts cuts) {
  const int64_t count_at = table_length + kKeyframeCountOffset;
  const uint16_t new_count = NewKeyframeCount(header.ReadU16(count_at), cuts);
  header.WriteU16(count_at, new_count);

  const uint8_t factor_a = header.ReadU8(kFactorAOffset);
  header.WriteU16(table_length + kTotalAOffset,
                  static_cast<uint16_t>(factor_a * new_count));

  const uint16_t range_start = header.ReadU16(kRangeStartOffset);
  header.WriteU16(kRangeEndOffset,
                  static_cast<uint16_t>(range_start + new_count - 1));

  const uint8_t factor_b = header.ReadU8(kFactorBOffset);
  header.WriteU24(table_length + kTotalBOffset, uint32_t{factor_b} * new_count);
}

}  // namespace qmx
