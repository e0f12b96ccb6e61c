#include "qmx/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

#include "common/platform.h"
#include "flipta/flipta_tool.h"
#include "gyrel/gyrel_tool.h"
#include "qmx/edit_batch.h"
#include "qmx/info.h"
#include "qmx/plot.h"
#include "shovan/shovan_tool.h"
#include "snipla/snipla_tool.h"

#ifndef QMX_VERSION
#define QMX_VERSION "unknown"
#endif

namespace qmx {
namespace {

// Numbers on the command line are whole decimal numbers, nothing else: no
// spaces, no base prefixes, no fractions. Leading zeros are dropped here,
// so that the conversion, which would take them for octal, sees decimal.
const CLI::Validator kWholeDecimal(
    [](std::string& value) -> std::string {
      const size_t digits =
          value.starts_with('-') || value.starts_with('+') ? 1 : 0;
      const bool whole =
          value.size() > digits &&
          std::all_of(value.begin() + static_cast<ptrdiff_t>(digits),
                      value.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (!whole) return "not a whole decimal number: '" + value + "'";
      const size_t first = value.find_first_not_of('0', digits);
      value.erase(
          digits,
          (first == std::string::npos ? value.size() - 1 : first) - digits);
      return {};
    },
    "");

// A folder for results, checked through the platform layer, which reaches
// every name the system can hold (on Windows also those outside the ANSI
// code page). The words are those of the command-line library's own check.
const CLI::Validator kExistingDirectory(
    [](std::string& path) -> std::string {
      switch (platform::KindOfPath(path)) {
        case platform::PathKind::kDirectory:
          return {};
        case platform::PathKind::kNone:
          return "Directory does not exist: " + path;
        case platform::PathKind::kOther:
          break;
      }
      return "Directory is actually a file: " + path;
    },
    "");

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The arguments as the parser gets them. "/?" asks for help where it
// cannot be a name: as the first argument, where the subcommand goes, and,
// on Windows, where no file or folder name can hold a '?', anywhere before
// "--". It gives the help that --help after the first argument gives.
std::vector<std::string> ParserArguments(
    std::span<const std::string> arguments) {
  for (size_t i = 0; i < arguments.size() && arguments[i] != "--"; ++i) {
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

// The files a subcommand works on: one or more.
void AddFiles(CLI::App* command, std::vector<std::string>& files,
              const char* description) {
  command->add_option("FILE", files, description)->required()->type_name("");
}

// What every edit subcommand shares.
struct EditOptions {
  BatchOptions batch;
  std::vector<std::string> files;
};

CLI::App* AddEdit(CLI::App& app, const char* name, const char* description,
                  EditOptions& options) {
  CLI::App* edit = app.add_subcommand(name, description);
  edit->footer(
      "Results are named as the interactive tool names them and never "
      "replace a file: a taken name gives the first free numbered one "
      "(walk_Mirrored (2).qmx). Standard output gets the name of each "
      "result, one per line; standard error one line per warning, skip or "
      "failure.\n" +
      std::string(kExitStatus));
  edit->add_option("-o,--output-dir", options.batch.output_dir,
                   "Directory for the results (default: the current "
                   "directory, or the input's own for a path with '/')")
      ->check(kExistingDirectory)
      ->type_name("DIR");
  edit->add_flag("-q,--quiet", options.batch.quiet,
                 "No lines for warnings, only for skips and failures");
  AddFiles(edit, options.files, ".qmx animation files");
  return edit;
}

// RunQmx up to the check of what went to `out`.
int ParseAndRun(std::span<const std::string> arguments, std::ostream& out,
                std::ostream& err) {
  CLI::App app(
      "qmx: the edits of gyrel, shovan, snipla and flipta for scripts and "
      "pipelines, and a look inside .qmx keyframe animations.\n"
      "Nothing is asked and standard input is never read.",
      "qmx");
  // Options start with '-' on every platform: an argument that starts with
  // '/' is a path, on Windows too. Subcommands take this over as they are
  // added.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "qmx " QMX_VERSION);
  app.require_subcommand(1);
  app.footer(std::string("Run 'qmx SUBCOMMAND --help' for a subcommand's "
                         "options.\n") +
             kExitStatus);

  EditOptions move_options;
  std::vector<int16_t> offsets;
  CLI::App* move =
      AddEdit(app, "move", "Move animations by X, Y and Z offsets (Shovan)",
              move_options);
  move->add_option("--by", offsets,
                   "X,Y,Z offsets in world units, each -32768..32767 (256 "
                   "units are one click, 1024 one sector)")
      ->required()
      ->delimiter(',')
      ->expected(3)
      ->allow_extra_args(false)
      ->transform(kWholeDecimal)
      ->type_name("X,Y,Z");

  EditOptions rotate_options;
  int16_t degrees = 0;
  CLI::App* rotate = AddEdit(
      app, "rotate", "Rotate animations about the vertical axis (Gyrel)",
      rotate_options);
  rotate
      ->add_option("--by", degrees,
                   "Whole degrees, -32768..32767, taken modulo 360; "
                   "positive turns clockwise")
      ->required()
      ->transform(kWholeDecimal)
      ->type_name("DEGREES");

  EditOptions cut_options;
  Cuts cuts;
  CLI::App* cut = AddEdit(
      app, "cut", "Cut keyframes from the beginning and the end (Snipla)",
      cut_options);
  cut->add_option("--front", cuts.front,
                  "Keyframes to remove from the beginning, 0..65535")
      ->required()
      ->transform(kWholeDecimal)
      ->type_name("N");
  cut->add_option("--back", cuts.back,
                  "Keyframes to remove from the end, 0..65535")
      ->required()
      ->transform(kWholeDecimal)
      ->type_name("N");

  EditOptions mirror_options;
  CLI::App* mirror = AddEdit(
      app, "mirror",
      "Mirror player-character (OBRI) animations on the X axis (Flipta)",
      mirror_options);

  std::vector<std::string> info_files;
  bool json = false;
  CLI::App* info = app.add_subcommand(
      "info",
      "Show what animation files hold: sizes, counts, whether the keyframes "
      "are complete, and the ranges of root offset and bounding box");
  info->add_flag("--json", json,
                 "One JSON array of one object per file (fields in the "
                 "README)");
  AddFiles(info, info_files, "Animation files");
  info->footer(
      "Exit status: 0 when every file was read, 1 when any could not be or "
      "standard output could not be written, 2 for a usage error.");

  std::vector<std::string> plot_files;
  std::string picture = kDefaultPicture;
  bool plot_quiet = false;
  CLI::App* plot = app.add_subcommand(
      "plot",
      "Draw the animations seen from above as an SVG picture: each root "
      "offset's path, a dot per keyframe, the first keyframe's box");
  const CLI::Option* destination =
      plot->add_option("-o,--output", picture,
                       "The picture's name, a directory for plot.svg in it, "
                       "or - for standard output; never replaces a file: a "
                       "taken name gives the first free numbered one, a "
                       "device or pipe is written to")
          ->capture_default_str()
          ->type_name("PICTURE.svg");
  plot->add_flag("-q,--quiet", plot_quiet,
                 "No line when the picture gets a numbered name");
  AddFiles(plot, plot_files, "Animation files");
  plot->footer(
      "Standard output gets the picture's name (or, with -o -, the "
      "picture). Exit status: 0 when every "
      "file is in the picture, 1 when any could not be read or standard "
      "output could not be written, 2 for a usage error.");

  try {
    std::vector<std::string> reversed = ParserArguments(arguments);
    std::reverse(reversed.begin(), reversed.end());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    // Help and the version are asked for; everything else is a usage error.
    return app.exit(error, out, err) == 0 ? 0 : kUsageError;
  }

  if (move->parsed()) {
    ShovanTool tool(Offsets{.x = offsets[0], .y = offsets[1], .z = offsets[2]});
    return RunEditBatch(tool, move_options.files, move_options.batch, out, err);
  }
  if (rotate->parsed()) {
    GyrelTool tool(degrees);
    return RunEditBatch(tool, rotate_options.files, rotate_options.batch, out,
                        err);
  }
  if (cut->parsed()) {
    SniplaTool tool(cuts);
    return RunEditBatch(tool, cut_options.files, cut_options.batch, out, err);
  }
  if (mirror->parsed()) {
    FliptaTool tool;
    return RunEditBatch(tool, mirror_options.files, mirror_options.batch, out,
                        err);
  }
  if (info->parsed()) return RunInfo(info_files, json, out, err);
  if (plot->parsed()) {
    return RunPlot(
        plot_files,
        destination->count() > 0 ? std::optional(picture) : std::nullopt,
        plot_quiet, out, err);
  }
  return kUsageError;
}

}  // namespace

int RunQmx(std::span<const std::string> arguments, std::ostream& out,
           std::ostream& err) {
  const int status = ParseAndRun(arguments, out, err);
  // Whatever was asked for, help included, failed when what was meant for
  // standard output could not be written: a reader would take what it got
  // for all there is. A usage error writes nothing there.
  if (status == kUsageError || out.flush()) return status;
  err << "qmx: could not write to standard output" << std::endl;
  return 1;
}

int RunQmx(int argc, char** argv) {
  const std::optional<std::vector<std::string>> arguments =
      platform::StartProgram(argc, argv);
  if (!arguments) return 1;
  return RunQmx(*arguments, std::cout, std::cerr);
}

}  // namespace qmx
