// Text between tools and users: answers, names, paths, command lines, consoles.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "console/console_input.h"
#include "engine/paths.h"
#include "os/wide_text.h"

namespace qmx {
namespace {

using namespace std::string_literals;

// Text as UTF-16LE after its byte-order mark.
std::string Utf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) bytes += {char(unit), char(unit >> 8)};
  return bytes;
}

const std::string kLong(70000, 'x'), kSpaces(70000, ' ');
const std::u16string kLong16(40000, u'x'), kSpaces16(40000, u' ');

// Calls (ReadInt16, ReadUint16, DiscardLine, GetChar), results ("-" none), "|",
// the rest: the same in any pieces, reads <= 64 KiB; "\4" an empty read.
TEST(ConsoleReaderTest, Calls) {
  // clang-format off
  const struct { std::string input; const char* calls; std::string seen; bool file = false; } kCases[] = {
      {"  -512 rest\n", "i", "-512| rest\n"}, {"+7\n", "i", "7|\n"}, {"\n\n \t12\n", "i", "12|\n"},
      {"45.9\n", "i", "45|.9\n"}, {"0012x", "i", "12|x"}, {"32767", "i", "32767|"},
      {"-32768", "i", "-32768|"}, {"32768\n", "i", "-|\n"}, {"-32769", "i", "-|"},
      {"40000 5\n", "i", "-| 5\n"},  // all digits taken
      {"99999999999999999999999\n", "i", "-|\n"}, {"word\n", "i", "-|word\n"},
      {"-\n", "i", "-|\n"}, {"- 5\n", "i", "-| 5\n"}, {"", "i", "-|"}, {"   \n  ", "i", "-|"},
      {"65535 65536 +3 -3 -0 -65535 -65536 x", "uuuuuuuu", "65535 - 3 65533 0 1 - -|x"},
      {"5\n6\n", "di", "5|\n6\n"},  // nothing looked at: nothing dropped
      {"5\n6\n", "icdi", "5 \n 6|\n"},  // the line read to its end
      {"5\nabc\n6\n", "ididi", "5 - 6|\n"},  // a line looked at is held
      {"7" + kLong + "\n8\n", "idi", "7 8|\n"}, {kSpaces + "-5 x\n", "idc", "-5 EOF|"},
      {"5\4" "6\n", "iic", "5 - EOF|", true},  // an end stays
      {"4" "5\4" "9\n", "idi", "45 9|\n"},  // a terminal's ends one read
      {"ab\4" "\4" "+\4" "7 x\4" "8\n", "ididiidi", "- - - 7 8|\n"},
      {"1\r2 x\r\n3\r\r\n", "ididici", "1 2 3 \r -|"},  // CR, CR LF
      {"7\r\4" "8\n", "idi", "7 -|8\n"},  // no wait for an LF
      {"\r\ny\r \n", "cccc", "\r y \r  |\n"},
      {"\xEF\xBB\xBF" "90\n", "i", "90|\n", true},
      {"\xEF\xBB\xBF" "90\n", "i", "-|\xEF\xBB\xBF" "90\n"},  // a console
      {"\xEF\xBB" "5", "i", "-|\xEF\xBB" "5", true}, {"\xFF", "c", "\xFF|", true},
      {"\xFE\xFF\0" "5"s, "i", "-|\xFE\xFF\0" "5"s, true},  // big-endian
      {Utf16(u"45К\r\nК\r\n-90\r\n"), "idci", "45 ? -90|\r", true},
      {Utf16(u"7") + "8", "i", "7|", true},  // an odd last byte
      {Utf16(u"😀5\u0A0D6"), "cici", "? 5 ? 6|", true},  // 0D 0A is no CR LF
      {Utf16(u"7" + kLong16 + u"\r\n8"), "idi", "7 8|", true},
      {Utf16(kSpaces16 + u"3"), "i", "3|", true}};
  // clang-format on
  for (const auto& c : kCases) {
    for (const size_t piece : {size_t{1}, size_t{3}, size_t{4096}, SIZE_MAX}) {
      size_t at = 0, most_asked = 0;
      AnswerDecoder decoder(
          [&](std::span<char> buffer) {
            most_asked = std::max(most_asked, buffer.size());
            const size_t end =
                c.input.starts_with("\xFF\xFE")
                    ? c.input.size()
                    : std::min(c.input.find('\4', at), c.input.size());
            if (at == end && at < c.input.size()) return ++at, size_t{0};
            const size_t n = c.input.copy(
                buffer.data(), std::min({piece, buffer.size(), end - at}), at);
            return at += n, n;
          },
          c.file);
      ConsoleReader reader(decoder);
      const auto number = [](auto n) { return n ? std::to_string(*n) : "-"; };
      std::string seen;
      for (const char* call = c.calls; *call; ++call) {
        const int ch = *call == 'c' ? reader.GetChar() : 0;
        if (*call == 'd') reader.DiscardLine();
        if (*call != 'd' && !seen.empty()) seen += ' ';
        seen += *call == 'd'   ? ""
                : *call == 'i' ? number(reader.ReadInt16())
                : *call == 'u' ? number(reader.ReadUint16())
                : ch == -1     ? "EOF"
                               : std::string(1, char(ch));
      }
      seen += '|';
      for (int ch; (ch = reader.GetChar()) != -1;) seen += char(ch);
      EXPECT_EQ(seen, c.seen) << c.calls << " " << c.input.substr(0, 20)
                              << " in pieces of " << piece;
      EXPECT_LE(most_asked, 65536u);
    }
  }
}

