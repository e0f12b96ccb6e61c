// The page's engine: the functions its JavaScript calls. The page drops
// files in (their header and keyframes), asks what `qmx info` tells of
// each and of its result (as JSON) and for their keyframes (as numbers in
// memory), runs one of the four edits over the files one at a time as
// `qmx` runs it over its list, and gets each result as pieces to assemble
// the download from: bytes made here, and stretches of the dropped file.
// Offsets and sizes cross as doubles, exact up to 2^53. A file number the
// page does not hold is an error the page reads with studio_error().

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "edits/registry.h"
#include "engine/messages.h"
#include "engine/paths.h"
#include "engine/pipeline.h"
#include "look/info.h"
#include "look/inspect.h"
#include "page/page_files.h"
#include "page/zip_writer.h"

namespace qmx {
namespace {

// What the edit on screen made of one dropped file.
struct Outcome {
  // {kind, code, args, text} each
  nlohmann::json messages = nlohmann::json::array();
  std::string saved_as;  // empty when no result was made
  std::vector<PieceOutput::Piece> pieces;
};

std::vector<Outcome> outcomes;        // by file, up to the files the edit saw
std::unique_ptr<BoundEdit> edit_run;  // the edit being run, file by file
std::string text;   // what the last call that returns text returned
std::string error;  // why the last call refused, until the page reads it
// The keyframes the last studio_keyframes read, kPlaces.values each.
std::vector<int16_t> keyframe_values;

const char* Text(std::string value) {
  text = std::move(value);
  return text.c_str();
}

// Whether the page holds `file`; an error for the page when it does not.
bool Held(int file) {
  if (file >= 0 && file < ThePageFiles().count()) return true;
  error = "There is no file number " + std::to_string(file) + ".";
  return false;
}

// The outcome of `file` in the edit on screen, or null when the edit did
// not reach it.
Outcome* OutcomeOf(int file) {
  if (!Held(file) || file >= static_cast<int>(outcomes.size())) {
    return nullptr;
  }
  return &outcomes[static_cast<size_t>(file)];
}

// Collects a file's messages as the page shows them: everything a script
// is told, and the completion of the edit; by their names, with the
// catalogue's text.
class PageReporter : public Reporter {
 public:
  explicit PageReporter(nlohmann::json& messages) : messages_(messages) {}
  void Report(const Message& message) override {
    if (message.code == Code::kOpened) return;
    messages_.push_back({{"kind", NameOf(message.kind)},
                         {"code", NameOf(message.code)},
                         {"args", message.args},
                         {"text", TextOf(message)}});
  }

 private:
  nlohmann::json& messages_;
};

// A keyframe as the page reads it, 16-bit numbers from these places on:
// box min X, Y, Z, box max X, Y, Z, root X, Y, Z, the root mesh's X, Y and
// Z angles, and 1 when the keyframe holds those angles (0 when not).
struct KeyframePlaces {
  size_t box_min = 0;
  size_t box_max = 3;
  size_t root = 6;
  size_t angles = 9;
  size_t has_angles = 12;
  size_t values = 13;  // how many a keyframe has
};
constexpr KeyframePlaces kPlaces;

void Append(const KeyframeCoordinates& keyframe) {
  const std::array<int16_t, 3> angles =
      keyframe.angles.value_or(std::array<int16_t, 3>{});
  int16_t values[kPlaces.values] = {};
  for (size_t axis = 0; axis < 3; ++axis) {
    values[kPlaces.box_min + axis] = keyframe.box_min[axis];
    values[kPlaces.box_max + axis] = keyframe.box_max[axis];
    values[kPlaces.root + axis] = keyframe.root[axis];
    values[kPlaces.angles + axis] = angles[axis];
  }
  values[kPlaces.has_angles] = keyframe.angles.has_value();
  keyframe_values.insert(keyframe_values.end(), values,
                         values + kPlaces.values);
}

}  // namespace
}  // namespace qmx

using qmx::ThePageFiles;

