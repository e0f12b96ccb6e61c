// Fuzzes the three edits over arbitrary files and parameters: the first
// byte chooses the edit, two bytes of angle or six of offsets follow, then
// the file. Each edit keeps every byte outside the keyframes the file holds
// (the mirror every byte of a non-player file); moving back by the negated
// offsets gives the input back.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "flipta/mirror.h"
#include "gyrel/rotation.h"
#include "shovan/reposition.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

// Stops the fuzzer, which keeps the input, when an invariant is broken.
void Check(bool holds, const char* what) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", what), std::abort();
}
#define QMX_FUZZ_CHECK(condition) Check(condition, #condition)

KeyframeArea AreaOf(Bytes bytes) {
  MemoryStore store(bytes);
  return *ReadKeyframeArea(store);
}

template <class Edit>
Bytes Edited(Bytes bytes, const Edit& edit) {
  MemoryStore store(bytes);
  edit(store, *ReadKeyframeArea(store));
  return bytes;
}

// `after` equals `before` but in the keyframes of `area`, whose fields
// reach `reach` bytes (none at all for a reach of 0).
void CheckOutsideKept(const Bytes& before, const Bytes& after,
                      const KeyframeArea& area, int64_t reach) {
  const int64_t size = int64_t(before.size());
  const int64_t first = area.complete ? area.KeyframeAt(0) : size;
  const int64_t end =
      area.complete && area.keyframe_count > 0 && reach > 0
          ? std::min(size, area.KeyframeAt(area.keyframe_count - 1) + reach)
          : first;
  QMX_FUZZ_CHECK(after.size() == before.size());
  QMX_FUZZ_CHECK(
      std::equal(before.begin(), before.begin() + first, after.begin()));
  QMX_FUZZ_CHECK(std::equal(before.begin() + std::max(first, end), before.end(),
                            after.begin() + std::max(first, end)));
}

}  // namespace
}  // namespace qmx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qmx;
  if (size < 7) return 0;
  const auto word = [data](int i, int sign = 1) {
    return int16_t(sign * int16_t(data[1 + 2 * i] | data[2 + 2 * i] << 8));
  };
  const Bytes before(data + 7, data + size);
  const KeyframeArea area = AreaOf(before);
  if (data[0] % 3 == 0) {
    const Bytes after =
        Edited(before, [&](ByteStore& s, const KeyframeArea& a) {
          RotateAnimation(s, a, NormaliseAngle(word(0)));
        });
    CheckOutsideKept(before, after, area, 24);
  } else if (data[0] % 3 == 1) {
    const auto move = [&](int sign) {
      return [=](ByteStore& s, const KeyframeArea& a) {
        Reposition(s, a, {word(0, sign), word(1, sign), word(2, sign)});
      };
    };
    const Bytes after = Edited(before, move(1));
    CheckOutsideKept(before, after, area, 18);
    // Keyframes that overlap the first one's mesh count move it, and with
    // it where the keyframes lie.
    if (AreaOf(after).stride == area.stride)
      QMX_FUZZ_CHECK(Edited(after, move(-1)) == before);
  } else {
    const Bytes after = Edited(before, [](ByteStore& s, const KeyframeArea& a) {
      if (a.IsPlayerObject()) MirrorAnimation(s, a);
    });
    CheckOutsideKept(before, after, area,
                     area.IsPlayerObject() ? kPlayerStride : 0);
  }
  return 0;
}
