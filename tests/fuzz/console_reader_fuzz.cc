// Fuzzes the console reader with arbitrary text and calls, the text coming
// one line per request as a console gives it. The reader asks for a line
// only when it holds nothing unread; dropping the rest of a line and taking
// a held character never ask for one; and a number never takes the
// character that ends it.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <istream>
#include <string>

#include "common/console_input.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

class Lines : public std::streambuf {
 public:
  Lines(std::string& text, const qmx::ConsoleReader& reader)
      : text_(text), reader_(reader) {}
  size_t handed_out = 0;

 protected:
  int_type underflow() override {
    if (handed_out == text_.size()) return traits_type::eof();
    QMX_FUZZ_CHECK(!reader_.HoldsUnread());
    char* begin = text_.data() + handed_out;
    handed_out = std::min(text_.find('\n', handed_out), text_.size() - 1) + 1;
    setg(begin, begin, text_.data() + handed_out);
    return traits_type::to_int_type(*begin);
  }

 private:
  std::string& text_;
  const qmx::ConsoleReader& reader_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  std::vector<int> calls(provider.ConsumeIntegralInRange<size_t>(0, 24));
  for (int& call : calls) call = provider.ConsumeIntegralInRange<int>(0, 3);
  std::string text = provider.ConsumeRemainingBytesAsString();
  std::istream stream(nullptr);
  qmx::ConsoleReader reader(stream);
  Lines lines(text, reader);
  stream.rdbuf(&lines);
  for (const int call : calls) {
    const size_t asked = lines.handed_out;
    const bool held = reader.HoldsUnread();
    if (call < 2) {
      const bool read = call == 0 ? reader.ReadInt16().has_value()
                                  : reader.ReadUint16().has_value();
      if (read && reader.HoldsUnread()) {
        const int next = reader.GetChar();
        QMX_FUZZ_CHECK(next < '0' || next > '9');
      }
    } else if (call == 2) {
      reader.DiscardLine();
      QMX_FUZZ_CHECK(lines.handed_out == asked && !reader.HoldsUnread());
    } else {
      reader.GetChar();
      QMX_FUZZ_CHECK(!held || lines.handed_out == asked);
    }
  }
  return 0;
}
