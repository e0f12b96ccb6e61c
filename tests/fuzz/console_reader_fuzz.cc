// Fuzzes the reading of answers: any bytes and calls, a byte-order mark
// looked for or not, give the same results in pieces of any size, as a
// pipe splits them, as a byte at a time.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "common/console_input.h"

static std::string Seen(const std::string& text, size_t piece, bool mark,
                        const std::string& calls) {
  size_t at = 0;
  qmx::AnswerDecoder decoder(
      [&](std::span<char> buffer) {
        const size_t n =
            text.copy(buffer.data(), std::min(piece, buffer.size()), at);
        return at += n, n;
      },
      mark);
  qmx::ConsoleReader reader(decoder);
  std::string seen;
  const auto number = [](auto n) { return n ? std::to_string(*n) : "-"; };
  for (const unsigned char call : calls) {
    if (call % 4 == 0) reader.DiscardLine();
    if (call % 4 == 1) seen += number(reader.ReadInt16()) + " ";
    if (call % 4 == 2) seen += number(reader.ReadUint16()) + " ";
    if (call % 4 == 3) seen += std::to_string(reader.GetChar()) + " ";
  }
  for (int ch; (ch = reader.GetChar()) != -1;) seen += char(ch);
  return seen;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const bool mark = provider.ConsumeBool();
  const size_t piece = provider.ConsumeIntegralInRange<size_t>(1, 70000);
  const std::string calls = provider.ConsumeRandomLengthString(16);
  const std::string text = provider.ConsumeRemainingBytesAsString();
  if (Seen(text, piece, mark, calls) != Seen(text, 1, mark, calls)) abort();
  return 0;
}
