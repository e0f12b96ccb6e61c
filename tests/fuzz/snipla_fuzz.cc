// Fuzzes Snipla's building of its copy over arbitrary files and cuts,
// through the real file work in a directory of its own. The first four
// bytes are the front and back cut; the rest is the file.
//
// The input never changes and nothing but the result is ever left. The
// result exists exactly when the header is read, there are two keyframes or
// more, the cuts leave one (without 16-bit wrap) and the file holds the kept
// keyframes; it is the input's header with the keyframe count, total A,
// range end and total B brought up to date, then the kept keyframes.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/pipeline.h"
#include "snipla/snipla_tool.h"
#include "tests/fuzz/fuzz_check.h"
#include "tools/sample_animation.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

struct Quiet : qmx::Reporter {
  void Report(const qmx::Message&) override {}
};

Bytes Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const qmx::Cuts cuts{uint16_t(data[0] | data[1] << 8),
                       uint16_t(data[2] | data[3] << 8)};
  Bytes input(data + 4, data + size);
  static const fs::path dir = [] {
    std::string name = fs::temp_directory_path() / "snipla-fuzz-XXXXXX";
    fs::current_path(mkdtemp(name.data()));
    return fs::current_path();
  }();
  qmx::sample::WriteFile(dir / "in.qmx", input);
  qmx::SniplaTool tool(cuts);
  Quiet quiet;
  const qmx::FileResult result = qmx::ProcessFile(
      tool, {.argument = "in.qmx", .output_dir = "", .ask = false}, quiet);
  QMX_FUZZ_CHECK(Read(dir / "in.qmx") == input);
  qmx::MemoryStore store(input);
  const qmx::KeyframeArea h = *qmx::ReadKeyframeArea(store);
  const int64_t kept = h.keyframe_count - cuts.front - cuts.back;
  const bool written =
      h.complete && h.keyframe_count >= 2 && kept >= 1 &&
      h.KeyframeAt(cuts.front + kept) <= static_cast<int64_t>(input.size());
  QMX_FUZZ_CHECK((result.outcome == qmx::FileResult::Outcome::kWritten) ==
                 written);
  QMX_FUZZ_CHECK(std::distance(fs::directory_iterator(dir), {}) == 1 + written);
  if (!written) return 0;
  const int64_t t = h.table_length;
  Bytes expected(input.begin(), input.begin() + t + 66);
  using qmx::sample::PutU16;
  PutU16(expected, t + 62, uint16_t(kept));
  PutU16(expected, t + 58, uint16_t(input[12] * kept));
  PutU16(expected, 34, uint16_t(qmx::sample::GetU16(input, 32) + kept - 1));
  PutU16(expected, t + 54, uint16_t(input[13] * kept));
  expected[t + 56] = uint8_t(input[13] * kept >> 16);
  expected.insert(expected.end(), input.begin() + h.KeyframeAt(cuts.front),
                  input.begin() + h.KeyframeAt(cuts.front + kept));
  QMX_FUZZ_CHECK(Read(dir / result.saved_as) == expected);
  fs::remove(dir / result.saved_as);
  return 0;
}
