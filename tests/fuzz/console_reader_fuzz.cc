// Fuzzes the console reader with arbitrary input and an arbitrary sequence of
// calls. The input reaches the reader one line per request, as a console
// delivers it, and the stream counts what it handed over.
//
// After every call the reader must have asked for exactly the lines that
// call needed: a number read takes lines until the character that ends the
// number (or the failed number) is in hand, a character read takes a line
// only when nothing is held, and dropping the rest of a line takes none.
// Every value must equal that of a plain reading of the whole text.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

#include "common/console_input.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

// Where the line that holds `at` ends: after its line break, or at the end
// of the text.
size_t EndOfLine(std::string_view text, size_t at) {
  const size_t line_break = text.find('\n', at);
  return line_break == std::string_view::npos ? text.size() : line_break + 1;
}

// Hands out `text` one line (line break included) per underflow.
class LineByLineBuffer : public std::streambuf {
 public:
  explicit LineByLineBuffer(std::string& text) : text_(text) {}
  // Characters handed out so far: always the end of a line or of the text.
  size_t delivered() const { return delivered_; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (delivered_ == text_.size()) return traits_type::eof();
    char* const begin = text_.data() + delivered_;
    delivered_ = EndOfLine(text_, delivered_);
    setg(begin, begin, text_.data() + delivered_);
    return traits_type::to_int_type(*gptr());
  }

 private:
  std::string& text_;
  size_t delivered_ = 0;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What a number read sees from `next` on: whether it found digits, their
// value when it has at most five significant ones, and where it stopped.
struct Scan {
  bool digits = false;
  bool negative = false;
  std::optional<uint32_t> magnitude;  // nothing when above 99999
  size_t stop = 0;                    // the character that ended it
};

Scan ScanNumber(std::string_view text, size_t next) {
  Scan scan;
  size_t i = next;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    scan.negative = text[i] == '-';
    ++i;
  }
  const size_t first = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  scan.stop = i;
  scan.digits = i > first;
  std::string_view digits = text.substr(first, i - first);
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (scan.digits && digits.size() <= 5) {
    scan.magnitude = static_cast<uint32_t>(std::stoul(std::string(digits)));
  }
  return scan;
}

std::optional<int64_t> ExpectedInt16(const Scan& scan) {
  if (!scan.digits || !scan.magnitude) return std::nullopt;
  const int64_t value =
      scan.negative ? -int64_t{*scan.magnitude} : int64_t{*scan.magnitude};
  if (value < -32768 || value > 32767) return std::nullopt;
  return value;
}

std::optional<int64_t> ExpectedUint16(const Scan& scan) {
  if (!scan.digits || !scan.magnitude || *scan.magnitude > 65535) {
    return std::nullopt;
  }
  return scan.negative ? (65536 - *scan.magnitude) % 65536 : *scan.magnitude;
}

enum class Call { kReadInt16, kReadUint16, kDiscardLine, kGetChar };

void Check(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  std::vector<Call> calls(provider.ConsumeIntegralInRange<size_t>(0, 24));
  for (Call& call : calls) {
    call = static_cast<Call>(provider.ConsumeIntegralInRange<int>(0, 3));
  }
  std::string text = provider.ConsumeRemainingBytesAsString();
  LineByLineBuffer buffer(text);
  std::istream stream(&buffer);
  ConsoleReader reader(stream);

  // The reader's position in `text`: everything before `next` was handed
  // out, and what lies between it and `held_end` is the held line's rest.
  size_t next = 0;
  size_t held_end = 0;
  for (const Call call : calls) {
    switch (call) {
      case Call::kReadInt16:
      case Call::kReadUint16: {
        const Scan scan = ScanNumber(text, next);
        if (call == Call::kReadInt16) {
          const std::optional<int16_t> value = reader.ReadInt16();
          const std::optional<int64_t> expected = ExpectedInt16(scan);
          QMX_FUZZ_CHECK(value.has_value() == expected.has_value());
          QMX_FUZZ_CHECK(!value || *value == *expected);
        } else {
          const std::optional<uint16_t> value = reader.ReadUint16();
          const std::optional<int64_t> expected = ExpectedUint16(scan);
          QMX_FUZZ_CHECK(value.has_value() == expected.has_value());
          QMX_FUZZ_CHECK(!value || *value == *expected);
        }
        next = scan.stop;
        // The stopping character has to be looked at, so its line is read;
        // at the end of the text every line has been.
        if (next >= held_end) {
          held_end = next < text.size() ? EndOfLine(text, next) : text.size();
        }
        break;
      }
      case Call::kDiscardLine:
        reader.DiscardLine();
        next = held_end;
        break;
      case Call::kGetChar: {
        const int c = reader.GetChar();
        if (next == text.size()) {
          QMX_FUZZ_CHECK(c == -1);
          break;
        }
        QMX_FUZZ_CHECK(c == static_cast<unsigned char>(text[next]));
        if (next == held_end) {
          held_end = EndOfLine(text, next);
        }
        ++next;
        break;
      }
    }
    QMX_FUZZ_CHECK(buffer.delivered() == held_end);
    QMX_FUZZ_CHECK(reader.HoldsUnread() == (next < held_end));
  }
}

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
