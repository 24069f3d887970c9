// The user's line filter loaded from a real shared library: what it is given, what it decides,
// and what happens when it is missing, incomplete or throws.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "concordance/run/user_filter.h"
#include "platform/settings/settings_access.h"

namespace {

const UString kFilter = Utf8ToUtf16(LINZORA_TEST_LINE_FILTER);
const UString kNoFilter = Utf8ToUtf16(LINZORA_TEST_NO_FILTER);

}  // namespace

TEST(UserLineFilter, KeepsWhatTheLibraryKeepsAndAnExceptionIsARefusal) {
  TUserLineFilter f;
  ASSERT_TRUE(f.Load(kFilter));
  ASSERT_TRUE(f.Active());
  struct Case {
    const char16_t* line;
    bool kept;
  };
  const Case cases[] = {{u"we keep this one", true}, {u"but not this", false}, {u"throw it away", false}};
  for (const Case& c : cases) EXPECT_EQ(f.Keep(c.line, 3, 4, 5, 1033, u"/t/a.txt"), c.kept) << Utf16ToUtf8(c.line);
  EXPECT_EQ(f.Failures(), 1);

  // The arguments as the library saw them: 16-bit midpoint and width, the low half of the byte.
  void* h = dlopen(LINZORA_TEST_LINE_FILTER, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(h, nullptr);
  auto last = reinterpret_cast<const uint32_t* (*)()>(dlsym(h, "LastArguments"));
  auto file = reinterpret_cast<const char16_t* (*)()>(dlsym(h, "LastFile"));
  ASSERT_TRUE(last && file);
  EXPECT_TRUE(f.Keep(u"keep", 0x12345, 0x10007, 0x100000009LL, 2057, u"/texts/\u00E9t\u00E9.txt"));
  const uint32_t* a = last();
  EXPECT_EQ(a[0], 0x2345u);
  EXPECT_EQ(a[1], 7u);
  EXPECT_EQ(a[2], 9u);
  EXPECT_EQ(a[3], 2057u);
  EXPECT_EQ(a[4], 0xFFFFu);
  EXPECT_EQ(UString(file()), u"/texts/\u00E9t\u00E9.txt");
  dlclose(h);
}

TEST(UserLineFilter, AMissingOrIncompleteLibraryTurnsTheFilterOff) {
  TUserLineFilter f;
  EXPECT_FALSE(f.Load(u"/no/such/filter.so"));
  EXPECT_FALSE(f.Active());
  EXPECT_FALSE(f.Load(kNoFilter));
  EXPECT_FALSE(f.Active());
  EXPECT_TRUE(f.Keep(u"anything", 0, 1, 0, 1033, u"x"));  // no filter keeps every hit

  // From the settings: only when wanted and present.
  SetUserDLLFileName(kFilter);
  SetUseUserFilter(false);
  EXPECT_FALSE(f.LoadFromSettings());
  SetUseUserFilter(true);
  EXPECT_TRUE(f.LoadFromSettings());
  SetUserDLLFileName(u"/no/such/filter.so");
  EXPECT_FALSE(f.LoadFromSettings());
  SetUseUserFilter(false);
  SetUserDLLFileName(u"");
}
