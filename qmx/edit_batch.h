#ifndef QMX_QMX_EDIT_BATCH_H_
#define QMX_QMX_EDIT_BATCH_H_

// The batch front end of the four edits: every file through the per-file
// pipeline with parameters given in advance, nothing asked, the names of
// the results on one stream and one line per problem on the other.

#include <ostream>
#include <span>
#include <string>

#include "engine/edit.h"
#include "engine/file_layer.h"

namespace qmx {

struct BatchOptions {
  /// Where the results go; empty for where the interactive tool puts them.
  std::string output_dir;
  /// No lines for warnings (and for results saved under a numbered name,
  /// and for files skipped because their result's name is taken).
  bool quiet = false;
  /// Each name ends with a NUL instead of a line break.
  bool null_terminated = false;
  /// A file whose result's name is taken is skipped, without failing,
  /// instead of saving the result under a numbered name.
  bool skip_existing = false;
};

/// Runs `edit`, with the parameters it is bound to, over `files` of `layer`
/// in order. Writes the name of each result to `out`, one per line (or each
/// ended by a NUL), and one line per warning, skip or failure to `err`,
/// naming the file as given. Each name is flushed; after one that cannot be
/// written no further file is processed. Returns 0 when every file was
/// written and named or skipped for a result's name that is taken, 1
/// otherwise.
int RunEditBatch(BoundEdit& edit, FileLayer& layer,
                 std::span<const std::string> files,
                 const BatchOptions& options, std::ostream& out,
                 std::ostream& err);

}  // namespace qmx

#endif  // QMX_QMX_EDIT_BATCH_H_
