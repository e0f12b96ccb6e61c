// Each keyframe edit's one pass is the simplest walk: byte 0 picks the edit,
// two bytes of angle or six of offsets follow, then the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "flipta/flipta_edit.h"
#include "gyrel/gyrel_edit.h"
#include "shovan/shovan_edit.h"
#include "tests/one_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qmx;
  if (size < 7) return 0;
  const auto word = [data](int i) {
    return int16_t(data[1 + 2 * i] | data[2 + 2 * i] << 8);
  };
  const test::Bytes before(data + 7, data + size);
  test::MemoryInput input(before);
  const KeyframeArea area = *ReadKeyframeArea(input, int64_t(before.size()));
  const Offsets offsets{word(0), word(1), word(2)};
  const GyrelEdit turn;
  const ShovanEdit move;
  const FliptaEdit mirror;
  const Bound<Angle> gyrel(turn, Angle{word(0)});
  const Bound<Offsets> shovan(move, offsets);
  const Bound<NoParameters> flipta(mirror);
  using test::OnePassIsSimplestWalk;
  const bool same =
      data[0] % 3 == 0
          ? OnePassIsSimplestWalk(gyrel, before, area.stride,
                                  test::ReferenceTurn{NormaliseAngle(word(0))})
      : data[0] % 3 == 1 ? OnePassIsSimplestWalk(shovan, before, area.stride,
                                                 test::ReferenceMove{offsets})
                         : OnePassIsSimplestWalk(flipta, before, kPlayerStride,
                                                 test::ReferenceMirror{});
  // Stops the fuzzer, which keeps the input.
  if (!same) std::fprintf(stderr, "broken: one pass\n"), std::abort();
  return 0;
}
