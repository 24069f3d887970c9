// The user's line filter loaded from a real shared library: what it is given, what it decides,
// and what happens when it is missing, incomplete or throws.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "concordance/run/user_filter.h"
#include "document_test_support.h"
#include "platform/rtl/files.h"
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

// A concordance run uses the filter the settings name: the library's lines are kept, the others
// refused; without the filter, or with one that will not load, every hit makes its line.
TEST(UserLineFilter, ARunKeepsTheLinesOfTheFilterTheSettingsName) {
  const struct {
    bool wanted;
    UString library;
    std::vector<UString> lines_of;  // the texts whose line is kept, in order
  } cases[] = {
      {true, kFilter, {u"a.txt"}},
      {false, kFilter, {u"a.txt", u"b.txt", u"c.txt"}},
      {true, kNoFilter, {u"a.txt", u"b.txt", u"c.txt"}},
      {true, u"/no/such/filter.so", {u"a.txt", u"b.txt", u"c.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.library) + (c.wanted ? " wanted" : " not wanted"));
    text_reader_test::ScopedSettings settings;
    document_test::TTextFolder texts({{u"a.txt", "we keep a dog."}, {u"b.txt", "a dog is gone."},
                                      {u"c.txt", "throw the dog."}});
    SetUseUserFilter(c.wanted);
    SetUserDLLFileName(c.library);
    const document_test::TRunDone run = document_test::RunConcordance({texts.names, u"dog"});
    ASSERT_TRUE(run.ok);
    std::vector<UString> kept;
    for (int i = 0; i < run.doc->fConcordanceList->Count(); ++i) {
      const int32_t number = run.doc->fConcordanceList->Line(i)->Data().filename_num_original;
      kept.push_back(ExtractFileName(run.doc->fTextFilesWithSearchWord->GetFullFilename(number - 1, false)));
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, c.lines_of);
  }
}

// The setting names a file: an absolute name as it stands, a relative one from the settings'
// folder (never the current folder, never the loader's search path); a name that is no regular
// file loads nothing.
TEST(UserLineFilter, TheLibraryLoadedIsTheFileTheSettingNames) {
  text_reader_test::ScopedSettings settings;
  const UString folder = SettingsFolderFromEnvironment();
  TempFolder elsewhere;  // the current folder, holding libraries of the same names without the filter
  auto copy = [](const UString& from, const UString& to) {
    ForceDirectories(ExtractFilePath(to));
    std::filesystem::copy_file(ToFsPath(from), ToFsPath(to), std::filesystem::copy_options::overwrite_existing);
  };
  copy(kFilter, folder + u"sub/f.so");
  copy(kFilter, folder + u"f.so");
  copy(kNoFilter, elsewhere.Path() + u"sub/f.so");
  copy(kNoFilter, elsewhere.Path() + u"f.so");
  copy(kFilter, elsewhere.Path() + u"only_here.so");
  copy(kNoFilter, elsewhere.Path() + u"libz.so.1");
  ForceDirectories(folder + u"folder.so");
  ASSERT_EQ(symlink(Utf16ToUtf8(folder + u"f.so").c_str(), Utf16ToUtf8(folder + u"link.so").c_str()), 0);
  const struct {
    UString setting;
    bool active;
  } cases[] = {
      {u"sub/f.so", true},     // the settings' folder's, not the current folder's
      {u"f.so", true},
      {u"./f.so", true},
      {u"link.so", true},      // a link to a library
      {kFilter, true},         // absolute
      {u"only_here.so", false},  // in the current folder only
      {u"libz.so.1", false},   // on the loader's path only
      {u"folder.so", false},   // not a file
      {u"missing.so", false},
      {u"", false},
  };
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(ToFsPath(elsewhere.Path()));
  SetUseUserFilter(true);
  for (const auto& c : cases) {
    SetUserDLLFileName(c.setting);
    TUserLineFilter f;
    EXPECT_EQ(f.LoadFromSettings(), c.active) << Utf16ToUtf8(c.setting);
    EXPECT_EQ(f.Active(), c.active) << Utf16ToUtf8(c.setting);
  }
  std::filesystem::current_path(was);
}
