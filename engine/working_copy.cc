#include "engine/working_copy.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace qmx {
namespace {

// The most bytes of keyframes a piece holds, whatever the file's size.
constexpr int64_t kPiece = int64_t{256} << 10;

int64_t PositionOf(const KeyframeArea& area, int64_t stride, int64_t k) {
  return KeyframePosition(area.table_length, static_cast<uint16_t>(stride), k);
}

// How many keyframes from the first on lie wholly inside a file of `size`
// bytes, as far as `reach` bytes from their start: positions only grow
// with k.
int64_t WholeKeyframes(const KeyframeArea& area, int64_t stride, int64_t reach,
                       int64_t size) {
  const int64_t count = area.keyframe_count;
  const int64_t first = PositionOf(area, stride, 0);
  if (!area.complete || first + reach > size) return 0;
  return stride == 0 ? count
                     : std::min(count, (size - reach - first) / stride + 1);
}

// Calls `piece(k, n)` for the whole keyframes (see WholeKeyframes) from
// the first on, `n` at a time, each piece no longer than kPiece bytes as
// far as `longest` bytes past its last keyframe's start; stops at the first
// piece that does not return kOk, and returns that.
template <class Piece>
Status ForEachPiece(const KeyframeArea& area, int64_t stride, int64_t reach,
                    int64_t longest, int64_t size, const Piece& piece) {
  const int64_t whole = WholeKeyframes(area, stride, reach, size);
  const int64_t most = stride > 0 ? (kPiece - longest) / stride + 1 : whole;
  for (int64_t k = 0; k < whole;) {
    const int64_t n = std::min(whole - k, most);
    if (const Status status = piece(k, n); status != Status::kOk) {
      return status;
    }
    k += n;
  }
  return Status::kOk;
}

// The bytes of the region being rewritten that are in memory, from `begin_`
// on: edited as far as the edit has gone. Every byte before them is
// written to the result, every byte after them still unread. They are a
// piece at most, and the gap before it of less than a stride.
class Window {
 public:
  Window(const InputFile& input, PrivateOutput& output, int64_t begin)
      : input_(input), output_(output), begin_(begin) {}

  // Makes bytes [from, to) the ones held: writes out and drops those before
  // `from`, reads those up to `to` (with any gap before `from`).
  Status Hold(int64_t from, int64_t to) {
    if (const Status written = WriteUntil(std::min(from, end()));
        written != Status::kOk) {
      return written;
    }
    if (to <= end()) return Status::kOk;
    const std::span<uint8_t> more(bytes_.get() + held_,
                                  static_cast<size_t>(to - end()));
    held_ += more.size();
    return input_.Read(to - static_cast<int64_t>(more.size()), more);
  }

  uint8_t* At(int64_t pos) {
    return bytes_.get() + static_cast<size_t>(pos - begin_);
  }
  std::span<uint8_t> From(int64_t pos) {
    return std::span(At(pos), static_cast<size_t>(end() - pos));
  }

  Status WriteAll() { return WriteUntil(end()); }

 private:
  static constexpr size_t kCapacity = kPiece + (size_t{1} << 16);

  int64_t end() const { return begin_ + static_cast<int64_t>(held_); }

  Status WriteUntil(int64_t pos) {
    if (pos <= begin_) return Status::kOk;
    const size_t n = static_cast<size_t>(pos - begin_);
    const Status written = output_.Write(begin_, std::span(bytes_.get(), n));
    held_ -= n;
    std::memmove(bytes_.get(), bytes_.get() + n, held_);
    begin_ = pos;
    return written;
  }

  const InputFile& input_;
  PrivateOutput& output_;
  int64_t begin_;
  // Not cleared: every byte is read before it is used.
  std::unique_ptr<uint8_t[]> bytes_{new uint8_t[kCapacity]};
  size_t held_{};
};

}  // namespace

std::optional<KeyframeArea> ReadKeyframeArea(const InputFile& input,
                                             int64_t size) {
  std::vector<uint8_t> header(
      static_cast<size_t>(std::min(size, kLongestHeaderRead)));
  if (input.Read(0, header) != Status::kOk) return std::nullopt;
  CheckedFields fields(header);
  return ReadKeyframeArea(fields);
}

Layout KeyframeLayout(const KeyframeArea& area, int64_t stride, int64_t reach,
                      int64_t size) {
  if (!area.complete || area.keyframe_count == 0) {
    return {.edited_begin = size, .edited_end = size};
  }
  const int64_t last = PositionOf(area, stride, area.keyframe_count - 1);
  return {.edited_begin = std::min(PositionOf(area, stride, 0), size),
          .edited_end = std::min(last + reach, size)};
}

