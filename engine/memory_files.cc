#include "engine/memory_files.h"

#include <cstring>
#include <iterator>
#include <new>

namespace qmx {
namespace {

template <class Piece>
int64_t End(const Piece& piece) {
  return piece.pos + piece.length;
}

// The part [from, to) of `piece`, sharing its bytes.
template <class Piece>
Piece Slice(const Piece& piece, int64_t from, int64_t to) {
  Piece part = piece;
  part.pos = from;
  part.length = to - from;
  (piece.from ? part.from_pos : part.bytes_pos) += from - piece.pos;
  return part;
}

}  // namespace

uint8_t* PartialInput::Hold(int64_t pos, int64_t length) {
  if (pos < 0 || length < 0 || pos + length > size_) return nullptr;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow)
                                       uint8_t[static_cast<size_t>(length)]);
  if (!bytes) {
    memory_short_ = true;
    return nullptr;
  }
  ranges_.push_back({pos, length, std::move(bytes)});
  return ranges_.back().bytes.get();
}

Status PartialInput::Read(int64_t pos, std::span<uint8_t> bytes) const {
  const int64_t end = pos + static_cast<int64_t>(bytes.size());
  if (pos < 0 || end > size_) return Status::kRead;
  // Each step copies what one held range has of the rest.
  for (int64_t at = pos; at < end;) {
    const Range* range = nullptr;
    for (const Range& r : ranges_) {
      if (r.pos <= at && at < r.pos + r.length) range = &r;
    }
    if (!range) return memory_short_ ? Status::kMemory : Status::kRead;
    const int64_t n = std::min(end, range->pos + range->length) - at;
    std::memcpy(bytes.data() + (at - pos),
                range->bytes.get() + (at - range->pos), static_cast<size_t>(n));
    at += n;
  }
  return Status::kOk;
}

std::unique_ptr<PrivateOutput> PartialInput::CreateResult(
    const std::string&) const {
  return std::make_unique<PieceOutput>(this);
}

Status PieceOutput::Write(int64_t pos, std::span<const uint8_t> bytes) {
  std::shared_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[bytes.size()]);
  if (!copy) return Status::kMemory;
  std::copy(bytes.begin(), bytes.end(), copy.get());
  Place({.pos = pos,
         .length = static_cast<int64_t>(bytes.size()),
         .bytes = std::move(copy)});
  return Status::kOk;
}

Status PieceOutput::Copy(int64_t from_pos, int64_t to_pos, int64_t length) {
  if (input_ == nullptr) return Status::kRead;
  const std::optional<FileVersion> version = input_->Version();
  if (!version || from_pos < 0 || from_pos + length > version->size) {
    return Status::kRead;
  }
  Place(
      {.pos = to_pos, .length = length, .from = input_, .from_pos = from_pos});
  return Status::kOk;
}

Status PieceOutput::Reserve(int64_t pos, int64_t length) {
  if (length > 0) size_ = std::max(size_, pos + length);
  return Status::kOk;
}

void PieceOutput::Place(Stored piece) {
  if (piece.length <= 0) return;
  const int64_t end = End(piece);
  auto it = pieces_.lower_bound(piece.pos);
  if (it != pieces_.begin() && End(std::prev(it)->second) > piece.pos) --it;
  std::vector<Stored> kept;
  while (it != pieces_.end() && it->first < end) {
    const Stored old = std::move(it->second);
    it = pieces_.erase(it);
    if (old.pos < piece.pos) kept.push_back(Slice(old, old.pos, piece.pos));
    if (End(old) > end) kept.push_back(Slice(old, end, End(old)));
  }
  for (Stored& part : kept) pieces_.emplace(part.pos, std::move(part));
  size_ = std::max(size_, end);
  pieces_.emplace(piece.pos, std::move(piece));
}

Status PieceOutput::Read(int64_t pos, std::span<uint8_t> bytes) const {
  const int64_t end = pos + static_cast<int64_t>(bytes.size());
  if (pos < 0 || end > size_) return Status::kRead;
  std::fill(bytes.begin(), bytes.end(), uint8_t{0});
  auto it = pieces_.upper_bound(pos);
  if (it != pieces_.begin()) --it;
  for (; it != pieces_.end() && it->first < end; ++it) {
    const Stored& piece = it->second;
    const int64_t from = std::max(pos, piece.pos);
    const int64_t to = std::min(end, End(piece));
    if (from >= to) continue;
    const std::span<uint8_t> part = bytes.subspan(
        static_cast<size_t>(from - pos), static_cast<size_t>(to - from));
    if (!piece.from) {
      std::copy_n(piece.bytes.get() + piece.bytes_pos + (from - piece.pos),
                  part.size(), part.begin());
    } else if (const Status read =
                   piece.from->Read(piece.from_pos + (from - piece.pos), part);
               read != Status::kOk) {
      return read;
    }
  }
  return Status::kOk;
}

std::unique_ptr<PrivateOutput> PieceOutput::CreateResult(
    const std::string&) const {
  return std::make_unique<PieceOutput>(this);
}

std::vector<PieceOutput::Piece> PieceOutput::Pieces() const {
  std::vector<Piece> all;
  int64_t at = 0;
  for (const auto& [pos, piece] : pieces_) {
    if (pos > at) all.push_back({.pos = at, .length = pos - at});
    all.push_back(
        {.pos = pos,
         .length = piece.length,
         .from = piece.from,
         .from_pos = piece.from_pos,
         .bytes = piece.from ? nullptr : piece.bytes.get() + piece.bytes_pos});
    at = End(piece);
  }
  if (size_ > at) all.push_back({.pos = at, .length = size_ - at});
  return all;
}

}  // namespace qmx
