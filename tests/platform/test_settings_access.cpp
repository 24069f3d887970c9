// The store's Get and Set functions: defaults, survival across a restart, sharing and the
// session values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_defaults.h"
#include "platform/settings/settings_store.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"

namespace {

// Every test of this program runs with a store of its own, never the user's: unless the
// environment already names a folder, a temporary one is used for the whole run.
class TPrivateSettingsFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* dir = std::getenv("LINZORA_CONFIG_DIR"); dir && *dir) return;
    folder_ = std::make_unique<TempFolder>();
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(folder_->Path()).c_str(), 1);
    ResetSettingsStoreForTests();
  }
  void TearDown() override {
    if (!folder_) return;
    ResetSettingsStoreForTests();
    unsetenv("LINZORA_CONFIG_DIR");
    folder_.reset();
  }

 private:
  std::unique_ptr<TempFolder> folder_;
};
::testing::Environment* const g_private_settings_folder =
    ::testing::AddGlobalTestEnvironment(new TPrivateSettingsFolder);

// Sets an environment variable for the life of the object, then puts back what was there.
class TEnvVar {
 public:
  TEnvVar(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~TEnvVar() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

class SettingsVxbuf : public ::testing::Test {
 protected:
  SettingsVxbuf() : env_("LINZORA_CONFIG_DIR", Utf16ToUtf8(tmp_.Path() + u"config").c_str()) {
    ResetSettingsStoreForTests();
  }
  ~SettingsVxbuf() override { ResetSettingsStoreForTests(); }
  // What a new process of the suite would see: the store is dropped and read again from the file.
  static void Restart() { ResetSettingsStoreForTests(); }
  UString Folder() const { return tmp_.Path() + u"config/"; }

  TempFolder tmp_;
  TEnvVar env_;
};

// A record with every byte set, so that nothing of it can come from the defaults.
template <typename R>
R Patterned(uint8_t seed) {
  R r;
  for (size_t i = 0; i < R::kSize; ++i) r.bytes[i] = static_cast<uint8_t>(seed + i * 13);
  return r;
}

template <typename R>
void ExpectRecordSurvives(void (*set)(const R&), R (*get)(), uint8_t seed, const char* what) {
  const R want = Patterned<R>(seed);
  set(want);
  EXPECT_TRUE(get().SameBytes(want)) << what << " in the same process";
  ResetSettingsStoreForTests();
  EXPECT_TRUE(get().SameBytes(want)) << what << " after a restart";
}

}  // namespace

TEST_F(SettingsVxbuf, NothingStoredGivesTheDefaults) {
  EXPECT_TRUE(GetConcSaveRec().SameBytes(DefaultConcSettings()));
  EXPECT_TRUE(GetTextSettings().SameBytes(DefaultTextSettings()));
  EXPECT_TRUE(GetWordlistIndexSettings().SameBytes(DefaultWordlistIndexSettings()));
  EXPECT_EQ(GetConcSaveRecContextHorizons().left, 5);
  EXPECT_EQ(GetUserReadWriteFolder(), Folder());
  EXPECT_TRUE(GetMenuItemChecked(80));
  EXPECT_TRUE(GetMenuItemChecked(81));
  EXPECT_FALSE(GetMenuItemChecked(46));
  EXPECT_TRUE(GetAllDefaultColumnVisible(10)[5]);
  EXPECT_EQ(GetConc_SW_TXT_Marker(), settings_defaults::kSearchWordTextMarker);
  EXPECT_FALSE(FileExists(Folder() + u"settings.dat"));  // reading writes nothing
}

TEST_F(SettingsVxbuf, EveryRecordSurvivesARestart) {
  ExpectRecordSurvives(SetConcSaveRec, GetConcSaveRec, 1, "concordance settings");
  ExpectRecordSurvives(SetTextSettings, GetTextSettings, 2, "text settings");
  ExpectRecordSurvives(SetWordlistSettings, GetWordlistSettings, 3, "word-list settings");
  ExpectRecordSurvives(SetWordlistIndexSettings, GetWordlistIndexSettings, 4, "index settings");
  ExpectRecordSurvives(SetKeywordsSettings, GetKeywordsSettings, 5, "keywords settings");
  ExpectRecordSurvives(SetPlotSettings, GetPlotSettings, 6, "plot settings");
  ExpectRecordSurvives(SetClipboardSettings, GetClipboardSettings, 7, "clipboard settings");
  ExpectRecordSurvives(SetMediaMarkers, GetMediaMarkers, 8, "media markers");
  ExpectRecordSurvives(SetWordCloudSettings, GetWordCloudSettings, 9, "word cloud");
  ExpectRecordSurvives(SetRulerPlotWordCloudFeatures, GetRulerPlotWordCloudFeatures, 10, "ruler features");
  ExpectRecordSurvives(SetTagPreferences, GetTagPreferences, 11, "tag preferences");
  ExpectRecordSurvives(SetCollocateScriptSettings, GetCollocateScriptSettings, 12, "collocate filter");
  ExpectRecordSurvives(SetKollaxaMutualChecks, GetKollaxaMutualChecks, 13, "association checks");
  ExpectRecordSurvives(SetMovingWindowSettings, GetMovingWindowSettings, 14, "moving window");
  ExpectRecordSurvives(SetDetailedConsistencySettings, GetDetailedConsistencySettings, 15, "consistency");
  ExpectRecordSurvives(SetPrinterRec, GetPrinterRec, 16, "printer");
  ExpectRecordSurvives(SetPrinterPrefs, GetPrinterPrefs, 17, "printer preferences");
  // Per tool and kind, and per slot.
  const auto lists = Patterned<TLemmaMatchStopSettingsRec>(18);
  SetLemmaMatchStopSettings(1, 2, lists);
  auto sel = Patterned<TSelectTextFile_RecW>(19);
  SetTextSelectAtAllString(28, sel);
  auto ctx = Patterned<TSelectWithinContextW>(20);
  SetTextSelectWithinContext(1, ctx);
  Restart();
  EXPECT_TRUE(GetStopListSettings(1).SameBytes(lists));
  EXPECT_FALSE(GetStopListSettings(0).SameBytes(lists));
  EXPECT_FALSE(GetMatchListSettings(1).SameBytes(lists));
  EXPECT_TRUE(GetTextSelectAtAllString(28).SameBytes(sel));
  EXPECT_TRUE(GetTextSelectWithinContext(1).SameBytes(ctx));
  EXPECT_EQ(GetTextSelectAtAllString(29).Text(), u"");  // outside 1..28: empty, nothing stored
}

// One value of each kind (text, folder, number, switch, per tool, per index, pairs) set, then read
// in the same process and after a restart.
TEST_F(SettingsVxbuf, SingleValuesSurviveARestart) {
  struct TCase {
    const char* what;
    std::function<void()> set;
    std::function<bool()> check;
  };
  const std::vector<TCase> cases = {
      {"folder", [] { SetUserReadWriteFolder(u"/data/me"); }, [] { return GetUserReadWriteFolder() == u"/data/me/"; }},
      {"last main file", [] { SetLastMainToolFileName(1, u"a.cnc"); },
       [] { return GetLastMainToolFileName(1) == u"a.cnc" && GetLastMainToolFileName(0).empty(); }},
      {"menu", [] { SetMenuItemChecked(5, true); SetMenuItemChecked(80, false); },
       [] { return GetMenuItemChecked(5) && !GetMenuItemChecked(80) && GetAllMenuCheckStates()[5]; }},
      {"columns", [] { SetDefaultColumnsVisible(10, {{3, false}}); },
       [] { return !GetAllDefaultColumnVisible(10)[3] && GetAllDefaultColumnVisible(10)[4] && GetAllDefaultColumnVisible(5)[3]; }},
      {"markers", [] { SetConc_SW_TXT_Marker(u""); SetConc_Context_W_TXT_Marker(u"##"); },
       [] { return GetConc_SW_TXT_Marker().empty() && GetConc_Context_W_TXT_Marker() == u"##"; }},
      {"buffer copy", [] { SetMaySaveVXBufferFile(true); },
       [] { return GetMaySaveVXBufferFile(1) && !GetMaySaveVXBufferFile(0); }},
      {"line starts", [] { SetCutStartOfTextLine(-2); }, [] { return GetCutStartOfTextLine() == -2; }},
      {"reference", [] { SetKeywordsSettingsReferenceCorpus(u"bnc.lst"); },
       [] { return GetKeywordsSettingsReferenceCorpus() == u"bnc.lst" && GetKeywordsSettings().MaxKeywordsWanted() == 500; }},
      {"chosen", [] { SetChosenTextFiles(true, u"/tmp/x.chosen_texts", 12); },
       [] {
         UString f;
         int32_t n = 0;
         return GetChosenTextFiles(f, n) && f == u"/tmp/x.chosen_texts" && n == 12;
       }},
  };
  for (const auto& c : cases) c.set();
  for (const auto& c : cases) EXPECT_TRUE(c.check()) << c.what << " in the same process";
  Restart();
  for (const auto& c : cases) EXPECT_TRUE(c.check()) << c.what << " after a restart";
}

TEST_F(SettingsVxbuf, ConcordanceFieldSettersChangeOnlyTheirField) {
  TConcSettingsRec32 base = Patterned<TConcSettingsRec32>(40);
  base.SetSearchWord(u"old");
  SetConcSaveRec(base);
  // Each setter of the stored record beside the record's own setter that it must equal.
  using R = TConcSettingsRec32;
  const std::vector<std::pair<std::function<void()>, std::function<void(R&)>>> fields = {
      {[] { SetConcSaveRecSearchword(u"new \u00e9"); }, [](R& r) { r.SetSearchWord(u"new \u00e9"); }},
      {[] { SetConcSaveRecContextword(u"ctx"); }, [](R& r) { r.SetContextWord(u"ctx"); }},
      {[] { SetConcSaveRecExclusionword(u"exc"); }, [](R& r) { r.SetExclusionWord(u"exc"); }},
      {[] { SetConcSaveRecContextStopAt(4); }, [](R& r) { r.SetContextStop(4); }},
      {[] { SetConcSaveRecDisplayOptions(0x11); }, [](R& r) { r.SetDisplayOptions(0x11); }},
      {[] { SetConcSaveRecHideOptions(0x12); }, [](R& r) { r.SetHideOptions(0x12); }},
      {[] { SetConcSaveRecColouringOptions(0x05); }, [](R& r) { r.SetColouringOptions(0x05); }},
      {[] { SetConcSaveRecClusterSettingsToLeft(3); }, [](R& r) { r.SetClusterReachLeft(3); }},
      {[] { SetConcSaveRecClusterSettingsToRight(4); }, [](R& r) { r.SetClusterReachRight(4); }},
      // Kept within the 16-bit field.
      {[] { SetConcSaveRecClusterSettingsMinFreq(2147483647); }, [](R& r) { r.SetClusterMinFrequency(0xFFFF); }},
      {[] { SetConcSaveRecClusterNMIn(2); }, [](R& r) { r.SetClusterSizeMin(2); }},
      {[] { SetConcSaveRecClusterNMax(6); }, [](R& r) { r.SetClusterSizeMax(6); }},
      {[] { SetConcSaveRecCollocatesCaseSensitive(true); }, [](R& r) { r.SetCollocatesCaseSensitive(true); }},
      {[] { SetConcSaveRecSWPadded(false); }, [](R& r) { r.SetSearchWordPadded(false); }},
      {[] { SetConcSaveRecSkipPunctuation(true); }, [](R& r) { r.SetSkipPunctuation(true); }},
      {[] { SetConcSaveRecWithContext(true); }, [](R& r) { r.SetContextWordsWanted(true); }},
  };
  R want = base;
  for (const auto& [set_stored, set_record] : fields) {
    set_stored();
    set_record(want);
  }
  Restart();
  const R got = GetConcSaveRec();
  for (size_t i = 0; i < R::kSize; ++i) ASSERT_EQ(got.bytes[i], want.bytes[i]) << "byte " << i;
  EXPECT_EQ(GetConcSaveRecContextHorizons().left, base.ContextHorizonLeft());
  EXPECT_EQ(GetConcSaveRecCollocHorizons().right, base.CollocHorizonRight());
  // On nothing stored, a field setter starts from the defaults.
  SharedSettingsStore().RemoveBlocksWithPrefix("conc_settings");
  Restart();
  SetConcSaveRecSearchword(u"cat");
  want = DefaultConcSettings();
  want.SetSearchWord(u"cat");
  EXPECT_TRUE(GetConcSaveRec().SameBytes(want));
}

TEST_F(SettingsVxbuf, WrongSizesAndOutOfRangeIndexesReadDefaultsAndWriteNothing) {
  SetMenuItemChecked(232, true);
  SetMenuItemChecked(-1, true);
  SetLastMainToolFileName(32, u"x");
  SetLemmaMatchStopSettings(1, 4, Patterned<TLemmaMatchStopSettingsRec>(1));
  SetATempString(u"x", 16);
  SetTextSelectWithinContext(0, Patterned<TSelectWithinContextW>(1));
  EXPECT_FALSE(GetMenuItemChecked(232));
  EXPECT_EQ(GetLastMainToolFileName(32), u"");
  EXPECT_EQ(GetATempString(16), u"");
  EXPECT_FALSE(FileExists(Folder() + u"settings.dat"));

  const uint8_t short_block[100] = {};
  ASSERT_TRUE(SharedSettingsStore().Write("conc_settings", short_block, sizeof short_block));
  ASSERT_TRUE(SharedSettingsStore().Write("text_settings", short_block, 1));
  Restart();
  EXPECT_TRUE(GetConcSaveRec().SameBytes(DefaultConcSettings()));
  EXPECT_EQ(GetTextSettings().LCID(), 0x0409);
  // A text block without its terminator reads as the default text.
  ASSERT_TRUE(SharedSettingsStore().Write("conc_sw_marker", "ab", 2));
  EXPECT_EQ(GetConc_SW_TXT_Marker(), settings_defaults::kSearchWordTextMarker);
}

// A word-handling colour of a style: 12 bytes (foreground, background, typeface) kept per style
// and index; what is not held, or held in a block of another size, reads as the style's default.
TEST_F(SettingsVxbuf, WordHandlingColoursPerStyleAndIndex) {
  const TWordHandlingColourRec light3 = GetWordHandling4ColourRecAndTypeface(0, 3);
  EXPECT_EQ(light3.Foreground(), 0x006400);
  EXPECT_EQ(light3.Background(), -1);
  EXPECT_EQ(light3.Typeface(), 1);
  EXPECT_EQ(GetWordHandling4ColourRecAndTypeface(2, 7).Background(), 0x80FFFF);  // even styles are light
  EXPECT_EQ(GetWordHandling4ColourRecAndTypeface(1, 7).Background(), 0x60C0C0);  // odd ones dark
  EXPECT_TRUE(GetWordHandling4ColourRecAndTypeface(0, 11).SameBytes(GetWordHandling4ColourRecAndTypeface(0, 0)));
  EXPECT_FALSE(FileExists(Folder() + u"settings.dat"));

  const uint8_t stored[12] = {0x11, 0x22, 0x33, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0, 0, 0};
  ASSERT_TRUE(SharedSettingsStore().Write("word_handling_colour.4.5", stored, sizeof stored));
  Restart();
  const TWordHandlingColourRec r = GetWordHandling4ColourRecAndTypeface(4, 5);
  EXPECT_EQ(r.Foreground(), 0x332211);
  EXPECT_EQ(r.Background(), -1);
  EXPECT_EQ(r.Typeface(), 5);
  EXPECT_TRUE(GetWordHandling4ColourRecAndTypeface(4, 6).SameBytes(DefaultWordHandlingColour(4, 6)));
  EXPECT_TRUE(GetWordHandling4ColourRecAndTypeface(5, 5).SameBytes(DefaultWordHandlingColour(5, 5)));
  ASSERT_TRUE(SharedSettingsStore().Write("word_handling_colour.4.5", stored, 8));
  EXPECT_TRUE(GetWordHandling4ColourRecAndTypeface(4, 5).SameBytes(DefaultWordHandlingColour(4, 5)));
}

TEST_F(SettingsVxbuf, ListSwitchesFileNamesAndSelectWithinTypes) {
  TLemmaMatchStopSettingsRec stop = DefaultLemmaMatchStopSettings();
  stop.SetActivated(true);
  stop.SetFileName(u"/lists/stop.txt");
  SetLemmaMatchStopSettings(1, 2, stop);
  EXPECT_TRUE(GetLemmaMatchStopWanted(1, 2));
  EXPECT_FALSE(GetLemmaMatchStopWanted(1, 0) || GetLemmaMatchStopWanted(0, 2));
  EXPECT_EQ(GetLemmaMatchStopFilename(1, 2), u"/lists/stop.txt");
  EXPECT_EQ(GetLemmaMatchStopFilename(1, 1), u"");

  TSelectWithinContextW cut;
  cut.Clear();
  cut.SetWithinType(2);
  SetTextSelectWithinContext(3, cut);
  EXPECT_EQ(SelectWithinTypeFromNumber(3), 2);
  EXPECT_EQ(SelectWithinTypeFromNumber(1), 0);
}

TEST_F(SettingsVxbuf, HandOverValuesLastForTheSessionOnly) {
  SetATempString(u"search", 1);
  SetTempURL(u"/m/a.mp3");
  SetTemp2Int64(12500, 4000);
  SetTemp2Longint(3, 9);
  SetTempOne32char(0x1F600);
  SetTimesEndOfTextHeaderCut(0);
  AddOneToTimesEndOfTextHeaderCut();
  AddOneToTimesEndOfTextHeaderCut();
  SetTagModified(true);
  SetSettingsAlteredByTool(1, true);
  SetDisplayWordsPerMillion(3);  // a user setting
  Restart();                     // another tool of the same session sees them all
  int64_t a = 0, b = 0;
  int32_t c = 0, d = 0;
  GetTemp2Int64(a, b);
  GetTemp2Longint(c, d);
  EXPECT_EQ(GetATempString(1) + u"|" + GetTempURL(), u"search|/m/a.mp3");
  EXPECT_EQ(std::vector<int64_t>({a, b, c, d, GetTempOne32char(), GetTimesEndOfTextHeaderCut()}),
            std::vector<int64_t>({12500, 4000, 3, 9, 0x1F600, 2}));
  EXPECT_TRUE(GetTagModified() && GetSettingsAlteredByTool(1));
  EXPECT_FALSE(GetSettingsAlteredByTool(2));

  SetAllDefaults();  // the suite starts again
  Restart();
  GetTemp2Int64(a, b);
  EXPECT_EQ(GetATempString(1) + GetTempURL(), u"");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), 0);
  EXPECT_FALSE(GetTagModified() || GetSettingsAlteredByTool(1));
  EXPECT_EQ(GetDisplayWordsPerMillion(), 3);  // kept
}