TEST(WideTextTest, NamesBothWaysAndBytesThatAreNoUtf8) {
  // clang-format off
  const std::pair<std::u16string, std::string> names[] = {
      {u"walk.qmx", "walk.qmx"}, {u"90\u00B0", "90\xC2\xB0"},
      {u"\u041B\u0430", "\xD0\x9B\xD0\xB0"}, {u"\u6B69", "\xE6\xAD\xA9"},
      {u"\U0001F3AC", "\xF0\x9F\x8E\xAC"}, {u"\uFFFF", "\xEF\xBF\xBF"}, {u"", ""},
      {u"\U00010000", "\xF0\x90\x80\x80"},
      {{0xD800, u'x'}, "\xED\xA0\x80x"}, {{0xDC00, 0xD800}, "\xED\xB0\x80\xED\xA0\x80"}};  // unpaired
  const std::pair<std::string, std::u16string> no_utf8[] = {  // each stray byte one U+FFFD
      {"a\xB0", u"a\uFFFD"}, {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong '/'
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},    // past U+10FFFF
      {"\xE6x\xA9", u"\uFFFDx\uFFFD"}, {"\xE6\xAD", u"\uFFFD\uFFFD"}};
  // clang-format on
  for (const auto& [utf16, utf8] : names) {
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << utf8;
    EXPECT_EQ(Utf8ToUtf16Lossy(utf8), utf16) << utf8;  // the console's
  }
  for (const auto& [bytes, shown] : no_utf8) {
    EXPECT_EQ(Utf8ToUtf16(bytes), std::nullopt);
    EXPECT_EQ(Utf8ToUtf16Lossy(bytes), shown) << bytes;
  }
}

// The words as Windows' own CommandLineToArgvW gives them.
TEST(WideTextTest, CommandLineSplitsAsTheSystemDoes) {
  using Words = std::vector<std::u16string>;
  // clang-format off
  const std::pair<std::u16string, Words> cases[] = {
      {u"gyrel.exe", {u"gyrel.exe"}},
      {u"\"C:\\Program Files\\gyrel.exe\" C:\\a\\walk.qmx  \t b.qmx ",
       {u"C:\\Program Files\\gyrel.exe", u"C:\\a\\walk.qmx", u"b.qmx"}},
      {u"g \"C:\\my anims\\\u041B\u0430.qmx\" \u6B69.qmx", {u"g", u"C:\\my anims\\\u041B\u0430.qmx", u"\u6B69.qmx"}},
      {u"\"C:\\dir\\\"x y", {u"C:\\dir\\", u"x", u"y"}}, {u"C:\\a\"b c", {u"C:\\a\"b", u"c"}},  // program's name
      {u"g a\\\\b \"C:\\\\\" d\\\\\\\"e f\\\\\\\\\"g h\"", {u"g", u"a\\\\b", u"C:\\", u"d\\\"e", u"f\\\\g h"}},
      {u"g \"C:\\dir\\\\\" x", {u"g", u"C:\\dir\\", u"x"}},
      {u"g \"\" a\"b c\"d", {u"g", u"", u"ab cd"}}, {u"g \"a\"\"b\" c", {u"g", u"a\"b c"}},
      {u"g \"\"\"a\"\"\" b", {u"g", u"\"a\"", u"b"}}, {u"g \"\"\"\"\"\" x", {u"g", u"\"\"", u"x"}},
      {u"g \"open ended", {u"g", u"open ended"}}, {u"", {u""}}};
  // clang-format on
  for (const auto& [line, words] : cases)
    EXPECT_EQ(SplitCommandLine(line), words) << Utf16ToUtf8(line);
  // Which words were quoted, in any part: those are never expanded.
  std::vector<bool> quoted;
  SplitCommandLine(u"g *.qmx \"a *.qmx\" a\"*\".qmx \\\"*.qmx \"\"", &quoted);
  EXPECT_EQ(quoted, (std::vector<bool>{false, false, true, true, false, true}));
}