extern "C" {

/// Why the last call refused, or empty; reading it clears it.
EMSCRIPTEN_KEEPALIVE const char* studio_error() {
  return qmx::Text(std::exchange(qmx::error, {}));
}

/// Adds a dropped file; returns its number.
EMSCRIPTEN_KEEPALIVE int studio_add(const char* name, double size) {
  return ThePageFiles().Add(name, static_cast<int64_t>(size));
}

/// Forgets every file and result.
EMSCRIPTEN_KEEPALIVE void studio_clear() {
  qmx::outcomes.clear();
  qmx::edit_run.reset();
  ThePageFiles() = qmx::PageFiles();
}

/// How many bytes from the start of a file of `size` bytes hold its header.
EMSCRIPTEN_KEEPALIVE double studio_header_end(double size) {
  return static_cast<double>(
      std::min(static_cast<int64_t>(size), qmx::kLongestHeaderRead));
}

/// Where the held part of `file` ends, once its header is held; -1 for a
/// file the page does not hold.
EMSCRIPTEN_KEEPALIVE double studio_held_end(int file, double size) {
  if (!qmx::Held(file)) return -1;
  return static_cast<double>(
      qmx::HeldEnd(ThePageFiles().input(file), static_cast<int64_t>(size)));
}

/// Room for `length` bytes of `file` at `pos`, for the page to fill; null
/// when memory is short or the page does not hold `file`.
EMSCRIPTEN_KEEPALIVE uint8_t* studio_hold(int file, double pos, double length) {
  if (!qmx::Held(file)) return nullptr;
  return ThePageFiles().input(file).Hold(static_cast<int64_t>(pos),
                                         static_cast<int64_t>(length));
}

/// What `qmx info --json` prints of `file`, or with `of_result` of its
/// result (an empty array when it has none).
EMSCRIPTEN_KEEPALIVE const char* studio_info(int file, int of_result) {
  if (!qmx::Held(file)) return "";
  qmx::PageFiles& files = ThePageFiles();
  std::vector<std::string> names;
  if (!of_result) {
    names.push_back(files.name(file));
  } else if (const qmx::Outcome* outcome = qmx::OutcomeOf(file);
             outcome && !outcome->saved_as.empty()) {
    names.push_back(outcome->saved_as);
  }
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  files.Select(file);
  for (const std::string& name : names) {
    std::string error;
    const std::optional<qmx::FileInfo> info =
        qmx::ReadWithin(&qmx::ReadFileInfo, files, name, error);
    array.push_back(
        info ? qmx::InfoJson(*info)
             : nlohmann::ordered_json{{"file", name}, {"error", error}});
  }
  files.Select(-1);
  return qmx::Text(
      array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) +
      "\n");
}

/// Reads the keyframes of `file`, or with `of_result` of its result, for
/// studio_keyframe_values; returns how many, or -1 when there are none to
/// read (the file cannot be read, or there is no result).
EMSCRIPTEN_KEEPALIVE int studio_keyframes(int file, int of_result) {
  qmx::keyframe_values.clear();
  if (!qmx::Held(file)) return -1;
  qmx::PageFiles& files = ThePageFiles();
  std::string name = files.name(file);
  if (of_result) {
    const qmx::Outcome* outcome = qmx::OutcomeOf(file);
    if (!outcome || outcome->saved_as.empty()) return -1;
    name = outcome->saved_as;
  }
  std::string why;
  files.Select(file);
  const std::optional<qmx::Inspection> inspection =
      qmx::Inspect(files, name, qmx::Append, why, true);
  files.Select(-1);
  if (!inspection) return -1;
  return static_cast<int>(inspection->keyframes_read);
}

/// The values of the keyframes the last studio_keyframes read, signed
/// 16-bit numbers placed as studio_keyframe_places tells, valid until the
/// next call.
EMSCRIPTEN_KEEPALIVE const int16_t* studio_keyframe_values() {
  return qmx::keyframe_values.data();
}

/// The edits as a JSON array, in the order studio_edit numbers them: each
/// an object with its "command" (qmx's subcommand), "program" (the
/// interactive one), "description" and "parameters", each of those an
/// object with its "name", "min", "max", "signed" (16 bits, or unsigned)
/// and "prompt".
EMSCRIPTEN_KEEPALIVE const char* studio_edits() {
  nlohmann::ordered_json edits = nlohmann::ordered_json::array();
  for (const qmx::EditEntry& entry : qmx::Edits()) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (const qmx::Parameter& parameter : entry.parameters) {
      parameters.push_back(
          {{"name", parameter.name},
           {"min", qmx::Min(parameter)},
           {"max", qmx::Max(parameter)},
           {"signed", parameter.width == qmx::Width::kSigned16},
           {"prompt", parameter.prompt}});
    }
    edits.push_back({{"command", entry.command},
                     {"program", entry.program},
                     {"description", entry.description},
                     {"parameters", std::move(parameters)}});
  }
  return qmx::Text(edits.dump());
}

