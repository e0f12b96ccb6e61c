#include "common/console_input.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qmx {
namespace {

// What is left for the next reader call, read to the end.
std::string Rest(ConsoleReader& reader) {
  std::string rest;
  for (int c = reader.GetChar(); c != -1; c = reader.GetChar()) {
    rest += static_cast<char>(c);
  }
  return rest;
}

TEST(ConsoleReaderTest, SignedExtraction) {
  struct Case {
    const char* input;
    std::optional<int16_t> value;
    const char* rest;  // what the next read sees
  };
  const Case cases[] = {
      {"256\n", 256, "\n"},
      {"  -512 rest\n", -512, " rest\n"},
      {"+7\n", 7, "\n"},
      {"\n\n  \t12\n", 12, "\n"},  // line breaks are white space too
      {"45.9\n", 45, ".9\n"},
      {"0012x", 12, "x"},
      {"32767\n", 32767, "\n"},
      {"-32768\n", -32768, "\n"},
      {"32768\n", std::nullopt, "\n"},  // all digits taken, then refused
      {"-32769\n", std::nullopt, "\n"},
      {"40000 5\n", std::nullopt, " 5\n"},
      {"99999999999999999999999\n", std::nullopt, "\n"},
      {"word\n", std::nullopt, "word\n"},
      {"-\n", std::nullopt, "\n"},  // a sign without a digit
      {"- 5\n", std::nullopt, " 5\n"},
      {"", std::nullopt, ""},
      {"   \n  ", std::nullopt, ""},
      {"17", 17, ""},  // a last line without a line break
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.input << '"');
    std::istringstream in(c.input);
    ConsoleReader reader(in);
    EXPECT_EQ(reader.ReadInt16(), c.value);
    EXPECT_EQ(Rest(reader), c.rest);
  }
}

TEST(ConsoleReaderTest, UnsignedExtraction) {
  struct Case {
    const char* input;
    std::optional<uint16_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"65535", 65535},
      {"65536", std::nullopt},
      {"+3", 3},
      {"-3", 65533},
      {"-0", 0},
      {"-65535", 1},
      {"-65536", std::nullopt},
      {"x", std::nullopt},
      {"   42 ", 42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    ConsoleReader reader(in);
    EXPECT_EQ(reader.ReadUint16(), c.value);
  }
}

TEST(ConsoleReaderTest, OneLineAnswersSeveralReads) {
  std::istringstream in("256 0 -512\nnext\n");
  ConsoleReader reader(in);
  EXPECT_EQ(reader.ReadInt16(), 256);
  EXPECT_EQ(reader.ReadInt16(), 0);
  EXPECT_EQ(reader.ReadInt16(), -512);
  reader.DiscardLine();
  EXPECT_EQ(Rest(reader), "next\n");
}

TEST(ConsoleReaderTest, DiscardDropsOnlyTheHeldLine) {
  std::istringstream in("12 junk\nsecond\nthird\n");
  ConsoleReader reader(in);
  reader.DiscardLine();  // nothing held yet: nothing dropped
  EXPECT_EQ(reader.ReadInt16(), 12);
  EXPECT_TRUE(reader.HoldsUnread());
  reader.DiscardLine();
  EXPECT_FALSE(reader.HoldsUnread());
  reader.DiscardLine();  // a second discard must not eat "second"
  EXPECT_EQ(reader.GetChar(), 's');
}

TEST(ConsoleReaderTest, FailedReadThenDiscardsDropOneLine) {
  // A failed last answer discards its line; the unconditional discard that
  // follows must not take the next line with it.
  std::istringstream in("1 2 abc\ny\n");
  ConsoleReader reader(in);
  EXPECT_EQ(reader.ReadInt16(), 1);
  EXPECT_EQ(reader.ReadInt16(), 2);
  EXPECT_EQ(reader.ReadInt16(), std::nullopt);
  reader.DiscardLine();
  reader.DiscardLine();
  EXPECT_EQ(reader.GetChar(), 'y');
}

TEST(ConsoleReaderTest, EndOfInputIsSticky) {
  std::istringstream in("5");
  ConsoleReader reader(in);
  EXPECT_EQ(reader.ReadInt16(), 5);
  EXPECT_EQ(reader.ReadInt16(), std::nullopt);
  EXPECT_EQ(reader.GetChar(), -1);
  EXPECT_EQ(reader.GetChar(), -1);
}

}  // namespace
}  // namespace qmx
