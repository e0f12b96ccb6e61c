# The source files of every part of the system, listed once for both build
# trees: the programs' (this folder's parent) and the page's (page/), which
# compiles the same engine, edits and look inside a file for the browser.
# Paths are relative to the source tree's top; `qmx_sources(var part...)`
# sets `var` to the parts' files with the top in front.

# The file format: its layout and the checked access to its fields.
set(qmx_format_sources format/fields.cc)
# The engine that makes a result: files in memory, the messages and their
# texts, the result's name, the working copy and the per-file pipeline.
set(qmx_engine_sources
  engine/memory_files.cc
  engine/messages.cc
  engine/paths.cc
  engine/pipeline.cc
  engine/working_copy.cc)
# The operating system: the platform layer and wide text (UTF-8, UTF-16
# and names as a terminal shows them, which the page uses too). The layer's
# POSIX part takes what POSIX lacks from a small file per system: another
# Unix needs one of its own beside os/linux.cc.
set(qmx_wide_text_sources os/wide_text.cc)
set(qmx_os_sources os/platform.cc ${qmx_wide_text_sources})
set(qmx_os_linux_sources os/posix.cc os/linux.cc)
set(qmx_os_windows_sources os/windows.cc)
# The four edits.
set(qmx_gyrel_sources gyrel/rotation.cc gyrel/gyrel_edit.cc)
set(qmx_shovan_sources shovan/reposition.cc shovan/shovan_edit.cc)
set(qmx_flipta_sources flipta/mirror.cc flipta/flipta_edit.cc)
set(qmx_snipla_sources snipla/truncation.cc snipla/snipla_edit.cc)
set(qmx_edits gyrel shovan flipta snipla)
# The edits that are interactive programs of their own, each with its
# main.cc, icon and manual page in its folder.
set(qmx_programs gyrel shovan flipta snipla)
# The edits listed once, for the front ends: names, parameters, ranges, the
# number check, and each edit made from its values.
set(qmx_registry_sources edits/registry.cc)
# The interactive programs' console: reading answers, the programs'
# dialogues, the batch driver.
set(qmx_console_sources
  console/batch_driver.cc
  console/console_input.cc
  console/dialogues.cc)
# The look inside a file: inspection, info and the picture.
set(qmx_look_sources look/info.cc look/inspect.cc look/plot.cc)
# qmx's command line.
set(qmx_cli_sources qmx/cli.cc qmx/edit_batch.cc qmx/look_commands.cc)
# The page's own part: its files in memory, its bindings, its archives.
set(qmx_page_sources page/page_files.cc page/studio.cc page/zip_writer.cc)
# What the page compiles of the rest.
set(qmx_page_parts format engine wide_text ${qmx_edits} registry look page)

get_filename_component(qmx_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
function(qmx_sources var)
  set(files)
  foreach(part IN LISTS ARGN)
    list(APPEND files ${qmx_${part}_sources})
  endforeach()
  list(TRANSFORM files PREPEND "${qmx_root}/")
  set(${var} ${files} PARENT_SCOPE)
endfunction()