TEST_F(SettingsVxbuf, ChosenTextsAndTheNewChoiceFlag) {
  UString f = u"x";
  int32_t n = 5;
  EXPECT_FALSE(GetChosenTextFiles(f, n));
  EXPECT_EQ(f, u"");
  EXPECT_EQ(n, 0);
  SetChosenTextFiles(false, u"/t/a.chosen_texts", 3);
  EXPECT_FALSE(GetChosenTextFiles(f, n));

  const uint8_t was = current_tool_var;
  current_tool_var = 1;
  EXPECT_FALSE(GetNewChoiceOfTextFiles(true));
  SetNewChoiceOfTextFiles(true, true);  // for every tool
  current_tool_var = 2;
  EXPECT_TRUE(GetNewChoiceOfTextFiles(false));
  current_tool_var = 1;
  EXPECT_TRUE(GetNewChoiceOfTextFiles(true));  // read and reset
  EXPECT_FALSE(GetNewChoiceOfTextFiles(false));
  current_tool_var = 2;
  EXPECT_TRUE(GetNewChoiceOfTextFiles(false));  // another tool's flag stays
  SetNewChoiceOfTextFiles(false, true);
  SetNewChoiceOfTextFiles(true, false);  // this tool only
  EXPECT_TRUE(GetNewChoiceOfTextFiles(false));
  current_tool_var = 3;
  EXPECT_FALSE(GetNewChoiceOfTextFiles(false));
  current_tool_var = was;
}

