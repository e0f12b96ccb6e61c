// What the platform layer does the same way on every system.

#include "common/platform.h"

#include <algorithm>
#include <vector>

namespace qmx::platform {

// The most bytes a copy holds at once, whatever the file's size.
constexpr int64_t kCopyBuffer = int64_t{256} << 10;

CopyStatus File::CopyThroughBuffer(const File& from, int64_t from_pos,
                                   int64_t to_pos, int64_t length) const {
  std::vector<uint8_t> buffer(
      static_cast<size_t>(std::min(length, kCopyBuffer)));
  for (int64_t done = 0; done < length;) {
    const size_t n = static_cast<size_t>(std::min(length - done, kCopyBuffer));
    const std::span<uint8_t> piece(buffer.data(), n);
    if (!from.ReadAt(from_pos + done, piece)) return CopyStatus::kReadFailed;
    if (!WriteAt(to_pos + done, piece)) return CopyStatus::kWriteFailed;
    done += static_cast<int64_t>(n);
  }
  return CopyStatus::kDone;
}

std::optional<std::vector<std::string>> StartProgram(int argc, char** argv) {
  if (!PrepareProcess()) return std::nullopt;
  UseUtf8Console();
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

}  // namespace qmx::platform
