#include "page/page_files.h"

#include <algorithm>

#include "engine/working_copy.h"

namespace qmx {
namespace {

// Held past the last keyframe's start: more than any edit or the look into
// a file reaches from a keyframe's start, whatever the stride. The farthest
// today is Mirror's, one player keyframe (kPlayerStride, 110 bytes); the
// others stop at the first mesh's angles. This bound, the largest 16-bit
// number, is beyond every stride too.
constexpr int64_t kLongestReach = 0xFFFF;

}  // namespace

// A result of the page, made for `input` (or none), which it refers to for
// what it copies: a file the page keeps, which outlives it.
class PageFiles::Output : public PrivateOutput {
 public:
  Output(PageFiles& files, const InputFile* input)
      : files_(files), result_(std::make_shared<PieceOutput>(input)) {}
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    return result_->Write(pos, bytes);
  }
  Status Copy(int64_t from_pos, int64_t to_pos, int64_t length) override {
    return result_->Copy(from_pos, to_pos, length);
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

// Reads go to a file the page keeps; the page decides how long it lives.
class PageFiles::View : public InputFile {
 public:
  View(PageFiles& files, const InputFile& file) : files_(files), file_(file) {}
  std::optional<FileVersion> Version() const override {
    return file_.Version();
  }
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override {
    return file_.Read(pos, bytes);
  }
  // The result copies from the file the page keeps, not from this view.
  std::unique_ptr<PrivateOutput> CreateResult(
      const std::string&) const override {
    return std::make_unique<Output>(files_, &file_);
  }

 private:
  PageFiles& files_;
  const InputFile& file_;
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
    return std::make_unique<View>(*this, input(selected_));
  }
  if (const PieceOutput* result = Result(path)) {
    return std::make_unique<View>(*this, *result);
  }
  return nullptr;
}

bool PageFiles::Exists(const std::string& path) { return Taken(path); }

std::unique_ptr<PrivateOutput> PageFiles::CreatePrivate(const std::string&) {
  return std::make_unique<Output>(*this, nullptr);
}

PageFiles& ThePageFiles() {
  static PageFiles files;
  return files;
}

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
