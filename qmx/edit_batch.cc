#include "qmx/edit_batch.h"

#include "console/batch_driver.h"
#include "engine/pipeline.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

// One line on `err` per message that a script's user needs: the progress
// lines of the console dialogue are left out, warnings too when quiet.
class LineReporter : public Reporter {
 public:
  LineReporter(std::ostream& err, const std::string& file, bool quiet)
      : err_(err), file_(file), quiet_(quiet) {}

  void Report(const Message& message) override {
    using Kind = Message::Kind;
    if (message.kind == Kind::kProgress) return;
    if (quiet_ &&
        (message.kind == Kind::kWarning || message.kind == Kind::kNotice)) {
      return;
    }
    Quoted(err_ << "qmx: ", file_) << ShownName{TextOf(message)} << std::endl;
  }

 private:
  std::ostream& err_;
  const std::string& file_;
  bool quiet_;
};

}  // namespace

int RunEditBatch(BoundEdit& edit, FileLayer& layer,
                 std::span<const std::string> files,
                 const BatchOptions& options, std::ostream& out,
                 std::ostream& err) {
  const char name_end = options.null_terminated ? '\0' : '\n';
  int status = 0;
  for (const std::string& file : files) {
    const FileJob job{.argument = file,
                      .output_dir = options.output_dir,
                      .skip_existing = options.skip_existing};
    LineReporter reporter(err, file, options.quiet);
    const FileResult result = ProcessFile(edit, job, reporter, layer);
    if (result.outcome == FileResult::Outcome::kWritten) {
      // Flushed at once, so that the next step of a pipeline can start on
      // this file while later ones are processed. A name that cannot be
      // written ends the run: whoever reads the names would miss its file.
      if (!(out << ShownName{result.saved_as} << name_end << std::flush)) {
        return 1;
      }
    } else if (result.outcome != FileResult::Outcome::kExisting) {
      status = 1;
    }
  }
  return status;
}

}  // namespace qmx
