#include "look/info.h"

#include <algorithm>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>
#include <vector>

namespace qmx {
namespace {

// Objects keep their fields in the documented order.
using json = nlohmann::ordered_json;

void Widen(std::optional<AxisRanges>& ranges, const int16_t (&low)[3],
           const int16_t (&high)[3]) {
  if (!ranges) {
    ranges.emplace();
    for (int a = 0; a < 3; ++a) ranges->axis[a] = {low[a], high[a]};
    return;
  }
  for (int a = 0; a < 3; ++a) {
    ranges->axis[a].min = std::min(ranges->axis[a].min, low[a]);
    ranges->axis[a].max = std::max(ranges->axis[a].max, high[a]);
  }
}

// Unknown values show as "unknown" to people and as null in JSON.
template <class T>
std::string Shown(const std::optional<T>& value, const char* unit = "") {
  if (!value) return "unknown";
  return std::to_string(*value) + unit;
}

template <class T>
json Json(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

// The header's values, each nothing when the file ends before it.
struct HeaderValues {
  std::optional<uint16_t> records, table_length, keyframes, first_mesh_count,
      stride;
};

HeaderValues Header(const Inspection& inspection) {
  const KeyframeArea& area = inspection.area;
  const auto known = [](bool read, uint16_t value) {
    return read ? std::optional(value) : std::nullopt;
  };
  return {
      .records = inspection.header_record_count,
      .table_length =
          known(inspection.header_record_count.has_value(), area.table_length),
      .keyframes = known(area.keyframe_count_read, area.keyframe_count),
      .first_mesh_count = known(area.complete, area.first_mesh_count),
      .stride = known(area.complete, area.stride),
  };
}

std::string ByteCount(int64_t bytes) {
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string RangeText(const Range& range) {
  return std::to_string(range.min) + ".." + std::to_string(range.max);
}

json RangesJson(const std::optional<AxisRanges>& ranges) {
  if (!ranges) return nullptr;
  json object = json::object();
  const char* const names[] = {"x", "y", "z"};
  for (int a = 0; a < 3; ++a) {
    object[names[a]] = {{"min", ranges->axis[a].min},
                        {"max", ranges->axis[a].max}};
  }
  return object;
}

std::string KeyframeAreaText(const FileInfo& info) {
  const std::optional<int64_t> missing = info.MissingBytes();
  const std::optional<int64_t> trailing = info.TrailingBytes();
  if (!missing || !trailing) {
    return "incomplete: the file ends inside its header";
  }
  if (*missing > 0) return "incomplete: " + ByteCount(*missing) + " missing";
  if (*trailing > 0) {
    return "complete, followed by " + ByteCount(*trailing) + " of other data";
  }
  return "complete";
}

}  // namespace

std::optional<bool> FileInfo::PlayerObject() const {
  if (!inspection.area.complete) return std::nullopt;
  return inspection.area.IsPlayerObject();
}

std::optional<int64_t> FileInfo::MissingBytes() const {
  const std::optional<int64_t> end = inspection.KeyframesEnd();
  if (!end) return std::nullopt;
  return std::max<int64_t>(0, *end - inspection.length);
}

std::optional<int64_t> FileInfo::TrailingBytes() const {
  const std::optional<int64_t> end = inspection.KeyframesEnd();
  if (!end) return std::nullopt;
  return std::max<int64_t>(0, inspection.length - *end);
}

std::optional<FileInfo> ReadFileInfo(FileLayer& files, const std::string& file,
                                     std::string& error) {
  FileInfo info;
  info.file = file;
  const std::optional<Inspection> inspection = Inspect(
      files, file,
      [&info](const KeyframeCoordinates& keyframe) {
        Widen(info.root_offset, keyframe.root, keyframe.root);
        Widen(info.bounding_box, keyframe.box_min, keyframe.box_max);
      },
      error);
  if (!inspection) return std::nullopt;
  info.inspection = *inspection;
  return info;
}

nlohmann::ordered_json InfoJson(const FileInfo& info) {
  const Inspection& inspection = info.inspection;
  const HeaderValues header = Header(inspection);
  return {
      {"file", info.file},
      {"length", inspection.length},
      {"header_record_count", Json(header.records)},
      {"table_length", Json(header.table_length)},
      {"keyframe_count", Json(header.keyframes)},
      {"first_mesh_count", Json(header.first_mesh_count)},
      {"keyframe_stride", Json(header.stride)},
      {"keyframes_end", Json(inspection.KeyframesEnd())},
      {"complete", info.MissingBytes() == 0},
      {"missing_bytes", Json(info.MissingBytes())},
      {"trailing_bytes", Json(info.TrailingBytes())},
      {"player_object", Json(info.PlayerObject())},
      {"keyframes_in_ranges", inspection.keyframes_read},
      {"root_offset", RangesJson(info.root_offset)},
      {"bounding_box", RangesJson(info.bounding_box)},
  };
}

void PrintInfo(const FileInfo& info, std::ostream& out) {
  constexpr int kLabel = 20;
  constexpr int kColumn = 16;
  const Inspection& inspection = info.inspection;
  const HeaderValues header = Header(inspection);
  const auto line = [&out](const char* label, const std::string& value) {
    out << "  " << std::left << std::setw(kLabel) << label << value
        << std::endl;
  };
  line("length", ByteCount(inspection.length));
  line("header records", Shown(header.records));
  line("table length", Shown(header.table_length, " bytes"));
  line("keyframes", Shown(header.keyframes));
  line("first mesh count", Shown(header.first_mesh_count));
  line("keyframe stride", Shown(header.stride, " bytes"));
  line("keyframe data", KeyframeAreaText(info));
  const std::optional<bool> player = info.PlayerObject();
  line("player object", !player ? "unknown" : *player ? "yes" : "no");
  if (!info.root_offset || !info.bounding_box) {
    line("ranges", "none: no keyframe to read");
    return;
  }
  std::ostringstream heading;
  heading << std::left << std::setw(kColumn) << "X" << std::setw(kColumn) << "Y"
          << "Z";
  line("", heading.str());
  const auto ranges = [&](const char* label, const AxisRanges& r) {
    std::ostringstream row;
    row << std::left << std::setw(kColumn) << RangeText(r.axis[0])
        << std::setw(kColumn) << RangeText(r.axis[1]) << RangeText(r.axis[2]);
    line(label, row.str());
  };
  ranges("root offset", *info.root_offset);
  ranges("bounding box", *info.bounding_box);
  if (inspection.keyframes_read < header.keyframes.value_or(0)) {
    line("", "(over the " + std::to_string(inspection.keyframes_read) +
                 " keyframes the file holds)");
  }
}

}  // namespace qmx
