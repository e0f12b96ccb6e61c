#include "shovan/reposition.h"

#include <array>
#include <bit>
#include <cstring>

namespace qmx {
namespace {

struct MovedWord {
  int64_t offset;           // within the keyframe
  int16_t Offsets::*delta;  // which offset is added to it
};

constexpr std::array<MovedWord, 9> kMovedWords = {{
    {kMinXOffset, &Offsets::x},
    {kMaxXOffset, &Offsets::x},
    {kRootXOffset, &Offsets::x},
    {kMinYOffset, &Offsets::y},
    {kMaxYOffset, &Offsets::y},
    {kRootYOffset, &Offsets::y},
    {kMinZOffset, &Offsets::z},
    {kMaxZOffset, &Offsets::z},
    {kRootZOffset, &Offsets::z},
}};

constexpr auto kMoveOrder = [] {
  std::array<WordAccess, 2 * kMovedWords.size()> order{};
  for (size_t i = 0; i < kMovedWords.size(); ++i) {
    order[2 * i] = {kMovedWords[i].offset, false};
    order[2 * i + 1] = {kMovedWords[i].offset, true};
  }
  return order;
}();

// The box and root offsets X and Y, the first eight moved words, lie back
// to back: they are moved as one vector of 16-bit lanes, lane i holding the
// word at offset 2i, and root offset Z on its own.
using Words = uint16_t __attribute__((vector_size(16)));
constexpr int kVectorWords = 8;

// Which offset each lane of the vector is moved by.
Words LaneDeltas(const Offsets& moved_by) {
  Words deltas{};
  for (const MovedWord& word : kMovedWords) {
    if (word.offset < 2 * kVectorWords) {
      deltas[word.offset / 2] = static_cast<uint16_t>(moved_by.*word.delta);
    }
  }
  return deltas;
}

}  // namespace

// The offsets and the stride are held in locals: the writes to the
// keyframes could alias any memory, and would make members be read again
// every time. A sum wraps exactly when both of its terms have the sign that
// the sum does not; the lanes that ever did are gathered in one vector and
// told apart at the end. Each keyframe is moved whole before the next, so
// keyframes closer together than the move reaches each see what the one
// before it wrote. A machine whose words are big-endian, unlike the file's,
// moves them one by one.
uint64_t KeyframeMove::operator()(uint8_t* first, int64_t count,
                                  int /*step*/) const {
  const Offsets moved_by = offsets;
  const int64_t apart = stride;
  uint64_t wrapped = 0;
  int64_t k = 0;
  if constexpr (std::endian::native == std::endian::little) {
    static_assert(kMovedWords.back().offset == 2 * kVectorWords);
    const Words deltas = LaneDeltas(moved_by);
    const int32_t last_delta = moved_by.*kMovedWords.back().delta;
    Words lanes_wrapped{};
    int32_t last_wrapped = 0;
    for (; k < count; ++k) {
      uint8_t* keyframe = first + k * apart;
      Words words;
      std::memcpy(&words, keyframe, sizeof words);
      const Words sums = words + deltas;
      lanes_wrapped |= (words ^ sums) & (deltas ^ sums);
      std::memcpy(keyframe, &sums, sizeof sums);
      const int32_t last =
          int32_t{static_cast<int16_t>(LoadU16(keyframe + 2 * kVectorWords))} +
          last_delta;
      last_wrapped |= last != static_cast<int16_t>(last);
      StoreU16(keyframe + 2 * kVectorWords, static_cast<uint16_t>(last));
    }
    for (int i = 0; i < kVectorWords; ++i) {
      wrapped |= uint64_t{(lanes_wrapped[i] & 0x8000u) != 0} << i;
    }
    wrapped |= uint64_t{last_wrapped != 0} << kVectorWords;
  }
  for (; k < count; ++k) {
    KeyframeBytes keyframe(first + k * apart);
    for (const MovedWord& word : kMovedWords) {
      const int32_t sum =
          int32_t{keyframe.ReadS16(word.offset)} + moved_by.*word.delta;
      wrapped |= uint64_t{sum != static_cast<int16_t>(sum)}
                 << (word.offset / 2);
      keyframe.WriteU16(word.offset, static_cast<uint16_t>(sum));
    }
  }
  return wrapped;
}

std::span<const WordAccess> KeyframeMove::Order() { return kMoveOrder; }

}  // namespace qmx
