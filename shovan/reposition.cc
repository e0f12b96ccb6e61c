#include "shovan/reposition.h"

#include <array>

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

}  // namespace

// The offsets and the stride are held in locals: the writes to the
// keyframes could alias any memory, and would make members be read again
// every time.
uint64_t KeyframeMove::operator()(uint8_t* first, int64_t count,
                                  int /*step*/) const {
  const Offsets moved_by = offsets;
  const int64_t apart = stride;
  uint64_t wrapped = 0;
  for (int64_t k = 0; k < count; ++k) {
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
