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

uint64_t KeyframeMove::operator()(uint8_t* first, int64_t count,
                                  int /*step*/) const {
  uint64_t wrapped = 0;
  for (int64_t k = 0; k < count; ++k) {
    KeyframeBytes keyframe(first + k * stride);
    for (const MovedWord& word : kMovedWords) {
      const int32_t sum =
          int32_t{keyframe.ReadS16(word.offset)} + offsets.*word.delta;
      wrapped |= sum != static_cast<int16_t>(sum) ? WordBit(word.offset) : 0;
      keyframe.WriteU16(word.offset, static_cast<uint16_t>(sum));
    }
  }
  return wrapped;
}

std::span<const WordAccess> KeyframeMove::Order() { return kMoveOrder; }

}  // namespace qmx
