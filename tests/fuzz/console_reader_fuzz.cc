// Answers read from a file or pipe, or a terminal ("\4" ends one read), in
// pieces of any size read as a byte at a time (a split CR LF one line end).
// Input: from a file (bit 0), piece size (2 bytes), calls (<= 16), text.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/console_input.h"

static std::string Seen(const std::string& text, size_t piece, bool file,
                        const std::string& calls) {
  size_t at = 0;
  qmx::AnswerDecoder decoder(
      [&](std::span<char> buffer) {
        const size_t end =
            file ? text.size() : std::min(text.find('\4', at), text.size());
        if (at == end && at < text.size()) return ++at, size_t{0};
        const size_t n = text.copy(
            buffer.data(), std::min({piece, buffer.size(), end - at}), at);
        return at += n, n;
      },
      file);
  qmx::ConsoleReader reader(decoder);
  std::string seen;
  const auto number = [](auto n) { return n ? std::to_string(*n) : "-"; };
  for (const unsigned char call : calls) {
    if (call % 4 == 0) reader.DiscardLine();
    if (call % 4 == 1) seen += number(reader.ReadInt16()) + " ";
    if (call % 4 == 2) seen += number(reader.ReadUint16()) + " ";
    if (call % 4 == 3) seen += std::to_string(reader.GetChar()) + " ";
  }
  do {  // to the end of the text, past every end on a terminal
    for (int ch; (ch = reader.GetChar()) != -1;) seen += char(ch);
    seen += '|';
  } while (at < text.size());
  return seen;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const bool file = data[0] & 1;
  const size_t piece = 1 + (data[1] | data[2] << 8);
  const size_t count = std::min<size_t>(data[3] % 17, size - 4);
  const std::string calls(data + 4, data + 4 + count);
  const std::string text(data + 4 + count, data + size);
  if (Seen(text, piece, file, calls) != Seen(text, 1, file, calls)) abort();
  return 0;
}
