#ifndef QMX_ENGINE_PATHS_H_
#define QMX_ENGINE_PATHS_H_

// How a file argument is read and how the paths of what the tools write are
// formed: pure functions over text. Where the systems differ, the style of
// paths is a parameter, so that both styles can be tested on any system.

#include <string>
#include <string_view>

namespace qmx {

enum class PathStyle {
  /// Only '/' separates directories.
  kPosix,
  /// '/' and '\' separate directories (only '\' in a "\\?\" path, which the
  /// system takes as written), a leading "X:" names a drive, and any other
  /// colon names a stream of a file.
  kWindows,
};

/// The style of the system the program runs on.
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;
#endif

// The three rules that split a file argument, each its own way on purpose:
//   BaseName         the name that messages quote: after the last backslash
//                    only. A file dropped on a tool's icon comes as a full
//                    Windows path, and its messages have always named just
//                    the file; a path typed with '/' is quoted as typed.
//   FileName         the name that the type test and the result's name take:
//                    after the last separator of either kind, so that only
//                    the file's own name counts, never a directory's
//                    ("x.qmx/walk" is no animation; "v1./qmxfile" takes its
//                    suffix at its end).
//   ResultDirectory  where the result goes: the working directory for a
//                    dropped (backslash) path, where the tools have always
//                    saved; beside the input for a '/' path, which shells
//                    and scripts pass.
// No other code splits a path.

/// The part of `argument` after its last backslash, or all of it, in
/// either style.
std::string_view BaseName(std::string_view argument);

/// The file's own name: the part of `argument` after its last '/' or '\'
/// (in either style), or, in the Windows style, after a leading drive.
std::string_view FileName(std::string_view argument, PathStyle style);

/// Where the results for `argument` go, as InDirectory takes a directory
/// (it ends in a separator or a drive, or is "" for the current one):
/// `output_dir` with a separator as InDirectory adds one, when it is given;
/// otherwise, when the argument's last separator is a '/', the argument up
/// to and including that '/' (beside the input); in the Windows style the
/// drive of an argument such as "D:walk.qmx" (the current directory of that
/// drive, again beside the input); else "".
std::string ResultDirectory(std::string_view argument,
                            std::string_view output_dir, PathStyle style);

/// True when the up to three characters after the last dot of `file_name`
/// (its first three characters when it has no dot) are exactly "qmx" or
/// "QMX".
bool PassesExtensionTest(std::string_view file_name);

/// True when `argument` names a stream of a file rather than a file: in the
/// Windows style, when it holds a colon other than that of a leading drive
/// (also after "\\?\" or "\\.\"). Never in the POSIX style.
bool NamesStream(std::string_view argument, PathStyle style);

/// `path` with `suffix` inserted before the last dot of its last part, or
/// appended when that part has no dot.
std::string OutputName(std::string_view path, std::string_view suffix,
                       PathStyle style);

/// `path` with " (n)" inserted as OutputName inserts a suffix.
std::string NumberedName(std::string_view path, int number, PathStyle style);

/// The path of `name` in the directory `dir` ("" for the current one):
/// `dir`, then a separator ('/' in the POSIX style, '\' in the Windows
/// style) unless `dir` already ends in one or is a bare drive ("X:"), then
/// `name`.
std::string InDirectory(std::string_view dir, std::string_view name,
                        PathStyle style);

/// Everything of `path` up to and including its last separator (in the
/// Windows style, its leading drive when it has no separator), "" for a
/// name in the current directory: InDirectory of it and a name is that name
/// beside `path`.
std::string_view DirectoryPart(std::string_view path, PathStyle style);

/// `path` as the system saves it: in the Windows style without the trailing
/// dots and spaces of its last part, except in a "\\?\" path (a part of
/// only dots and spaces is kept as it is). Unchanged in the POSIX style.
std::string SavedName(std::string_view path, PathStyle style);

}  // namespace qmx

#endif  // QMX_ENGINE_PATHS_H_
