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

// The edit reaches up to the last byte of root offset Z.
constexpr int64_t kReach = kRootZOffset + 2;

// Moves one keyframe; true when a sum left the 16-bit range and wrapped.
template <class Keyframe>
bool MoveKeyframe(Keyframe& keyframe, const Offsets& offsets) {
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

}  // namespace

EditReport Reposition(ByteStore& store, const KeyframeArea& area,
                      const Offsets& offsets) {
  const WalkResult walk = EditEachKeyframe(
      store, area, area.stride, kReach,
      [&](auto& keyframe) { return MoveKeyframe(keyframe, offsets); });
  EditReport report = ReportOf(walk);
  report.wrapped = walk.noted;
  return report;
}

}  // namespace qmx