// A pattern matches the whole name; '?' is one character, surrogates too.
TEST(WideTextTest, WildcardsMatchWholeNames) {
  // clang-format off
  const std::tuple<std::u16string, std::u16string, bool> rows[] = {
      {u"*.QMX", u"WALK.QMX", true}, {u"*.QMX", u"WALK.QMXBAK", false},
      {u"*.QMX", u".QMX", true}, {u"W?LK.QMX", u"WALK.QMX", true},
      {u"W?LK.QMX", u"WLK.QMX", false}, {u"?.QMX", u"\U0001F3AC.QMX", true},
      {u"*A*A*", u"BANANA", true}, {u"*A*A*A*A", u"BANANA", false},
      {u"WALK", u"WALK.QMX", false}, {u"*", u"", true}, {u"?", u"", false}};
  // clang-format on
  for (const auto& [pattern, name, matches] : rows)
    EXPECT_EQ(MatchesWildcard(pattern, name), matches)
        << Utf16ToUtf8(pattern) << " " << Utf16ToUtf8(name);
}

// On a terminal controls and bytes of no UTF-8 show as '?'; elsewhere kept.
TEST(WideTextTest, NamesOnATerminal) {
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"\x1B]0;x\x07" "a.qmx", "?]0;x?a.qmx"}, {"a\nb\tc\rd", "a?b?c?d"},
      {std::string("\0\x1F\x7F", 3), "???"}, {"\xC2\x9B\xC2\x80\xC2\x9F", "???"},
      {"\xC2\xA0\xD0\x9B" "90\xC2\xB0\xF0\x9F\x8E\xAC", "\xC2\xA0\xD0\x9B" "90\xC2\xB0\xF0\x9F\x8E\xAC"},
      {"a\xB0\xC0\xAF", "a???"}, {"\xED\xA0\x80x", "???x"}, {"\xE6\xAD", "??"}};
  // clang-format on
  for (const auto& [name, shown] : rows) {
    std::ostringstream terminal, file;
    SetOnTerminal(terminal, true);
    terminal << ShownName{name};
    file << ShownName{name};
    EXPECT_EQ(terminal.str(), shown);
    EXPECT_EQ(file.str(), name);
  }
}
// A console gets whole characters in every call, and the line breaks given.
TEST(WideTextTest, ConsoleStreamSendsWholeCharacters) {
  for (const bool crlf : {false, true}) {
    std::vector<std::u16string> calls;
    {
      const auto call = [&](auto t) { return calls.emplace_back(t), true; };
      Utf16Streambuf buffer(call, crlf);
      std::ostream out(&buffer);
      out << "'\xD0\x9B\xD0" << std::flush;
      out << "\xB0\xD1\x80\xD0\xB0.qmx': 90\xC2" << '\xB0' << '\n';
      out << "\xF0\x9F" << std::flush << "\x8E\xAC\n"
          << "\xE6\xAD";
    }
    const std::u16string newline = crlf ? u"\r\n" : u"\n";
    EXPECT_EQ(calls, (std::vector<std::u16string>{
                         u"'\u041B", u"\u0430\u0440\u0430.qmx': 90", u"\u00B0",
                         newline, u"\U0001F3AC" + newline, u"\uFFFD\uFFFD"}));
  }
}

using enum PathStyle;

