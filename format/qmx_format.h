#ifndef QMX_FORMAT_QMX_FORMAT_H_
#define QMX_FORMAT_QMX_FORMAT_H_

// Layout of a .qmx animation file. Every integer is little-endian.
//
//   0            12 bytes  opaque
//   12           u8        factor A
//   13           u8        factor B
//   14           18 bytes  opaque
//   32           u16       range start
//   34           u16       range end      (range start + keyframe count - 1)
//   36           16 bytes  opaque
//   52           u16       header record count
//   54           T bytes   header record table, T = 8 x count (mod 65536)
//   T+54         u24       total B        (factor B x keyframe count)
//   T+57         1 byte    opaque
//   T+58         u16       total A        (factor A x keyframe count)
//   T+60         2 bytes   opaque
//   T+62         u16       keyframe count
//   T+64         2 bytes   opaque
//   T+66         keyframes, back to back, each `stride` bytes long
//   ...          trailing data, carried over untouched by in-place edits
//
// A keyframe:
//   0  s16 bounding box min X     2  s16 bounding box max X
//   4  s16 bounding box min Y     6  s16 bounding box max Y
//   8  s16 bounding box min Z    10  s16 bounding box max Z
//  12  s16 root offset X         14  s16 root offset Y
//  16  s16 root offset Z         18  u16 mesh count
//  20 + 6m  mesh rotation of mesh m: X angle, Y angle, Z angle (s16 each)
//
// Only the mesh count of keyframe 0 is read; its stride applies to every
// keyframe. Stored 16-bit values wrap modulo 65536, the 24-bit total modulo
// 2^24. Positions are computed in 64 bits so that no header value can
// overflow them.

#include <cstdint>

namespace qmx {

// Header fields before the header record table.
inline constexpr int64_t kFactorAOffset = 12;
inline constexpr int64_t kFactorBOffset = 13;
inline constexpr int64_t kRangeStartOffset = 32;
inline constexpr int64_t kRangeEndOffset = 34;
inline constexpr int64_t kHeaderRecordCountOffset = 52;
inline constexpr int64_t kHeaderRecordSize = 8;
// The header record table starts right after its count.
inline constexpr int64_t kHeaderRecordTableOffset = 54;
static_assert(kHeaderRecordTableOffset == kHeaderRecordCountOffset + 2);

// Header fields after the header record table, relative to T.
inline constexpr int64_t kTotalBOffset = 54;
inline constexpr int64_t kTotalAOffset = 58;
inline constexpr int64_t kKeyframeCountOffset = 62;
inline constexpr int64_t kHeaderSize = 66;  // the keyframe area starts here

// Fields of a keyframe, relative to its first byte.
inline constexpr int64_t kMinXOffset = 0;
inline constexpr int64_t kMaxXOffset = 2;
inline constexpr int64_t kMinYOffset = 4;
inline constexpr int64_t kMaxYOffset = 6;
inline constexpr int64_t kMinZOffset = 8;
inline constexpr int64_t kMaxZOffset = 10;
inline constexpr int64_t kRootXOffset = 12;
inline constexpr int64_t kRootYOffset = 14;
inline constexpr int64_t kRootZOffset = 16;
inline constexpr int64_t kMeshCountOffset = 18;
inline constexpr int64_t kMeshRotationsOffset = 20;
inline constexpr int64_t kMeshRotationSize = 6;
inline constexpr int64_t kXAngleOffset = 0;  // within a mesh rotation
inline constexpr int64_t kYAngleOffset = 2;
inline constexpr int64_t kZAngleOffset = 4;

// Angles are stored in angle units, 1024 to a full turn.
inline constexpr int32_t kAngleUnitsPerTurn = 1024;

// The player-character object, the only one that is mirrored, has this
// many meshes.
inline constexpr uint16_t kPlayerMeshCount = 15;

// Mesh count of the first keyframe, relative to T.
inline constexpr int64_t kFirstMeshCountOffset = kHeaderSize + kMeshCountOffset;

/// Table length T: header record count x 8, wrapped to 16 bits.
constexpr uint16_t TableLength(uint16_t header_record_count) {
  return static_cast<uint16_t>(header_record_count * kHeaderRecordSize);
}

/// The longest table: 8191 records (8192 wrap to none).
inline constexpr int64_t kMaxTableLength = TableLength(8191);

/// Keyframe stride in bytes: 20 + 6 x mesh count, wrapped to 16 bits.
constexpr uint16_t KeyframeStride(uint16_t mesh_count) {
  return static_cast<uint16_t>(kMeshRotationsOffset +
                               kMeshRotationSize * mesh_count);
}

/// File position of keyframe `k`: T + 66 + k x stride.
constexpr int64_t KeyframePosition(uint16_t table_length, uint16_t stride,
                                   int64_t k) {
  return table_length + kHeaderSize + k * stride;
}

/// File position of the mesh rotation word `angle_offset` of mesh `m`,
/// relative to its keyframe.
constexpr int64_t MeshAngleOffset(int64_t m, int64_t angle_offset) {
  return kMeshRotationsOffset + kMeshRotationSize * m + angle_offset;
}

/// The root mesh's Y angle (its facing), relative to its keyframe.
inline constexpr int64_t kRootYAngleOffset = MeshAngleOffset(0, kYAngleOffset);

/// How far into a keyframe its box and root offset reach: to the end of
/// root offset Z.
inline constexpr int64_t kCoordinatesReach = kRootZOffset + 2;

/// Keyframe stride of a player-character animation. It is used for every
/// keyframe, whatever mesh count the later keyframes hold.
inline constexpr uint16_t kPlayerStride = KeyframeStride(kPlayerMeshCount);
static_assert(kPlayerStride == 110);

}  // namespace qmx

#endif  // QMX_FORMAT_QMX_FORMAT_H_
