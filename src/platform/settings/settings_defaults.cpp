// Defaults of the settings store, for a user who has none yet.
//
//   concordance   horizons 5 left / 5 right for context words and collocates; lines per search
//                 word unlimited (0x7FFFFFFF); 1000 characters saved per line; clusters of 3 words
//                 reaching 5 words each side, at least 2 times; collocates at least 5 times, in at
//                 least 1 text, of at least 1 letter, counted in capitals; no context stop, no
//                 stop-at level, close-hits rule off; sort keys 0, 0, 13 without case; record
//                 level 3, lines carry their paired-tag flag.
//   text          English (United States), locale 0x0409, code pages 1252 and 437; font
//                 "DejaVu Sans" 10 pt; hyphens join words, numbers are not words, no extra
//                 symbols; mark-up between "<" and ">" is ignored; sentence ends found
//                 automatically, no other structure markers; no processing limit (0x7FFFFFFF).
//   word lists    words of 1 to 50 letters, frequency 1 and up, in 1 text and up, counted in
//                 capitals, numbers left out, ratio blocks of 1000 words.
//   index         clusters of 3 to 5 words; the current layout marker.
//   keywords      at most 500 keywords; no reference corpus.
//   plot          information buttons shown, plots not uniform; 8 divisions; red plot lines on a
//                 silver ruler.
//   clipboard     editable text with its heading row and number column, no picture.
//   media         a marker in the text ("MEDIA="), "START=" and "DUR=" marks, 10 seconds when no
//                 duration is given, widening by 1 second; mp3, wav, ogg, mp4, webm, avi.
//   word cloud    round shape, words coloured by size, spacing 1.0, smallest font 9 pt.
//   lists         lemma, match and stop lists off, kind list file, no file.
//   collocate     word filter open: lengths 1 to 1000, every other lower bound 1 and upper bound
//   filter        0x7FFFFFFF; no association threshold tested.
//   printing      no printer chosen, millimetres.
//   single values see settings_defaults.h; the status bar menu item is checked; every default
//                 column visible; every optional step carried out; percentages coloured from
//                 grey (0 %) to dark red (100 %) when colouring is on, which it is not.
#include "platform/settings/settings_defaults.h"

namespace {
constexpr int32_t kNoLimit = 0x7FFFFFFF;

template <typename R>
R Zeroed() {
  R r;
  r.Clear();
  return r;
}
}  // namespace

TConcSettingsRec32 DefaultConcSettings() {
  auto r = Zeroed<TConcSettingsRec32>();
  r.SetWantedPerSearchWord(kNoLimit);
  r.SetAllowedLastWordGap(-1);
  r.SetCollocHorizons({5, 5});
  r.SetContextHorizons({5, 5});
  r.SetClusterReachLeft(5);
  r.SetClusterReachRight(5);
  r.SetClusterMinFrequency(2);
  r.SetClusterSizeMin(3);
  r.SetClusterSizeMax(3);
  r.SetMinWordLength(1);
  r.SetCharactersPerLine(1000);
  r.SetMinCollocateFrequency(5);
  r.SetMinCollocateTexts(1);
  // Sorting first offers the search word, then the word to its right, then the file (the keys'
  // indexes in the sort dialog's table).
  r.SetSortKey(0, 5);
  r.SetSortKey(1, 6);
  r.SetSortKey(2, 13);
  r.SetRecordLevel(3);
  r.SetLinesCarryPairedTagFlag(true);
  return r;
}

Tfixed_lang_details32 DefaultLanguage() {
  auto l = Zeroed<Tfixed_lang_details32>();
  l.SetPreference(3);
  l.SetLCID(0x0409);
  l.SetWindowsCodePage(1252);
  l.SetDosCodePage(437);
  l.SetFontSize(10);
  l.SetFontName(u"DejaVu Sans");
  l.SetLanguageName(u"English (United States)");
  return l;
}

TTextsett_rec32 DefaultTextSettings() {
  auto t = Zeroed<TTextsett_rec32>();
  t.SetLanguage(DefaultLanguage());
  t.SetSpecialCharacter(0, 0, u'<');
  t.SetSpecialCharacter(1, 0, u'>');
  t.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, true);
  t.SetProcessingLimit(kNoLimit);
  return t;
}

TWordlist_settings_rec DefaultWordlistSettings() {
  auto w = Zeroed<TWordlist_settings_rec>();
  w.SetRatioBasis(1000);
  w.SetMinFrequency(1);
  w.SetMinWordLength(1);
  w.SetMaxFrequency(kNoLimit);
  w.SetMinTexts(1);
  w.SetMaxWordLength(50);
  w.SetMaxTexts(kNoLimit);
  return w;
}

TWordlistIndexSettingsRec DefaultWordlistIndexSettings() {
  auto x = Zeroed<TWordlistIndexSettingsRec>();
  x.SetLayoutMarker(-1);
  x.SetTextSettings(DefaultTextSettings());
  x.SetClusterSizeMin(3);
  x.SetClusterSizeMax(5);
  x.SetClusterMinTexts(1);
  x.SetClusterMinFrequency(3);
  x.SetFirstFilterMinFrequency(3);
  x.SetFirstFilterMaxPercent(100.0f);
  x.SetClusterStopAt(2);
  x.SetPhraseFrameMinFrequency(3);
  x.SetMinTypeFrequency(1);
  x.SetUnicode(true);
  // Relationships: pairs met at least 3 times within 5 words either side of a sentence, every
  // base word, every measure's threshold 0 with any one enough.
  TRelationshipSettingsRec r = RelationshipSettingsOf(x);
  r.SetMinJointFrequency(3);
  r.SetMaxPercent(100.0f);
  r.SetMinTexts(1);
  r.SetMinFrequencyWord2(1);
  r.SetSpan(5);
  r.SetLeftAndRight(true);
  r.SetStopAt(2);
  SetRelationshipSettingsOf(x, r);
  return x;
}

