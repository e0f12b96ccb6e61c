#include "os/wide_text.h"

#include <cstdint>

namespace qmx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The bytes a sequence that starts with `lead` takes, or 0 for a byte that
// cannot start one (a continuation byte, or one that only an overlong or
// out-of-range sequence could start).
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

void Append(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
    return;
  }
  code -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (code >> 10));
  out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

// Converts `text`; with `lossy` a byte that is not UTF-8 becomes U+FFFD,
// otherwise it makes the conversion fail.
std::optional<std::u16string> Convert(std::string_view text, bool lossy) {
  std::u16string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Utf8Unit unit = DecodeUtf8(text);
    if (unit.kind == Utf8Unit::Kind::kNotUtf8 && !lossy) return std::nullopt;
    Append(out, unit.code);
    text.remove_prefix(unit.length);
  }
  return out;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

Utf8Unit DecodeUtf8(std::string_view text) {
  constexpr Utf8Unit kStray{Utf8Unit::Kind::kNotUtf8, kReplacement, 1};
  const auto lead = static_cast<unsigned char>(text[0]);
  const size_t length = SequenceLength(lead);
  if (length == 0 || length > text.size()) return kStray;
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (!IsContinuation(byte)) return kStray;
    code = (code << 6) | (byte & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kShortest[length] || code > 0x10FFFF) return kStray;
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return {surrogate ? Utf8Unit::Kind::kSurrogate : Utf8Unit::Kind::kCharacter,
          code, length};
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  return Convert(text, false);
}

std::u16string Utf8ToUtf16Lossy(std::string_view text) {
  return *Convert(text, true);
}

std::vector<std::u16string> SplitCommandLine(std::u16string_view line,
                                             std::vector<bool>* quoted) {
  std::vector<std::u16string> words;
  std::vector<bool> word_quoted;
  size_t i = 0;
  // The program's name: up to the closing quote, or up to the first blank;
  // backslashes and quotes inside mean nothing.
  std::u16string name;
  if (i < line.size() && line[i] == u'"') {
    for (++i; i < line.size() && line[i] != u'"'; ++i) name += line[i];
    if (i < line.size()) ++i;
  } else {
    for (; i < line.size() && !IsBlank(line[i]); ++i) name += line[i];
  }
  words.push_back(std::move(name));
  word_quoted.push_back(!line.empty() && line[0] == u'"');
  while (i < line.size() && IsBlank(line[i])) ++i;

  std::u16string word;
  bool in_word = false;
  bool in_quotes = false;  // a quote mark opened a quoted part of the word
  int quotes = 0;  // quotes seen in the current quoted run: 1 means inside
  size_t backslashes = 0;
  while (i < line.size()) {
    const char16_t c = line[i];
    if (IsBlank(c) && quotes == 0) {
      if (in_word) {
        words.push_back(std::move(word));
        word_quoted.push_back(in_quotes);
      }
      word.clear();
      in_word = false;
      in_quotes = false;
      backslashes = 0;
      while (i < line.size() && IsBlank(line[i])) ++i;
      continue;
    }
    in_word = true;
    if (c == u'\\') {
      word += c;
      ++backslashes;
      ++i;
      continue;
    }
    if (c != u'"') {
      word += c;
      backslashes = 0;
      ++i;
      continue;
    }
    // A quote after backslashes: half of them stay; an odd one escapes it.
    word.resize(word.size() - backslashes / 2 - backslashes % 2);
    if (backslashes % 2 == 1) {
      word += u'"';
    } else {
      ++quotes;
      in_quotes = true;
    }
    backslashes = 0;
    // Quotes that follow at once: every third of a run inside quotes is a
    // literal quote mark, and a pair ends the quoted part.
    for (++i; i < line.size() && line[i] == u'"'; ++i) {
      if (++quotes == 3) {
        word += u'"';
        quotes = 0;
      }
    }
    if (quotes == 2) quotes = 0;
  }
  if (in_word) {
    words.push_back(std::move(word));
    word_quoted.push_back(in_quotes);
  }
  if (quoted != nullptr) *quoted = std::move(word_quoted);
  return words;
}

// Backtracks only to the last '*': each '*' takes the shortest run that
// lets the rest match, so a match never takes more than pattern times name
// steps. A surrogate pair is one character for '?'.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  const auto character = [](std::u16string_view text, size_t at) -> size_t {
    return at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                   text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF
               ? 2
               : 1;
  };
  size_t p = 0, n = 0;
  size_t star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = ++p;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || pattern[p] == name[n])) {
      n += pattern[p] == u'?' ? character(name, n) : 1;
      ++p;
    } else if (star != std::u16string_view::npos) {
      p = star;
      n = resume += character(name, resume);
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::string ShownOnTerminal(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    const Utf8Unit unit = DecodeUtf8(text);
    const bool control =
        unit.code < 0x20 || (unit.code >= 0x7F && unit.code <= 0x9F);
    if (unit.kind != Utf8Unit::Kind::kCharacter) {
      shown.append(unit.length, '?');  // a '?' for each byte, as ls shows them
    } else if (control) {
      shown += '?';
    } else {
      shown += text.substr(0, unit.length);
    }
    text.remove_prefix(unit.length);
  }
  return shown;
}

namespace {

// The slot of every stream that says whether it is shown on a terminal.
int TerminalSlot() {
  static const int slot = std::ios_base::xalloc();
  return slot;
}

}  // namespace

void SetOnTerminal(std::ostream& stream, bool terminal) {
  stream.iword(TerminalSlot()) = terminal ? 1 : 0;
}

bool IsOnTerminal(std::ostream& stream) {
  return stream.iword(TerminalSlot()) != 0;
}

std::ostream& operator<<(std::ostream& out, ShownName name) {
  if (IsOnTerminal(out)) return out << ShownOnTerminal(name.text);
  return out << name.text;
}

Utf16Streambuf::int_type Utf16Streambuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return Send() ? traits_type::not_eof(c) : traits_type::eof();
  }
  pending_ += traits_type::to_char_type(c);
  return Send() ? c : traits_type::eof();
}

std::streamsize Utf16Streambuf::xsputn(const char* text,
                                       std::streamsize count) {
  pending_.append(text, static_cast<size_t>(count));
  return Send() ? count : 0;
}

Utf16Streambuf::~Utf16Streambuf() {
  Send();
  if (!pending_.empty()) sink_(Utf8ToUtf16Lossy(pending_));
}

int Utf16Streambuf::sync() { return Send() ? 0 : -1; }

bool Utf16Streambuf::Send() {
  // The last character may still be arriving: its start stays held when
  // its sequence is not complete yet.
  size_t complete = pending_.size();
  for (size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
    const auto byte =
        static_cast<unsigned char>(pending_[pending_.size() - back]);
    if (IsContinuation(byte)) continue;
    if (SequenceLength(byte) > back) complete = pending_.size() - back;
    break;
  }
  if (complete == 0) return true;
  std::u16string text =
      Utf8ToUtf16Lossy(std::string_view(pending_).substr(0, complete));
  pending_.erase(0, complete);
  if (crlf_) {
    std::u16string lines;
    lines.reserve(text.size() + 8);
    for (const char16_t c : text) {
      if (c == u'\n') lines += u'\r';
      lines += c;
    }
    text = std::move(lines);
  }
  return sink_(text);
}

}  // namespace qmx
