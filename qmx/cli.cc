#include "qmx/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "edits/registry.h"
#include "engine/paths.h"
#include "os/platform.h"
#include "os/wide_text.h"
#include "qmx/edit_batch.h"
#include "qmx/look_commands.h"

#ifndef QMX_VERSION
#define QMX_VERSION "unknown"
#endif

namespace qmx {
namespace {

// The width that help text fits, in columns.
constexpr size_t kHelpWidth = 80;

// The parts of `text` between commas.
std::vector<std::string_view> CommaParts(std::string_view text) {
  std::vector<std::string_view> parts;
  for (size_t comma; (comma = text.find(',')) != std::string_view::npos;) {
    parts.push_back(text.substr(0, comma));
    text.remove_prefix(comma + 1);
  }
  parts.push_back(text);
  return parts;
}

// The parameters that `option` of `edit` gives: one whole number in its
// range, or several "X,Y,Z" each in its own; handed on in plain decimal
// (the conversion would take leading zeros for octal).
CLI::Validator Numbers(const EditEntry& edit, const CommandOption& option) {
  return CLI::Validator(
      [&edit, &option](std::string& text) -> std::string {
        const std::vector<std::string_view> parts =
            option.count == 1 ? std::vector<std::string_view>{text}
                              : CommaParts(text);
        if (parts.size() != option.count) {
          static const char* const kCounts[] = {"no",    "one",  "two",
                                                "three", "four", "five"};
          return "'" + text + "' is not " +
                 (option.count < std::size(kCounts)
                      ? std::string(kCounts[option.count])
                      : std::to_string(option.count)) +
                 " numbers " + std::string(option.type_name) + ".";
        }
        std::string plain;
        for (size_t k = 0; k < parts.size(); ++k) {
          const Parameter& parameter = edit.parameters[option.first + k];
          int64_t value = 0;
          const std::string problem =
              CheckWholeNumber(parts[k], Min(parameter), Max(parameter), value);
          if (!problem.empty()) return problem;
          plain += (plain.empty() ? "" : ",") + std::to_string(value);
        }
        text = plain;
        return {};
      },
      "");
}

// A folder for results, checked through the platform layer, which reaches
// every name the system can hold (on Windows also those outside the ANSI
// code page). It is handed on as the system saves its name: on Windows
// "out " and "out.." are the folder "out", which the check found, and the
// results' names must be formed from that.
const CLI::Validator kExistingDirectory(
    [](std::string& path) -> std::string {
      switch (platform::KindOfPath(path)) {
        case platform::PathKind::kDirectory:
          path = SavedName(path, kNativePathStyle);
          return {};
        case platform::PathKind::kNone:
          return "'" + path + "' does not exist.";
        case platform::PathKind::kOther:
          break;
      }
      return "'" + path + "' is not a directory.";
    },
    "");

// Columns that UTF-8 `text` takes: one per character.
size_t Columns(std::string_view text) {
  return static_cast<size_t>(std::count_if(
      text.begin(), text.end(),
      [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// `text` with every line longer than `width` columns broken at spaces. The
// rest of an indented line (an option or a subcommand, whose description
// starts at column `column`) goes on under that description; a word longer
// than a line stays whole.
std::string Wrapped(std::string_view text, size_t width, size_t column) {
  std::string wrapped;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string line(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    const size_t indent = line.starts_with("  ") ? column : 0;
    while (Columns(line) > width) {
      size_t limit = 0;  // where the character at column `width` starts
      for (size_t seen = 0; limit < line.size(); ++limit) {
        if ((static_cast<unsigned char>(line[limit]) & 0xC0) == 0x80) continue;
        if (seen++ == width) break;
      }
      size_t space = line.rfind(' ', limit);
      if (space == std::string::npos || space <= indent) {
        space = line.find(' ', limit);
        if (space == std::string::npos) break;
      }
      const size_t next = line.find_first_not_of(' ', space);
      if (next == std::string::npos) break;
      wrapped += line.substr(0, line.find_last_not_of(' ', space) + 1) + '\n';
      line = std::string(indent, ' ') + line.substr(next);
    }
    wrapped += line + '\n';
  }
  return wrapped;
}

// CLI11's help, fitted to kHelpWidth columns.
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    return Wrapped(CLI::Formatter::make_help(app, std::move(name), mode),
                   kHelpWidth, get_column_width());
  }
};

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The arguments before "--" as the parser gets them. "/?" asks for help
// where it cannot be a name: as the first argument, where the subcommand
// goes, and, on Windows, where no file or folder name can hold a '?',
// anywhere. It gives the help that --help after the first argument gives; so
// does "help" as the first argument, of the subcommand that follows it.
std::vector<std::string> ParserArguments(
    std::span<const std::string> arguments) {
  if (!arguments.empty() && arguments[0] == "help") {
    if (arguments.size() == 1) return {"--help"};
    return {arguments[1], "--help"};
  }
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] != "/?" || (i > 0 && !kWindows)) continue;
    if (i == 0) return {"--help"};
    return {arguments[0], "--help"};
  }
  return {arguments.begin(), arguments.end()};
}

const char kExitStatus[] =
    "Exit status: 0 when every file was done, 1 when any file was skipped or "
    "failed or standard output could not be written, 2 for a usage error "
    "(nothing is done then).";

// The files a subcommand works on: one or more, those given as `names`
// (after "--") last. The parser takes `names` as the first values, before it
// reads the arguments; they are moved behind the others once all are read.
void AddFiles(CLI::App* command, std::vector<std::string>& files,
              const char* description, const std::vector<std::string>& names) {
  CLI::Option* option = command->add_option("FILE", files, description)
                            ->required()
                            ->type_name("");
  command->preparse_callback([option, &names](size_t) {
    if (!names.empty()) option->add_result(names);
  });
  command->callback([&files, &names] {
    std::rotate(files.begin(),
                files.begin() + static_cast<ptrdiff_t>(names.size()),
                files.end());
  });
}

// An option that takes a value: given again, the last value counts.
template <class T>
CLI::Option* AddValue(CLI::App* command, const std::string& name, T& value,
                      const std::string& description,
                      const std::string& type_name) {
  return command->add_option(name, value, description)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->type_name(type_name);
}

// What every edit subcommand shares.
struct EditOptions {
  BatchOptions batch;
  std::vector<std::string> files;
};

CLI::App* AddEdit(CLI::App& app, const EditEntry& entry, EditOptions& options,
                  const std::vector<std::string>& names) {
  CLI::App* edit = app.add_subcommand(std::string(entry.command),
                                      std::string(entry.description));
  edit->footer(
      "Results are named as the interactive tool names them and never "
      "replace a file: a taken name gives the first free numbered one "
      "(walk_Mirrored (2).qmx), or, with --skip-existing, a skip. Standard "
      "output gets the name of each result, one per line (or each ended by "
      "a NUL with -0); standard error one line per warning, skip or "
      "failure.\n" +
      std::string(kExitStatus) +
      " A file skipped with --skip-existing counts as done.");
  AddValue(edit, "-o,--output-dir", options.batch.output_dir,
           "Directory for the results (default: the current directory, or "
           "the input's own for a path with '/')",
           "DIR")
      ->transform(kExistingDirectory);
  edit->add_flag("-q,--quiet", options.batch.quiet,
                 "No lines for warnings, for results saved under a numbered "
                 "name or for files skipped with --skip-existing");
  edit->add_flag("-0,--null", options.batch.null_terminated,
                 "End each result's name with a NUL, not a line break");
  edit->add_flag("--skip-existing", options.batch.skip_existing,
                 "Skip a file whose result's name is taken, instead of "
                 "saving the result under a numbered name");
  AddFiles(edit, options.files, ".qmx animation files", names);
  return edit;
}

// A usage error: what is wrong, and the command whose help tells more.
struct UsageError {
  std::string text;
  const CLI::App* command;
};

// The subcommand given, if any.
const CLI::App* GivenCommand(const CLI::App& app) {
  const std::vector<const CLI::App*> given = app.get_subcommands(
      [](const CLI::App* command) { return command->parsed(); });
  return given.empty() ? nullptr : given.front();
}

// What is wrong with a command line that the parser took: an argument that
// it could not place, no subcommand, or a subcommand without what it needs.
std::optional<UsageError> Missing(const CLI::App& app) {
  const CLI::App* command = GivenCommand(app);
  for (const CLI::App* scope : {&app, command}) {
    if (scope == nullptr) continue;
    for (const std::string& extra : scope->remaining()) {
      if (extra.size() > 1 && extra[0] == '-') {
        // A long option is named without the value given to it.
        const std::string name =
            extra.starts_with("--") ? extra.substr(0, extra.find('=')) : extra;
        return UsageError{"unknown option '" + name + "'.", scope};
      }
      return UsageError{"'" + extra + "' is not a qmx command.", &app};
    }
  }
  if (command == nullptr) {
    std::string list;
    const std::vector<const CLI::App*> commands =
        app.get_subcommands([](const CLI::App*) { return true; });
    for (const CLI::App* each : commands) {
      list += (list.empty()              ? ""
               : each == commands.back() ? " or "
                                         : ", ") +
              each->get_name();
    }
    return UsageError{"a subcommand is required: " + list + ".", &app};
  }
  // Options first, then the files.
  for (const bool positional : {false, true}) {
    for (const CLI::Option* option : command->get_options()) {
      if (!option->get_required() || option->count() > 0 ||
          option->get_positional() != positional) {
        continue;
      }
      return UsageError{command->get_name() + " needs " +
                            (positional ? "at least one " : "") +
                            option->get_name() + ".",
                        command};
    }
  }
  return std::nullopt;
}

// The words of an error that the parser found, mostly in an option's value.
std::string ValueError(const CLI::ParseError& error) {
  const std::string what = error.what();
  const size_t colon = what.find(':');
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr &&
      colon != std::string::npos) {
    return what.substr(0, colon) + " needs a value.";  // at the end of the line
  }
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    return what;  // the option's name and the words of its check
  }
  // Anything else in the parser's words, as a sentence.
  std::string text = what;
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  }
  return text.ends_with('.') ? text : text + ".";
}

