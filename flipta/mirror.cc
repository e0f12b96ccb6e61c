#include "flipta/mirror.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

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

// The keyframe that crosses the end of the file is mirrored on a copy of
// this many bytes.
static_assert(KeyframeMirror::kReach <= kMostEditReach);

// Two's complement negation of a stored word: -32768 stays -32768.
uint16_t Negated(uint16_t word) { return static_cast<uint16_t>(0u - word); }

// The accesses of one keyframe in their fixed order (see mirror.h): the
// pairs are step 1, as they write again words that step 0 wrote.
constexpr auto kMirrorOrder = [] {
  std::array<WordAccess, 6 + 4 * kPlayerMeshCount + 12 * kMirrorPairs.size()>
      order{};
  size_t i = 0;
  for (const bool write : {false, true}) {
    order[i++] = {kMinXOffset, write};
    order[i++] = {kMaxXOffset, write};
  }
  order[i++] = {kRootXOffset, false};
  order[i++] = {kRootXOffset, true};
  for (int64_t m = 0; m < kPlayerMeshCount; ++m) {
    for (const int64_t angle : {kYAngleOffset, kZAngleOffset}) {
      order[i++] = {MeshAngleOffset(m, angle), false};
      order[i++] = {MeshAngleOffset(m, angle), true};
    }
  }
  for (const MeshPair& pair : kMirrorPairs) {
    for (const int64_t angle : kAngleOffsets) {
      for (const bool write : {false, true}) {
        order[i++] = {MeshAngleOffset(pair.a, angle), write, 1};
        order[i++] = {MeshAngleOffset(pair.b, angle), write, 1};
      }
    }
  }
  return order;
}();

// Runs of mirror pairs whose meshes follow each other on both sides, so
// that each run changes places as one block of rotations: 1-3 with 4-6 and
// 8-10 with 11-13. No mesh is in two pairs, so the blocks are disjoint.
struct MeshBlock {
  int64_t a;
  int64_t b;
  int64_t meshes;
};

constexpr size_t kBlockCount = [] {
  size_t count = 0;
  for (size_t i = 0; i < kMirrorPairs.size(); ++i) {
    count += i == 0 || kMirrorPairs[i].a != kMirrorPairs[i - 1].a + 1 ||
             kMirrorPairs[i].b != kMirrorPairs[i - 1].b + 1;
  }
  return count;
}();

constexpr auto kBlocks = [] {
  std::array<MeshBlock, kBlockCount> blocks{};
  size_t n = 0;
  for (const MeshPair& pair : kMirrorPairs) {
    MeshBlock& last = blocks[n == 0 ? 0 : n - 1];
    if (n > 0 && pair.a == last.a + last.meshes &&
        pair.b == last.b + last.meshes) {
      ++last.meshes;
    } else {
      blocks[n++] = {pair.a, pair.b, 1};
    }
  }
  return blocks;
}();

// Whole player keyframes are mirrored in two passes over each group of
// eight keyframes. The first turns every Y and Z angle of every mesh rotation
// through the angle mirror, eight words at a time; which words those are
// repeats every eight keyframes (440 words, 55 vectors). The second negates the
// box and root offset X and exchanges the rotations of the mirror pairs, a
// block at a time. A keyframe's fields are disjoint, and each pair is
// exchanged after both of its meshes' angles are mirrored, so the order of
// the passes cannot change the result.
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

// Exchanges `kBytes` bytes at `a` with as many at `b` (which do not
// overlap) a value of type T at a time, the rest word by word.
template <class T, size_t kBytes>
void Exchange(uint8_t* a, uint8_t* b) {
  if constexpr (kBytes >= sizeof(T)) {
    T held_a;
    T held_b;
    std::memcpy(&held_a, a, sizeof(T));
    std::memcpy(&held_b, b, sizeof(T));
    std::memcpy(a, &held_b, sizeof(T));
    std::memcpy(b, &held_a, sizeof(T));
    Exchange<T, kBytes - sizeof(T)>(a + sizeof(T), b + sizeof(T));
  } else if constexpr (kBytes > 0) {
    static_assert(kBytes % 2 == 0);
    Exchange<uint16_t, kBytes>(a, b);
  }
}

// Both blocks are held in registers, a vector at a time: through a buffer
// on the stack each would be written and read once more.
template <size_t kBlock>
void ExchangeBlock(uint8_t* a, uint8_t* b) {
  Exchange<Words, kBlock>(a, b);
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

namespace {

// Step 0 of the mirror (box, root offset, angles) when `kAngles`, step 1
// (the pairs) when `kPairs`, over a group of eight keyframes at a time,
// one period of the mask, so that the second pass finds them still in the
// nearest cache.
template <bool kAngles, bool kPairs>
void Mirror(uint8_t* first, int64_t count) {
  for (int64_t group = 0; group < count; group += kMaskKeyframes) {
    uint8_t* group_first = first + group * kPlayerStride;
    const int64_t group_count = std::min(kMaskKeyframes, count - group);
    if (kAngles) MirrorAngles(group_first, group_count * kPlayerStride);
    for (int64_t k = 0; k < group_count; ++k) {
      uint8_t* keyframe = group_first + k * kPlayerStride;
      if (kAngles) {
        const uint16_t min_x = LoadU16(keyframe + kMinXOffset);
        const uint16_t max_x = LoadU16(keyframe + kMaxXOffset);
        StoreU16(keyframe + kMinXOffset, Negated(max_x));
        StoreU16(keyframe + kMaxXOffset, Negated(min_x));
        StoreU16(keyframe + kRootXOffset,
                 Negated(LoadU16(keyframe + kRootXOffset)));
      }
      if (kPairs) {
        [&]<size_t... kI>(std::index_sequence<kI...>) {
          (ExchangeBlock<kBlocks[kI].meshes * kMeshRotationSize>(
               Mesh(keyframe, kBlocks[kI].a), Mesh(keyframe, kBlocks[kI].b)),
           ...);
        }
        (std::make_index_sequence<kBlocks.size()>());
      }
    }
  }
}

}  // namespace

uint64_t KeyframeMirror::operator()(uint8_t* first, int64_t count,
                                    int step) const {
  if (step == 0) {
    Mirror<true, false>(first, count);
  } else if (step == 1) {
    Mirror<false, true>(first, count);
  } else {
    Mirror<true, true>(first, count);
  }
  return 0;
}

std::span<const WordAccess> KeyframeMirror::Order() { return kMirrorOrder; }

}  // namespace qmx
