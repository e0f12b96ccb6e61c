#include "common/working_copy.h"

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

// How many keyframes from k on go into one piece.
int64_t PieceCount(int64_t k, int64_t end, int64_t stride, int64_t reach) {
  const int64_t n = end - k;
  return stride > 0 ? std::min(n, (kPiece - reach) / stride + 1) : n;
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

std::string_view MessageOf(Status status) {
  switch (status) {
    case Status::kShort:
      return "File is shorter than its header describes, skipping.";
    case Status::kRead:
      return "Could not read the file, skipping.";
    case Status::kWrite:
      return "Could not write the working copy, skipping.";
    case Status::kChanged:
      return "The file changed while it was being edited, skipping.";
    case Status::kMemory:
      return "Out of memory, skipping.";
    case Status::kOk:
    case Status::kTaken:
      break;
  }
  return {};
}

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
  return output_.Copy(input_, from, to, length);
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
    const std::function<bool(uint8_t* first, int64_t count)>& whole,
    const std::function<bool(CheckedFields& fields, int64_t k)>& crossing) {
  if (!area.complete) return {.ended_early = area.EndedEarly()};
  const int64_t size = input_size_;
  const Layout layout = KeyframeLayout(area, stride, reach, size);
  const int64_t whole_count = WholeKeyframes(area, stride, reach, size);
  Window window(input_, output_, layout.edited_begin);
  Walk walk;
  for (int64_t k = 0; k < whole_count;) {
    const int64_t n = PieceCount(k, whole_count, stride, reach);
    const int64_t first = PositionOf(area, stride, k);
    walk.status =
        window.Hold(first, PositionOf(area, stride, k + n - 1) + reach);
    if (walk.status != Status::kOk) return walk;
    walk.noted |= whole(window.At(first), n);
    k += n;
  }
  if (whole_count < area.keyframe_count) {
    // Only the bytes from the crossing keyframe's start to the end of the
    // file exist; the checked fields fail at the first access beyond them.
    const int64_t first = std::min(PositionOf(area, stride, whole_count), size);
    walk.status = window.Hold(first, size);
    if (walk.status != Status::kOk) return walk;
    CheckedFields fields(window.From(first), first);
    walk.noted |= crossing(fields, whole_count);
    walk.ended_early = fields.failed();
  }
  walk.status = window.WriteAll();
  return walk;
}

std::optional<int64_t> ReadKeyframes(
    const InputFile& input, int64_t size, const KeyframeArea& area,
    int64_t reach,
    const std::function<void(const uint8_t* first, int64_t count)>& read) {
  const int64_t stride = area.stride;
  const int64_t whole = WholeKeyframes(area, stride, reach, size);
  std::vector<uint8_t> piece;
  for (int64_t k = 0; k < whole;) {
    const int64_t n = PieceCount(k, whole, stride, reach);
    piece.resize(static_cast<size_t>((n - 1) * stride + reach));
    if (input.Read(PositionOf(area, stride, k), piece) != Status::kOk) {
      return std::nullopt;
    }
    read(piece.data(), n);
    k += n;
  }
  return whole;
}

}  // namespace qmx
