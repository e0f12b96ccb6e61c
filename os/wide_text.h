#ifndef QMX_OS_WIDE_TEXT_H_
#define QMX_OS_WIDE_TEXT_H_

// Text between the program, which holds every name and message in UTF-8,
// and Windows, whose file names, command line and console are UTF-16. Plain
// string work, so it is the same code (and tested the same way) everywhere.

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace qmx {

/// What starts a piece of UTF-8 text: a character, a surrogate code point
/// in its three-byte form (which WTF-8 writes for an unpaired surrogate of a
/// Windows name, and which no UTF-8 holds), or a byte that starts no whole,
/// shortest-form sequence up to U+10FFFF.
struct Utf8Unit {
  enum class Kind { kCharacter, kSurrogate, kNotUtf8 };
  Kind kind;
  /// The code point; U+FFFD for kNotUtf8.
  char32_t code;
  /// The bytes it takes; 1 for kNotUtf8.
  size_t length;
};

/// The one UTF-8 decoder: what starts `text`, which must not be empty.
/// Each caller decides what a surrogate or a stray byte becomes.
Utf8Unit DecodeUtf8(std::string_view text);

/// `text` in UTF-8. A surrogate without its partner, which a Windows file
/// name may hold, gets the three bytes of its code point (as WTF-8 writes
/// it), so that Utf8ToUtf16 gives the same name back.
std::string Utf16ToUtf8(std::u16string_view text);

/// `text` in UTF-16; nothing when a byte is not UTF-8. Surrogates in their
/// three-byte form are taken, so every result of Utf16ToUtf8 comes back.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

/// As Utf8ToUtf16 for text that is only shown on a console: every byte that
/// is not UTF-8 becomes U+FFFD; surrogates are kept, as names hold them.
std::u16string Utf8ToUtf16Lossy(std::string_view text);

/// Splits a Windows command line into its words as the system's
/// CommandLineToArgvW does: the program's name first, up to its closing
/// quote or the first blank, then words separated by blanks, in which a
/// quote starts or ends a quoted part, and backslashes escape a quote
/// (2n backslashes and a quote are n backslashes and a quote mark; 2n + 1
/// are n backslashes and a literal quote; others stand for themselves).
/// With `quoted`, it gets for each word whether a quote mark opened a
/// quoted part of it.
std::vector<std::u16string> SplitCommandLine(
    std::u16string_view line, std::vector<bool>* quoted = nullptr);

/// True when `name` matches `pattern` character for character, in which
/// '*' stands for any run of characters (none included) and '?' for any one
/// character. Case counts: the caller folds both when it should not.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

/// `text` as a terminal may show it, as `ls` shows names there: every
/// control character (U+0000 to U+001F, U+007F to U+009F) and every byte
/// that is not UTF-8 (a surrogate's three bytes included) becomes '?', so
/// that a name can neither move the cursor nor give the terminal commands.
std::string ShownOnTerminal(std::string_view text);

/// Marks `stream` as shown on a terminal (or a console), or as not: a
/// stream is not until marked.
void SetOnTerminal(std::ostream& stream, bool terminal);
bool IsOnTerminal(std::ostream& stream);

/// A name or argument as a message quotes it: `out << ShownName{text}`
/// writes `text` as it is, or, on a stream marked as on a terminal, as
/// ShownOnTerminal gives it. Written to a file or a pipe, a name stays
/// exactly as it is, for whatever reads it.
struct ShownName {
  std::string_view text;
};
std::ostream& operator<<(std::ostream& out, ShownName name);

/// A stream buffer that hands what is written to it, as UTF-16, to a sink:
/// UTF-8 text for a console that takes wide characters. Characters are
/// never split between two calls of the sink, and with `crlf` every "\n"
/// goes out as "\r\n".
class Utf16Streambuf : public std::streambuf {
 public:
  /// Receives converted text; false when it could not be written.
  using Sink = std::function<bool(std::u16string_view)>;

  Utf16Streambuf(Sink sink, bool crlf) : sink_(std::move(sink)), crlf_(crlf) {}
  /// Sends what is held, an incomplete last character as U+FFFD.
  ~Utf16Streambuf() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  // Sends every complete character held; keeps the start of one that is
  // still arriving.
  bool Send();

  Sink sink_;
  bool crlf_;
  std::string pending_;
};

}  // namespace qmx

#endif  // QMX_OS_WIDE_TEXT_H_
