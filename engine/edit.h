#ifndef QMX_ENGINE_EDIT_H_
#define QMX_ENGINE_EDIT_H_

// An edit as the per-file pipeline runs it, whatever front end drives it:
// checks that may skip a file, the layout of its result, the edit itself,
// the name suffix and the completion message, all over one value of the
// edit's parameters. Where the parameters come from (given once, or asked
// for each file) is the front end's business: BoundEdit binds an edit to
// its parameters, and lets the front end fill them in for each file.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "engine/messages.h"
#include "engine/working_copy.h"
#include "format/fields.h"

namespace qmx {

/// The parameters of an edit that takes none.
struct NoParameters {};

/// One edit over parameters of type P.
template <class P>
class Edit {
 public:
  virtual ~Edit() = default;

  /// Why the file with `area` is skipped before anything is written;
  /// nothing to go on.
  virtual std::optional<Code> CheckFile(const KeyframeArea&) const {
    return std::nullopt;
  }

  /// Why the file with `area` is skipped with `parameters`, said once the
  /// file is opened; nothing to go on.
  virtual std::optional<Code> CheckParameters(const KeyframeArea&,
                                              const P&) const {
    return std::nullopt;
  }

  /// How the result of a file of `size` bytes is laid out before the
  /// parameters are known.
  virtual Layout LayOut(const KeyframeArea& area, int64_t size) const = 0;

  /// Finishes the result in `copy` with `parameters`.
  virtual Edited Apply(WorkingCopy& copy, const KeyframeArea& area,
                       const P& parameters) const = 0;

  /// The output name suffix for `parameters`.
  virtual std::string Suffix(const P& parameters) const = 0;

  /// What is said when the edit of the file with `area` is complete.
  virtual Message Completion(const KeyframeArea& area,
                             const P& parameters) const = 0;
};

/// An edit bound to a value of its parameters: what the pipeline runs.
class BoundEdit {
 public:
  virtual ~BoundEdit() = default;
  virtual std::optional<Code> CheckFile(const KeyframeArea& area) const = 0;
  virtual Layout LayOut(const KeyframeArea& area, int64_t size) const = 0;
  /// Lets the front end fill in the parameters for the file with `area`;
  /// called once the file is opened and its result laid out.
  virtual void FillIn(const KeyframeArea& area) = 0;
  virtual std::optional<Code> CheckParameters(
      const KeyframeArea& area) const = 0;
  virtual Edited Apply(WorkingCopy& copy, const KeyframeArea& area) const = 0;
  virtual std::string Suffix() const = 0;
  virtual Message Completion(const KeyframeArea& area) const = 0;
};

/// `edit` (which outlives this) bound to `parameters`, the same for every
/// file.
template <class P>
class Bound final : public BoundEdit {
 public:
  explicit Bound(const Edit<P>& edit, P parameters = {})
      : edit_(edit), parameters_(std::move(parameters)) {}
  Bound(const Edit<P>&&, P = {}) = delete;

  std::optional<Code> CheckFile(const KeyframeArea& area) const override {
    return edit_.CheckFile(area);
  }
  Layout LayOut(const KeyframeArea& area, int64_t size) const override {
    return edit_.LayOut(area, size);
  }
  void FillIn(const KeyframeArea&) override {}
  std::optional<Code> CheckParameters(const KeyframeArea& area) const override {
    return edit_.CheckParameters(area, parameters_);
  }
  Edited Apply(WorkingCopy& copy, const KeyframeArea& area) const override {
    return edit_.Apply(copy, area, parameters_);
  }
  std::string Suffix() const override { return edit_.Suffix(parameters_); }
  Message Completion(const KeyframeArea& area) const override {
    return edit_.Completion(area, parameters_);
  }

 private:
  const Edit<P>& edit_;
  P parameters_;
};

}  // namespace qmx

#endif  // QMX_ENGINE_EDIT_H_
