#include "flipta/mirror.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qmx {
namespace {

struct MeshPair {
  int64_t a;
  int64_t b;
};

// Exchanged in this order, after every Y and Z angle has been mirrored, so
// each rotation takes its mirrored angles along to its new place.
constexpr std::array<MeshPair, 6> kMirrorPairs = {
    {{1, 4}, {2, 5}, {3, 6}, {8, 11}, {9, 12}, {10, 13}}};

constexpr std::array<int64_t, 3> kAngleOffsets = {kXAngleOffset, kYAngleOffset,
                                                  kZAngleOffset};

// Two's complement negation of a stored word: -32768 stays -32768.
uint16_t Negated(uint16_t word) { return static_cast<uint16_t>(0u - word); }

// Whole player keyframes are mirrored in two passes over each group of
// eight keyframes. The first turns every Y and Z angle of every mesh rotation
// through the angle mirror, eight words at a time; which words those are
// repeats every eight keyframes (440 words, 55 vectors). The second negates the
// box and root offset X and exchanges the rotations of the mirror pairs: meshes
// 1-3 with 4-6 and 8-10 with 11-13, each as one block of 18 bytes. A
// keyframe's fields are disjoint, so the order of the passes cannot change
// the result.
using Words = uint16_t __attribute__((vector_size(16)));
using SignedWords = int16_t __attribute__((vector_size(16)));
constexpr int kWordsPerVector = 8;
constexpr int kWordsPerKeyframe = kPlayerStride / 2;
constexpr int kMaskWords = kWordsPerKeyframe * kWordsPerVector;
// Keyframes in one period of the mask.
constexpr int64_t kMaskKeyframes = kWordsPerVector;

// Per word of one period: the bound below which the mirror negates (1024
// for the mirrored angles; -32768 elsewhere, which no word is below), and
// what it then subtracts (1024, or 0).
struct MirrorConstants {
  std::array<uint16_t, kMaskWords> below;
  std::array<uint16_t, kMaskWords> bias;
};
constexpr MirrorConstants kMirror = [] {
  MirrorConstants m{};
  for (int w = 0; w < kMaskWords; ++w) {
    const int angle = w % kWordsPerKeyframe - kMeshRotationsOffset / 2;
    const bool mirrored = angle >= 0 && angle % 3 != 0;
    m.below[static_cast<size_t>(w)] = mirrored ? kAngleUnitsPerTurn : 0x8000;
    m.bias[static_cast<size_t>(w)] = mirrored ? kAngleUnitsPerTurn : 0;
  }
  return m;
}();

Words LoadWords(const void* from) {
  Words words;
  std::memcpy(&words, from, sizeof words);
  return words;
}

// The first pass over the `length` bytes of keyframes from `first` on: at
// most one period of the mask, so the mask never starts over.
void MirrorAngles(uint8_t* first, int64_t length) {
  int64_t pos = 0;
  size_t word = 0;  // index into kMirror
  // Five at a time: a period's 55 vectors leave no rest, and the loop's own
  // steps no longer cost as much as the mirror.
#pragma GCC unroll 5
  for (; pos + 16 <= length; pos += 16, word += kWordsPerVector) {
    const Words v = LoadWords(first + pos);
    // All ones where the mirror negates: (v ^ n) - n is -v there, v
    // elsewhere; in wrapping 16-bit lanes, exact wherever it is chosen.
    const Words n = reinterpret_cast<Words>(
        reinterpret_cast<SignedWords>(v) <
        reinterpret_cast<SignedWords>(LoadWords(&kMirror.below[word])));
    const Words out = ((v ^ n) - n) - LoadWords(&kMirror.bias[word]);
    std::memcpy(first + pos, &out, sizeof out);
  }
  for (; pos < length; pos += 2, ++word) {
    if (kMirror.bias[word] != 0) {
      StoreU16(first + pos, static_cast<uint16_t>(MirrorAngle(
                                static_cast<int16_t>(LoadU16(first + pos)))));
    }
  }
}

void ExchangeBlocks(uint8_t* a, uint8_t* b) {
  constexpr size_t kBlock = 3 * kMeshRotationSize;
  uint8_t held[kBlock];
  std::memcpy(held, a, kBlock);
  std::memcpy(a, b, kBlock);
  std::memcpy(b, held, kBlock);
}

uint8_t* Mesh(uint8_t* keyframe, int64_t m) {
  return keyframe + MeshAngleOffset(m, kXAngleOffset);
}

}  // namespace

int16_t MirrorAngle(int16_t v) {
  const int32_t wide = v;
  return static_cast<int16_t>(wide - kAngleUnitsPerTurn >= 0
                                  ? wide - kAngleUnitsPerTurn
                                  : -kAngleUnitsPerTurn - wide);
}

template <class Keyframe>
bool KeyframeMirror::operator()(Keyframe& keyframe) const {
  // Reflecting the box in X turns its max into its min and the other way.
  const uint16_t min_x = keyframe.ReadU16(kMinXOffset);
  const uint16_t max_x = keyframe.ReadU16(kMaxXOffset);
  keyframe.WriteU16(kMinXOffset, Negated(max_x));
  keyframe.WriteU16(kMaxXOffset, Negated(min_x));
  keyframe.WriteU16(kRootXOffset, Negated(keyframe.ReadU16(kRootXOffset)));

  for (int64_t m = 0; m < kPlayerMeshCount; ++m) {
    for (const int64_t angle : {kYAngleOffset, kZAngleOffset}) {
      const int64_t offset = MeshAngleOffset(m, angle);
      keyframe.WriteS16(offset, MirrorAngle(keyframe.ReadS16(offset)));
    }
  }
  for (const MeshPair& pair : kMirrorPairs) {
    for (const int64_t angle : kAngleOffsets) {
      const int64_t offset_a = MeshAngleOffset(pair.a, angle);
      const int64_t offset_b = MeshAngleOffset(pair.b, angle);
      const uint16_t a = keyframe.ReadU16(offset_a);
      const uint16_t b = keyframe.ReadU16(offset_b);
      keyframe.WriteU16(offset_a, b);
      keyframe.WriteU16(offset_b, a);
    }
  }
  return false;
}

// A group of eight keyframes at a time, one period of the mask, so that
// the second pass finds them still in the nearest cache.
bool KeyframeMirror::EditWhole(uint8_t* first, int64_t count) const {
  for (int64_t group = 0; group < count; group += kMaskKeyframes) {
    uint8_t* group_first = first + group * kPlayerStride;
    const int64_t group_count = std::min(kMaskKeyframes, count - group);
    MirrorAngles(group_first, group_count * kPlayerStride);
    for (int64_t k = 0; k < group_count; ++k) {
      uint8_t* keyframe = group_first + k * kPlayerStride;
      const uint16_t min_x = LoadU16(keyframe + kMinXOffset);
      const uint16_t max_x = LoadU16(keyframe + kMaxXOffset);
      StoreU16(keyframe + kMinXOffset, Negated(max_x));
      StoreU16(keyframe + kMaxXOffset, Negated(min_x));
      StoreU16(keyframe + kRootXOffset,
               Negated(LoadU16(keyframe + kRootXOffset)));
      ExchangeBlocks(Mesh(keyframe, 1), Mesh(keyframe, 4));
      ExchangeBlocks(Mesh(keyframe, 8), Mesh(keyframe, 11));
    }
  }
  return false;
}

template bool KeyframeMirror::operator()(KeyframeBytes&) const;
template bool KeyframeMirror::operator()(CheckedKeyframe&) const;

}  // namespace qmx
