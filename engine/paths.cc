#include "engine/paths.h"

#include <algorithm>

namespace qmx {
namespace {

constexpr std::string_view kLiteralPrefix = "\\\\?\\";
constexpr std::string_view kDevicePrefix = "\\\\.\\";

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The length of a leading drive ("X:"), or 0.
size_t DriveLength(std::string_view path, PathStyle style) {
  return style == PathStyle::kWindows && path.size() >= 2 &&
                 IsLetter(path[0]) && path[1] == ':'
             ? 2
             : 0;
}

// The characters that separate directories in `path`.
std::string_view Separators(std::string_view path, PathStyle style) {
  if (style == PathStyle::kPosix) return "/";
  return path.starts_with(kLiteralPrefix) ? "\\" : "/\\";
}

// Where the last part of `path` starts.
size_t LastPartStart(std::string_view path, PathStyle style) {
  const size_t separator = path.find_last_of(Separators(path, style));
  return separator == std::string_view::npos ? DriveLength(path, style)
                                             : separator + 1;
}

}  // namespace

std::string_view BaseName(std::string_view argument) {
  const size_t slash = argument.rfind('\\');
  return slash == std::string_view::npos ? argument
                                         : argument.substr(slash + 1);
}

std::string_view FileName(std::string_view argument, PathStyle style) {
  const size_t separator = argument.find_last_of("/\\");
  return argument.substr(separator == std::string_view::npos
                             ? DriveLength(argument, style)
                             : separator + 1);
}

std::string ResultDirectory(std::string_view argument,
                            std::string_view output_dir, PathStyle style) {
  if (!output_dir.empty()) return InDirectory(output_dir, "", style);
  const size_t separator = argument.find_last_of("/\\");
  if (separator == std::string_view::npos) {
    return std::string(argument.substr(0, DriveLength(argument, style)));
  }
  return argument[separator] == '/'
             ? std::string(argument.substr(0, separator + 1))
             : std::string();
}

bool PassesExtensionTest(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  const std::string_view extension = dot == std::string_view::npos
                                         ? file_name.substr(0, 3)
                                         : file_name.substr(dot + 1, 3);
  return extension == "qmx" || extension == "QMX";
}

bool NamesStream(std::string_view argument, PathStyle style) {
  if (style != PathStyle::kWindows) return false;
  // A drive's colon is the only one a file's path may hold.
  const size_t prefix = argument.starts_with(kLiteralPrefix) ||
                                argument.starts_with(kDevicePrefix)
                            ? kLiteralPrefix.size()
                            : 0;
  const bool drive = DriveLength(argument.substr(prefix), style) != 0;
  return std::count(argument.begin(), argument.end(), ':') > (drive ? 1 : 0);
}

std::string OutputName(std::string_view path, std::string_view suffix,
                       PathStyle style) {
  const size_t dot = path.rfind('.');
  const bool in_last_part =
      dot != std::string_view::npos && dot >= LastPartStart(path, style);
  std::string output(path);
  output.insert(in_last_part ? dot : path.size(), suffix);
  return output;
}

std::string NumberedName(std::string_view path, int number, PathStyle style) {
  return OutputName(path, " (" + std::to_string(number) + ")", style);
}

std::string InDirectory(std::string_view dir, std::string_view name,
                        PathStyle style) {
  std::string path(dir);
  const bool needs_separator =
      !dir.empty() &&
      Separators(dir, style).find(dir.back()) == std::string_view::npos &&
      DriveLength(dir, style) != dir.size();
  if (needs_separator) path += style == PathStyle::kWindows ? '\\' : '/';
  return path.append(name);
}

std::string_view DirectoryPart(std::string_view path, PathStyle style) {
  return path.substr(0, LastPartStart(path, style));
}

std::string SavedName(std::string_view path, PathStyle style) {
  if (style != PathStyle::kWindows || path.starts_with(kLiteralPrefix)) {
    return std::string(path);
  }
  const size_t end = path.find_last_not_of(". ");
  if (end == std::string_view::npos || end < LastPartStart(path, style)) {
    return std::string(path);
  }
  return std::string(path.substr(0, end + 1));
}

}  // namespace qmx
