#ifndef QMX_COMMON_CONSOLE_INPUT_H_
#define QMX_COMMON_CONSOLE_INPUT_H_

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace qmx {

/// Reads standard input the way a console delivers it: one line at a time.
/// The reader holds at most one line; what it has not handed out yet is the
/// line's unread rest, line break included.
class ConsoleReader {
 public:
  explicit ConsoleReader(std::istream& in) : in_(in) {}

  /// Formatted extraction of a signed 16-bit integer: skips white space
  /// (reading further lines as needed), takes an optional sign and every
  /// following digit. Returns nothing when there is no digit, the value is
  /// outside -32768..32767, or the input ends first. Consumes what it looked
  /// at, but never the character that ends the number.
  std::optional<int16_t> ReadInt16();

  /// As ReadInt16 for an unsigned 16-bit integer. A leading '-' gives
  /// (65536 - magnitude) mod 65536; a magnitude above 65535 is a failed read.
  std::optional<uint16_t> ReadUint16();

  /// Drops the unread rest of the held line, its line break included. Never
  /// reads a new line: when nothing unread is held, nothing is dropped.
  void DiscardLine() { next_ = line_.size(); }

  /// Returns the next character of input, reading a new line when nothing
  /// unread is held; -1 at the end of input.
  int GetChar();

  /// True when part of a line is held unread.
  bool HoldsUnread() const { return next_ < line_.size(); }

 private:
  // Extracts sign and magnitude; the magnitude saturates just above 65536.
  bool ReadSignedMagnitude(bool& negative, uint32_t& magnitude);
  int Peek();
  bool FillLine();

  std::istream& in_;
  std::string line_;  // the held line, with its line break if it had one
  size_t next_ = 0;   // first character of line_ not handed out yet
};

}  // namespace qmx

#endif  // QMX_COMMON_CONSOLE_INPUT_H_
