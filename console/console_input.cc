#include "console/console_input.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace qmx {
namespace {

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Above every magnitude a 16-bit read accepts, so saturating here keeps
// a long run of digits a failed read without overflowing.
constexpr uint32_t kMagnitudeCap = 65537;

// The most of a line in memory at once.
constexpr size_t kMostHeld = size_t{64} << 10;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

}  // namespace

// Reads no further than a mark could reach, and the least that can tell.
void AnswerDecoder::LookForMark() {
  while (true) {
    const std::string_view seen(kept_, kept_size_);
    if (seen == kUtf8Mark || seen == kUtf16Mark) {
      kept_size_ = 0;
      utf16_ = seen == kUtf16Mark;
      return;
    }
    size_t wanted = 0;
    for (const std::string_view mark : {kUtf8Mark, kUtf16Mark}) {
      if (!mark.starts_with(seen)) continue;
      const size_t rest = mark.size() - seen.size();
      wanted = wanted == 0 ? rest : std::min(wanted, rest);
    }
    if (wanted == 0) return;
    const size_t got = read_(std::span(kept_ + kept_size_, wanted));
    if (got == 0) {
      ended_ = true;
      return;
    }
    kept_size_ += got;
  }
}

size_t AnswerDecoder::Read(std::span<char> buffer) {
  if (look_for_mark_) {
    look_for_mark_ = false;
    LookForMark();
  }
  if (kept_size_ > 0) {
    const size_t count = std::min(kept_size_, buffer.size());
    std::copy_n(kept_, count, buffer.begin());
    std::copy(kept_ + count, kept_ + kept_size_, kept_);
    kept_size_ -= count;
    return count;
  }
  if (ended_) return 0;
  if (utf16_) return ReadUtf16(buffer);
  const size_t got = read_(buffer);
  ended_ = got == 0 && from_file_;
  return got;
}

// Decodes in place. The bytes read go in after one free place, which takes
// what the first code unit can give, so that the characters written never
// overtake the bytes still to be decoded.
size_t AnswerDecoder::ReadUtf16(std::span<char> buffer) {
  while (true) {
    const size_t got = read_(buffer.subspan(1));
    if (got == 0) {
      ended_ = true;
      return 0;
    }
    size_t out = 0;
    for (size_t i = 1; i < 1 + got; ++i) {
      const auto byte = static_cast<unsigned char>(buffer[i]);
      if (!low_byte_) {
        low_byte_ = byte;
        continue;
      }
      Decode(static_cast<char16_t>(*low_byte_ | byte << 8), buffer, out);
      low_byte_.reset();
    }
    if (out > 0) return out;
  }
}

void AnswerDecoder::Decode(char16_t unit, std::span<char> buffer, size_t& out) {
  const bool second_half = in_pair_ && unit >= 0xDC00 && unit <= 0xDFFF;
  in_pair_ = unit >= 0xD800 && unit <= 0xDBFF;
  if (second_half) return;  // its pair is already one character
  buffer[out++] = unit < 0x80 ? static_cast<char>(unit) : '?';
}

ConsoleReader::ConsoleReader(AnswerDecoder& input)
    // Not cleared: only bytes read are used. (Not make_unique_for_overwrite,
    // which the C++ library of the page's compiler lacks.)
    : input_(input), held_(new char[kMostHeld]) {}

// An end of input ends the held line: what reads next starts a new one.
bool ConsoleReader::Fill() {
  next_ = end_ = 0;  // nothing is held while more is read
  end_ = input_.Read(std::span(held_.get(), kMostHeld));
  if (end_ == 0) in_line_ = after_cr_ = false;
  return end_ > 0;
}

// The line of a character looked at is the held line, even before the
// character is taken. An LF right after a CR belongs to the CR's line end.
int ConsoleReader::Peek() {
  while (true) {
    if (next_ == end_ && !Fill()) return -1;
    if (!std::exchange(after_cr_, false) || held_[next_] != '\n') break;
    ++next_;
  }
  in_line_ = true;
  return static_cast<unsigned char>(held_[next_]);
}

void ConsoleReader::Advance() {
  const char taken = held_[next_++];
  after_cr_ = taken == '\r';
  in_line_ = !after_cr_ && taken != '\n';
}

int ConsoleReader::GetChar() {
  const int c = Peek();
  if (c != -1) Advance();
  return c;
}

// The rest of a line may lie beyond what is in memory: it is read and
// dropped piece by piece up to its line break or an end of input.
void ConsoleReader::DiscardLine() {
  while (in_line_) {
    const char* line_break =
        std::find_if(held_.get() + next_, held_.get() + end_,
                     [](char c) { return c == '\n' || c == '\r'; });
    if (line_break != held_.get() + end_) {
      next_ = static_cast<size_t>(line_break - held_.get());
      Advance();
      return;
    }
    next_ = end_;
    if (!Fill()) return;
  }
}

bool ConsoleReader::ReadSignedMagnitude(bool& negative, uint32_t& magnitude) {
  int c = Peek();
  while (IsSpace(c)) {
    Advance();
    c = Peek();
  }
  negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    Advance();
    c = Peek();
  }
  if (!IsDigit(c)) return false;
  magnitude = 0;
  while (IsDigit(c)) {
    magnitude = magnitude * 10 + static_cast<uint32_t>(c - '0');
    if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
    Advance();
    c = Peek();
  }
  return true;
}

std::optional<int16_t> ConsoleReader::ReadInt16() {
  bool negative = false;
  uint32_t magnitude = 0;
  if (!ReadSignedMagnitude(negative, magnitude)) return std::nullopt;
  if (magnitude > (negative ? 32768u : 32767u)) return std::nullopt;
  const int32_t value = negative ? -static_cast<int32_t>(magnitude)
                                 : static_cast<int32_t>(magnitude);
  return static_cast<int16_t>(value);
}

std::optional<uint16_t> ConsoleReader::ReadUint16() {
  bool negative = false;
  uint32_t magnitude = 0;
  if (!ReadSignedMagnitude(negative, magnitude)) return std::nullopt;
  if (magnitude > 65535u) return std::nullopt;
  return static_cast<uint16_t>(negative ? (65536u - magnitude) : magnitude);
}

}  // namespace qmx
