#ifndef QMX_COMMON_WORKING_COPY_H_
#define QMX_COMMON_WORKING_COPY_H_

// The working copy of one file: its result, built in one pass in a private
// file beside where the result goes. Before the prompts the input's bytes
// outside the region that the edit rewrites are copied into place by the
// system, and the region's space is reserved; after them the region is read
// from the input once, in bounded pieces, edited in memory and written once.
//
// An edit of a keyframe is written once, generic over its field access
// (fields.h): every keyframe that lies wholly inside the file, as far as the
// edit reaches into it, is edited through unchecked fields; the first one
// that crosses the end of the file, and any after it, through checked ones,
// so the result is exactly that of a walk that checks every access.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/fields.h"
#include "common/file_layer.h"

namespace qmx {

/// How the result is laid out before the prompts. The input's bytes before
/// `edited_begin` are copied to the same place; when the edit keeps the
/// file's length, so are those from `edited_end` on, and the space between
/// is reserved. Otherwise the edit writes everything from `edited_begin`
/// on after the prompts.
struct Layout {
  int64_t edited_begin{};
  int64_t edited_end{};
  bool keeps_length = true;
};

/// What an edit of a working copy came to: kOk, or why no result can be
/// saved; and, for a result, the warnings to give, in order.
struct Edited {
  Status status = Status::kOk;
  std::vector<std::string_view> warnings;
};

/// The warning of an edit that stopped at the end of a file shorter than
/// its header describes.
inline constexpr std::string_view kEndedEarlyWarning =
    "Warning: the file is shorter than its header describes; editing stopped "
    "at its end.";

/// What is said of a file whose work failed with `status`; empty for kOk
/// and kTaken, which are no failures of a file.
std::string_view MessageOf(Status status);

/// Reads the header fields that locate the keyframes from the first `size`
/// bytes of `input`. Nothing when it cannot be read.
std::optional<KeyframeArea> ReadKeyframeArea(const InputFile& input,
                                             int64_t size);

/// The result of one input under construction.
class WorkingCopy {
 public:
  /// `input` holds `input_size` bytes; the result is built in `output`.
  WorkingCopy(const InputFile& input, int64_t input_size, PrivateOutput& output)
      : input_(input), input_size_(input_size), output_(output) {}

  /// Lays out the result as `layout` says, before the prompts.
  Status Prepare(const Layout& layout);

  /// Copies `length` bytes of the input from `from` on to `to` of the
  /// result, where nothing has been written yet: kShort when the input
  /// does not hold them.
  Status Copy(int64_t from, int64_t to, int64_t length);

  /// Reads the `length` bytes of the input at `pos` (as many as it holds),
  /// lets `edit` change them through checked fields based at `pos`, and
  /// writes them to the same place of the result.
  Status EditFields(int64_t pos, int64_t length,
                    const std::function<void(CheckedFields&)>& edit);

  /// How a walk over keyframes ended.
  struct Walk {
    Status status = Status::kOk;
    bool noted = false;        // some keyframe's edit noted something
    bool ended_early = false;  // an access failed at the end of the file
  };

  /// Rewrites the region of KeyframeLayout(area, stride, reach) keyframe by
  /// keyframe in file order, from T + 66 on `stride` bytes apart:
  /// `whole(first, count)` edits `count` keyframes that lie wholly inside
  /// the input as far as `reach`; `crossing(fields, k)` edits keyframes k
  /// on, the first of which crosses the end, through `fields`, until an
  /// access fails. Each returns whether it noted anything. Keyframes that
  /// overlap see each other's edits. Nothing is done when the header reads
  /// that gave `area` did not all succeed.
  Walk WalkKeyframes(
      const KeyframeArea& area, int64_t stride, int64_t reach,
      const std::function<bool(uint8_t* first, int64_t count)>& whole,
      const std::function<bool(CheckedFields& fields, int64_t k)>& crossing);

 private:
  const InputFile& input_;
  int64_t input_size_;
  PrivateOutput& output_;
};

/// The layout of an edit that keeps the file's length and reaches `reach`
/// bytes into each keyframe, `stride` bytes apart: from the first
/// keyframe's start to the last one's plus `reach`, capped at the end of a
/// file of `size` bytes; nothing when the header is incomplete or there is
/// no keyframe.
Layout KeyframeLayout(const KeyframeArea& area, int64_t stride, int64_t reach,
                      int64_t size);

/// Edits every keyframe of `copy` with `edit(keyframe)`, called with a
/// KeyframeBytes or a CheckedKeyframe (the same code serves both) and
/// returning whether it noted anything; an edit that has a faster way for
/// whole keyframes offers it as `edit.EditWhole(first, count)`. The
/// warnings: `noted_warning` when some keyframe noted something, then
/// kEndedEarlyWarning when the file ended early.
template <class Edit>
Edited EditKeyframes(WorkingCopy& copy, const KeyframeArea& area,
                     int64_t stride, int64_t reach,
                     std::string_view noted_warning, const Edit& edit) {
  const WorkingCopy::Walk walk = copy.WalkKeyframes(
      area, stride, reach,
      [&](uint8_t* first, int64_t count) {
        if constexpr (requires { edit.EditWhole(first, count); }) {
          return edit.EditWhole(first, count);
        }
        bool noted = false;
        for (int64_t k = 0; k < count; ++k) {
          KeyframeBytes keyframe(first + k * stride);
          noted |= edit(keyframe);
        }
        return noted;
      },
      [&](CheckedFields& fields, int64_t k) {
        bool noted = false;
        for (; k < area.keyframe_count && !fields.failed(); ++k) {
          CheckedKeyframe keyframe(
              fields, KeyframePosition(area.table_length,
                                       static_cast<uint16_t>(stride), k));
          noted |= edit(keyframe);
        }
        return noted;
      });
  Edited edited{.status = walk.status, .warnings = {}};
  if (walk.noted) edited.warnings.push_back(noted_warning);
  if (walk.ended_early) edited.warnings.push_back(kEndedEarlyWarning);
  return edited;
}

/// Reads, without changing anything, the keyframes from the first on that
/// lie wholly inside the `size` bytes of `input` as far as `reach` bytes
/// from their start, `area.stride` bytes apart, in file order and bounded
/// pieces: `read(first, count)` gets `count` keyframes at a time. Returns
/// how many were read (none when the header reads that gave `area` did not
/// all succeed), or nothing when the input could not be read.
std::optional<int64_t> ReadKeyframes(
    const InputFile& input, int64_t size, const KeyframeArea& area,
    int64_t reach,
    const std::function<void(const uint8_t* first, int64_t count)>& read);

}  // namespace qmx

#endif  // QMX_COMMON_WORKING_COPY_H_
