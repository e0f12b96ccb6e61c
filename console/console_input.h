#ifndef QMX_CONSOLE_CONSOLE_INPUT_H_
#define QMX_CONSOLE_CONSOLE_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace qmx {

/// One read of raw input: puts the next bytes into the front of `buffer`
/// as they become available, waiting for at least one, and returns how
/// many; 0 at the end of the input or on a failure.
using ReadInput = std::function<size_t(std::span<char> buffer)>;

/// The answers as the console reader takes them. From a file or a pipe
/// (`from_file`), the first bytes read are checked for a byte-order mark: a
/// UTF-8 mark is dropped; after a UTF-16LE mark the rest is decoded, each
/// character to one byte: ASCII as itself, any other character (a surrogate
/// pair is one) as '?'; an odd last byte is dropped. Otherwise the bytes come
/// as they are. From a file or a pipe, once the input has ended it stays
/// ended; from a terminal an end (Ctrl-D, on Windows Ctrl-Z ENTER) is one
/// read that gives nothing, and the next read waits for the user again.
class AnswerDecoder {
 public:
  AnswerDecoder(ReadInput read, bool from_file)
      : read_(std::move(read)),
        from_file_(from_file),
        look_for_mark_(from_file) {}

  /// Puts the next bytes of the answers into the front of `buffer` (of at
  /// least 2 bytes) and returns how many, 0 at an end. Reads the input at
  /// most `buffer.size()` bytes at a time.
  size_t Read(std::span<char> buffer);

 private:
  void LookForMark();
  size_t ReadUtf16(std::span<char> buffer);
  // Adds the character of one UTF-16 code unit at `out`, if it completes
  // one.
  void Decode(char16_t unit, std::span<char> buffer, size_t& out);

  ReadInput read_;
  bool from_file_;
  bool look_for_mark_;
  bool utf16_ = false;
  bool ended_ = false;
  char kept_[3] = {};  // bytes read for the mark that are not one
  size_t kept_size_{};
  std::optional<unsigned char> low_byte_;  // the first byte of a code unit
  bool in_pair_ = false;  // the last unit opened a surrogate pair
};

/// Reads the answers the way a console delivers them: line by line. LF, CR
/// and CR LF each end a line; an LF that directly follows a CR is dropped by
/// whatever reads next, so that CR LF is one line end without waiting for
/// the byte after the CR. An end of input ends the line too, and the read
/// that meets it. The held line is the line of the last character looked
/// at; at most 64 KiB of it are in memory at once, read as they are needed,
/// so that a line of any length takes bounded memory.
class ConsoleReader {
 public:
  explicit ConsoleReader(AnswerDecoder& input);

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
  /// reads a new line: when the held line has been read to its end (an end
  /// of input included), nothing is dropped.
  void DiscardLine();

  /// Returns the next character of input, reading further when nothing
  /// unread is in memory; -1 at the end of input.
  int GetChar();

 private:
  // Extracts sign and magnitude; the magnitude saturates just above 65536.
  bool ReadSignedMagnitude(bool& negative, uint32_t& magnitude);
  int Peek();
  void Advance();
  bool Fill();

  AnswerDecoder& input_;
  std::unique_ptr<char[]> held_;  // the part of the input in memory
  size_t next_{};                 // first character of held_ not handed out yet
  size_t end_{};                  // end of what held_ holds
  bool in_line_ = false;          // the held line has an unread rest
  bool after_cr_ = false;         // the last character taken was a CR
};

}  // namespace qmx

#endif  // QMX_CONSOLE_CONSOLE_INPUT_H_
