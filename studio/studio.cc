// The page's engine: the functions its JavaScript calls. The page drops
// files in (their header and keyframes), asks what `qmx info` and
// `qmx plot` show of each, runs one of the four edits over all of them as
// `qmx` does, and gets each result as pieces to assemble the download
// from: bytes made here, and stretches of the dropped file. Offsets and
// sizes cross as doubles, exact up to 2^53.

#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/pipeline.h"
#include "flipta/flipta_tool.h"
#include "gyrel/gyrel_tool.h"
#include "qmx/info.h"
#include "qmx/plot.h"
#include "shovan/shovan_tool.h"
#include "snipla/snipla_tool.h"
#include "studio/page_files.h"
#include "studio/zip_writer.h"

namespace qmx {
namespace {

// What the last edit made of one dropped file.
struct Outcome {
  std::string messages;  // a line per message: its kind's letter, a tab, text
  std::string saved_as;  // empty when no result was made
  std::vector<PieceOutput::Piece> pieces;
};

std::vector<Outcome> outcomes;
std::string text;  // what the last call that returns text returned

const char* Text(std::string value) {
  text = std::move(value);
  return text.c_str();
}

// Collects a file's messages as the page shows them: everything a script
// is told, and the completion of the edit.
class PageReporter : public Reporter {
 public:
  explicit PageReporter(std::string& lines) : lines_(lines) {}
  void Report(const Message& message) override {
    if (message.kind == Message::Kind::kProgress && message.about_file) return;
    lines_ += "pwnsf"[static_cast<int>(message.kind)];
    lines_ += '\t' + message.text + '\n';
  }

 private:
  std::string& lines_;
};

enum Edit { kMove, kRotate, kCut, kMirror };

std::unique_ptr<Tool> MakeTool(int edit, int a, int b, int c) {
  switch (edit) {
    case kMove:
      return std::make_unique<ShovanTool>(Offsets{static_cast<int16_t>(a),
                                                  static_cast<int16_t>(b),
                                                  static_cast<int16_t>(c)});
    case kRotate:
      return std::make_unique<GyrelTool>(static_cast<int16_t>(a));
    case kCut:
      return std::make_unique<SniplaTool>(
          Cuts{static_cast<uint16_t>(a), static_cast<uint16_t>(b)});
    default:
      return std::make_unique<FliptaTool>();
  }
}

}  // namespace
}  // namespace qmx

using qmx::ThePageFiles;

