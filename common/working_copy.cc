#include "common/working_copy.h"

#include <algorithm>
#include <vector>

namespace qmx {
namespace {

// The most bytes of the file an edit holds at once.
constexpr int64_t kPiece = int64_t{256} << 10;

bool Inside(int64_t pos, size_t length, int64_t size) {
  return pos >= 0 && pos <= size - static_cast<int64_t>(length);
}

}  // namespace

bool MemoryStore::Read(int64_t pos, std::span<uint8_t> bytes) const {
  if (!Inside(pos, bytes.size(), size())) return false;
  std::copy_n(bytes_.begin() + pos, bytes.size(), bytes.begin());
  return true;
}

bool MemoryStore::Write(int64_t pos, std::span<const uint8_t> bytes) {
  if (!Inside(pos, bytes.size(), size())) return false;
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + pos);
  return true;
}

namespace {

// Whole keyframes [begin, end) of a walk, a piece at a time: each piece is
// read from `source` and handed to `use(first, n)`; with a `sink` it is
// written back there before the next is read, so keyframes that overlap (a
// stride shorter than the reach) see each other's edits in order.
template <class Use>
bool ForEachPiece(const ByteStore& source, ByteStore* sink,
                  const KeyframeArea& area, int64_t stride, int64_t reach,
                  int64_t begin, int64_t end, const Use& use) {
  std::vector<uint8_t> piece;
  for (int64_t k = begin; k < end;) {
    const int64_t first =
        KeyframePosition(area.table_length, static_cast<uint16_t>(stride), k);
    int64_t n = end - k;
    if (stride > 0) n = std::min(n, (kPiece - reach) / stride + 1);
    piece.resize(static_cast<size_t>((n - 1) * stride + reach));
    if (!source.Read(first, piece)) return false;
    use(piece.data(), n);
    if (sink != nullptr && !sink->Write(first, piece)) return false;
    k += n;
  }
  return true;
}

// How many keyframes from the first on lie wholly inside a file of `size`
// bytes, as far as `reach` bytes from their start: positions only grow
// with k.
int64_t WholeKeyframes(const KeyframeArea& area, int64_t stride, int64_t reach,
                       int64_t size) {
  const int64_t count = area.keyframe_count;
  const int64_t first =
      KeyframePosition(area.table_length, static_cast<uint16_t>(stride), 0);
  if (first + reach > size) return 0;
  return stride == 0 ? count
                     : std::min(count, (size - reach - first) / stride + 1);
}

WalkResult EditWholeKeyframes(ByteStore& store, const KeyframeArea& area,
                              int64_t stride, int64_t reach,
                              KeyframeVisitor& visitor, int64_t whole) {
  WalkResult result;
  const bool stored = ForEachPiece(store, &store, area, stride, reach, 0, whole,
                                   [&](uint8_t* first, int64_t n) {
                                     result.noted |=
                                         visitor.EditWhole(first, n, stride);
                                   });
  if (!stored) return {.stored = false};
  return result;
}

}  // namespace

WalkResult EditKeyframes(ByteStore& store, const KeyframeArea& area,
                         int64_t stride, int64_t reach,
                         KeyframeVisitor& visitor) {
  if (!area.complete) return {.ended_early = area.EndedEarly()};
  const int64_t size = store.size();
  const int64_t count = area.keyframe_count;
  const auto position = [&](int64_t k) {
    return KeyframePosition(area.table_length, static_cast<uint16_t>(stride),
                            k);
  };
  // The keyframes that lie wholly inside the file come first.
  const int64_t whole = WholeKeyframes(area, stride, reach, size);

  WalkResult result =
      EditWholeKeyframes(store, area, stride, reach, visitor, whole);
  if (!result.stored || whole == count) return result;

  // The keyframe that crosses the end and every one after it: only the
  // bytes from its start to the end of the file exist, and the checked
  // fields fail at the first access beyond them.
  const int64_t first = position(whole);
  std::vector<uint8_t> tail(
      static_cast<size_t>(std::max<int64_t>(0, size - first)));
  if (!tail.empty() && !store.Read(first, tail)) return {.stored = false};
  CheckedFields fields(tail, first);
  for (int64_t k = whole; k < count && !fields.failed(); ++k) {
    result.noted |= visitor.EditChecked(fields, position(k));
  }
  if (!tail.empty() && !store.Write(first, tail)) return {.stored = false};
  result.ended_early = fields.failed();
  return result;
}

std::optional<int64_t> ReadKeyframes(
    const ByteStore& store, const KeyframeArea& area, int64_t reach,
    const std::function<void(const uint8_t* first, int64_t count)>& read) {
  if (!area.complete) return 0;
  const int64_t whole = WholeKeyframes(area, area.stride, reach, store.size());
  const bool read_all =
      ForEachPiece(store, nullptr, area, area.stride, reach, 0, whole,
                   [&](const uint8_t* first, int64_t n) { read(first, n); });
  if (!read_all) return std::nullopt;
  return whole;
}

std::optional<KeyframeArea> ReadKeyframeArea(const ByteStore& store) {
  std::vector<uint8_t> header(
      static_cast<size_t>(std::min(store.size(), kLongestHeaderRead)));
  if (!store.Read(0, header)) return std::nullopt;
  CheckedFields fields(header);
  return ReadKeyframeArea(fields);
}

bool EditFields(ByteStore& store, int64_t pos, int64_t length,
                const std::function<void(CheckedFields&)>& edit) {
  std::vector<uint8_t> bytes(
      static_cast<size_t>(std::clamp<int64_t>(store.size() - pos, 0, length)));
  if (!bytes.empty() && !store.Read(pos, bytes)) return false;
  CheckedFields fields(bytes, pos);
  edit(fields);
  return bytes.empty() || store.Write(pos, bytes);
}

bool InputStore::Read(int64_t pos, std::span<uint8_t> bytes) const {
  return file_.ReadAt(pos, bytes);
}

std::optional<WorkingCopy> WorkingCopy::Create(const std::string& dir) {
  std::optional<platform::PrivateFile> file =
      platform::PrivateFile::Create(dir);
  if (!file) return std::nullopt;
  return WorkingCopy(std::move(*file));
}

bool WorkingCopy::Read(int64_t pos, std::span<uint8_t> bytes) const {
  return Inside(pos, bytes.size(), size_) && file_.file().ReadAt(pos, bytes);
}

bool WorkingCopy::Write(int64_t pos, std::span<const uint8_t> bytes) {
  return Inside(pos, bytes.size(), size_) && file_.file().WriteAt(pos, bytes);
}

platform::CopyStatus WorkingCopy::Copy(const InputStore& input, int64_t from,
                                       int64_t to, int64_t length) {
  const platform::CopyStatus status =
      file_.file().CopyFrom(input.file(), from, to, length);
  if (status == platform::CopyStatus::kDone)
    size_ = std::max(size_, to + length);
  return status;
}

}  // namespace qmx
