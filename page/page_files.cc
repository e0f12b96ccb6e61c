#include "page/page_files.h"

#include <algorithm>

#include "engine/working_copy.h"
#include "os/platform.h"

namespace qmx {
namespace {

// Reads go to a file the page keeps; the page decides how long it lives.
class View : public InputFile {
 public:
  explicit View(const InputFile& file) : file_(file) {}
  std::optional<FileVersion> Version() const override {
    return file_.Version();
  }
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override {
    return file_.Read(pos, bytes);
  }
  const InputFile& file() const { return file_; }

 private:
  const InputFile& file_;
};

// Held past the last keyframe's start: more than any edit or the look into
// a file reaches from a keyframe's start, whatever the stride. The farthest
// today is Mirror's, one player keyframe (kPlayerStride, 110 bytes); the
// others stop at the first mesh's angles. This bound, the largest 16-bit
// number, is beyond every stride too.
constexpr int64_t kLongestReach = 0xFFFF;

}  // namespace

class PageFiles::Output : public PrivateOutput {
 public:
  explicit Output(PageFiles& files)
      : files_(files), result_(std::make_shared<PieceOutput>()) {}
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    return result_->Write(pos, bytes);
  }
  Status Copy(const InputFile& from, int64_t from_pos, int64_t to_pos,
              int64_t length) override {
    // The result refers to the file the page keeps, which outlives it, not
    // to the view the edit opened.
    const auto* view = dynamic_cast<const View*>(&from);
    return result_->Copy(view ? view->file() : from, from_pos, to_pos, length);
  }
  Status Reserve(int64_t pos, int64_t length) override {
    return result_->Reserve(pos, length);
  }
  Status GiveName(const std::string& path) override {
    if (files_.Taken(path)) return Status::kTaken;
    files_.results_.emplace(path, result_);
    return Status::kOk;
  }

 private:
  PageFiles& files_;
  std::shared_ptr<PieceOutput> result_;
};

int PageFiles::Add(const std::string& name, int64_t size) {
  dropped_.push_back({name, std::make_unique<PartialInput>(size)});
  return count() - 1;
}

const PieceOutput* PageFiles::Result(const std::string& name) const {
  const auto it = results_.find(name);
  return it == results_.end() ? nullptr : it->second.get();
}

bool PageFiles::Taken(const std::string& name) const {
  return results_.contains(name) ||
         std::any_of(dropped_.begin(), dropped_.end(),
                     [&](const Dropped& file) { return file.name == name; });
}

std::unique_ptr<InputFile> PageFiles::Open(const std::string& path,
                                           OpenFailure& failure) {
  failure = {};  // nothing else has a name here
  if (selected_ >= 0 && selected_ < count() && name(selected_) == path) {
    return std::make_unique<View>(input(selected_));
  }
  if (const PieceOutput* result = Result(path)) {
    return std::make_unique<View>(*result);
  }
  return nullptr;
}

std::unique_ptr<PrivateOutput> PageFiles::CreatePrivate(const std::string&,
                                                        const InputFile&) {
  return std::make_unique<Output>(*this);
}

PageFiles& ThePageFiles() {
  static PageFiles files;
  return files;
}

// The page's platform layer has nothing but the files dropped on it: what
// reads files by name (qmx info, qmx plot) reads those.
FileLayer& platform::SystemFiles() { return ThePageFiles(); }

int64_t HeldEnd(const PartialInput& input, int64_t size) {
  const std::optional<KeyframeArea> area = ReadKeyframeArea(input, size);
  if (!area || !area->complete || area->keyframe_count == 0) {
    return std::min(size, kLongestHeaderRead);
  }
  const int64_t count = area->keyframe_count;
  return std::min(size, std::max(area->KeyframeAt(count),
                                 area->KeyframeAt(count - 1) + kLongestReach));
}

}  // namespace qmx
