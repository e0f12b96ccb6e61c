#ifndef QMX_EDITS_REGISTRY_H_
#define QMX_EDITS_REGISTRY_H_

// The four edits, listed once: what each is called, what it asks, the
// ranges of its parameters, how qmx's command line gives them, and how the
// edit is made from their values. qmx's subcommands and the page's controls
// are made from this list; the completion and the manual page are checked
// against it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/edit.h"

namespace qmx {

/// How a parameter's value is held in the file and by the edit.
enum class Width { kSigned16, kUnsigned16 };

/// One number an edit takes.
struct Parameter {
  std::string_view name;  // the page's field: "x", "degrees", "front"
  Width width;
  /// What the interactive program asks it with, before the answer.
  std::string_view prompt;
};

/// The smallest and largest value of a parameter.
int64_t Min(const Parameter& parameter);
int64_t Max(const Parameter& parameter);

/// An option of qmx's command line that gives `count` parameters, from the
/// edit's parameter `first` on, as one value (comma-separated when more
/// than one).
struct CommandOption {
  std::string_view name;       // "--by"
  std::string_view type_name;  // "X,Y,Z": its value in the help
  /// Its help; "{range}" stands for its parameters' range, "-32768..32767".
  std::string_view help;
  size_t first;
  size_t count;
  bool required;
};

/// One edit.
struct EditEntry {
  std::string_view command;      // qmx's subcommand: "move"
  std::string_view program;      // the interactive program: "shovan"
  std::string_view description;  // the subcommand's line in qmx's help
  std::span<const Parameter> parameters;
  std::span<const CommandOption> options;
  /// The interactive program shows the file's keyframe count before it
  /// asks (the parameters count keyframes).
  bool tells_keyframe_count = false;
  /// Makes the edit bound to one value per parameter, each in its range.
  std::unique_ptr<BoundEdit> (*make)(std::span<const int64_t> values);
};

/// Every edit, in the order qmx lists its subcommands; the page numbers
/// them so.
std::span<const EditEntry> Edits();

/// The help of `option` of `edit`, with its range put in.
std::string OptionHelp(const EditEntry& edit, const CommandOption& option);

/// Checks that `text` is a whole decimal number in min..max: an optional
/// sign and digits, no spaces, no base prefixes, no fractions. Empty, with
/// `value` set, when it is one; otherwise what is wrong, as a sentence
/// ("'1.5' is not a whole number.", "40000 is outside -32768..32767.").
std::string CheckWholeNumber(std::string_view text, int64_t min, int64_t max,
                             int64_t& value);

}  // namespace qmx

#endif  // QMX_EDITS_REGISTRY_H_
