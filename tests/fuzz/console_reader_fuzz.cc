// Fuzzes the console reader with arbitrary text and calls. One reader gets
// the text a byte per read, so that where it stands is known: it reads only
// when it holds nothing unread; dropping the rest of a line drops exactly
// that, and nothing when no character of the line is looked at; a
// character comes in turn; a number never takes the character that ends
// it. A second reader gets the text in pieces of a fuzzed size, as a pipe
// may split it, and gives the same results; so does the decoding of the
// text after a byte-order mark.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <functional>
#include <string>

#include "common/console_input.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename T>
std::optional<int> Number(std::optional<T> value) {
  return value ? std::optional<int>(*value) : std::nullopt;
}

// The text, at most `piece` bytes per read, to a reader that must hold
// nothing unread when it asks.
struct Pieces {
  const std::string& text;
  size_t piece, at = 0;
  const qmx::ConsoleReader* reader = nullptr;
  size_t operator()(std::span<char> buffer) {
    QMX_FUZZ_CHECK(reader == nullptr || !reader->HoldsUnread());
    const size_t n =
        text.copy(buffer.data(), std::min(piece, buffer.size()), at);
    at += n;
    return n;
  }
};

std::string Decoded(const std::string& text, size_t piece) {
  Pieces input{text, piece};
  qmx::AnswerDecoder decoder(std::ref(input), true);
  std::string decoded;
  char buffer[7];
  while (const size_t n = decoder.Read(buffer)) decoded.append(buffer, n);
  return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  std::vector<int> calls(provider.ConsumeIntegralInRange<size_t>(0, 24));
  for (int& call : calls) call = provider.ConsumeIntegralInRange<int>(0, 3);
  const size_t piece = provider.ConsumeIntegralInRange<size_t>(1, 70000);
  const std::string text = provider.ConsumeRemainingBytesAsString();

  const std::string decoded = Decoded(text, piece);
  QMX_FUZZ_CHECK(decoded == Decoded(text, 1) && decoded.size() <= text.size());

  Pieces exact{text, 1}, split{text, piece};
  qmx::AnswerDecoder exact_input(std::ref(exact), false);
  qmx::AnswerDecoder split_input(std::ref(split), false);
  qmx::ConsoleReader reader(exact_input), other(split_input);
  exact.reader = &reader;
  split.reader = &other;
  const auto where = [&] { return exact.at - (reader.HoldsUnread() ? 1 : 0); };
  bool looked_at = false;  // at a character of the line it stands in
  for (const int call : calls) {
    const size_t before = where();
    if (call < 2) {
      const std::optional<int> number =
          call == 0 ? Number(reader.ReadInt16()) : Number(reader.ReadUint16());
      QMX_FUZZ_CHECK(number == (call == 0 ? Number(other.ReadInt16())
                                          : Number(other.ReadUint16())));
      const size_t after = where();
      QMX_FUZZ_CHECK(!number ||
                     (IsDigit(text[after - 1]) &&
                      (after == text.size() || !IsDigit(text[after]))));
      looked_at = true;
    } else if (call == 2) {
      reader.DiscardLine();
      other.DiscardLine();
      QMX_FUZZ_CHECK(
          where() ==
          (looked_at && before < text.size()
               ? std::min(text.find('\n', before), text.size() - 1) + 1
               : before));
      looked_at = false;
    } else {
      const int c = reader.GetChar();
      QMX_FUZZ_CHECK(c == other.GetChar());
      QMX_FUZZ_CHECK(c == (before < text.size()
                               ? static_cast<unsigned char>(text[before])
                               : -1));
      looked_at = c != '\n';
    }
  }
  for (int c = reader.GetChar(); c != -1; c = reader.GetChar())
    QMX_FUZZ_CHECK(c == other.GetChar());
  QMX_FUZZ_CHECK(other.GetChar() == -1);
  return 0;
}