TKeywordsSettingsRec32 DefaultKeywordsSettings() {
  auto k = Zeroed<TKeywordsSettingsRec32>();
  k.SetLayoutVersion(7);
  k.SetMaxKeywordsWanted(500);
  return k;
}

TPlotSettingsRec DefaultPlotSettings() {
  auto p = Zeroed<TPlotSettingsRec>();
  p.SetShowPlotInfo(true);
  // The words around each hit, for the plot's hint while a concordance is not too big.
  p.SetHitContextCharacters(80);
  p.SetHitContextMostLines(10000);
  return p;
}

TClipboardSettingsRec DefaultClipboardSettings() {
  auto c = Zeroed<TClipboardSettingsRec>();
  c.SetEditableText(true);
  c.SetHeadingRow(true);
  c.SetNumberColumn(true);
  return c;
}

TMediaMarkersRec DefaultMediaMarkers() {
  auto m = Zeroed<TMediaMarkersRec>();
  m.SetFileNameMarker(u"MEDIA=");
  m.SetDefaultDurationSeconds(10);
  m.SetDurationMarker(u"DUR=");
  m.SetStartMarker(u"START=");
  const char16_t* ext[TMediaMarkersRec::kExtensions] = {u"mp3", u"wav", u"ogg", u"mp4", u"webm", u"avi"};
  for (int i = 0; i < TMediaMarkersRec::kExtensions; ++i) m.SetExtension(i, ext[i]);
  m.SetWideningStepSeconds(1.0f);
  return m;
}

TWordCloudSettingsRec DefaultWordCloudSettings() {
  auto w = Zeroed<TWordCloudSettingsRec>();
  w.SetColourBySize(true);
  w.SetHorizontalSpacing(1.0f);
  w.SetVerticalSpacing(1.0f);
  w.SetMinFontSize(9);
  return w;
}

TRulerPlotWordCloudFeaturesRec DefaultRulerPlotWordCloudFeatures() {
  auto f = Zeroed<TRulerPlotWordCloudFeaturesRec>();
  f.SetPlotLineColour(0x000000FF);
  f.SetRulerColour(0x00C0C0C0);
  f.SetPlotDivisions(8);
  return f;
}

TTagPreferencesRec DefaultTagPreferences() { return Zeroed<TTagPreferencesRec>(); }

TCollocateScriptSettingsRec DefaultCollocateScriptSettings() {
  auto c = Zeroed<TCollocateScriptSettingsRec>();
  using C = TCollocateScriptSettingsRec;
  c.SetField(C::kMaxWordLength, 1000);
  c.SetField(C::kMinWordLength, 1);
  for (int i : {C::kMaxTexts, C::kMaxFrequency, C::kMaxCollocateTotal, C::kMaxCollocates}) c.SetField(i, kNoLimit);
  for (int i : {C::kMinTexts, C::kMinFrequency, C::kMinCollocateTotal, C::kMinCollocates}) c.SetField(i, 1);
  return c;
}

TKollaxaMutualChecks DefaultKollaxaMutualChecks() { return Zeroed<TKollaxaMutualChecks>(); }

TMovingWindowSettingsRec DefaultMovingWindowSettings() {
  auto m = Zeroed<TMovingWindowSettingsRec>();
  m.SetMinFrequency(1);
  m.SetWordCount(100);
  return m;
}

TDetailedConsistencySettingsRec DefaultDetailedConsistencySettings() {
  auto d = Zeroed<TDetailedConsistencySettingsRec>();
  d.SetMinTexts(1);
  d.SetMinTotalFrequency(1);
  return d;
}

TPrinterRec DefaultPrinterRec() { return Zeroed<TPrinterRec>(); }
TPrinterPrefsRec DefaultPrinterPrefs() { return Zeroed<TPrinterPrefsRec>(); }

TWordHandlingColourRec DefaultWordHandlingColour(int32_t style, int32_t index) {
  struct TColours {
    int32_t fore, back;
    uint8_t typeface;
  };
  constexpr int32_t kNoBack = -1;
  // Index 0..7 in a light and a dark style; colours 0x00BBGGRR.
  static constexpr TColours kLight[] = {
      {0x000000, kNoBack, 0}, {0xA00000, kNoBack, 1}, {0x808080, kNoBack, 0}, {0x006400, kNoBack, 1},
      {0x800080, kNoBack, 0}, {0x0050B4, kNoBack, 0}, {0xB45000, kNoBack, 0}, {0x000000, 0x80FFFF, 1},
  };
  static constexpr TColours kDark[] = {
      {0xE0E0E0, kNoBack, 0}, {0xFFAA78, kNoBack, 1}, {0xA0A0A0, kNoBack, 0}, {0x80E080, kNoBack, 1},
      {0xFF80FF, kNoBack, 0}, {0x60B0FF, kNoBack, 0}, {0xFFC080, kNoBack, 0}, {0x000000, 0x60C0C0, 1},
  };
  const TColours* table = (style & 1) != 0 ? kDark : kLight;
  const TColours c = index >= 0 && index < 8 ? table[index] : table[0];
  auto r = Zeroed<TWordHandlingColourRec>();
  r.SetForeground(c.fore);
  r.SetBackground(c.back);
  r.SetTypeface(c.typeface);
  return r;
}
TLemmaMatchStopSettingsRec DefaultLemmaMatchStopSettings() { return Zeroed<TLemmaMatchStopSettingsRec>(); }

namespace settings_defaults {
// The status bar and the main tool bar show until the user hides them.
bool MenuItemCheckedByDefault(int tag) { return tag == 80 || tag == 81; }
}  // namespace settings_defaults