TEST_F(SettingsVxbuf, SharingAndFolders) {
  EXPECT_TRUE(SetupVXbufSharing());
  EXPECT_TRUE(DirectoryExists(Folder()));
  EXPECT_EQ(SharedSettingsStore().Folder(), Folder());
  // A second store object on the same folder, as another process would have.
  TSettingsStore other(Folder());
  SetIgnoreTagsSpan(77);
  int32_t span = 0;
  ASSERT_TRUE(other.ReadFixed("ignore_tags_span", &span, sizeof span));
  EXPECT_EQ(span, 77);
  const int32_t from_other = 88;
  ASSERT_TRUE(other.Write("ignore_tags_span", &from_other, sizeof from_other));
  EXPECT_EQ(GetIgnoreTagsSpan(), 88);

  const UString zip = GetTempZipFolder();
  EXPECT_TRUE(DirectoryExists(zip));
  EXPECT_TRUE(StartsWithU(zip, GetTempFolder()));
}

TEST(SettingsFolder, EnvironmentDecidesWhereTheStoreLives) {
  TEnvVar a("LINZORA_CONFIG_DIR", "/x/cfg");
  EXPECT_EQ(SettingsFolderFromEnvironment(), u"/x/cfg/");
  TEnvVar b("LINZORA_CONFIG_DIR", nullptr);
  TEnvVar c("XDG_CONFIG_HOME", "/xdg");
  EXPECT_EQ(SettingsFolderFromEnvironment(), u"/xdg/linzora/");
  TEnvVar d("XDG_CONFIG_HOME", "relative/not/used");
  TEnvVar e("HOME", "/home/u");
  EXPECT_EQ(SettingsFolderFromEnvironment(), u"/home/u/.config/linzora/");
}

TEST_F(SettingsVxbuf, PercentageColoursBlendBetweenTheEnds) {
  EXPECT_EQ(GetAPercentageColour(0), 0x808080u);
  EXPECT_EQ(GetAPercentageColour(100), 0x0000C0u);
  EXPECT_EQ(GetAPercentageColour(50), 0x4040A0u);  // (128 + 192) / 2 red, 128 / 2 green and blue
  SetPercentageColours(0x000000, 0xFFFFFF);
  EXPECT_EQ(GetAPercentageColour(25), 0x404040u);  // 255 / 4 = 63.75, to the nearest
  EXPECT_EQ(GetAPercentageColour(-5), 0x000000u);
  EXPECT_EQ(GetAPercentageColour(150), 0xFFFFFFu);
  EXPECT_TRUE(IsOKColour(0xFFFFFF) && IsOKColour(0));
  EXPECT_FALSE(IsOKColour(0x1FFFFFFF));  // "none"
  EXPECT_FALSE(IsOKColour(-16777201));   // a colour of the system
}