/// The whole number `text` as qmx takes it, when it is one in min..max;
/// NaN when it is not.
EMSCRIPTEN_KEEPALIVE double studio_check_number(const char* text, double min,
                                                double max) {
  int64_t value = 0;
  if (!qmx::CheckWholeNumber(text, static_cast<int64_t>(min),
                             static_cast<int64_t>(max), value)
           .empty()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return static_cast<double>(value);
}

/// Where each of a keyframe's values is among them, as a JSON object:
/// "box_min", "box_max", "root", "angles" (each the first of X, Y and Z),
/// "has_angles", and "values", how many a keyframe has.
EMSCRIPTEN_KEEPALIVE const char* studio_keyframe_places() {
  const qmx::KeyframePlaces& places = qmx::kPlaces;
  return qmx::Text(nlohmann::json{
      {"box_min", places.box_min},
      {"box_max", places.box_max},
      {"root", places.root},
      {"angles", places.angles},
      {"has_angles", places.has_angles},
      {"values",
       places.values}}.dump());
}

/// Starts the edit that qmx names `edit` (studio_edits' "command") with
/// its parameters' values `a`, `b` and `c` in their order (those it does not
/// take are ignored). It forgets the results of the last, and
/// studio_edit_file runs it over each file the page holds now. An error for
/// a name that is no edit.
EMSCRIPTEN_KEEPALIVE void studio_edit(const char* edit, int a, int b, int c) {
  qmx::PageFiles& files = ThePageFiles();
  files.DropResults();
  qmx::outcomes.clear();
  qmx::edit_run.reset();
  const std::span<const qmx::EditEntry> edits = qmx::Edits();
  const auto entry =
      std::find_if(edits.begin(), edits.end(),
                   [edit](const auto& entry) { return entry.command == edit; });
  if (entry == edits.end()) {
    qmx::error = "There is no edit named " + std::string(edit) + ".";
    return;
  }
  const int64_t values[] = {a, b, c};
  if (entry->parameters.size() > std::size(values)) {
    qmx::error = "The page gives no edit more than three values.";
    return;
  }
  qmx::outcomes.assign(static_cast<size_t>(files.count()), {});
  qmx::edit_run =
      entry->make(std::span(values).first(entry->parameters.size()));
}

/// Forgets the edit and its results: each file is shown alone.
EMSCRIPTEN_KEEPALIVE void studio_unedit() {
  ThePageFiles().DropResults();
  qmx::outcomes.clear();
  qmx::edit_run.reset();
}

/// Runs the edit started last over `file`, as `qmx` runs it over one of
/// its list; returns 1 when it made a result, 0 when not, -1 when there is
/// no such file or no edit started before it came.
EMSCRIPTEN_KEEPALIVE int studio_edit_file(int file) {
  if (!qmx::Held(file)) return -1;
  qmx::Outcome* outcome = qmx::OutcomeOf(file);
  if (!outcome || !qmx::edit_run) {
    qmx::error = "No edit was started with file " + std::to_string(file) +
                 " on the page.";
    return -1;
  }
  *outcome = {};
  qmx::PageFiles& files = ThePageFiles();
  files.Select(file);
  qmx::PageReporter reporter(outcome->messages);
  const qmx::FileJob job{.argument = files.name(file), .output_dir = ""};
  const qmx::FileResult result =
      qmx::ProcessFile(*qmx::edit_run, job, reporter, files);
  files.Select(-1);
  if (result.outcome != qmx::FileResult::Outcome::kWritten) return 0;
  outcome->saved_as = result.saved_as;
  outcome->pieces = files.Result(result.saved_as)->Pieces();
  return 1;
}

/// The messages of the edit on screen about `file`, as a JSON array of
/// objects with its kind ("progress", "warning", "notice", "skip",
/// "failure"), its code's name (engine/messages.cc), its arguments and its
/// text; empty when the edit has not reached it.
EMSCRIPTEN_KEEPALIVE const char* studio_messages(int file) {
  if (!qmx::Held(file)) return "";
  const qmx::Outcome* outcome = qmx::OutcomeOf(file);
  return qmx::Text(
      outcome ? outcome->messages.dump(-1, ' ', false,
                                       nlohmann::json::error_handler_t::replace)
              : "[]");
}

/// The name of the result of `file`, empty when there is none.
EMSCRIPTEN_KEEPALIVE const char* studio_saved_as(int file) {
  const qmx::Outcome* outcome = qmx::OutcomeOf(file);
  return outcome ? outcome->saved_as.c_str() : "";
}

/// The pieces of the result of `file`, in order, as a JSON array of
/// objects: {"length", "from"} for a stretch of the dropped file copied
/// from `from` on, {"length", "at"} for bytes made here, at `at` in the
/// engine's memory (valid until the next edit), {"length"} for zeros; an
/// empty array when there is no result, empty text for a file the page does
/// not hold.
EMSCRIPTEN_KEEPALIVE const char* studio_pieces(int file) {
  if (!qmx::Held(file)) return "";
  const qmx::Outcome* outcome = qmx::OutcomeOf(file);
  nlohmann::json pieces = nlohmann::json::array();
  for (size_t k = 0; outcome && k < outcome->pieces.size(); ++k) {
    const qmx::PieceOutput::Piece& piece = outcome->pieces[k];
    nlohmann::json p = {{"length", piece.length}};
    if (piece.from) {
      p["from"] = piece.from_pos;
    } else if (piece.bytes) {
      p["at"] = reinterpret_cast<uintptr_t>(piece.bytes);
    }
    pieces.push_back(std::move(p));
  }
  return qmx::Text(pieces.dump());
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
