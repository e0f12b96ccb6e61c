// Fuzzes the name rules with arbitrary arguments and suffixes.
//
// Checks that the base name is what follows the argument's last backslash
// (all of it when there is none); that the extension test passes exactly
// when what follows the last dot (the whole argument when there is no dot)
// begins with "qmx" or "QMX"; and that the output name is the base name with
// the suffix inserted right before its last dot (appended when there is
// none), so that a second suffix without a dot lands right after the first
// and an output name never gains a directory the base name did not have.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/batch_driver.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

void CheckBaseName(std::string_view argument) {
  const std::string_view base = BaseName(argument);
  QMX_FUZZ_CHECK(argument.ends_with(base));
  QMX_FUZZ_CHECK(base.find('\\') == std::string_view::npos);
  const size_t cut = argument.size() - base.size();
  QMX_FUZZ_CHECK(cut == 0 || argument[cut - 1] == '\\');
  QMX_FUZZ_CHECK(cut > 0 || argument.find('\\') == std::string_view::npos);
}

void CheckExtension(std::string_view argument) {
  std::string_view after_dot = argument;
  if (const size_t dot = argument.rfind('.'); dot != std::string_view::npos) {
    after_dot = argument.substr(dot + 1);
  }
  const bool expected =
      after_dot.starts_with("qmx") || after_dot.starts_with("QMX");
  QMX_FUZZ_CHECK(PassesExtensionTest(argument) == expected);
}

void CheckOutputName(std::string_view base, std::string_view suffix,
                     std::string_view second_suffix) {
  const std::string name = OutputName(base, suffix);
  QMX_FUZZ_CHECK(name.size() == base.size() + suffix.size());
  const size_t dot = base.rfind('.');
  const size_t at = dot == std::string_view::npos ? base.size() : dot;
  QMX_FUZZ_CHECK(std::string_view(name).substr(0, at) == base.substr(0, at));
  QMX_FUZZ_CHECK(std::string_view(name).substr(at, suffix.size()) == suffix);
  QMX_FUZZ_CHECK(std::string_view(name).substr(at + suffix.size()) ==
                 base.substr(at));

  if (suffix.find('.') == std::string_view::npos) {
    std::string both(suffix);
    both += second_suffix;
    QMX_FUZZ_CHECK(OutputName(name, second_suffix) == OutputName(base, both));
  }
  const bool has_backslash = base.find('\\') != std::string_view::npos ||
                             suffix.find('\\') != std::string_view::npos;
  QMX_FUZZ_CHECK(has_backslash || name.find('\\') == std::string::npos);
}

void Check(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string suffix = provider.ConsumeRandomLengthString(32);
  const std::string second_suffix = provider.ConsumeRandomLengthString(32);
  const std::string argument = provider.ConsumeRemainingBytesAsString();
  CheckBaseName(argument);
  CheckExtension(argument);
  CheckOutputName(BaseName(argument), suffix, second_suffix);
}

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
