// Number-range texts: what the writer makes the reader takes back, and bad texts are refused.
#include <gtest/gtest.h>

#include "platform/runtime/text_helpers.h"

namespace {

TEST(NumberListText, ReadsRangesAndSingleNumbers) {
  const struct {
    const char16_t* text;
    int32_t offset;
    std::vector<int32_t> numbers;
  } cases[] = {
      {u"1-3, 7", 1, {0, 1, 2, 6}},
      {u"0,1,2-5", 0, {0, 1, 2, 3, 4, 5}},
      {u"1,2-5", 1, {0, 1, 2, 3, 4}},
      {u" 4 , 2 ", 0, {2, 4}},
      {u"3,3,2-3", 0, {2, 3}},
      {u"5-5", 0, {5}},
      {u"1 2", 0, {1, 2}},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> got;
    EXPECT_TRUE(HumanAbbreviatedNumberListStringAsIntegers(c.text, c.offset, got)) << Utf16ToUtf8(c.text);
    EXPECT_EQ(got, c.numbers) << Utf16ToUtf8(c.text);
  }
}

TEST(NumberListText, RoundTripsWhatTheWriterMakes) {
  const std::vector<std::vector<int32_t>> lists{{0}, {0, 1}, {0, 1, 2, 6}, {3, 5, 6, 7, 8, 20, 21}, {0, 9, 10, 11, 99}};
  for (const auto& list : lists)
    for (int32_t offset : {0, 1}) {
      const UString text = HumanAbbreviatedNumberListString(list, offset);
      std::vector<int32_t> back;
      ASSERT_TRUE(HumanAbbreviatedNumberListStringAsIntegers(text, offset, back)) << Utf16ToUtf8(text);
      EXPECT_EQ(back, list) << Utf16ToUtf8(text);
    }
}

TEST(NumberListText, BadTextsAreRefusedAndLeaveTheListAlone) {
  const struct {
    const char16_t* text;
    const char16_t* error_part;
  } cases[] = {
      {u"", u"no numbers"},           {u" , ", u"no numbers"},        {u"abc", u"\"abc\" is not a number"},
      {u"1-", u"\"1-\""},             {u"-3", u"\"-3\""},             {u"5-2", u"runs backwards"},
      {u"1,x,3", u"\"x\""},           {u"2.5", u"\"2.5\""},           {u"1-99999999", u"too many numbers"},
      {u"99999999999", u"\"99999999999\""},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> got{42};
    UString error;
    EXPECT_FALSE(HumanAbbreviatedNumberListStringAsIntegers(c.text, 0, got, &error)) << Utf16ToUtf8(c.text);
    EXPECT_EQ(got, std::vector<int32_t>{42});
    EXPECT_NE(error.find(c.error_part), UString::npos) << Utf16ToUtf8(error);
  }
}

}  // namespace
