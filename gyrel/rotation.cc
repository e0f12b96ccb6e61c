#include "gyrel/rotation.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "format/qmx_format.h"

// Where the C library tells the processor's features, which it found out
// as the program started, the turn also comes built for AVX2 (see
// TurnAllAvx2). The library's header is C that GCC's C++ takes and clang's
// does not.
#if defined(__x86_64__) && defined(__GLIBC__) && !defined(__clang__) && \
    __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define QMX_TURN_AVX2
#endif

#ifdef __FAST_MATH__
#error "The rotation must be built without fast math: it changes its results."
#endif

// Evaluating float or double expressions in a wider type would change the
// rounding of every step below.
static_assert(FLT_EVAL_METHOD == 0, "float and double must be evaluated as is");

namespace qmx {
namespace {

// The animation format's own constants are single-precision numbers; they
// are widened as they are, not replaced by their exact values.
constexpr double kPi = static_cast<double>(3.1416f);
constexpr double kAngleUnitsPerDegree = static_cast<double>(2.8444f);

constexpr int kFullTurnDegrees = 360;
constexpr int kQuarterTurnDegrees = 90;

// Half away from zero, the sign taken from `v` as computed: v + 0.5 or
// v - 0.5, truncated toward zero (which converting to int does, exactly as
// std::trunc for every value this edit computes). A negative zero gives 0
// either way.
int RoundHalfAwayFromZero(double v) {
  return static_cast<int>(v + std::copysign(0.5, v));
}

float SingleCos(double radians) {
  return static_cast<float>(std::cos(radians));
}
float SingleSin(double radians) {
  return static_cast<float>(std::sin(radians));
}

// Notes in `clamped` when the value had to be clamped; an int, so that the
// note can be taken for many keyframes at once.
int16_t ClampToField(int value, int& clamped) {
  const int field = std::clamp<int>(value, std::numeric_limits<int16_t>::min(),
                                    std::numeric_limits<int16_t>::max());
  clamped |= field != value;
  return static_cast<int16_t>(field);
}

}  // namespace

int NormaliseAngle(int16_t degrees) {
  const int remainder = degrees % kFullTurnDegrees;
  return remainder < 0 ? remainder + kFullTurnDegrees : remainder;
}

Rotation MakeRotation(int angle) {
  Rotation r;
  const float theta = static_cast<float>(angle * kPi / 180.0);
  r.c = SingleCos(theta);
  r.s = SingleSin(theta);
  r.quarter_turns = angle / kQuarterTurnDegrees;
  // (2 x angle) mod 180 is twice the remainder past the last quarter turn.
  const float phi = static_cast<float>(((2 * angle) % 180 + 180) * kPi / 180.0);
  r.w = SingleCos(phi);
  r.y_angle_step = RoundHalfAwayFromZero(angle * kAngleUnitsPerDegree);
  return r;
}

namespace {

// What the turn of every keyframe of a file shares, worked out once: the
// same values the arithmetic below would otherwise derive per keyframe, in
// the same precision (float widened to double is exact).
struct TurnFactors {
  double c;
  double s;
  double w_plus_1;  // w + 1, in double precision
};

TurnFactors FactorsOf(const Rotation& rotation) {
  const double w = rotation.w;
  return {.c = rotation.c, .s = rotation.s, .w_plus_1 = w + 1};
}

// The fields a turn moves, in the order of Sides' arrays and of the
// clamped values in Turn.
constexpr int64_t kTurnedOffsets[6] = {kRootXOffset, kRootZOffset, kMinXOffset,
                                       kMinZOffset,  kMaxXOffset,  kMaxZOffset};

// What a turn reads and writes of `N` keyframes side by side: one array a
// field, so that the compiler can turn all of them at once.
template <int N>
struct Sides {
  int root_x[N];
  int root_z[N];
  int min_x[N];
  int min_z[N];
  int max_x[N];
  int max_z[N];
};

// The turn of `N` keyframes, for `kQuarterTurns` whole quarter turns and,
// when `kBlend`, a rest past them; built into the walk over every keyframe,
// with both chosen once per file. Returns the WordBit of each field whose
// value was clamped in some keyframe.
template <int kQuarterTurns, bool kBlend, int N>
[[gnu::always_inline]] inline uint64_t Turn(const TurnFactors& f, Sides<N>& s) {
  int clamped[6] = {};
  for (int n = 0; n < N; ++n) {
    const double x = s.root_x[n];
    const double z = s.root_z[n];
    const int new_x = RoundHalfAwayFromZero(x * f.c + z * f.s);
    const int new_z = RoundHalfAwayFromZero(z * f.c - x * f.s);

    // Side distances in the cyclic order min X, min Z, max X, max Z, in
    // which a positive quarter turn moves side i + 1 into the place of side
    // i. They are plain ints: a distance can reach 65535.
    const int d[4] = {
        std::abs(s.min_x[n] - s.root_x[n]), std::abs(s.min_z[n] - s.root_z[n]),
        std::abs(s.max_x[n] - s.root_x[n]), std::abs(s.max_z[n] - s.root_z[n])};
    int turned[4];
    for (int i = 0; i < 4; ++i) {
      const int j = (kQuarterTurns + i) % 4;
      const int k = (j + 1) % 4;
      // At a whole number of quarter turns w + 1 is exactly 0, so the blend
      // would give d(j) itself; the arithmetic is skipped, not changed. The
      // order of operations decides the last bit; keep it as it is.
      turned[i] =
          kBlend
              ? RoundHalfAwayFromZero((f.w_plus_1 * (d[k] - d[j])) * 0.5 + d[j])
              : d[j];
    }
    // Each value is built from unclamped parts and clamped once, when
    // stored.
    s.root_x[n] = ClampToField(new_x, clamped[0]);
    s.root_z[n] = ClampToField(new_z, clamped[1]);
    s.min_x[n] = ClampToField(new_x - turned[0], clamped[2]);
    s.min_z[n] = ClampToField(new_z - turned[1], clamped[3]);
    s.max_x[n] = ClampToField(new_x + turned[2], clamped[4]);
    s.max_z[n] = ClampToField(new_z + turned[3], clamped[5]);
  }
  uint64_t words = 0;
  for (int i = 0; i < 6; ++i) {
    words |= clamped[i] != 0 ? WordBit(kTurnedOffsets[i]) : 0;
  }
  return words;
}

// Calls `run` with the turn that `rotation` needs, as a template argument
// carrying its quarter turns and whether it blends.
template <class Run>
decltype(auto) WithTurn(const Rotation& rotation, const Run& run) {
  const auto with = [&]<bool kBlend>() -> decltype(auto) {
    switch (rotation.quarter_turns) {
      case 1:
        return run.template operator()<1, kBlend>();
      case 2:
        return run.template operator()<2, kBlend>();
      case 3:
        return run.template operator()<3, kBlend>();
      default:
        return run.template operator()<0, kBlend>();
    }
  };
  if (FactorsOf(rotation).w_plus_1 == 0) {
    return with.template operator()<false>();
  }
  return with.template operator()<true>();
}

}  // namespace

int16_t AdvanceYAngle(const Rotation& rotation, int16_t y_angle) {
  int sum = static_cast<int16_t>(
      static_cast<uint16_t>(y_angle + rotation.y_angle_step));
  // One correction only: a sum of exactly 1024 stays 1024, and a sum
  // brought down from above it is positive. Without branches, so that many
  // angles go at once.
  sum -= sum > kAngleUnitsPerTurn ? kAngleUnitsPerTurn : 0;
  sum += sum < 0 ? kAngleUnitsPerTurn : 0;
  return static_cast<int16_t>(sum);
}

namespace {

// Reads the sides of a keyframe into lane `n`. Built into the walk, like
// WriteSides: called a lane at a time, either would otherwise cost more
// than the turn itself.
template <int N, class Keyframe>
[[gnu::always_inline]] inline void ReadSides(Keyframe& keyframe, Sides<N>& s,
                                             int n) {
  s.root_x[n] = keyframe.ReadS16(kRootXOffset);
  s.root_z[n] = keyframe.ReadS16(kRootZOffset);
  s.min_x[n] = keyframe.ReadS16(kMinXOffset);
  s.min_z[n] = keyframe.ReadS16(kMinZOffset);
  s.max_x[n] = keyframe.ReadS16(kMaxXOffset);
  s.max_z[n] = keyframe.ReadS16(kMaxZOffset);
}

// Writes the sides in lane `n` to a keyframe.
template <int N, class Keyframe>
[[gnu::always_inline]] inline void WriteSides(const Sides<N>& s, int n,
                                              Keyframe& keyframe) {
  keyframe.WriteS16(kRootXOffset, static_cast<int16_t>(s.root_x[n]));
  keyframe.WriteS16(kRootZOffset, static_cast<int16_t>(s.root_z[n]));
  keyframe.WriteS16(kMinXOffset, static_cast<int16_t>(s.min_x[n]));
  keyframe.WriteS16(kMinZOffset, static_cast<int16_t>(s.min_z[n]));
  keyframe.WriteS16(kMaxXOffset, static_cast<int16_t>(s.max_x[n]));
  keyframe.WriteS16(kMaxZOffset, static_cast<int16_t>(s.max_z[n]));
}

// The words that a turn of a keyframe with meshes reaches, from its start
// to the root mesh's Y angle.
constexpr int kReachedWords = (kRootYAngleOffset + 2) / 2;

// The reached words of `N` keyframes, a row of `N` lanes each: word w of
// keyframe n is words[w][n]. Rows are what the turn's loop runs over.
template <int N>
struct KeyframeWords {
  int16_t words[kReachedWords][N];
};

// Lane `n` of KeyframeWords, seen as a keyframe, for ReadSides and
// WriteSides.
template <int N>
class WordLane {
 public:
  WordLane(KeyframeWords<N>& words, int n) : words_(words), n_(n) {}
  int16_t ReadS16(int64_t offset) const { return words_.words[offset / 2][n_]; }
  void WriteS16(int64_t offset, int16_t value) {
    words_.words[offset / 2][n_] = value;
  }