// A subcommand as added to the parser: the work it does once its options
// are read, on the files of `layer`, writing to `out` and `err` and
// returning the exit status.
using Work =
    std::function<int(FileLayer& layer, std::ostream& out, std::ostream& err)>;
struct Subcommand {
  const CLI::App* command;
  Work work;
};

// An edit of the registry as a subcommand: its options give the edit's
// parameters, each checked against its range, and the edit made of them
// runs over the files.
Subcommand AddEditCommand(CLI::App& app, const EditEntry& entry,
                          const std::vector<std::string>& names) {
  struct Options : EditOptions {
    std::vector<std::string> given;  // per option, as Numbers handed it on
  };
  const auto options = std::make_shared<Options>();
  options->given.resize(entry.options.size());
  CLI::App* command = AddEdit(app, entry, *options, names);
  for (size_t i = 0; i < entry.options.size(); ++i) {
    const CommandOption& option = entry.options[i];
    CLI::Option* added =
        AddValue(command, std::string(option.name), options->given[i],
                 OptionHelp(entry, option), std::string(option.type_name))
            ->transform(Numbers(entry, option));
    if (option.required) added->required();
  }
  return {command, [options, &entry](FileLayer& layer, std::ostream& out,
                                     std::ostream& err) {
            std::vector<int64_t> values(entry.parameters.size());
            for (size_t i = 0; i < entry.options.size(); ++i) {
              const std::vector<std::string_view> parts =
                  CommaParts(options->given[i]);
              for (size_t k = 0; k < parts.size(); ++k) {
                std::from_chars(parts[k].data(),
                                parts[k].data() + parts[k].size(),
                                values[entry.options[i].first + k]);
              }
            }
            const std::unique_ptr<BoundEdit> edit = entry.make(values);
            return RunEditBatch(*edit, layer, options->files, options->batch,
                                out, err);
          }};
}

