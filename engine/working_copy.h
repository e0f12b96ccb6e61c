#ifndef QMX_ENGINE_WORKING_COPY_H_
#define QMX_ENGINE_WORKING_COPY_H_

// The working copy of one file: its result, built in one pass in a private
// file beside where the result goes. Before the prompts the input's bytes
// outside the region that the edit rewrites are copied into place by the
// system, and the region's space is reserved; after them the region is read
// from the input once, in bounded pieces, edited in memory and written once.
//
// Each edit of keyframes is one function over whole keyframes in memory.
// The keyframe that crosses the end of the file goes through the same
// function on a copy padded to the edit's reach; of what it wrote there,
// only the words whose access, in the order the edit's accesses are fixed,
// comes before the first that leaves the file are taken into the result,
// so the result is exactly that of a walk that checks every access.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/file_layer.h"
#include "engine/messages.h"
#include "format/fields.h"

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
  std::vector<Code> warnings;
};

/// Reads the header fields that locate the keyframes from the first `size`
/// bytes of `input`. Nothing when it cannot be read.
std::optional<KeyframeArea> ReadKeyframeArea(const InputFile& input,
                                             int64_t size);

/// One access of a keyframe edit to a 16-bit word, `offset` bytes from the
/// keyframe's start, made by the edit's step `step`.
struct WordAccess {
  int64_t offset;
  bool write;
  int step = 0;
};

/// Asks an edit for all of its steps.
inline constexpr int kAllSteps = -1;

/// The most bytes of a keyframe an edit reaches: Flipta's 110 and room.
inline constexpr int64_t kMostEditReach = 128;

/// The bit of a word at `offset` in a mask of notes.
constexpr uint64_t WordBit(int64_t offset) {
  return uint64_t{1} << (offset / 2);
}

/// The result of one input under construction.
class WorkingCopy {
 public:
  /// `input` holds `input_size` bytes; the result is built in `output`, a
  /// private file made for `input` (it copies from it).
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
  /// keyframe in file order, from T + 66 on `stride` bytes apart, with
  /// `edit` as EditKeyframes describes it: whole keyframes in bounded
  /// pieces, then the first that crosses the end, and any after it, one by
  /// one, step by step, on a copy padded to `reach`, until an access of
  /// `order` leaves the file.
  /// Nothing is done when the header reads that gave `area` did not all
  /// succeed.
  Walk WalkKeyframes(const KeyframeArea& area, int64_t stride, int64_t reach,
                     const std::function<uint64_t(uint8_t* first, int64_t count,
                                                  int step)>& edit,
                     std::span<const WordAccess> order);

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

/// Edits every keyframe of `copy` with `edit(first, count, kAllSteps)`,
/// which edits `count` keyframes lying wholly in memory `stride` bytes
/// apart from `first` on, each seeing what the ones before it wrote, and
/// returns the WordBit of each word whose value noted something.
/// `edit.Order()` lists its accesses of one keyframe in the order that
/// decides what a keyframe crossing the end of the file keeps, grouped in
/// steps that `edit(first, count, step)` makes alone; no step writes a word
/// twice. `reach` lies beyond no access and is at most kMostEditReach. The
/// warnings: `noted_warning` when a word written to the result noted
/// something, then Code::kEndedEarly when the file ended early.
template <class Edit>
Edited EditKeyframes(WorkingCopy& copy, const KeyframeArea& area,
                     int64_t stride, int64_t reach,
                     std::optional<Code> noted_warning, const Edit& edit) {
  const WorkingCopy::Walk walk = copy.WalkKeyframes(
      area, stride, reach,
      [&](uint8_t* first, int64_t count, int step) {
        return edit(first, count, step);
      },
      edit.Order());
  Edited edited{.status = walk.status, .warnings = {}};
  if (walk.noted && noted_warning) edited.warnings.push_back(*noted_warning);
  if (walk.ended_early) edited.warnings.push_back(Code::kEndedEarly);
  return edited;
}

/// Reads, without changing anything, the keyframes from the first on that
/// lie wholly inside the `size` bytes of `input` as far as `reach` bytes
/// from their start, `area.stride` bytes apart, in file order and bounded
/// pieces: `read(first, count, held)` gets `count` keyframes at a time and
/// the `held` bytes from `first` on, which go `longest` bytes past the last
/// one's start, or to the end of the file if it comes first. Returns how
/// many were read (none when the header reads that gave `area` did not all
/// succeed), or nothing when the input could not be read.
std::optional<int64_t> ReadKeyframes(
    const InputFile& input, int64_t size, const KeyframeArea& area,
    int64_t reach, int64_t longest,
    const std::function<void(const uint8_t* first, int64_t count,
                             int64_t held)>& read);

}  // namespace qmx

#endif  // QMX_ENGINE_WORKING_COPY_H_
