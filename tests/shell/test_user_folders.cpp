// The tests run with every folder the program takes as the user's pointed at a folder of the test
// process (tests/support/user_folders_guard.cpp): settings, hand-overs and temporary files stay
// out of the user's own.
#include <gtest/gtest.h>

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/services/hand_over_folder.h"

namespace {

TEST(UserFolders, EveryFolderOfTheUsersIsTheTestProcesssOwn) {
  const char* tmp = std::getenv("TMPDIR");
  ASSERT_NE(tmp, nullptr);
  const UString own = ExtractFilePath(ExcludeTrailingPathDelimiter(Utf8ToUtf16(tmp)));
  ASSERT_NE(own.find(u"linzora-tests-"), UString::npos) << tmp;
  EXPECT_EQ(std::getenv("LINZORA_CONFIG_DIR"), nullptr);
  const UString folders[] = {SettingsFolderFromEnvironment(), GetTempFolder(), UserHandOverFolder(),
                             FallbackHandOverFolder()};
  for (const UString& f : folders) EXPECT_TRUE(StartsWithU(f, own)) << Utf16ToUtf8(f);
}

}  // namespace
