#include "common/console_input.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qmx {
namespace {

// What is left for the next reader call, read to the end.
std::string Rest(ConsoleReader& reader) {
  std::string rest;
  for (int c = reader.GetChar(); c != -1; c = reader.GetChar()) rest += char(c);
  return rest;
}

TEST(ConsoleReaderTest, Numbers) {
  // clang-format off
  const struct { const char* input; std::optional<int> value; const char* rest; } kSigned[] = {
      {"  -512 rest\n", -512, " rest\n"}, {"+7\n", 7, "\n"}, {"\n\n \t12\n", 12, "\n"},
      {"45.9\n", 45, ".9\n"}, {"0012x", 12, "x"}, {"32767", 32767, ""}, {"-32768", -32768, ""},
      {"32768\n", {}, "\n"}, {"-32769", {}, ""}, {"40000 5\n", {}, " 5\n"},  // all digits taken
      {"99999999999999999999999\n", {}, "\n"}, {"word\n", {}, "word\n"},
      {"-\n", {}, "\n"}, {"- 5\n", {}, " 5\n"}, {"", {}, ""}, {"   \n  ", {}, ""}};
  const struct { const char* input; std::optional<int> value; } kUnsigned[] = {
      {"65535", 65535}, {"65536", {}}, {"+3", 3}, {"-3", 65533}, {"-0", 0}, {"-65535", 1},
      {"-65536", {}}, {"x", {}}};
  // clang-format on
  for (const auto& c : kSigned) {
    std::istringstream in(c.input);
    ConsoleReader reader(in);
    const std::optional<int16_t> value = reader.ReadInt16();
    EXPECT_EQ(value ? std::optional<int>(*value) : std::nullopt, c.value)
        << c.input;
    // What is left is the rest of the line the number ended on.
    EXPECT_EQ(reader.HoldsUnread(), *c.rest != '\0') << c.input;
    EXPECT_EQ(Rest(reader), c.rest) << c.input;
  }
  for (const auto& c : kUnsigned) {
    std::istringstream in(c.input);
    ConsoleReader reader(in);
    const std::optional<uint16_t> value = reader.ReadUint16();
    EXPECT_EQ(value ? std::optional<int>(*value) : std::nullopt, c.value)
        << c.input;
  }
}

}  // namespace
}  // namespace qmx
