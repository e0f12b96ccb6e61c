#ifndef QMX_PAGE_PAGE_FILES_H_
#define QMX_PAGE_PAGE_FILES_H_

// The files of the page: those dropped on it, of which only the header and
// the keyframes are held in memory, and the results of the last edit, kept
// as pieces that refer to the dropped files for what they copy. The page
// is one folder: a result never takes a name that a dropped file or an
// earlier result has.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_layer.h"
#include "engine/memory_files.h"

namespace qmx {

class PageFiles : public FileLayer {
 public:
  /// Adds a dropped file of `size` bytes named `name`; returns its number.
  int Add(const std::string& name, int64_t size);
  int count() const { return static_cast<int>(dropped_.size()); }
  const std::string& name(int file) const { return dropped_[file].name; }
  PartialInput& input(int file) { return *dropped_[file].input; }

  /// Makes `file` the one that Open finds under its name (two dropped files
  /// can have the same name).
  void Select(int file) { selected_ = file; }

  /// Forgets every result.
  void DropResults() { results_.clear(); }
  /// The result named `name`, or null.
  const PieceOutput* Result(const std::string& name) const;

  /// The selected file under its name, or a result under its name. A
  /// result made for it, which the name it is given makes a result of the
  /// page, refers to the file the page keeps.
  std::unique_ptr<InputFile> Open(const std::string& path,
                                  OpenFailure& failure) override;
  /// A dropped file or a result has the name.
  bool Exists(const std::string& path) override;
  /// The page has no directories.
  bool IsDirectory(const std::string&) override { return false; }
  /// A result under construction that only takes writes.
  std::unique_ptr<PrivateOutput> CreatePrivate(const std::string& dir) override;
  /// The page has no devices or streams.
  std::optional<OpenedStream> OpenStream(const std::string&) override {
    return std::nullopt;
  }

 private:
  class Output;
  class View;
  struct Dropped {
    std::string name;
    std::unique_ptr<PartialInput> input;
  };
  bool Taken(const std::string& name) const;

  std::vector<Dropped> dropped_;
  int selected_ = -1;
  std::map<std::string, std::shared_ptr<PieceOutput>> results_;
};

/// The page's files, which it hands to everything that works with files.
PageFiles& ThePageFiles();

/// Where the held part of a file of `size` bytes whose header has been
/// read into `input` ends: the keyframes, and after the last one's start
/// as much as an edit can reach of it. Its start is the header's end.
int64_t HeldEnd(const PartialInput& input, int64_t size);

}  // namespace qmx

#endif  // QMX_PAGE_PAGE_FILES_H_
