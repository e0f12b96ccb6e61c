// The page's archives, written to a file and read back by Python's zipfile.

#include "page/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/tool_runner.h"

namespace qmx {
namespace {

namespace fs = std::filesystem;
using ZipWriterTest = test::InTempDir;

void Append(std::initializer_list<std::vector<uint8_t>> parts) {
  std::ofstream out("archive.zip", std::ios::binary | std::ios::app);
  for (const std::vector<uint8_t>& bytes : parts)
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// What `script` prints, run by Python with `zf` open on archive.zip.
std::string Python(const std::string& script) {
  std::ofstream("read.py") << "import zipfile\n"
                              "zf = zipfile.ZipFile('archive.zip')\n"
                           << script;  // written as the statement ends
  std::string printed;
  FILE* run = popen(QMX_PYTHON " read.py 2>&1", "r");
  char buffer[512];
  while (run && fgets(buffer, sizeof buffer, run)) printed += buffer;
  if (run) pclose(run);
  return printed;
}

TEST_F(ZipWriterTest, StoredEntriesReadBackWithTheirNamesAndBytes) {
  // A name not in ASCII, an empty entry, a CRC fed in pieces of odd lengths.
  std::vector<uint8_t> large(100003);
  for (size_t i = 0; i < large.size(); ++i)
    large[i] = static_cast<uint8_t>(i * 7 + i / 251);
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> entries = {
      {"walk_Rotated(90\u00b0).qmx", {'q', 'm', 'x', 0, 1, 2, 255}},
      {"empty.qmx", {}},
      {"large.qmx", large}};
  ZipWriter zip({2026, 12, 8, 1, 2, 7});  // 1:02:07 on 8 December 2026
  for (const auto& [name, bytes] : entries) {
    Crc32 crc;
    for (size_t at = 0; at < bytes.size(); at += 4093)
      crc.Update(std::span(bytes).subspan(
          at, std::min<size_t>(4093, bytes.size() - at)));
    const auto header = zip.Entry(name, bytes.size(), crc.value());
    ASSERT_TRUE(header);
    Append({*header, bytes});
  }
  Append({zip.Finish()});
  EXPECT_EQ(zip.length() + zip.Finish().size(), fs::file_size("archive.zip"));

  // zipfile checks every entry's CRC as it reads it.
  EXPECT_EQ(
      Python("print(zf.testzip())\n"
             "for i in zf.infolist():\n"
             "  print(i.filename, i.file_size, i.compress_type,\n"
             "        i.flag_bits, i.date_time, oct(i.external_attr>>16),\n"
             "        zf.read(i)[:8].hex())\n"),
      "None\n"
      "walk_Rotated(90\u00b0).qmx 7 0 2048 (2026, 12, 8, 1, 2, 6) "
      "0o100644 716d78000102ff\n"
      "empty.qmx 0 0 0 (2026, 12, 8, 1, 2, 6) 0o100644 \n"
      "large.qmx 100003 0 0 (2026, 12, 8, 1, 2, 6) 0o100644 "
      "00070e151c232a31\n");
}

TEST_F(ZipWriterTest, EntryPast4GiBAndWhatFollowsItUseZip64) {
  // The large entry is a hole; only its start is read, so its CRC is unused.
  constexpr uint64_t kLarge = (uint64_t{5} << 30) + 3;
  ZipWriter zip({});
  const std::vector<uint8_t> large_header = *zip.Entry("large.qmx", kLarge, 0);
  Append({large_header});
  fs::resize_file("archive.zip", large_header.size() + kLarge);
  const std::vector<uint8_t> small = {'a', 'f', 't', 'e', 'r'};
  Crc32 crc;
  crc.Update(small);
  const std::vector<uint8_t> small_header =
      *zip.Entry("small.qmx", small.size(), crc.value());
  Append({small_header, small, zip.Finish()});

  EXPECT_EQ(Python("for i in zf.infolist():\n"
                   "  print(i.filename, i.file_size, i.compress_size,\n"
                   "        i.header_offset, i.extract_version)\n"
                   "print(zf.open('large.qmx').read(4).hex())\n"
                   "print(zf.read('small.qmx'))\n"),
            "large.qmx 5368709123 5368709123 0 45\n"
            "small.qmx 5 5 " +
                std::to_string(large_header.size() + kLarge) +
                " 45\n"
                "00000000\n"
                "b'after'\n");
  EXPECT_EQ(large_header.size(), 30 + 9 + 20u);  // with its ZIP64 record
  EXPECT_EQ(small_header.size(), 30 + 9u);       // without
}

}  // namespace
}  // namespace qmx
