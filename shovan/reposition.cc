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

template <class Keyframe>
bool KeyframeMove::operator()(Keyframe& keyframe) const {
  bool wrapped = false;
  for (const MovedWord& word : kMovedWords) {
    const int32_t sum =
        int32_t{keyframe.ReadS16(word.offset)} + offsets.*word.delta;
    if (keyframe.failed()) break;
    wrapped = wrapped || sum != static_cast<int16_t>(sum);
    keyframe.WriteU16(word.offset, static_cast<uint16_t>(sum));
  }
  return wrapped;
}

template bool KeyframeMove::operator()(KeyframeBytes&) const;
template bool KeyframeMove::operator()(CheckedKeyframe&) const;

}  // namespace qmx
