#include "snipla/snipla_tool.h"

#include <optional>
#include <ostream>

#include "common/image.h"
#include "common/qmx_format.h"
#include "common/tool_texts.h"
#include "common/working_copy.h"

namespace qmx {
namespace {

constexpr char kTooFewKeyframes[] =
    "Animation has only one frame, none to delete! Skipping.";
constexpr char kShorterThanHeader[] =
    "File is shorter than its header describes, skipping.";
constexpr char kAccepted[] = "File opened successfully.";
constexpr char kKeyframeCountLine[] = "Amount of keyframes in animation: ";
constexpr char kFrontPrompt[] =
    "Enter number of keyframes to delete from beginning: ";
constexpr char kBackPrompt[] = "Enter number of keyframes to delete from end: ";
constexpr char kRefusal[] =
    "\n"
    "Total amount of keyframes to be deleted surpasses length of animation!\n"
    "Please enter smaller values.\n\n";

void Skip(Console& console, std::string_view base_name, const char* why) {
  Quoted(console.out, base_name) << why << "\n\n";
}

std::optional<uint16_t> ReadU16At(const platform::File& file, int64_t pos) {
  uint8_t bytes[2];
  if (!file.ReadAt(pos, bytes)) return std::nullopt;
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// The three header reads, from the input itself. Nothing when the input
// ends before the last of them, the first keyframe's mesh count: that is
// when it is shorter than T + 86 bytes.
std::optional<KeyframeArea> ReadHeaderValues(const platform::File& input) {
  const std::optional<uint16_t> records =
      ReadU16At(input, kHeaderRecordCountOffset);
  if (!records) return std::nullopt;
  KeyframeArea area;
  area.table_length = TableLength(*records);
  const std::optional<uint16_t> count =
      ReadU16At(input, area.table_length + kKeyframeCountOffset);
  const std::optional<uint16_t> mesh_count =
      ReadU16At(input, area.table_length + kFirstMeshCountOffset);
  if (!count || !mesh_count) return std::nullopt;
  area.keyframe_count = *count;
  area.keyframe_count_read = true;
  area.first_mesh_count = *mesh_count;
  area.stride = KeyframeStride(*mesh_count);
  return area;
}

// Moves `length` bytes from `from` at `from_pos` to `to` at `to_pos` with
// one read and one write through a buffer of exactly that size. The caller
// has made sure that the input holds them.
enum class CopyResult { kDone, kReadFailed, kWriteFailed };
CopyResult CopyBlock(const platform::File& from, int64_t from_pos,
                     const platform::File& to, int64_t to_pos, int64_t length) {
  // An image buffer is not cleared first and large ones get huge pages:
  // either would otherwise cost more than the read itself.
  Image buffer(static_cast<size_t>(length));
  if (!from.ReadAt(from_pos, buffer)) return CopyResult::kReadFailed;
  if (!to.WriteAt(to_pos, buffer)) return CopyResult::kWriteFailed;
  return CopyResult::kDone;
}

uint16_t AskCut(Console& console, const char* prompt) {
  console.out << prompt << std::flush;
  const std::optional<uint16_t> cut = console.in.ReadUint16();
  // A failed read drops its line; a successful one leaves the rest of the
  // line to the next prompt, so "3 2" answers both.
  if (!cut) console.in.DiscardLine();
  return cut.value_or(0);
}

// Asks until the cuts leave at least one keyframe. At the end of input both
// reads fail, giving cuts of 0 and 0, which every count of 2 or more accepts,
// so this cannot loop forever.
Cuts AskCuts(Console& console, uint16_t keyframe_count) {
  while (true) {
    console.out << kKeyframeCountLine << keyframe_count << '\n';
    Cuts cuts;
    cuts.front = AskCut(console, kFrontPrompt);
    cuts.back = AskCut(console, kBackPrompt);
    const bool valid = CutsAreValid(keyframe_count, cuts);
    if (!valid) console.out << kRefusal;
    console.in.DiscardLine();
    if (valid) return cuts;
  }
}

// Reopens the finished working copy and updates its header in place.
// Returns the new keyframe count, or nothing when the copy could not be
// read back or written.
std::optional<uint16_t> UpdateScratchHeader(uint16_t table_length, Cuts cuts) {
  platform::File scratch = platform::File::OpenForUpdate(kScratchName);
  if (!scratch.is_open()) return std::nullopt;
  Image header(static_cast<size_t>(table_length + kHeaderSize));
  if (!scratch.ReadAt(0, header)) return std::nullopt;
  WorkingCopy copy(std::move(header));
  const uint16_t new_count = UpdateHeader(copy, table_length, cuts);
  const bool written = scratch.WriteAt(copy.written_begin(), copy.written());
  if (!scratch.Close() || !written || copy.failed()) return std::nullopt;
  return new_count;
}

}  // namespace

std::string TruncationSuffix(Cuts cuts) {
  return "_Truncated(" + std::to_string(cuts.front) + "; " +
         std::to_string(cuts.back) + ")";
}

const ToolTexts& SniplaTool::texts() const { return kSniplaTexts; }

FileOutcome SniplaTool::Process(FileJob& job, Console& console) {
  const std::string_view base_name = job.base_name;
  const std::optional<KeyframeArea> area = ReadHeaderValues(job.input);
  if (!area) {
    Skip(console, base_name, kShorterThanHeader);
    return FileOutcome::kSkipped;
  }
  if (area->keyframe_count < 2) {
    Skip(console, base_name, kTooFewKeyframes);
    return FileOutcome::kSkipped;
  }

  // The header reads succeeded, so the input holds all T + 66 header bytes.
  const int64_t header_size = area->table_length + kHeaderSize;
  platform::File scratch = CreateScratch();
  if (!scratch.is_open() ||
      CopyBlock(job.input, 0, scratch, 0, header_size) != CopyResult::kDone) {
    scratch.Close();
    ReportScratchFailure(console, base_name);
    return FileOutcome::kSkipped;
  }
  Quoted(console.out, base_name) << kAccepted << '\n';

  const Cuts cuts = AskCuts(console, area->keyframe_count);
  const RetainedBlock block = RetainedKeyframes(
      area->table_length, area->stride, area->keyframe_count, cuts);
  // Checked before the buffer is sized: a header can describe far more
  // keyframes than the file holds.
  const bool held = block.end() <= job.input.Size().value_or(0);
  const CopyResult copied = held ? CopyBlock(job.input, block.position, scratch,
                                             header_size, block.length)
                                 : CopyResult::kReadFailed;
  job.input.Close();
  const bool closed = scratch.Close();
  if (copied == CopyResult::kReadFailed) {
    platform::RemoveFile(kScratchName);
    Skip(console, base_name, kShorterThanHeader);
    return FileOutcome::kSkipped;
  }
  const std::optional<uint16_t> new_count =
      copied == CopyResult::kDone && closed
          ? UpdateScratchHeader(area->table_length, cuts)
          : std::nullopt;
  if (!new_count) {
    ReportScratchFailure(console, base_name);
    return FileOutcome::kSkipped;
  }

  console.out << texts().completion << *new_count << "\n\n";
  SaveResult(console, base_name, OutputName(base_name, TruncationSuffix(cuts)));
  return FileOutcome::kProcessed;
}

}  // namespace qmx
