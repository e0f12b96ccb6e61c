// Between UTF-8 and UTF-16: names, the command line, the console's stream.

#include "common/wide_text.h"

#include <gtest/gtest.h>

namespace qmx {
namespace {

TEST(WideTextTest, NamesBothWaysAndBytesThatAreNoUtf8) {
  // clang-format off
  const std::pair<std::u16string, std::string> names[] = {
      {u"walk.qmx", "walk.qmx"}, {u"90\u00B0", "90\xC2\xB0"},
      {u"\u041B\u0430", "\xD0\x9B\xD0\xB0"}, {u"\u6B69", "\xE6\xAD\xA9"},
      {u"\U0001F3AC", "\xF0\x9F\x8E\xAC"}, {u"\uFFFF", "\xEF\xBF\xBF"}, {u"", ""},
      {u"\U00010000", "\xF0\x90\x80\x80"},
      // Unpaired surrogates, which Windows names may hold.
      {{0xD800, u'x'}, "\xED\xA0\x80x"}, {{0xDC00, 0xD800}, "\xED\xB0\x80\xED\xA0\x80"}};
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
      // The program's name ends at its closing quote, backslashes or not.
      {u"\"C:\\dir\\\"x y", {u"C:\\dir\\", u"x", u"y"}}, {u"C:\\a\"b c", {u"C:\\a\"b", u"c"}},
      // Backslashes count only before a quote.
      {u"g a\\\\b \"C:\\\\\" d\\\\\\\"e f\\\\\\\\\"g h\"", {u"g", u"a\\\\b", u"C:\\", u"d\\\"e", u"f\\\\g h"}},
      {u"g \"C:\\dir\\\\\" x", {u"g", u"C:\\dir\\", u"x"}},
      // Quotes: an empty word, quotes inside a word, runs of quotes.
      {u"g \"\" a\"b c\"d", {u"g", u"", u"ab cd"}}, {u"g \"a\"\"b\" c", {u"g", u"a\"b c"}},
      {u"g \"\"\"a\"\"\" b", {u"g", u"\"a\"", u"b"}}, {u"g \"\"\"\"\"\" x", {u"g", u"\"\"", u"x"}},
      {u"g \"open ended", {u"g", u"open ended"}}, {u"", {u""}}};
  // clang-format on
  for (const auto& [line, words] : cases)
    EXPECT_EQ(SplitCommandLine(line), words) << Utf16ToUtf8(line);
}
// What a console gets: whole characters in every call, however the bytes
// arrive, and the line breaks it is given to write.
TEST(WideTextTest, ConsoleStreamSendsWholeCharacters) {
  for (const bool crlf : {false, true}) {
    std::vector<std::u16string> calls;
    {
      Utf16Streambuf buffer(
          [&calls](std::u16string_view text) {
            return calls.emplace_back(text), true;
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

}  // namespace
}  // namespace qmx
