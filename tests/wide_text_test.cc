// Text between UTF-8 and Windows' UTF-16: names both ways, the command line
// and the console's stream.

#include "common/wide_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace qmx {
namespace {

TEST(WideTextTest, NamesConvertBothWays) {
  struct Case {
    std::u16string utf16;
    std::string utf8;
  };
  const Case cases[] = {
      {u"walk.qmx", "walk.qmx"},
      {u"90\u00B0", "90\xC2\xB0"},
      {u"\u041B\u0430\u0440\u0430", "\xD0\x9B\xD0\xB0\xD1\x80\xD0\xB0"},
      {u"\u6B69\u304F", "\xE6\xAD\xA9\xE3\x81\x8F"},
      {u"\U0001F3AC", "\xF0\x9F\x8E\xAC"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      // Unpaired surrogates, which Windows names may hold.
      {std::u16string{0xD800, u'x'}, "\xED\xA0\x80x"},
      {std::u16string{u'x', 0xDFFF}, "x\xED\xBF\xBF"},
      {std::u16string{0xDC00, 0xD800}, "\xED\xB0\x80\xED\xA0\x80"},
      {u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
  }
}

TEST(WideTextTest, BytesThatAreNoUtf8NameNothing) {
  struct Case {
    std::string bytes;
    std::u16string shown;  // each stray byte one U+FFFD
  };
  const Case cases[] = {
      {"a\xB0", u"a\uFFFD"},                              // the old ANSI degree
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong '/'
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE6\xAD", u"\uFFFD\uFFFD"},                      // cut short
      {"\xE6x\xA9", u"\uFFFDx\uFFFD"},
      {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(Utf8ToUtf16(c.bytes), std::nullopt);
    EXPECT_EQ(Utf8ToUtf16Lossy(c.bytes), c.shown);
  }
}

// The words as the system's own CommandLineToArgvW gives them; on Windows
// each line is also put to it.
TEST(WideTextTest, CommandLineSplitsAsTheSystemDoes) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> words;
  };
  const Case cases[] = {
      {u"gyrel.exe", {u"gyrel.exe"}},
      {u"\"C:\\Program Files\\gyrel.exe\" C:\\a\\walk.qmx  \t b.qmx ",
       {u"C:\\Program Files\\gyrel.exe", u"C:\\a\\walk.qmx", u"b.qmx"}},
      {u"g \"C:\\my anims\\\u041B\u0430\u0440\u0430.qmx\" \u6B69\u304F.qmx",
       {u"g", u"C:\\my anims\\\u041B\u0430\u0440\u0430.qmx",
        u"\u6B69\u304F.qmx"}},
      // The program's name ends at its closing quote, backslashes or not.
      {u"\"C:\\dir\\\"x y", {u"C:\\dir\\", u"x", u"y"}},
      {u"C:\\a\"b c", {u"C:\\a\"b", u"c"}},
      // Backslashes count only before a quote.
      {u"g a\\\\b \"C:\\\\\" d\\\\\\\"e f\\\\\\\\\"g h\"",
       {u"g", u"a\\\\b", u"C:\\", u"d\\\"e", u"f\\\\g h"}},
      {u"g \"C:\\dir\\\\\" x", {u"g", u"C:\\dir\\", u"x"}},
      // Quotes: an empty word, quotes inside a word, runs of quotes.
      {u"g \"\" a\"b c\"d", {u"g", u"", u"ab cd"}},
      {u"g \"a\"\"b\" c", {u"g", u"a\"b c"}},
      {u"g \"\"\"a\"\"\" b", {u"g", u"\"a\"", u"b"}},
      {u"g \"\"\"\"\"\" x", {u"g", u"\"\"", u"x"}},
      {u"g \"open ended", {u"g", u"open ended"}},
      {u"", {u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(SplitCommandLine(c.line), c.words);
#ifdef _WIN32
    if (c.line.empty()) continue;  // the system gives its own name then
    const std::wstring line(c.line.begin(), c.line.end());
    int count = 0;
    wchar_t** words = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(words, nullptr);
    std::vector<std::u16string> system;
    for (int i = 0; i < count; ++i) {
      const std::wstring word(words[i]);
      system.emplace_back(word.begin(), word.end());
    }
    LocalFree(words);
    EXPECT_EQ(system, c.words) << "CommandLineToArgvW";
#endif
  }
}

// What a console gets: whole characters in every call, however the bytes
// arrive, and the line breaks it is given to write.
TEST(WideTextTest, ConsoleStreamSendsWholeCharacters) {
  for (const bool crlf : {false, true}) {
    std::vector<std::u16string> calls;
    {
      Utf16Streambuf buffer(
          [&calls](std::u16string_view text) {
            calls.emplace_back(text);
            return true;
          },
          crlf);
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

TEST(WideTextTest, ConsoleStreamFailsWithItsConsole) {
  Utf16Streambuf buffer([](std::u16string_view) { return false; }, true);
  std::ostream out(&buffer);
  out << "text" << std::flush;
  EXPECT_TRUE(out.bad());
}

}  // namespace
}  // namespace qmx