Status WorkingCopy::Prepare(const Layout& layout) {
  Status status = Copy(0, 0, layout.edited_begin);
  if (status != Status::kOk || !layout.keeps_length) return status;
  const int64_t end = layout.edited_end;
  status = Copy(end, end, input_size_ - end);
  if (status != Status::kOk) return status;
  return output_.Reserve(layout.edited_begin, end - layout.edited_begin);
}

Status WorkingCopy::Copy(int64_t from, int64_t to, int64_t length) {
  if (from + length > input_size_) return Status::kShort;
  return output_.Copy(from, to, length);
}

Status WorkingCopy::EditFields(
    int64_t pos, int64_t length,
    const std::function<void(CheckedFields&)>& edit) {
  std::vector<uint8_t> bytes(
      static_cast<size_t>(std::clamp<int64_t>(input_size_ - pos, 0, length)));
  if (const Status read = input_.Read(pos, bytes); read != Status::kOk) {
    return read;
  }
  CheckedFields fields(bytes, pos);
  edit(fields);
  return output_.Write(pos, bytes);
}

WorkingCopy::Walk WorkingCopy::WalkKeyframes(
    const KeyframeArea& area, int64_t stride, int64_t reach,
    const std::function<uint64_t(uint8_t* first, int64_t count, int step)>&
        edit,
    std::span<const WordAccess> order) {
  if (!area.complete) return {.ended_early = area.EndedEarly()};
  const int64_t size = input_size_;
  const Layout layout = KeyframeLayout(area, stride, reach, size);
  Window window(input_, output_, layout.edited_begin);
  Walk walk;
  walk.status =
      ForEachPiece(area, stride, reach, reach, size, [&](int64_t k, int64_t n) {
        const int64_t first = PositionOf(area, stride, k);
        const Status held =
            window.Hold(first, PositionOf(area, stride, k + n - 1) + reach);
        if (held == Status::kOk) {
          walk.noted |= edit(window.At(first), n, kAllSteps) != 0;
        }
        return held;
      });
  if (walk.status != Status::kOk) return walk;
  // Only the bytes from the crossing keyframe's start to the end of the
  // file exist; each keyframe from there on is edited on a copy padded to
  // the reach, a step at a time, and the words each step wrote are taken
  // back in the order of their accesses up to the first that leaves the
  // file. A step sees the bytes the steps before it left, so a word that
  // two steps write is taken back as the last step before the failure
  // left it.
  for (int64_t k = WholeKeyframes(area, stride, reach, size);
       k < area.keyframe_count && !walk.ended_early; ++k) {
    const int64_t first = std::min(PositionOf(area, stride, k), size);
    walk.status = window.Hold(first, size);
    if (walk.status != Status::kOk) return walk;
    const std::span<uint8_t> held = window.From(first);
    const int64_t inside = PositionOf(area, stride, k) < size
                               ? static_cast<int64_t>(held.size())
                               : 0;
    uint8_t padded[kMostEditReach] = {};
    std::copy_n(held.begin(), std::min(inside, reach), padded);
    int step = kAllSteps;
    uint64_t noted = 0;
    for (const WordAccess& access : order) {
      if (access.step != step) {
        step = access.step;
        noted = edit(padded, 1, step);
      }
      if (access.offset + 2 > inside) {
        walk.ended_early = true;
        break;
      }
      if (!access.write) continue;
      std::copy_n(padded + access.offset, 2, held.begin() + access.offset);
      walk.noted |= (noted & WordBit(access.offset)) != 0;
    }
  }
  walk.status = window.WriteAll();
  return walk;
}

std::optional<int64_t> ReadKeyframes(
    const InputFile& input, int64_t size, const KeyframeArea& area,
    int64_t reach, int64_t longest,
    const std::function<void(const uint8_t* first, int64_t count,
                             int64_t held)>& read) {
  const int64_t stride = area.stride;
  std::vector<uint8_t> piece;
  int64_t done = 0;
  const Status status = ForEachPiece(
      area, stride, reach, longest, size, [&](int64_t k, int64_t n) {
        const int64_t first = PositionOf(area, stride, k);
        piece.resize(static_cast<size_t>(
            std::min(PositionOf(area, stride, k + n - 1) + longest, size) -
            first));
        const Status got = input.Read(first, piece);
        if (got == Status::kOk) {
          read(piece.data(), n, static_cast<int64_t>(piece.size()));
          done = k + n;
        }
        return got;
      });
  if (status != Status::kOk) return std::nullopt;
  return done;
}

}  // namespace qmx
