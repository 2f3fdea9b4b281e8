// The runtime's integer conversion: accepted forms, refused forms, range limits and the error.
#include <climits>

#include <gtest/gtest.h>

#include "app/internal/runtime_text.h"
#include "toolkit/exceptions.h"

namespace pictavia {

TEST(RuntimeText, AcceptsDecimalAndHexadecimalForms) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"007", 7},
      {"   42", 42},
      {"+7", 7},
      {"-15", -15},
      {"  -0", 0},
      {"$1F", 31},
      {"0x1f", 31},
      {"x1F", 31},
      {"X1F", 31},
      {"0X1F", 31},
      {"$ff", 255},
      {"-$1F", -31},
      {"  +0x10", 16},
      {"$BB8", 3000},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"$7FFFFFFF", INT_MAX},
      {"-0x80000000", INT_MIN},
      {"000000000000000000000012", 12},
  };
  for (const auto& c : cases) {
    int value = 12345;
    EXPECT_TRUE(TryStrToInt(c.text, value)) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(StrToInt(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(RuntimeText, RefusesMalformedAndOutOfRangeTexts) {
  const char* refused[] = {
      "",
      " ",
      "+",
      "-",
      "$",
      "x",
      "0x",
      "12 ",
      "12a",
      "1 2",
      "abc",
      "--1",
      "+-1",
      "- 1",
      "1.5",
      "1e3",
      "$1G",
      "0x-1",
      "\t1",
      "1,024",
      "2147483648",
      "-2147483649",
      "99999999999999999999999999",
      "$80000000",
      "$FFFFFFFF",
      "0x100000000",
      "-$80000001",
  };
  for (const char* text : refused) {
    int value = 12345;
    EXPECT_FALSE(TryStrToInt(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 12345) << "a refused text must leave the value alone: \"" << text << '"';
    EXPECT_EQ(StrToIntDef(text, -7), -7) << '"' << text << '"';
  }
  // A character after the digits is refused even when it is a NUL inside the string.
  EXPECT_EQ(StrToIntDef(std::string("12\0", 3), -7), -7);
}

TEST(RuntimeText, StrToIntRaisesConvertErrorNamingTheText) {
  try {
    StrToInt("12a");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_EQ(StrToInt(IntToStr(INT_MIN)), INT_MIN);
}

}  // namespace pictavia
