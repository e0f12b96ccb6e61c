// Fuzzes the truncating tool over arbitrary files and typed answers, through
// its real file work in a directory of its own. The first byte is the length
// n of what is typed at the prompts, the next n bytes are typed, and the
// rest is the file.
//
// Checks that the input is never changed and that nothing but the result is
// ever left behind. A written file must be named after cuts F and B that leave
// a keyframe; be T + 66 + (count - F - B) x stride bytes long; hold the input's
// header with the keyframe count, total A, range end and total B brought up
// to date and every other header byte as it was; and then hold exactly the
// input's keyframes F to count - B - 1. A skipped file writes nothing, and
// is skipped only when its header, keyframe count or keyframes call for it.

#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "common/batch_driver.h"
#include "common/console_input.h"
#include "snipla/snipla_tool.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr char kInput[] = "in.qmx";
constexpr std::string_view kNamePrefix = "in_Truncated(";
constexpr std::string_view kNameSuffix = ").qmx";
constexpr std::string_view kExit = "(Press ENTER to exit)";

// A directory for the files of every run, removed at exit.
class RunDir {
 public:
  RunDir() {
    std::string name = (fs::temp_directory_path() / "snipla-fuzz-XXXXXX");
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    path_ = name;
  }
  ~RunDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Reads all of `text` as a decimal number that fits 16 bits.
bool ParseWhole(std::string_view text, uint16_t& value) {
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

// The cuts an output name records, or nothing when it is not one.
std::optional<Cuts> CutsInName(std::string_view name) {
  if (!name.starts_with(kNamePrefix) || !name.ends_with(kNameSuffix)) {
    return std::nullopt;
  }
  name.remove_prefix(kNamePrefix.size());
  name.remove_suffix(kNameSuffix.size());
  const size_t separator = name.find("; ");
  if (separator == std::string_view::npos) return std::nullopt;
  Cuts cuts;
  if (!ParseWhole(name.substr(0, separator), cuts.front) ||
      !ParseWhole(name.substr(separator + 2), cuts.back)) {
    return std::nullopt;
  }
  return cuts;
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void PutLittleEndian(Bytes& bytes, int64_t pos, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> 8 * i);
  }
}

void CheckWritten(const Bytes& input, const Bytes& output,
                  const std::string& console, Cuts cuts) {
  const std::optional<Header> header = ReadHeader(input);
  QMX_FUZZ_CHECK(header);
  const int64_t t = header->table_length;
  const int64_t count = header->keyframe_count;
  QMX_FUZZ_CHECK(count >= 2 && cuts.front + cuts.back < count);
  const int64_t kept = count - cuts.front - cuts.back;  // no 16-bit wrap
  QMX_FUZZ_CHECK(static_cast<int64_t>(output.size()) ==
                 t + 66 + kept * header->stride);

  Bytes expected(input.begin(), input.begin() + t + 66);
  PutLittleEndian(expected, t + 62, static_cast<uint32_t>(kept), 2);
  PutLittleEndian(expected, t + 58, input[12] * static_cast<uint32_t>(kept), 2);
  const uint32_t range_start = *WordAt(input, 32);
  PutLittleEndian(expected, 34, range_start + static_cast<uint32_t>(kept) - 1,
                  2);
  PutLittleEndian(expected, t + 54, input[13] * static_cast<uint32_t>(kept), 3);
  const auto keyframes = input.begin() + t + 66 + cuts.front * header->stride;
  expected.insert(expected.end(), keyframes, keyframes + kept * header->stride);
  QMX_FUZZ_CHECK(output == expected);

  const std::string done =
      "Animation successfully truncated. New keyframe "
      "number: " +
      std::to_string(kept) + "\n\n";
  QMX_FUZZ_CHECK(console.starts_with(
      "'in.qmx': File opened successfully.\nAmount of keyframes in "
      "animation: " +
      std::to_string(count) + "\n"));
  QMX_FUZZ_CHECK(console.ends_with(done));
}

void CheckSkipped(const Bytes& input, const std::string& console) {
  const std::optional<Header> header = ReadHeader(input);
  if (!header) {
    QMX_FUZZ_CHECK(console ==
                   "'in.qmx': File is shorter than its header describes, "
                   "skipping.\n\n");
    return;
  }
  if (header->keyframe_count < 2) {
    QMX_FUZZ_CHECK(console ==
                   "'in.qmx': Animation has only one frame, none to delete! "
                   "Skipping.\n\n");
    return;
  }
  // Any valid cuts keep keyframes that lie inside the whole keyframe area.
  const int64_t area_end = header->KeyframeAt(header->keyframe_count);
  QMX_FUZZ_CHECK(area_end > static_cast<int64_t>(input.size()));
  QMX_FUZZ_CHECK(console.ends_with(
      "'in.qmx': File is shorter than its header describes, skipping.\n\n"));
}

void Check(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const size_t typed_length = std::min<size_t>(data[0], size - 1);
  const std::string typed(data + 1, data + 1 + typed_length);
  const Bytes input(data + 1 + typed_length, data + size);

  static const RunDir dir;
  const fs::path caller_dir = fs::current_path();
  fs::current_path(dir.path());
  {
    std::ofstream out(kInput, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input.data()),
              static_cast<std::streamsize>(input.size()));
  }

  std::istringstream typed_stream(typed);
  ConsoleReader reader(typed_stream);
  std::ostringstream console_out;
  Console console{.in = reader,
                  .out = console_out,
                  .ask_key = [](std::string_view) { return -1; }};
  SniplaTool tool;
  const std::string arguments[] = {kInput};
  RunBatch(tool, arguments, console);

  QMX_FUZZ_CHECK(ReadAll(kInput) == input);
  std::optional<fs::path> written;
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    const fs::path name = entry.path().filename();
    if (name == kInput) continue;
    QMX_FUZZ_CHECK(!written);  // one output at most, never a working copy
    written = name;
  }
  std::string console_text = console_out.str();
  QMX_FUZZ_CHECK(console_text.ends_with(kExit));
  console_text.resize(console_text.size() - kExit.size());
  if (written) {
    const std::optional<Cuts> cuts = CutsInName(written->string());
    QMX_FUZZ_CHECK(cuts);
    CheckWritten(input, ReadAll(*written), console_text, *cuts);
    fs::remove(*written);
  } else {
    CheckSkipped(input, console_text);
  }
  fs::current_path(caller_dir);
}

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
