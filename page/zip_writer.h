#ifndef QMX_PAGE_ZIP_WRITER_H_
#define QMX_PAGE_ZIP_WRITER_H_

// A zip archive of stored (uncompressed) entries, made as the bytes that go
// between the entries' own: the caller puts each entry's local header
// before its bytes and the central directory after the last one, so that
// no entry is ever held here. Entries and the archive may pass 4 GiB: only
// then do their records carry the ZIP64 extensions. All integers in the
// archive are little-endian.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmx {

/// The CRC-32 that zip uses (polynomial 0xEDB88320), over bytes given in
/// pieces of any size.
class Crc32 {
 public:
  void Update(std::span<const uint8_t> bytes);
  uint32_t value() const { return ~state_; }

 private:
  uint32_t state_ = 0xFFFFFFFF;
};

/// The local time an archive's entries are dated with; zip keeps it to two
/// seconds, from 1980 to 2107.
struct ZipTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class ZipWriter {
 public:
  explicit ZipWriter(const ZipTime& time);

  /// The local header of the next entry: `name` (UTF-8, marked as such when
  /// it is not ASCII) for `size` bytes whose CRC-32 is `crc`, which follow
  /// it in the archive. None when the name is longer than an archive can
  /// hold (65535 bytes) or empty; the entry is then left out.
  std::optional<std::vector<uint8_t>> Entry(std::string_view name,
                                            uint64_t size, uint32_t crc);

  /// The central directory and the end records, which end the archive.
  std::vector<uint8_t> Finish() const;

  /// The archive's length so far: headers and entries given out.
  uint64_t length() const { return length_; }

 private:
  struct Written {
    std::string name;
    uint64_t size;
    uint32_t crc;
    uint64_t offset;  // of its local header
  };
  uint16_t dos_time_;
  uint16_t dos_date_;
  uint64_t length_ = 0;
  std::vector<Written> entries_;
};

}  // namespace qmx

#endif  // QMX_PAGE_ZIP_WRITER_H_
