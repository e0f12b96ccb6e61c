#include "qmx/look_commands.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "console/batch_driver.h"
#include "engine/paths.h"
#include "engine/pipeline.h"
#include "look/info.h"
#include "look/plot.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

using json = nlohmann::ordered_json;

/// Reads each of `files` of `layer` in order with `read(layer, file,
/// error)`, which gives nothing and sets `error` when the file cannot be
/// read (or memory runs short meanwhile): such a file gets a line on `err`.
/// What is read goes to `take(contents)`, which returns false to stop before
/// the next file. True when every file was read and taken.
template <class T, class Take>
bool ReadEach(FileLayer& layer, std::span<const std::string> files,
              FileReader<T> read, std::ostream& err, Take take) {
  bool all_read = true;
  for (const std::string& file : files) {
    std::string error;
    std::optional<T> contents = ReadWithin(read, layer, file, error);
    if (!contents) {
      Quoted(err << "qmx: ", file) << error << std::endl;
      all_read = false;
    } else if (!take(std::move(*contents))) {
      return false;
    }
  }
  return all_read;
}

// Saves the picture as a new file of `layer` named `picture`, or the first
// free numbered name, complete or not at all.
bool SavePicture(FileLayer& layer, std::span<const uint8_t> bytes,
                 const std::string& picture, std::string& saved_as) {
  const std::unique_ptr<PrivateOutput> file = layer.CreatePrivate(
      std::string(DirectoryPart(picture, kNativePathStyle)));
  if (!file) return false;
  if (file->Write(0, bytes) != Status::kOk) return false;
  const std::optional<std::string> name = GiveFreeName(
      [&file](const std::string& path) { return file->GiveName(path); },
      picture);
  if (!name) return false;
  saved_as = *name;
  return true;
}

}  // namespace

int RunInfo(FileLayer& layer, std::span<const std::string> files,
            bool json_output, std::ostream& out, std::ostream& err) {
  if (json_output) {
    // An entry for every argument, so that the array lines up with them.
    json array = json::array();
    bool all_read = true;
    for (const std::string& file : files) {
      std::string error;
      const std::optional<FileInfo> info =
          ReadWithin(&ReadFileInfo, layer, file, error);
      if (info) {
        array.push_back(InfoJson(*info));
        continue;
      }
      Quoted(err << "qmx: ", file) << error << std::endl;
      array.push_back({{"file", file}, {"error", error}});
      all_read = false;
    }
    // On a terminal the names are shown as every message shows them there.
    if (IsOnTerminal(out)) {
      for (json& entry : array) {
        entry["file"] = ShownOnTerminal(entry["file"].get<std::string>());
      }
    }
    // File names need not be valid UTF-8: such bytes become U+FFFD rather
    // than ending the output.
    out << array.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
    return all_read ? 0 : 1;
  }
  // A block goes out as soon as its file is read: a reader sees it at once,
  // and one that cannot be written stops the run before the next file.
  bool first = true;
  const bool all_done =
      ReadEach(layer, files, &ReadFileInfo, err, [&](const FileInfo& info) {
        if (!std::exchange(first, false)) out << std::endl;
        out << ShownName{info.file} << std::endl;
        PrintInfo(info, out);
        return out.good();
      });
  return all_done ? 0 : 1;
}

int RunPlot(FileLayer& layer, std::span<const std::string> files,
            const std::optional<std::string>& destination, bool quiet,
            char name_end, std::ostream& out, std::ostream& err) {
  std::vector<Track> tracks;
  const bool all_read =
      ReadEach(layer, files, &ReadTrack, err, [&](Track track) {
        tracks.push_back(std::move(track));
        return true;
      });
  if (tracks.empty()) return 1;
  const std::string svg = PlotSvg(tracks);
  if (destination == "-") {
    out << svg;
    return all_read && out ? 0 : 1;
  }
  const std::span bytes(reinterpret_cast<const uint8_t*>(svg.data()),
                        svg.size());
  // Named as the system saves it, so that every name told is the one saved.
  std::string picture =
      SavedName(destination.value_or(kDefaultPicture), kNativePathStyle);
  // A directory named gets the picture in it; a standard stream named
  // (/dev/stdout redirected to a file) gets it where the stream stands, and
  // no name is told, since the name is the stream's; a device or pipe named
  // takes it as it is; anything else is a new file.
  std::optional<OpenedStream> device;
  if (destination && layer.IsDirectory(picture)) {
    picture = InDirectory(picture, kDefaultPicture, kNativePathStyle);
  } else if (destination) {
    device = layer.OpenStream(picture);
  }
  const bool stream = device && device->standard;
  if (stream) out.flush(), err.flush();
  std::string saved_as = picture;
  const bool saved = device ? device->output && device->output->Write(bytes) &&
                                  device->output->Close()
                            : SavePicture(layer, bytes, picture, saved_as);
  if (!saved) {
    err << "qmx: Could not save the picture as " << ShownName{picture} << '.'
        << std::endl;
    return 1;
  }
  if (stream) return all_read && out ? 0 : 1;
  if (saved_as != picture && !quiet) {
    err << "qmx: " << ShownName{picture}
        << " already exists; the picture was saved as " << ShownName{saved_as}
        << '.' << std::endl;
  }
  out << ShownName{saved_as} << name_end << std::flush;
  return all_read && out ? 0 : 1;
}

}  // namespace qmx
