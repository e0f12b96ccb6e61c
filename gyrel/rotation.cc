#include "gyrel/rotation.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/qmx_format.h"

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
constexpr int kFullTurnAngleUnits = 1024;

// Half away from zero; the sign is that of `v` as computed, so -0.0004
// takes the negative branch.
int RoundHalfAwayFromZero(double v) {
  return static_cast<int>(v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5));
}

float SingleCos(double radians) {
  return static_cast<float>(std::cos(radians));
}
float SingleSin(double radians) {
  return static_cast<float>(std::sin(radians));
}

int16_t ClampToField(int value, bool& clamped) {
  constexpr int kMin = std::numeric_limits<int16_t>::min();
  constexpr int kMax = std::numeric_limits<int16_t>::max();
  if (value < kMin || value > kMax) {
    clamped = true;
    value = value < kMin ? kMin : kMax;
  }
  return static_cast<int16_t>(value);
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

TurnResult TurnRootAndBox(const Rotation& rotation, const RootAndBox& before) {
  const double x = before.root_x;
  const double z = before.root_z;
  const double c = rotation.c;
  const double s = rotation.s;
  const int new_x = RoundHalfAwayFromZero(x * c + z * s);
  const int new_z = RoundHalfAwayFromZero(z * c - x * s);

  // Side distances in the cyclic order min X, min Z, max X, max Z, in
  // which a positive quarter turn moves side i + 1 into the place of side
  // i. They are plain ints: a distance can reach 65535.
  const int d[4] = {std::abs(before.min_x - before.root_x),
                    std::abs(before.min_z - before.root_z),
                    std::abs(before.max_x - before.root_x),
                    std::abs(before.max_z - before.root_z)};
  const double w = rotation.w;
  int turned[4];
  for (int i = 0; i < 4; ++i) {
    const int j = (rotation.quarter_turns + i) % 4;
    const int k = (j + 1) % 4;
    // The order of operations decides the last bit; keep it as it is.
    turned[i] = RoundHalfAwayFromZero(((w + 1) * (d[k] - d[j])) * 0.5 + d[j]);
  }

  // Each value is built from unclamped parts and clamped once, when stored.
  TurnResult result;
  bool& clamped = result.clamped;
  result.turned.root_x = ClampToField(new_x, clamped);
  result.turned.root_z = ClampToField(new_z, clamped);
  result.turned.min_x = ClampToField(new_x - turned[0], clamped);
  result.turned.min_z = ClampToField(new_z - turned[1], clamped);
  result.turned.max_x = ClampToField(new_x + turned[2], clamped);
  result.turned.max_z = ClampToField(new_z + turned[3], clamped);
  return result;
}

int16_t AdvanceYAngle(const Rotation& rotation, int16_t y_angle) {
  int sum = static_cast<int16_t>(
      static_cast<uint16_t>(y_angle + rotation.y_angle_step));
  // One correction only: a sum of exactly 1024 stays 1024.
  if (sum > kFullTurnAngleUnits) {
    sum -= kFullTurnAngleUnits;
  } else if (sum < 0) {
    sum += kFullTurnAngleUnits;
  }
  return static_cast<int16_t>(sum);
}

EditReport RotateAnimation(WorkingCopy& copy, const KeyframeArea& area,
                           int angle) {
  const Rotation rotation = MakeRotation(angle);
  // Without meshes, offset 22 belongs to the next keyframe or to the
  // trailing data, so there is no root mesh angle to advance.
  const bool has_root_mesh = area.first_mesh_count > 0;
  const int64_t y_angle_offset = MeshAngleOffset(0, kYAngleOffset);
  EditReport report;
  for (int64_t k = 0; k < area.keyframe_count; ++k) {
    const int64_t p = area.KeyframeAt(k);
    RootAndBox before;
    before.root_x = copy.ReadS16(p + kRootXOffset);
    before.root_z = copy.ReadS16(p + kRootZOffset);
    before.min_x = copy.ReadS16(p + kMinXOffset);
    before.min_z = copy.ReadS16(p + kMinZOffset);
    before.max_x = copy.ReadS16(p + kMaxXOffset);
    before.max_z = copy.ReadS16(p + kMaxZOffset);
    // A value from a failed read must not count as clamped either.
    if (copy.failed()) break;

    const TurnResult result = TurnRootAndBox(rotation, before);
    copy.WriteS16(p + kRootXOffset, result.turned.root_x);
    copy.WriteS16(p + kRootZOffset, result.turned.root_z);
    copy.WriteS16(p + kMinXOffset, result.turned.min_x);
    copy.WriteS16(p + kMinZOffset, result.turned.min_z);
    copy.WriteS16(p + kMaxXOffset, result.turned.max_x);
    copy.WriteS16(p + kMaxZOffset, result.turned.max_z);
    report.clamped = report.clamped || result.clamped;

    if (!has_root_mesh) continue;
    const int16_t y_angle = copy.ReadS16(p + y_angle_offset);
    if (copy.failed()) break;
    copy.WriteS16(p + y_angle_offset, AdvanceYAngle(rotation, y_angle));
  }
  return report;
}

}  // namespace qmx
