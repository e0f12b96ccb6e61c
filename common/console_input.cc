#include "common/console_input.h"

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

}  // namespace

bool ConsoleReader::FillLine() {
  line_.clear();
  next_ = 0;
  if (!std::getline(in_, line_)) {
    line_.clear();
    return false;
  }
  if (!in_.eof()) line_.push_back('\n');
  return true;
}

int ConsoleReader::Peek() {
  if (next_ == line_.size() && !FillLine()) return -1;
  return static_cast<unsigned char>(line_[next_]);
}

int ConsoleReader::GetChar() {
  const int c = Peek();
  if (c != -1) ++next_;
  return c;
}

bool ConsoleReader::ReadSignedMagnitude(bool& negative, uint32_t& magnitude) {
  int c = Peek();
  while (IsSpace(c)) {
    ++next_;
    c = Peek();
  }
  negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    ++next_;
    c = Peek();
  }
  if (!IsDigit(c)) return false;
  magnitude = 0;
  while (IsDigit(c)) {
    magnitude = magnitude * 10 + static_cast<uint32_t>(c - '0');
    if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
    ++next_;
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
