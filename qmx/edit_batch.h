#ifndef QMX_QMX_EDIT_BATCH_H_
#define QMX_QMX_EDIT_BATCH_H_

// The batch front end of the four edits: every file through the per-file
// pipeline with parameters given in advance, nothing asked, the names of
// the results on one stream and one line per problem on the other.

#include <ostream>
#include <span>
#include <string>

#include "common/tool.h"

namespace qmx {

struct BatchOptions {
  /// Where the results go; empty for where the interactive tool puts them.
  std::string output_dir;
  /// No lines for warnings (and for results saved under a numbered name).
  bool quiet = false;
};

/// Runs `tool`, with the parameters it was made with, over `files` in
/// order. Writes the name of each result to `out`, one per line, and one
/// line per warning, skip or failure to `err`, naming the file as given.
/// Each name is flushed; after one that cannot be written no further file
/// is processed. Returns 0 when every file was written and named, 1
/// otherwise.
int RunEditBatch(Tool& tool, std::span<const std::string> files,
                 const BatchOptions& options, std::ostream& out,
                 std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_EDIT_BATCH_H_
