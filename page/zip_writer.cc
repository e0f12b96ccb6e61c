#include "page/zip_writer.h"

#include <algorithm>
#include <array>

namespace qmx {
namespace {

// Four tables, one per byte of a 32-bit word, so that a word is taken in
// one step; table 0 is the classic byte-at-a-time one.
constexpr std::array<std::array<uint32_t, 256>, 4> MakeCrcTables() {
  std::array<std::array<uint32_t, 256>, 4> tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (size_t t = 1; t < 4; ++t) {
      const uint32_t c = tables[t - 1][n];
      tables[t][n] = tables[0][c & 0xFF] ^ (c >> 8);
    }
  }
  return tables;
}
constexpr std::array<std::array<uint32_t, 256>, 4> kCrcTables = MakeCrcTables();

// The records, as the archive format lays them out (sizes without the
// variable parts that follow them).
constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint64_t kZip64EndRecordSize = 56;
// Versions needed to extract: 2.0 for a plain stored entry, 4.5 for ZIP64.
constexpr uint16_t kPlainVersion = 20;
constexpr uint16_t kZip64Version = 45;
// Made by Unix (3), so that the entries' external attributes are a mode.
constexpr uint16_t kMadeByUnix = 3 << 8;
constexpr uint32_t kRegularFileMode = 0100644;
constexpr uint16_t kUtf8NameFlag = 1 << 11;
constexpr uint16_t kStored = 0;
constexpr uint16_t kZip64ExtraId = 0x0001;
// A 32-bit field that holds this (or a 16-bit one 0xFFFF) says that the
// value is in the ZIP64 record.
constexpr uint64_t kMax32 = 0xFFFFFFFF;
constexpr uint64_t kMax16 = 0xFFFF;

void Put16(std::vector<uint8_t>& out, uint64_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(std::vector<uint8_t>& out, uint64_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
void Put64(std::vector<uint8_t>& out, uint64_t value) {
  Put32(out, value & kMax32);
  Put32(out, value >> 32);
}
void PutName(std::vector<uint8_t>& out, std::string_view name) {
  out.insert(out.end(), name.begin(), name.end());
}

bool IsAscii(std::string_view name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

}  // namespace

void Crc32::Update(std::span<const uint8_t> bytes) {
  const auto& t = kCrcTables;
  uint32_t c = state_;
  size_t i = 0;
  for (; i + 4 <= bytes.size(); i += 4) {
    c ^= static_cast<uint32_t>(bytes[i]) |
         static_cast<uint32_t>(bytes[i + 1]) << 8 |
         static_cast<uint32_t>(bytes[i + 2]) << 16 |
         static_cast<uint32_t>(bytes[i + 3]) << 24;
    c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^
        t[0][c >> 24];
  }
  for (; i < bytes.size(); ++i) c = t[0][(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
  state_ = c;
}

ZipWriter::ZipWriter(const ZipTime& time) {
  const int year = std::clamp(time.year, 1980, 2107);
  dos_date_ =
      static_cast<uint16_t>((year - 1980) << 9 | time.month << 5 | time.day);
  dos_time_ = static_cast<uint16_t>(time.hour << 11 | time.minute << 5 |
                                    time.second / 2);
}

std::optional<std::vector<uint8_t>> ZipWriter::Entry(std::string_view name,
                                                     uint64_t size,
                                                     uint32_t crc) {
  if (name.empty() || name.size() > kMax16) return std::nullopt;
  // A local header has room for both sizes in its ZIP64 record or none.
  const bool zip64 = size >= kMax32;
  std::vector<uint8_t> out;
  Put32(out, kLocalHeaderSignature);
  Put16(out, zip64 ? kZip64Version : kPlainVersion);
  Put16(out, IsAscii(name) ? 0 : kUtf8NameFlag);
  Put16(out, kStored);
  Put16(out, dos_time_);
  Put16(out, dos_date_);
  Put32(out, crc);
  Put32(out, zip64 ? kMax32 : size);  // stored: as long as the entry
  Put32(out, zip64 ? kMax32 : size);
  Put16(out, name.size());
  Put16(out, zip64 ? 20 : 0);
  PutName(out, name);
  if (zip64) {
    Put16(out, kZip64ExtraId);
    Put16(out, 16);
    Put64(out, size);
    Put64(out, size);
  }
  entries_.push_back({std::string(name), size, crc, length_});
  length_ += out.size() + size;
  return out;
}

std::vector<uint8_t> ZipWriter::Finish() const {
  std::vector<uint8_t> out;
  for (const Written& entry : entries_) {
    // The ZIP64 record holds, in this order, those of the sizes and the
    // header's offset that do not fit their fields.
    std::vector<uint8_t> extra;
    if (entry.size >= kMax32) {
      Put64(extra, entry.size);
      Put64(extra, entry.size);
    }
    if (entry.offset >= kMax32) Put64(extra, entry.offset);
    const bool zip64 = !extra.empty();
    Put32(out, kCentralHeaderSignature);
    Put16(out, kMadeByUnix | kZip64Version);
    Put16(out, zip64 ? kZip64Version : kPlainVersion);
    Put16(out, IsAscii(entry.name) ? 0 : kUtf8NameFlag);
    Put16(out, kStored);
    Put16(out, dos_time_);
    Put16(out, dos_date_);
    Put32(out, entry.crc);
    Put32(out, std::min(entry.size, kMax32));
    Put32(out, std::min(entry.size, kMax32));
    Put16(out, entry.name.size());
    Put16(out, zip64 ? extra.size() + 4 : 0);
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, kRegularFileMode << 16);
    Put32(out, std::min(entry.offset, kMax32));
    PutName(out, entry.name);
    if (zip64) {
      Put16(out, kZip64ExtraId);
      Put16(out, extra.size());
      out.insert(out.end(), extra.begin(), extra.end());
    }
  }
  const uint64_t directory_offset = length_;
  const uint64_t directory_size = out.size();
  const uint64_t count = entries_.size();
  if (count >= kMax16 || directory_size >= kMax32 ||
      directory_offset >= kMax32) {
    const uint64_t record_offset = directory_offset + directory_size;
    Put32(out, kZip64EndSignature);
    Put64(out, kZip64EndRecordSize - 12);  // what follows this field
    Put16(out, kMadeByUnix | kZip64Version);
    Put16(out, kZip64Version);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // the directory's disk
    Put64(out, count);
    Put64(out, count);
    Put64(out, directory_size);
    Put64(out, directory_offset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);
    Put64(out, record_offset);
    Put32(out, 1);  // disks
  }
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, std::min(count, kMax16));
  Put16(out, std::min(count, kMax16));
  Put32(out, std::min(directory_size, kMax32));
  Put32(out, std::min(directory_offset, kMax32));
  Put16(out, 0);  // comment
  return out;
}

}  // namespace qmx