Subcommand AddInfo(CLI::App& app, const std::vector<std::string>& names) {
  struct Options {
    std::vector<std::string> files;
    bool json = false;
  };
  const auto options = std::make_shared<Options>();
  CLI::App* info = app.add_subcommand(
      "info",
      "Show what animation files hold: sizes, counts, whether the keyframes "
      "are complete, and the ranges of root offset and bounding box");
  info->add_flag("--json", options->json,
                 "One JSON array of one object per file (fields in the "
                 "README)");
  AddFiles(info, options->files, "Animation files", names);
  info->footer(
      "Exit status: 0 when every file was read, 1 when any could not be or "
      "standard output could not be written, 2 for a usage error.");
  return {info,
          [options](FileLayer& layer, std::ostream& out, std::ostream& err) {
            return RunInfo(layer, options->files, options->json, out, err);
          }};
}

Subcommand AddPlot(CLI::App& app, const std::vector<std::string>& names) {
  struct Options {
    std::vector<std::string> files;
    std::string picture = kDefaultPicture;
    bool quiet = false;
    bool null = false;
  };
  const auto options = std::make_shared<Options>();
  CLI::App* plot = app.add_subcommand(
      "plot",
      "Draw the animations seen from above as an SVG picture: each root "
      "offset's path, a dot per keyframe, the first keyframe's box");
  const CLI::Option* destination =
      AddValue(plot, "-o,--output", options->picture,
               "The picture's name, a directory for plot.svg in it, or - for "
               "standard output; never replaces a file: a taken name gives "
               "the first free numbered one, a device or pipe is written to",
               "PICTURE.svg")
          ->capture_default_str();
  plot->add_flag("-q,--quiet", options->quiet,
                 "No line when the picture gets a numbered name");
  plot->add_flag("-0,--null", options->null,
                 "End the picture's name with a NUL, not a line break");
  AddFiles(plot, options->files, "Animation files", names);
  plot->footer(
      "Standard output gets the picture's name (or, with -o -, the "
      "picture). Exit status: 0 when every "
      "file is in the picture, 1 when any could not be read or standard "
      "output could not be written, 2 for a usage error.");
  return {plot, [options, destination](FileLayer& layer, std::ostream& out,
                                       std::ostream& err) {
            return RunPlot(
                layer, options->files,
                destination->count() > 0 ? std::optional(options->picture)
                                         : std::nullopt,
                options->quiet, options->null ? '\0' : '\n', out, err);
          }};
}