// An argument's quoted name, whether its name passes (no result when not),
// and where its mirror lands, with and without -o.
TEST(PathsTest, ArgumentToResult) {
  // clang-format off
  const struct { PathStyle style; const char *argument, *output_dir, *quoted, *result; } cases[] = {
      {kPosix, "/walk.qmx", "", "/walk.qmx", "/walk_Mirrored.qmx"},
      {kPosix, "X\\/sub/walk.qmx", "", "/sub/walk.qmx", "X\\/sub/walk_Mirrored.qmx"},
      {kPosix, "sub/X\\walk.qmx", "", "walk.qmx", "walk_Mirrored.qmx"},
      {kPosix, "D:walk.qmx", "out", "D:walk.qmx", "out/D:walk_Mirrored.qmx"},
      {kPosix, "sub/run.left.qmx", "out/", "sub/run.left.qmx", "out/run.left_Mirrored.qmx"},
      {kPosix, "walk.qmx", "out\\", "walk.qmx", "out\\/walk_Mirrored.qmx"},
      {kPosix, "v1./qmxfile", "", "v1./qmxfile", "v1./qmxfile_Mirrored"},
      {kPosix, "x.qmx/walk", "", "x.qmx/walk", nullptr},
      // The type: up to three characters after the last dot, qmx or QMX.
      {kPosix, "upper.QMX", "", "upper.QMX", "upper_Mirrored.QMX"},
      {kPosix, "b.qmxbak", "", "b.qmxbak", "b_Mirrored.qmxbak"},
      {kPosix, "mixed.Qmx", "", "mixed.Qmx", nullptr},
      {kPosix, "a.qmx.txt", "", "a.qmx.txt", nullptr},
      {kWindows, "C:/a/walk.qmx", "", "C:/a/walk.qmx", "C:/a/walk_Mirrored.qmx"},
      {kWindows, "/walk.qmx", "", "/walk.qmx", "/walk_Mirrored.qmx"},
      {kWindows, "C:\\a/b\\walk.qmx", "", "walk.qmx", "walk_Mirrored.qmx"},
      {kWindows, "D:walk.qmx", "", "D:walk.qmx", "D:walk_Mirrored.qmx"},
      {kWindows, "z:qmxfile", "out", "z:qmxfile", "out\\qmxfile_Mirrored"},
      {kWindows, "a\\walk.qmx", "out\\", "walk.qmx", "out\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "out/", "walk.qmx", "out/walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "C:\\", "walk.qmx", "C:\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "C:", "walk.qmx", "C:walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "\\\\?\\C:\\out", "walk.qmx", "\\\\?\\C:\\out\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "\\\\?\\C:\\o/", "walk.qmx", "\\\\?\\C:\\o/\\walk_Mirrored.qmx"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.argument) + " -o " + c.output_dir);
    EXPECT_EQ(BaseName(c.argument), c.quoted);
    const std::string_view file_name = FileName(c.argument, c.style);
    ASSERT_EQ(PassesExtensionTest(file_name), c.result != nullptr);
    if (!c.result) continue;
    const std::string dir = ResultDirectory(c.argument, c.output_dir, c.style);
    const std::string result =
        InDirectory(dir, OutputName(file_name, "_Mirrored", c.style), c.style);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(DirectoryPart(result, c.style), dir);
  }
}

// A colon other than a drive's names a stream on Windows, not on POSIX.
TEST(PathsTest, StreamNames) {
  const std::pair<const char*, bool> windows[] = {
      {"walk.qmx:s", true},           {"C:\\a:b\\walk.qmx", true},
      {"D:walk.qmx::$DATA", true},    {"a:walk.qmx", false},
      {"1:walk.qmx", true},  // no drive
      {"\\\\?\\C:\\walk.qmx", false}, {"\\\\.\\c:\\walk.qmx", false}};
  for (const auto& [argument, stream] : windows) {
    EXPECT_EQ(NamesStream(argument, kWindows), stream) << argument;
    EXPECT_FALSE(NamesStream(argument, kPosix)) << argument;
  }
}

// Windows drops trailing dots and spaces except in "\\?\" paths; POSIX not.
TEST(PathsTest, SavedAndNumberedNames) {
  // clang-format off
  const std::tuple<PathStyle, const char*, const char*> saved[] = {
      {kWindows, "walk_Mirrored.qmx ", "walk_Mirrored.qmx"}, {kWindows, "a. \\walk. .", "a. \\walk"},
      {kWindows, "D:walk ", "D:walk"}, {kWindows, "\\\\?\\C:\\walk.qmx ", "\\\\?\\C:\\walk.qmx "},
      {kWindows, "a\\..", "a\\.."}, {kPosix, "walk_Mirrored.qmx ", "walk_Mirrored.qmx "}};
  // clang-format on
  for (const auto& [style, path, name] : saved)
    EXPECT_EQ(SavedName(path, style), name) << path;
  EXPECT_EQ(NumberedName("C:\\v1.\\plot", 2, kWindows), "C:\\v1.\\plot (2)");
  EXPECT_EQ(NumberedName("v1.\\plot", 2, kPosix), "v1 (2).\\plot");
}

}  // namespace
}  // namespace qmx
