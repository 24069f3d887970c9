// Byte layouts of the settings records: every accessor reaches exactly the bytes it names.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/settings/settings_defaults.h"
#include "platform/settings/settings_records.h"

namespace {

template <typename R>
R Zero() {
  R r;
  r.Clear();
  return r;
}

// After one setter on a zeroed record, exactly `want` is found at `off` and every other byte is 0.
template <typename R>
void ExpectOnly(const R& r, size_t off, const std::vector<uint8_t>& want, const char* what) {
  for (size_t i = 0; i < R::kSize; ++i) {
    const uint8_t expected = (i >= off && i < off + want.size()) ? want[i - off] : 0;
    ASSERT_EQ(r.bytes[i], expected) << what << ": byte " << i;
  }
}

#define EXPECT_FIELD(Rec, setter, off, ...)                 \
  do {                                                     \
    auto r_ = Zero<Rec>();                                 \
    r_.setter;                                             \
    ExpectOnly(r_, off, std::vector<uint8_t>{__VA_ARGS__}, #setter); \
  } while (0)

}  // namespace

TEST(SettingsRecords, ConcordanceSettingsFieldsLandOnTheirBytes) {
  using C = TConcSettingsRec32;
  EXPECT_FIELD(C, SetSearchWord(u"ab"), 0, 'a', 0, 'b', 0);
  EXPECT_FIELD(C, SetExclusionWord(u"x"), 162, 'x', 0);
  EXPECT_FIELD(C, SetContextWord(u"\u00e9"), 486, 0xE9, 0);
  EXPECT_FIELD(C, SetWantedPerSearchWord(0x01020304), 648, 4, 3, 2, 1);
  EXPECT_FIELD(C, SetMergedLineCount(7), 652, 7, 0, 0, 0);
  EXPECT_FIELD(C, SetMergedTotal(8), 656, 8, 0, 0, 0);
  EXPECT_FIELD(C, SetRunningWords(0x100), 660, 0, 1, 0, 0);
  EXPECT_FIELD(C, SetExactContextPosition(-2), 668, 0xFE, 0xFF, 0xFF, 0xFF);
  EXPECT_FIELD(C, SetCollocHorizons({1, 2}), 1704, 1, 0, 2, 0);
  EXPECT_FIELD(C, SetContextHorizonRight(9), 1710, 9, 0);
  EXPECT_FIELD(C, SetContextHorizons({3, 25}), 1708, 3, 0, 25, 0);
  EXPECT_FIELD(C, SetClusterReachLeft(5), 1714, 5, 0);
  EXPECT_FIELD(C, SetClusterReachRight(6), 1716, 6, 0);
  EXPECT_FIELD(C, SetClusterMinFrequency(300), 1718, 0x2C, 1);
  EXPECT_FIELD(C, SetPlotComputed(true), 1723, 1);
  EXPECT_FIELD(C, SetClustersComputed(true), 1724, 1);
  EXPECT_FIELD(C, SetPatternsComputed(true), 1725, 1);
  EXPECT_FIELD(C, SetCollocatesComputed(true), 1726, 1);
  EXPECT_FIELD(C, SetRelationshipsComputed(true), 1729, 1);
  EXPECT_FIELD(C, SetSearchWordHidden(true), 1733, 1);
  EXPECT_FIELD(C, SetExclusionWordsWanted(true), 1735, 1);
  EXPECT_FIELD(C, SetContextWordsWanted(true), 1736, 1);
  EXPECT_FIELD(C, SetStopAtLevel(2), 1737, 2);
  EXPECT_FIELD(C, SetMinWordLength(3), 1738, 3);
  EXPECT_FIELD(C, SetSearchWordPadded(true), 1739, 1);
  EXPECT_FIELD(C, SetCharactersPerLine(1000), 1740, 0xE8, 0x03);
  EXPECT_FIELD(C, SetMinCollocateFrequency(5), 1742, 5, 0);
  EXPECT_FIELD(C, SetDisplayOptions(9), 1744, 9);
  EXPECT_FIELD(C, SetSortKey(0, 11), 1745, 11);
  EXPECT_FIELD(C, SetSortKey(2, 28), 1747, 28);
  EXPECT_FIELD(C, SetSortCaseSensitive(1, true), 1749, 1);
  EXPECT_FIELD(C, SetContextStop(6), 1757, 6);
  EXPECT_FIELD(C, SetClusterSizeMin(2), 1758, 2, 0);
  EXPECT_FIELD(C, SetClusterSizeMax(8), 1760, 8, 0);
  EXPECT_FIELD(C, SetRecordLevel(3), 1763, 3);
  EXPECT_FIELD(C, SetMinCollocateTexts(2), 1765, 2);
  EXPECT_FIELD(C, SetHideOptions(31), 1766, 31);
  EXPECT_FIELD(C, SetFetchingLineTexts(true), 1768, 1);
  EXPECT_FIELD(C, SetInheritedSetting(5), 1772, 5, 0, 0, 0);
  EXPECT_FIELD(C, SetLemmaListSearch(true), 1776, 1);
  EXPECT_FIELD(C, SetCollocatesCaseSensitive(true), 1778, 1);
  EXPECT_FIELD(C, SetTimelineComputed(true), 1779, 1);
  EXPECT_FIELD(C, SetCollocateExtraColumnsComputed(true), 1780, 1);
  EXPECT_FIELD(C, SetPlotRowOrder(2), 1782, 2);
  EXPECT_FIELD(C, SetLinesCarryPairedTagFlag(true), 1783, 1);
  EXPECT_FIELD(C, SetColouringOptions(5), 1792, 5);
  EXPECT_FIELD(C, SetCollocateSearchWordsTogether(true), 1797, 1);
  // Out-of-range sort indexes write nothing.
  EXPECT_FIELD(C, SetSortKey(3, 1), 0);
  EXPECT_FIELD(C, SetSortCaseSensitive(-1, true), 0);
}

TEST(SettingsRecords, WordFieldsAreCutAndTerminated) {
  auto c = Zero<TConcSettingsRec32>();
  c.SetSearchWord(UString(100, u'w'));
  EXPECT_EQ(c.SearchWord(), UString(80, u'w'));
  EXPECT_EQ(c.bytes[160], 0);
  EXPECT_EQ(c.bytes[161], 0);
  EXPECT_EQ(c.bytes[162], 0);  // the exclusion field is untouched
  // A shorter word clears what a longer one left behind.
  c.SetSearchWord(u"cat");
  EXPECT_EQ(c.SearchWord(), u"cat");
  EXPECT_EQ(c.bytes[8], 0);
  // A cut never splits a surrogate pair.
  c.SetSearchWord(UString(79, u'a') + u"\U0001F600");
  EXPECT_EQ(c.SearchWord(), UString(79, u'a'));
  // A field with no terminator reads to its end.
  auto l = Zero<Tfixed_lang_details32>();
  l.SetExtraSymbols(u"0123456789ABC");
  EXPECT_EQ(l.ExtraSymbols(), u"0123456789");
  EXPECT_EQ(l.bytes[70], 0);
}

TEST(SettingsRecords, TextSettingsFieldsLandOnTheirBytes) {
  using T = TTextsett_rec32;
  EXPECT_FIELD(T, SetLCID(0x0409), 4, 0x09, 0x04, 0, 0);
  EXPECT_FIELD(T, SetSaved(true), 2, 1);
  EXPECT_FIELD(T, SetTagTreatment(3), 1040, 3);
  EXPECT_FIELD(T, SetPrecomposedCharacters(true), 1041, 1);
  EXPECT_FIELD(T, SetNumbersIncluded(true), 1047, 1);
  EXPECT_FIELD(T, SetSpecialCharacter(0, 0, u'<'), 1048, '<', 0);
  EXPECT_FIELD(T, SetSpecialCharacter(1, 5, u'>'), 1070, '>', 0);
  EXPECT_FIELD(T, SetMarkerAuto(15, true), 1073, 1);
  EXPECT_FIELD(T, SetMarkerText(14, u"."), 1080, '.', 0);
  EXPECT_FIELD(T, SetMarkerText(21, u"x"), 1080 + 7 * 200, 'x', 0);
  EXPECT_FIELD(T, SetProcessingLimit(0x7FFFFFFF), 2704, 0xFF, 0xFF, 0xFF, 0x7F);
  EXPECT_FIELD(T, SetTagDisplay(1), 2708, 1);
  EXPECT_FIELD(T, SetMarkerText(13, u"no"), 0);
  EXPECT_FIELD(T, SetSpecialCharacter(2, 0, u'x'), 0);

  using L = Tfixed_lang_details32;
  EXPECT_FIELD(L, SetSymbolsAtWordEnd(true), 0, 1);
  EXPECT_FIELD(L, SetSymbolsAtWordStart(true), 1, 1);
  EXPECT_FIELD(L, SetPreference(3), 3, 3);
  EXPECT_FIELD(L, SetHyphenBreaksWord(true), 45, 1);
  EXPECT_FIELD(L, SetWindowsCodePage(1252), 46, 0xE4, 0x04);
  EXPECT_FIELD(L, SetDosCodePage(437), 48, 0xB5, 0x01);
  EXPECT_FIELD(L, SetExtraSymbols(u"'"), 50, '\'', 0);
  EXPECT_FIELD(L, SetFontCharset(1), 330, 1);
  EXPECT_FIELD(L, SetFontSize(12), 331, 12);
  EXPECT_FIELD(L, SetFontName(u"A"), 332, 'A', 0);
  EXPECT_FIELD(L, SetLanguageName(u"E"), 936, 'E', 0);
  // The language block is the first 1040 bytes of the text settings.
  auto lang = Zero<L>();
  lang.SetLanguageName(u"French");
  lang.SetFontSize(11);
  auto t = Zero<T>();
  t.SetTagTreatment(2);
  t.SetLanguage(lang);
  EXPECT_EQ(t.LanguageName(), u"French");
  EXPECT_EQ(t.TagTreatment(), 2);
  EXPECT_TRUE(t.Language().SameBytes(lang));
  // Taking another record's display font changes bytes 330 to 533 only.
  auto other = DefaultTextSettings();
  for (size_t i = 0; i < T::kSize; ++i) other.bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  auto mine = Zero<T>();
  mine.CopyDisplayFontFrom(other);
  for (size_t i = 0; i < T::kSize; ++i) {
    ASSERT_EQ(mine.bytes[i], (i >= 330 && i <= 533) ? other.bytes[i] : 0) << i;
  }
}

TEST(SettingsRecords, OtherRecordsFieldsLandOnTheirBytes) {
  EXPECT_FIELD(TWordlist_settings_rec, SetRatioBasis(1000), 0, 0xE8, 0x03);
  EXPECT_FIELD(TWordlist_settings_rec, SetCaseSensitive(true), 20, 1);
  EXPECT_FIELD(TWordlist_settings_rec, SetMaxTexts(2), 12, 2, 0, 0, 0);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetLayoutMarker(-1), 0, 0xFF, 0xFF, 0xFF, 0xFF);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetRecountRunningWords(true), 3037, 1);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetDropPlainClusters(true), 3244 + 26, 1);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetDropStarredClusters(true), 3244 + 27, 1);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetUnicode(true), 3286, 1);
  EXPECT_FIELD(TWordlistIndexSettingsRec, SetIndexVersion(1), 3288, 1, 0, 0, 0);
  // The index's own fields, each on bytes of its own (docs/formats.md).
  using X = TWordlistIndexSettingsRec;
  EXPECT_FIELD(X, SetMinTypeFrequency(3), 3220, 3, 0, 0, 0);
  EXPECT_FIELD(X, SetRecordsNotRunningWords(2), 3240, 2, 0, 0, 0);
  EXPECT_FIELD(X, SetClusterSizeMin(2), 3244, 2, 0);
  EXPECT_FIELD(X, SetClusterSizeMax(0x0102), 3246, 2, 1);
  EXPECT_FIELD(X, SetClusterMinTexts(4), 3248, 4, 0, 0, 0);
  EXPECT_FIELD(X, SetClusterMinFrequency(5), 3252, 5, 0, 0, 0);
  EXPECT_FIELD(X, SetClusterSecondsPerWord(6), 3256, 6, 0, 0, 0);
  EXPECT_FIELD(X, SetFirstFilterMinFrequency(7), 3260, 7, 0, 0, 0);
  EXPECT_FIELD(X, SetFirstFilterMaxPercent(100.0f), 3264, 0x00, 0x00, 0xC8, 0x42);
  EXPECT_FIELD(X, SetClusterStopAt(3), 3268, 3);
  EXPECT_FIELD(X, SetClustersPerText(true), 3269, 1);
  EXPECT_FIELD(X, SetClusterKeepPositions(true), 3272, 1);
  EXPECT_FIELD(X, SetClusterApplyStopList(true), 3273, 1);
  EXPECT_FIELD(X, SetExcludeHashEntries(true), 3274, 1);
  EXPECT_FIELD(X, SetClusterDispersion(true), 3275, 1);
  EXPECT_FIELD(X, SetPhraseFramesOff(true), 3276, 1);
  EXPECT_FIELD(X, SetPhraseFrameMinFrequency(8), 3280, 8, 0, 0, 0);
  EXPECT_FIELD(X, SetIndexRunningWords(0x01020304), 3296, 4, 3, 2, 1);
  EXPECT_FIELD(X, SetExactWordLength(true), 3324, 1);
  static_assert(X::kRelationshipsAt == 3040 && X::kRelationshipsAt + X::kRelationshipsSize == 3220);
  static_assert(X::kClusterBlockAt == 3244 && X::kWordlistSettingsAt == 3300);
  EXPECT_FIELD(TKeywordsSettingsRec32, SetSaved(true), 2, 1);
  EXPECT_FIELD(TKeywordsSettingsRec32, SetLayoutMarkedValue(-1), 1048, 0xFF, 0xFF, 0xFF, 0xFF);
  EXPECT_FIELD(TKeywordsSettingsRec32, SetLayoutVersion(7), 1592, 7, 0, 0, 0);
  EXPECT_FIELD(TPlotSettingsRec, SetShowPlotInfo(true), 1, 1);
  EXPECT_FIELD(TPlotSettingsRec, SetPlotDisplay(2), 2, 2);
  EXPECT_FIELD(TPlotSettingsRec, SetHitContextCharacters(0x0102), 12, 2, 1, 0, 0);
  EXPECT_FIELD(TPlotSettingsRec, SetHitContextMostLines(300), 16, 0x2C, 1, 0, 0);
  EXPECT_FIELD(TClipboardSettingsRec, SetEditableText(true), 0, 1);
  EXPECT_FIELD(TClipboardSettingsRec, SetPicture(true), 1, 1);
  EXPECT_FIELD(TClipboardSettingsRec, SetHeadingRow(true), 2, 1);
  EXPECT_FIELD(TClipboardSettingsRec, SetNumberColumn(true), 3, 1);
  EXPECT_FIELD(TMediaMarkersRec, SetMethod(2), 0, 2);
  EXPECT_FIELD(TMediaMarkersRec, SetLookupTable(u"t"), 2, 't', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetMediaFolder(u"f"), 524, 'f', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetFileNameMarker(u"m"), 1046, 'm', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetDefaultDurationSeconds(10), 1108, 10, 0, 0, 0);
  EXPECT_FIELD(TMediaMarkersRec, SetDurationMarker(u"d"), 1112, 'd', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetStartMarker(u"s"), 1134, 's', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetExtension(5, u"e"), 1156 + 5 * 22, 'e', 0);
  EXPECT_FIELD(TMediaMarkersRec, SetWideningStepSeconds(1.0f), 1288, 0, 0, 0x80, 0x3F);
  EXPECT_FIELD(TWordCloudSettingsRec, SetShape(3), 0, 3);
  EXPECT_FIELD(TWordCloudSettingsRec, SetColourBySize(true), 3, 1);
  EXPECT_FIELD(TWordCloudSettingsRec, SetShowShapes(true), 4, 1);
  EXPECT_FIELD(TWordCloudSettingsRec, SetUseCase(true), 5, 1);
  EXPECT_FIELD(TWordCloudSettingsRec, SetHorizontalSpacing(2.0f), 8, 0, 0, 0, 0x40);
  EXPECT_FIELD(TWordCloudSettingsRec, SetVerticalSpacing(2.0f), 12, 0, 0, 0, 0x40);
  EXPECT_FIELD(TWordCloudSettingsRec, SetOutputCase(1), 16, 1);
  EXPECT_FIELD(TWordCloudSettingsRec, SetMinFontSize(9), 20, 9, 0, 0, 0);
  EXPECT_FIELD(TRulerPlotWordCloudFeaturesRec, SetPlotDivisions(8), 40, 8, 0, 0, 0);
  EXPECT_FIELD(TTagPreferencesRec, SetTagDisplay(1), 0, 1);
  EXPECT_FIELD(TCollocateScriptSettingsRec, SetField(9, 3), 36, 3, 0, 0, 0);
  EXPECT_FIELD(TCollocateScriptSettingsRec, SetField(21, 3), 0);
  EXPECT_FIELD(TMovingWindowSettingsRec, SetWordCount(4), 4, 4, 0, 0, 0);
  EXPECT_FIELD(TPrinterRec, SetPrinterName(u"P"), 0, 'P', 0);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetActivated(true), 0, 1);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetAction(2), 1, 2);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetAppliesToStatistics(true), 2, 1);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetKind(1), 3, 1);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetTypedWords(u"w"), 4, 'w', 0);
  EXPECT_FIELD(TLemmaMatchStopSettingsRec, SetFileName(u"n"), 106, 'n', 0);
  // The index block carries a whole text-settings record after its first word.
  auto x = Zero<TWordlistIndexSettingsRec>();
  x.SetTextSettings(DefaultTextSettings());
  EXPECT_EQ(x.TextSettings().LCID(), 0x0409);
  EXPECT_EQ(x.bytes[4 + 4], 0x09);
  EXPECT_EQ(x.LayoutMarker(), 0);
}

TEST(SettingsRecords, DefaultsForANewUserAreUsable) {
  const auto c = DefaultConcSettings();
  EXPECT_EQ(c.ContextHorizonLeft() + c.CollocHorizonRight(), 10);
  EXPECT_EQ(c.WantedPerSearchWord(), 0x7FFFFFFF);
  EXPECT_LT(c.AllowedLastWordGap(), 0);
  EXPECT_LE(c.ClusterSizeMin(), c.ClusterSizeMax());
  const auto t = DefaultTextSettings();
  EXPECT_EQ(t.LCID(), 0x0409);
  EXPECT_GT(t.ProcessingLimit(), 0);
  EXPECT_EQ(UString{t.SpecialCharacter(0, 0)} + t.SpecialCharacter(1, 0), u"<>");
  EXPECT_TRUE(t.MarkerAuto(TTextsett_rec32::kSentenceEndMarker));
  EXPECT_GE(DefaultRulerPlotWordCloudFeatures().PlotDivisions(), 2);
}
