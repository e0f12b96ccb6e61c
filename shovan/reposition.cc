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

}  // namespace

void Reposition(WorkingCopy& copy, const KeyframeArea& area,
                const Offsets& offsets) {
  for (int64_t k = 0; k < area.keyframe_count && !copy.failed(); ++k) {
    const int64_t keyframe = area.KeyframeAt(k);
    for (const MovedWord& word : kMovedWords) {
      const int64_t pos = keyframe + word.offset;
      const uint16_t moved = static_cast<uint16_t>(
          copy.ReadU16(pos) + static_cast<uint16_t>(offsets.*word.delta));
      copy.WriteU16(pos, moved);
    }
  }
}

}  // namespace qmx