// qmx's own options, help and settings, which the subcommands take over as
// they are added. Options start with '-' on every platform: an argument
// that starts with '/' is a path, on Windows too. An argument that the
// parser cannot place is a usage error of its own, told by Missing.
void SetUp(CLI::App& app) {
  app.formatter(std::make_shared<HelpFormatter>());
  app.allow_windows_style_options(false);
  app.allow_extras();
  app.set_version_flag("--version", "qmx " QMX_VERSION);
  app.require_subcommand(1);
  app.footer(std::string("Run 'qmx help SUBCOMMAND' or 'qmx SUBCOMMAND "
                         "--help' for a subcommand's options.\n") +
             kExitStatus);
}

// Reads `arguments` (those before "--") into `app`'s options. Nothing when
// they ask for a subcommand's work; otherwise the exit status, after help
// or the version on `out`, or after a usage error on `err` (nothing is
// done then).
std::optional<int> Parse(CLI::App& app, std::span<const std::string> arguments,
                         std::ostream& out, std::ostream& err) {
  std::optional<UsageError> usage;
  if (arguments.size() > 1 && arguments[0] == "help" &&
      app.get_subcommands([&](const CLI::App* command) {
           return command->get_name() == arguments[1];
         })
          .empty()) {
    usage = UsageError{"'" + arguments[1] + "' is not a qmx command.", &app};
  } else {
    try {
      std::vector<std::string> reversed = ParserArguments(arguments);
      std::reverse(reversed.begin(), reversed.end());
      app.parse(reversed);
      usage = Missing(app);
    } catch (const CLI::Success& asked) {
      return app.exit(asked, out, err);  // help or the version
    } catch (const CLI::RequiredError& error) {
      usage = Missing(app).value_or(UsageError{ValueError(error), &app});
    } catch (const CLI::ParseError& error) {
      usage = UsageError{ValueError(error), GivenCommand(app)};
    }
  }
  if (!usage) return std::nullopt;
  // The line, and where to learn how it goes.
  const CLI::App* command = usage->command ? usage->command : &app;
  err << "qmx: " << ShownName{usage->text} << "\nRun 'qmx"
      << (command == &app ? "" : " " + command->get_name())
      << " --help' for usage." << std::endl;
  return kUsageError;
}