extern "C" {

/// Adds a dropped file; returns its number.
EMSCRIPTEN_KEEPALIVE int studio_add(const char* name, double size) {
  return ThePageFiles().Add(name, static_cast<int64_t>(size));
}

/// Forgets every file and result.
EMSCRIPTEN_KEEPALIVE void studio_clear() {
  qmx::outcomes.clear();
  ThePageFiles() = qmx::PageFiles();
}

/// How many bytes from the start of a file of `size` bytes hold its header.
EMSCRIPTEN_KEEPALIVE double studio_header_end(double size) {
  return static_cast<double>(
      std::min(static_cast<int64_t>(size), qmx::kLongestHeaderRead));
}

/// Where the held part of `file` ends, once its header is held.
EMSCRIPTEN_KEEPALIVE double studio_held_end(int file, double size) {
  return static_cast<double>(
      qmx::HeldEnd(ThePageFiles().input(file), static_cast<int64_t>(size)));
}

/// Room for `length` bytes of `file` at `pos`, for the page to fill; null
/// when memory is short.
EMSCRIPTEN_KEEPALIVE uint8_t* studio_hold(int file, double pos, double length) {
  return ThePageFiles().input(file).Hold(static_cast<int64_t>(pos),
                                         static_cast<int64_t>(length));
}

/// What `qmx info` shows of `file`, or, after a tab, why it cannot be read.
EMSCRIPTEN_KEEPALIVE const char* studio_info(int file) {
  qmx::PageFiles& files = ThePageFiles();
  files.Select(file);
  std::string error;
  const std::optional<qmx::FileInfo> info =
      qmx::ReadFileInfo(files.name(file), error);
  if (!info) return qmx::Text('\t' + error);
  std::ostringstream out;
  qmx::PrintInfo(*info, out);
  return qmx::Text(out.str());
}

/// Runs one edit over every file, in order: 0 move by a, b, c; 1 rotate by
/// a; 2 cut a from the front and b from the back; 3 mirror.
EMSCRIPTEN_KEEPALIVE void studio_edit(int edit, int a, int b, int c) {
  qmx::PageFiles& files = ThePageFiles();
  files.DropResults();
  qmx::outcomes.assign(static_cast<size_t>(files.count()), {});
  const std::unique_ptr<qmx::Tool> tool = qmx::MakeTool(edit, a, b, c);
  for (int file = 0; file < files.count(); ++file) {
    qmx::Outcome& outcome = qmx::outcomes[static_cast<size_t>(file)];
    files.Select(file);
    qmx::PageReporter reporter(outcome.messages);
    const qmx::FileJob job{.argument = files.name(file),
                           .output_dir = "",
                           .console = nullptr,
                           .ask = false};
    const qmx::FileResult result =
        qmx::ProcessFile(*tool, job, reporter, files);
    if (result.outcome == qmx::FileResult::Outcome::kWritten) {
      outcome.saved_as = result.saved_as;
      outcome.pieces = files.Result(result.saved_as)->Pieces();
    }
  }
  files.Select(-1);
}

/// The messages of the last edit about `file`.
EMSCRIPTEN_KEEPALIVE const char* studio_messages(int file) {
  return qmx::outcomes[static_cast<size_t>(file)].messages.c_str();
}

/// The name of the result of `file`, empty when there is none.
EMSCRIPTEN_KEEPALIVE const char* studio_saved_as(int file) {
  return qmx::outcomes[static_cast<size_t>(file)].saved_as.c_str();
}

/// The picture `qmx plot` draws of `file` and, when `with_result`, of its
/// result after it.
EMSCRIPTEN_KEEPALIVE const char* studio_plot(int file, int with_result) {
  qmx::PageFiles& files = ThePageFiles();
  std::vector<qmx::Track> tracks;
  std::string error;
  files.Select(file);
  std::vector<std::string> names = {files.name(file)};
  if (with_result && file < static_cast<int>(qmx::outcomes.size()) &&
      !qmx::outcomes[static_cast<size_t>(file)].saved_as.empty()) {
    names.push_back(qmx::outcomes[static_cast<size_t>(file)].saved_as);
  }
  for (const std::string& name : names) {
    if (std::optional<qmx::Track> track = qmx::ReadTrack(name, error)) {
      tracks.push_back(std::move(*track));
    }
  }
  files.Select(-1);
  return qmx::Text(qmx::PlotSvg(tracks));
}

/// How many pieces the result of `file` has.
EMSCRIPTEN_KEEPALIVE int studio_piece_count(int file) {
  return static_cast<int>(
      qmx::outcomes[static_cast<size_t>(file)].pieces.size());
}

/// Piece `k` of the result of `file`: 0 its length, 1 where in the dropped
/// file it is copied from (-1 for bytes made here, -2 for zeros), 2 where
/// its bytes are.
EMSCRIPTEN_KEEPALIVE double studio_piece(int file, int k, int field) {
  const qmx::PieceOutput::Piece& piece =
      qmx::outcomes[static_cast<size_t>(file)].pieces[static_cast<size_t>(k)];
  switch (field) {
    case 0:
      return static_cast<double>(piece.length);
    case 1:
      return piece.from    ? static_cast<double>(piece.from_pos)
             : piece.bytes ? -1
                           : -2;
    default:
      return static_cast<double>(reinterpret_cast<uintptr_t>(piece.bytes));
  }
}

// Saving: the archive qmx-results.zip, made here as the bytes between the
// results' own, which the page takes from the dropped files and the pieces
// above; and the numbered names of a folder that holds a result's name.

namespace qmx {
namespace {
std::optional<ZipWriter> zip;
Crc32 crc;  // of the entry being read
// Where the page puts the bytes it reads of an entry.
std::unique_ptr<uint8_t[]> zip_room;
size_t zip_room_size = 0;
std::vector<uint8_t> zip_bytes;
}  // namespace
}  // namespace qmx

/// Starts an archive whose entries are dated with this local time.
EMSCRIPTEN_KEEPALIVE void studio_zip_start(int year, int month, int day,
                                           int hour, int minute, int second) {
  qmx::zip.emplace(qmx::ZipTime{.year = year,
                                .month = month,
                                .day = day,
                                .hour = hour,
                                .minute = minute,
                                .second = second});
  qmx::crc = {};
}

/// Room for `length` bytes of the next entry for the page to fill, then to
/// pass to studio_zip_crc; null when memory is short.
EMSCRIPTEN_KEEPALIVE uint8_t* studio_zip_room(double length) {
  const size_t size = static_cast<size_t>(length);
  if (qmx::zip_room_size < size) {
    qmx::zip_room.reset();
    qmx::zip_room.reset(new (std::nothrow) uint8_t[size]);
    qmx::zip_room_size = qmx::zip_room ? size : 0;
  }
  return qmx::zip_room.get();
}

/// Adds the first `length` bytes of the room to the next entry's CRC-32.
EMSCRIPTEN_KEEPALIVE void studio_zip_crc(double length) {
  qmx::crc.Update({qmx::zip_room.get(), static_cast<size_t>(length)});
}

/// Makes the local header of the next entry, `name` of `size` bytes, all of
/// which went through studio_zip_crc; returns its length (its bytes are at
/// studio_zip_bytes), or 0 when an archive cannot hold the name.
EMSCRIPTEN_KEEPALIVE double studio_zip_entry(const char* name, double size) {
  std::optional<std::vector<uint8_t>> header =
      qmx::zip->Entry(name, static_cast<uint64_t>(size), qmx::crc.value());
  qmx::crc = {};
  qmx::zip_bytes = header ? std::move(*header) : std::vector<uint8_t>();
  return static_cast<double>(qmx::zip_bytes.size());
}

/// Makes the central directory and end records that end the archive;
/// returns their length (their bytes are at studio_zip_bytes).
EMSCRIPTEN_KEEPALIVE double studio_zip_finish() {
  qmx::zip_bytes = qmx::zip->Finish();
  qmx::zip.reset();
  qmx::zip_room.reset();
  qmx::zip_room_size = 0;
  return static_cast<double>(qmx::zip_bytes.size());
}

/// Where the bytes studio_zip_entry or studio_zip_finish made are.
EMSCRIPTEN_KEEPALIVE const uint8_t* studio_zip_bytes() {
  return qmx::zip_bytes.data();
}

/// `name` numbered as the tools number a taken name: with " (number)"
/// before its extension.
EMSCRIPTEN_KEEPALIVE const char* studio_numbered_name(const char* name,
                                                      int number) {
  return qmx::Text(qmx::NumberedName(name, number, qmx::kNativePathStyle));
}

}  // extern "C"