 private:
  KeyframeWords<N>& words_;
  int n_;
};

// Eight words, and the same 16 bytes as two 64-bit halves.
using Words8 = int16_t __attribute__((vector_size(16)));
using Longs2 = uint64_t __attribute__((vector_size(16)));

// Interleaves the low or high halves of two rows in pieces of one, two or
// four words, as the processor's unpack instructions do.
template <int kWords, bool kHigh>
[[gnu::always_inline]] inline Words8 Unpack(Words8 x, Words8 y) {
  constexpr int h = kHigh ? 4 : 0;
  if constexpr (kWords == 1) {
    return __builtin_shufflevector(x, y, h, h + 8, h + 1, h + 9, h + 2, h + 10,
                                   h + 3, h + 11);
  } else if constexpr (kWords == 2) {
    return __builtin_shufflevector(x, y, h, h + 1, h + 8, h + 9, h + 2, h + 3,
                                   h + 10, h + 11);
  } else {
    return __builtin_shufflevector(x, y, h, h + 1, h + 2, h + 3, h + 8, h + 9,
                                   h + 10, h + 11);
  }
}

// Transposes eight rows of eight words in place: row i's word j becomes
// row j's word i.
[[gnu::always_inline]] inline void Transpose(Words8 (&r)[8]) {
  // Pairs of rows, then fours, then all eight.
  const Words8 a[8] = {
      Unpack<1, false>(r[0], r[1]), Unpack<1, true>(r[0], r[1]),
      Unpack<1, false>(r[2], r[3]), Unpack<1, true>(r[2], r[3]),
      Unpack<1, false>(r[4], r[5]), Unpack<1, true>(r[4], r[5]),
      Unpack<1, false>(r[6], r[7]), Unpack<1, true>(r[6], r[7])};
  const Words8 b[8] = {
      Unpack<2, false>(a[0], a[2]), Unpack<2, true>(a[0], a[2]),
      Unpack<2, false>(a[1], a[3]), Unpack<2, true>(a[1], a[3]),
      Unpack<2, false>(a[4], a[6]), Unpack<2, true>(a[4], a[6]),
      Unpack<2, false>(a[5], a[7]), Unpack<2, true>(a[5], a[7])};
  for (int j = 0; j < 4; ++j) {
    r[2 * j] = Unpack<4, false>(b[j], b[j + 4]);
    r[2 * j + 1] = Unpack<4, true>(b[j], b[j + 4]);
  }
}

// Brings the reached words of `N` keyframes from `first` on, `stride` bytes
// apart, into rows, eight keyframes at a time: each keyframe's first 16
// bytes and its next 8 are read whole and transposed.
template <int N>
[[gnu::always_inline]] inline void GatherWords(KeyframeWords<N>& words,
                                               const uint8_t* first,
                                               int64_t stride) {
  static_assert(kReachedWords == 12 && N % 8 == 0);
  for (int g = 0; g < N; g += 8) {
    Words8 head[8];
    Words8 tail[8];
    for (int j = 0; j < 8; ++j) {
      const uint8_t* keyframe = first + (g + j) * stride;
      std::memcpy(&head[j], keyframe, 16);
      uint64_t next;  // in a register: a vector built in memory piece by
                      // piece would be read back only once both are done
      std::memcpy(&next, keyframe + 16, sizeof next);
      tail[j] = reinterpret_cast<Words8>(Longs2{next, 0});
    }
    Transpose(head);
    Transpose(tail);
    for (int w = 0; w < 8; ++w) std::memcpy(&words.words[w][g], &head[w], 16);
    for (int w = 0; w < 4; ++w) {
      std::memcpy(&words.words[8 + w][g], &tail[w], 16);
    }
  }
}

// Puts the rows of GatherWords back, every reached word of each keyframe,
// changed or not.
template <int N>
[[gnu::always_inline]] inline void ScatterWords(const KeyframeWords<N>& words,
                                                uint8_t* first,
                                                int64_t stride) {
  for (int g = 0; g < N; g += 8) {
    Words8 head[8];
    Words8 tail[8] = {};
    for (int w = 0; w < 8; ++w) std::memcpy(&head[w], &words.words[w][g], 16);
    for (int w = 0; w < 4; ++w) {
      std::memcpy(&tail[w], &words.words[8 + w][g], 16);
    }
    Transpose(head);
    Transpose(tail);
    for (int j = 0; j < 8; ++j) {
      uint8_t* keyframe = first + (g + j) * stride;
      std::memcpy(keyframe, &head[j], 16);
      const uint64_t next = reinterpret_cast<Longs2>(tail[j])[0];
      std::memcpy(keyframe + 16, &next, sizeof next);
    }
  }
}

// The turn of `N` keyframes, keyframe n seen through `keyframe_at(n)`, all
// read before any is written.
template <int kQuarterTurns, bool kBlend, int N, class KeyframeAt>
[[gnu::always_inline]] inline uint64_t TurnLanes(
    const TurnFactors& factors, const Rotation& rotation, bool has_root_mesh,
    const KeyframeAt& keyframe_at) {
  Sides<N> sides;
  int16_t y_angles[N];
  for (int n = 0; n < N; ++n) {
    const auto keyframe = keyframe_at(n);
    ReadSides(keyframe, sides, n);
    y_angles[n] = has_root_mesh ? keyframe.ReadS16(kRootYAngleOffset) : 0;
  }
  const uint64_t clamped = Turn<kQuarterTurns, kBlend>(factors, sides);
  for (int16_t& y_angle : y_angles) {
    y_angle = AdvanceYAngle(rotation, y_angle);
  }
  for (int n = 0; n < N; ++n) {
    auto keyframe = keyframe_at(n);
    WriteSides(sides, n, keyframe);
    if (has_root_mesh) keyframe.WriteS16(kRootYAngleOffset, y_angles[n]);
  }
  return clamped;
}

// The turn of `N` keyframes from `first` on, `stride` bytes apart, all read
// before any is written: they must not overlap unless `N` is 1. Keyframes
// with meshes, eight at a time, are read and written through rows of their
// words, as the machine's words are little-endian, like the file's; the
// others field by field.
template <int kQuarterTurns, bool kBlend, int N>
[[gnu::always_inline]] inline uint64_t TurnKeyframes(const TurnFactors& factors,
                                                     const Rotation& rotation,
                                                     bool has_root_mesh,
                                                     uint8_t* first,
                                                     int64_t stride) {
  if constexpr (N % 8 == 0 && std::endian::native == std::endian::little) {
    if (has_root_mesh) {
      KeyframeWords<N> words;
      GatherWords(words, first, stride);
      const uint64_t clamped = TurnLanes<kQuarterTurns, kBlend, N>(
          factors, rotation, true,
          [&](int n) { return WordLane<N>(words, n); });
      ScatterWords(words, first, stride);
      return clamped;
    }
  }
  return TurnLanes<kQuarterTurns, kBlend, N>(
      factors, rotation, has_root_mesh,
      [&](int n) { return KeyframeBytes(first + n * stride); });
}

// Keyframes turned side by side: enough for the compiler to run Turn's
// loop in vectors with few left over (measured fastest).
constexpr int kBatch = 32;

constexpr WordAccess kTurnOrder[] = {
    {kRootXOffset, false},      {kRootZOffset, false},    {kMinXOffset, false},
    {kMinZOffset, false},       {kMaxXOffset, false},     {kMaxZOffset, false},
    {kRootXOffset, true},       {kRootZOffset, true},     {kMinXOffset, true},
    {kMinZOffset, true},        {kMaxXOffset, true},      {kMaxZOffset, true},
    {kRootYAngleOffset, false}, {kRootYAngleOffset, true}};

}  // namespace

// Without meshes, offset 22 belongs to the next keyframe or to the trailing
// data, so there is no root mesh angle to advance.
KeyframeTurn::KeyframeTurn(const KeyframeArea& area, int angle)
    : rotation_(MakeRotation(angle)),
      has_root_mesh_(area.first_mesh_count > 0),
      stride_(area.stride),
      reach_(has_root_mesh_ ? kRootYAngleOffset + 2 : kCoordinatesReach) {}

std::span<const WordAccess> KeyframeTurn::Order() const {
  return std::span(kTurnOrder).first(has_root_mesh_ ? 14 : 12);
}

namespace {

// The turn of `count` keyframes, a batch at a time when `batches` says so
// (see the call operator below).
template <int kQuarterTurns, bool kBlend>
[[gnu::always_inline]] inline uint64_t TurnAll(const TurnFactors& factors,
                                               const Rotation& rotation,
                                               bool has_root_mesh,
                                               uint8_t* first, int64_t stride,
                                               int64_t count, int64_t batches) {
  uint64_t clamped = 0;
  int64_t k = 0;
  for (int64_t b = 0; b < batches; ++b, k += kBatch) {
    clamped |= TurnKeyframes<kQuarterTurns, kBlend, kBatch>(
        factors, rotation, has_root_mesh, first + k * stride, stride);
  }
  for (; k < count; ++k) {
    clamped |= TurnKeyframes<kQuarterTurns, kBlend, 1>(
        factors, rotation, has_root_mesh, first + k * stride, stride);
  }
  return clamped;
}

#ifdef QMX_TURN_AVX2
// The same turn built for processors with AVX2, whose vectors hold twice
// as many lanes. Every operation of the turn is exact in each lane whatever
// the vector's width, and AVX2 alone brings no fused multiply-add, so the
// results are those of the plain build to the last bit.
template <int kQuarterTurns, bool kBlend>
[[gnu::target("avx2")]] uint64_t TurnAllAvx2(const TurnFactors& factors,
                                             const Rotation& rotation,
                                             bool has_root_mesh, uint8_t* first,
                                             int64_t stride, int64_t count,
                                             int64_t batches) {
  return TurnAll<kQuarterTurns, kBlend>(factors, rotation, has_root_mesh, first,
                                        stride, count, batches);
}
#endif

}  // namespace

// Everything the loop uses is held in locals: the writes to the keyframes
// could alias any memory, and would make members be read again every time.
// Keyframes that lie at least the turn's reach apart are turned a batch at
// a time; closer ones one by one, as each must see what the one before it
// wrote.
uint64_t KeyframeTurn::operator()(uint8_t* first, int64_t count,
                                  int /*step*/) const {
  const TurnFactors factors = FactorsOf(rotation_);
  const Rotation rotation = rotation_;
  const bool has_root_mesh = has_root_mesh_;
  const int64_t stride = stride_;
  const int64_t batches = stride >= reach_ ? count / kBatch : 0;
  return WithTurn(rotation, [=]<int kQuarterTurns, bool kBlend>() {
#ifdef QMX_TURN_AVX2
    if (CPU_FEATURE_ACTIVE(AVX2)) {
      return TurnAllAvx2<kQuarterTurns, kBlend>(
          factors, rotation, has_root_mesh, first, stride, count, batches);
    }
#endif
    return TurnAll<kQuarterTurns, kBlend>(factors, rotation, has_root_mesh,
                                          first, stride, count, batches);
  });
}

}  // namespace qmx