// RunQmx up to the check of what went to `out`.
int ParseAndRun(std::span<const std::string> arguments, FileLayer& layer,
                std::ostream& out, std::ostream& err) {
  // Everything after the first "--" is a file name, wherever it stands:
  // the parser reads what comes before it, and the subcommand given takes
  // the rest as its last files. (The parser itself would hand an argument
  // after "--" back to qmx's own options once the subcommand has a file.)
  const auto mark = std::find(arguments.begin(), arguments.end(), "--");
  const std::vector<std::string> names(
      mark == arguments.end() ? mark : mark + 1, arguments.end());
  arguments = arguments.first(static_cast<size_t>(mark - arguments.begin()));

  CLI::App app(
      "qmx: the edits of gyrel, shovan, snipla and flipta for scripts and "
      "pipelines, and a look inside .qmx keyframe animations.\n"
      "Nothing is asked and standard input is never read.",
      "qmx");
  SetUp(app);
  std::vector<Subcommand> subcommands;
  for (const EditEntry& entry : Edits()) {
    subcommands.push_back(AddEditCommand(app, entry, names));
  }
  subcommands.push_back(AddInfo(app, names));
  subcommands.push_back(AddPlot(app, names));

  if (const std::optional<int> ended = Parse(app, arguments, out, err)) {
    return *ended;
  }
  for (const Subcommand& subcommand : subcommands) {
    if (subcommand.command->parsed()) return subcommand.work(layer, out, err);
  }
  return kUsageError;
}

// True when the option `argument` (one that starts with '-') is followed by
// its value as the next argument: a name of an option that takes a value
// without "=VALUE", or short options whose last letter is -o's.
bool ValueFollows(std::string_view argument) {
  if (argument.starts_with("--")) {
    for (const EditEntry& entry : Edits()) {
      for (const CommandOption& option : entry.options) {
        if (argument == option.name) return true;
      }
    }
    return argument == "--output-dir" || argument == "--output";
  }
  return argument.find('o') == argument.size() - 1;
}

// The arguments that name files, for the expansion of wildcards (Windows):
// after the subcommand, those that are neither an option nor an option's
// value, and every one after "--"; never "/?", nor any after "help".
std::vector<bool> QmxFileArguments(std::span<const std::string> arguments) {
  std::vector<bool> files(arguments.size(), false);
  if (arguments.empty() || arguments[0] == "help") return files;
  bool options = true;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && argument.size() > 1 && argument[0] == '-') {
      if (ValueFollows(argument)) ++i;
    } else {
      files[i] = argument != "/?";
    }
  }
  return files;
}

}  // namespace

int RunQmx(std::span<const std::string> arguments, std::ostream& out,
           std::ostream& err) {
  platform::SystemFiles files;
  const int status = ParseAndRun(arguments, files, out, err);
  // Whatever was asked for, help included, failed when what was meant for
  // standard output could not be written: a reader would take what it got
  // for all there is. A usage error writes nothing there.
  if (status == kUsageError || out.flush()) return status;
  err << "qmx: could not write to standard output" << std::endl;
  return 1;
}

int RunQmx(int argc, char** argv) {
  const std::optional<std::vector<std::string>> arguments =
      platform::StartProgram(argc, argv, QmxFileArguments);
  if (!arguments) return 1;
  return RunQmx(*arguments, std::cout, std::cerr);
}

}  // namespace qmx
