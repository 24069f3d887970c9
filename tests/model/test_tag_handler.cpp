// The mark-up tag handler on real angle-bracket mark-up: the flags it sets, the text it changes,
// in UTF-16 and 8-bit buffers.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "model/TagHandlingGeneral.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/vxbuf.h"
#include "platform/text/text_services.h"
#include "support/temp_folder.h"

namespace {

// A chunk as the reader hands it over: the text, two terminators, and one flag word per
// character (plus two zero words) filled with the character kinds. 8-bit text is Windows-1252,
// classified through its UTF-16 form.
template <typename S>
struct TBuf {
  explicit TBuf(const S& s) : text(s), n(static_cast<int32_t>(s.size())) {
    text.append(2, 0);
    flags.assign(s.size() + 2, 0);
    if constexpr (std::is_same_v<S, UString>) {
      ClassifyChars(text.data(), s.size(), flags.data());
    } else {
      const UString wide = DecodeCodePage(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 1252);
      ClassifyChars(wide.data(), wide.size(), flags.data());
    }
    kinds = flags;
  }
  S Text() const { return text.substr(0, static_cast<size_t>(n)); }
  void* T() { return text.data(); }
  uint16_t* F() { return flags.data(); }
  int32_t At(const S& what, size_t from = 0) const { return static_cast<int32_t>(text.find(what, from)); }

  S text;
  std::vector<uint16_t> flags, kinds;  // kinds: as classified, before any handling
  int32_t n;
};
using TWideBuf = TBuf<UString>;
using TNarrowBuf = TBuf<std::string>;

template <typename B>
void ExpectFlags(const B& b, int32_t from, int32_t count, uint16_t flag, const char* what) {
  for (int32_t i = from; i < from + count; ++i) EXPECT_EQ(b.flags[static_cast<size_t>(i)], flag) << what << " at " << i;
}
template <typename B>
void ExpectUntouched(const B& b, int32_t from, int32_t count, const char* what) {
  for (int32_t i = from; i < from + count; ++i)
    EXPECT_EQ(b.flags[static_cast<size_t>(i)], b.kinds[static_cast<size_t>(i)]) << what << " at " << i;
}

TStoredTagRec Tag(UStringView text, UStringView description = u"") {
  TStoredTagRec r;
  r.tag = UString(text);
  r.description = UString(description);
  r.partner = -1;
  r.foreground_colour = 0x0000FF;
  r.background_colour = 0xFFFFFF;
  return r;
}

class TagHandlerTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_temp_ = my_temp_path;
    my_temp_path = folder_.Path();
    saved_settings_ = GetTextSettings();
    SetDialogService(nullptr);
    HeadlessDialogs().Clear();
  }
  void TearDown() override {
    my_temp_path = saved_temp_;
    SetTextSettings(saved_settings_);
    SetTextSelectingWithin(false);
    SetCutStartOfTextLine(0);
    for (int i = 1; i <= kSelectWithinContexts; ++i) SetTextSelectWithinContext(i, TSelectWithinContextW{});
    HeadlessDialogs().Clear();
  }

  void SaveKeep(std::initializer_list<TStoredTagRec> tags) {
    TTagsToKeepList l(kLCID_EnglishUS, 1252);
    for (const auto& t : tags) l.Add(std::make_unique<TTagStringItem>(t, &l));
    ASSERT_TRUE(l.SavedToTempfile());
    keep_saved_ = true;
  }
  void SaveExclude(std::initializer_list<const char16_t*> tags) {
    TTagsToDeleteList l(kLCID_EnglishUS, 1252);
    for (const char16_t* t : tags) {
      TStoredTagRec r = Tag(t);
      r.tag_type = on_middle_and_off_again_tag;
      l.Add(std::make_unique<TTagStringItem>(r, &l));
    }
    ASSERT_TRUE(l.SavedToTempfile());
    exclude_saved_ = true;
  }
  void SaveEntities(std::initializer_list<const char16_t*> lines) {
    TTagsToTranslateList l(kLCID_EnglishUS, 1252);
    for (const char16_t* line : lines) l.AddFromALine(line);
    ASSERT_TRUE(l.SavedToTempfile());
  }
  // A handler with the tags saved before, searching UTF-16 text.
  std::unique_ptr<TTextTagHandler> Loaded() {
    auto h = std::make_unique<TTextTagHandler>(kLCID_EnglishUS, 1252);
    EXPECT_EQ(h->LoadFromSwapFile(), keep_saved_);
    EXPECT_EQ(h->LoadExcludeTagListFromSwapFile(), exclude_saved_);
    h->fUse_Unicode = true;
    return h;
  }

  TempFolder folder_;
  UString saved_temp_;
  TTextsett_rec32 saved_settings_;
  bool keep_saved_ = false, exclude_saved_ = false;
};

// --- tags to keep ------------------------------------------------------------------------------

TEST_F(TagHandlerTest, KeptTagsCarryTheirIndex) {
  SaveKeep({Tag(u"<p>"), Tag(u"</p>"), Tag(u"<s n=#>"), Tag(u"<hi *>")});
  auto h = Loaded();
  const UString in = u"<p>Hello <s n=12>x</s> <s n=a> <hi rend=it>y</p>";
  TWideBuf b(in);
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, false, b.T(), b.F(), 1000, 0, b.n), 4);
  ExpectFlags(b, 0, 3, 0x0801, "<p>");
  ExpectUntouched(b, 3, 6, "Hello ");
  ExpectFlags(b, b.At(u"<s n=12>"), 8, 0x0803, "<s n=12>");
  ExpectUntouched(b, b.At(u"x</s>"), 5, "x</s>");
  ExpectUntouched(b, b.At(u"<s n=a>"), 7, "a wildcard mismatch");
  ExpectFlags(b, b.At(u"<hi rend=it>"), 12, 0x0804, "<hi ...>");  // "*" before ">": anything up to ">"
  ExpectFlags(b, b.At(u"</p>"), 4, 0x0802, "</p>");
  EXPECT_EQ(b.Text(), in);  // kept tags keep their text

  // A tag longer than the span is not a tag; the search starts at the first valid character.
  TWideBuf c(u"<p>Hello <s n=12>x</p>");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, false, c.T(), c.F(), 5, 1, c.n), 1);
  ExpectUntouched(c, 0, 3, "before the first valid character");
  ExpectUntouched(c, c.At(u"<s n=12>"), 8, "longer than the span");
  ExpectFlags(c, c.At(u"</p>"), 4, 0x0802, "</p>");
}

TEST_F(TagHandlerTest, TagFoundHandlerDecidesTheLength) {
  SaveKeep({Tag(u"<a *>"), Tag(u"<b>")});
  auto h = Loaded();
  std::vector<int32_t> seen;
  h->fTagFoundHandler = [&](uint16_t*, void*, int32_t where, int32_t length, bool wide, const TextTagRec& tag) {
    EXPECT_TRUE(wide);
    seen.push_back(where);
    return tag.compare_stringW == u"<b>" ? 0 : length - 1;
  };
  TWideBuf b(u"<a href=x> <b>");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, false, b.T(), b.F(), 100, 0, b.n), 1);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 11}));
  ExpectFlags(b, 0, 9, 0x0801, "shortened tag");
  ExpectUntouched(b, 9, 5, "refused tag");
}

TEST_F(TagHandlerTest, SectionStartsWithTheirBytePositions) {
  TStoredTagRec media = Tag(u"<media>");
  media.isMediaTag = 1;
  SaveKeep({Tag(u"<p>"), Tag(u"<sec *>", u"section"), media});
  auto h = Loaded();
  EXPECT_TRUE(h->HasSectionTags);
  EXPECT_TRUE(h->HasMediaTags);
  h->FileBytePos = 1000;

  TWideBuf b(u"ab <sec two> cd <p> <media> <sec one>");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, true, b.T(), b.F(), 100, 0, b.n), 3);
  ExpectUntouched(b, b.At(u"<p>"), 3, "only section and media tags while storing");
  const TSectionStartsList& starts = *h->BufsSectionStarts;
  ASSERT_EQ(starts.Count(), 3);
  EXPECT_EQ(starts.Get(0).byte_position, 1000 + 2 * 3);
  EXPECT_EQ(starts.Get(0).name, u"<sec two>");
  EXPECT_EQ(starts.Get(1).name, u"<media>");
  EXPECT_EQ(starts.Get(2).byte_position, 1000 + 2 * b.At(u"<sec one>"));

  // True file offsets come from the reader's map (here: 3 bytes a character, after a signature).
  TChunkByteMap map;
  map.SetFixedWidth(3, 3);
  TSectionStartsList mine;
  h->SetSectionStartsList(&mine);
  TWideBuf c(u"<sec z> x <sec y>");
  h->CheckBufferForTagFileMarkup(ttho_keep, true, c.T(), c.F(), 100, 0, c.n, &map);
  ASSERT_EQ(mine.Count(), 2);
  EXPECT_EQ(mine.Get(0).byte_position, 3);
  EXPECT_EQ(mine.Get(1).byte_position, 3 + 3 * 10);
  EXPECT_EQ(mine.Get(1).name, u"<sec y>");

  // 8-bit text: one byte a character.
  h->SetSectionStartsList(nullptr);
  h->BufsSectionStarts->Clear();
  h->fUse_Unicode = false;
  TNarrowBuf d("x <sec \xE9t\xE9>");
  h->CheckBufferForTagFileMarkup(ttho_keep, true, d.T(), d.F(), 100, 0, d.n);
  ASSERT_EQ(h->BufsSectionStarts->Count(), 1);
  EXPECT_EQ(h->BufsSectionStarts->Get(0).byte_position, 1002);
  EXPECT_EQ(h->BufsSectionStarts->Get(0).name, u"<sec \u00E9t\u00E9>");
}

// --- tags to exclude ---------------------------------------------------------------------------

TEST_F(TagHandlerTest, ExcludedSpansAreBlankedWithEverythingBetween) {
  SaveExclude({u"<note>*</note>", u"<del></del>"});
  auto h = Loaded();
  const UString in = u"a <note>secret <b>x</b></note> b <del>gone</del> c <note>open end";
  TWideBuf b(in);
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_exclude, false, b.T(), b.F(), 100, 0, b.n), 2);
  UString expected = in;
  for (auto [at, length] : {std::pair<size_t, int32_t>{in.find(u"<note>"), 28}, {in.find(u"<del>"), 15}}) {
    expected.replace(at, size_t(length), UString(size_t(length), u' '));
    ExpectFlags(b, int32_t(at), length, kFlagHidden, "excluded span");
  }
  EXPECT_EQ(b.Text(), expected);
  ExpectUntouched(b, b.At(u" c <note>open end"), 17, "an opening without its closing tag");

  TNarrowBuf n("x <note>caf\xE9</note> y");
  h->fUse_Unicode = false;
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_exclude, false, n.T(), n.F(), 100, 0, n.n), 1);
  EXPECT_EQ(n.Text(), "x" + std::string(18, ' ') + " y");
  ExpectFlags(n, 2, 17, kFlagHidden, "8-bit excluded note");
}

TEST_F(TagHandlerTest, ManyOpeningsWithoutClosingSearchOncePerTag) {
  // Every opening lacks its closing tag: each is left as it is, and the closing tag is looked
  // for once per stretch, not once per opening.
  SaveExclude({u"<x>*</x>"});
  auto h = Loaded();
  UString s;
  for (int i = 0; i < 40000; ++i) s += u"<x> ";
  TWideBuf b(s);
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_exclude, false, b.T(), b.F(), 100, 0, b.n), 0);
  EXPECT_EQ(b.Text(), s);
  ExpectUntouched(b, 0, b.n, "openings without a closing tag");

  TWideBuf c(u"<x> <x> a</x> <x> b");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_exclude, false, c.T(), c.F(), 100, 0, c.n), 1);
  EXPECT_EQ(c.Text(), u"              <x> b");
}

TEST_F(TagHandlerTest, EmptyPatternsAreNeverSearched) {
  // A keep tag that starts with a wildcard and an exclude entry without a closing tag would be
  // searched as "": they are left out and the others still work.
  SaveKeep({Tag(u"*b>"), Tag(u"#>"), Tag(u"<i>"), Tag(u"")});
  SaveExclude({u"<br/>", u"<hr>", u"<del>*</del>"});
  auto h = Loaded();
  EXPECT_EQ(h->FirstArrayOfTags[ttho_keep], std::vector<int32_t>{2});
  EXPECT_EQ(h->FirstArrayOfTags[ttho_exclude], std::vector<int32_t>{2});
  TWideBuf b(u"<b> 12> <i> <br/> <hr> <del>x</del>");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, false, b.T(), b.F(), 100, 0, b.n), 1);
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_exclude, false, b.T(), b.F(), 100, 0, b.n), 1);
  ExpectFlags(b, b.At(u"<i>"), 3, 0x0803, "<i>");
  ExpectUntouched(b, b.At(u"<br/>"), 10, "<br/> <hr>");
}

// --- entities ----------------------------------------------------------------------------------

TEST_F(TagHandlerTest, EntitiesBecomeOneCharacter) {
  SaveEntities({u"&amp; &", u"&eacute; #233", u"&lt; #60"});
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TTagsToTranslateList list(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(h.LoadTranslationTagsFromSwapFile(list));
  ASSERT_EQ(list.Count(), 3);
  ASSERT_EQ(h.ArrayOfTranslationTagfileTags.size(), 3u);

  h.fUse_Unicode = true;
  TWideBuf b(u"Tom &amp; Jerry &eacute;t&eacute; &amp");
  EXPECT_EQ(h.CheckBufferForTranslationTags(b.T(), b.F(), b.n), 3);
  EXPECT_EQ(b.Text(), u"Tom &     Jerry \u00E9       t\u00E9        &amp");
  EXPECT_EQ(b.flags[4], CharKindOf(u'&'));
  ExpectFlags(b, 5, 4, kFlagHidden, "rest of &amp;");
  EXPECT_EQ(b.flags[16], CharKindOf(0xE9));
  ExpectUntouched(b, b.At(u"&amp", 30), 4, "an entity without its semicolon");

  h.fUse_Unicode = false;
  TNarrowBuf n("caf&eacute; &lt;b");
  EXPECT_EQ(h.CheckBufferForTranslationTags(n.T(), n.F(), n.n), 2);
  EXPECT_EQ(n.Text(), "caf\xE9        <   b");
  ExpectFlags(n, 4, 7, kFlagHidden, "8-bit rest of &eacute;");
}

// --- hidden mark-up, sentence ends, text markers -----------------------------------------------

TEST_F(TagHandlerTest, HiddenTagsAreMarkedOrBlanked) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TWideBuf b(u"a <b>bold</b> < c <i>x <longer-than-span> y<");
  h.MarkUnwantedTags(u'<', u'>', b.T(), b.F(), b.n, true, 10);
  EXPECT_EQ(b.text[2], kTagOnCode);
  EXPECT_EQ(b.text[4], kTagOffCode);
  EXPECT_EQ(b.text.substr(9, 4), u"\x19/b\x18");
  ExpectFlags(b, 2, 3, kFlagHidden, "<b>");
  ExpectFlags(b, 9, 4, kFlagHidden, "</b>");
  ExpectUntouched(b, b.At(u"< c"), 4, "an opening followed by another opening");
  ExpectFlags(b, b.At(u"\x19i\x18"), 3, kFlagHidden, "<i>");
  ExpectUntouched(b, b.At(u"<longer"), 18, "longer than the span");
  EXPECT_EQ(b.text[static_cast<size_t>(b.n - 1)], u'<');  // the last character opens nothing

  TWideBuf c(u"a <b>bold</b> c");
  h.BlankUnwantedTags(u'<', u'>', c.T(), c.F(), c.n, true, 10);
  EXPECT_EQ(c.Text(), u"a    bold     c");
  ExpectFlags(c, 2, 3, kFlagHidden, "blanked <b>");

  // Characters already marked (a text marker here) stop the look-ahead.
  TWideBuf d(u"<s>x</s>");
  d.flags[0] = 0x880E;
  d.flags[1] = d.flags[2] = kFlagMarker;
  h.MarkUnwantedTags(u'<', u'>', d.T(), d.F(), d.n, true, 10);
  EXPECT_EQ(d.text[0], u'<');
  EXPECT_EQ(d.flags[0], 0x880E);
  ExpectFlags(d, 4, 4, kFlagHidden, "</s>");

  TNarrowBuf n("x <b>y</b>");
  h.MarkUnwantedTags(u'<', u'>', n.T(), n.F(), n.n, false, 10);
  EXPECT_EQ(n.Text(), "x \x19" "b\x18y\x19/b\x18");
}

TEST_F(TagHandlerTest, SentenceEndsFoundAutomatically) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  const UString in = u"It is 3.5 m. Then he left. and so? Yes! <a.b> Ok.";
  TWideBuf b(in);
  EXPECT_EQ(h.AutoMarkSentenceEnds(b.T(), b.F(), b.n, 100, true), 4);
  std::vector<int32_t> ends;
  for (int32_t i = 0; i < b.n; ++i)
    if (b.flags[static_cast<size_t>(i)] == kFlagSentenceEndAuto) ends.push_back(i);
  EXPECT_EQ(ends, (std::vector<int32_t>{int32_t(in.find(u"m.") + 1), int32_t(in.find(u'?')), int32_t(in.find(u'!')),
                                        b.n - 1}));

  // Letters without case end a sentence; an ideographic full stop counts.
  TWideBuf c(u"\u4E2D\u6587\u3002\u4E0B\u3002");
  EXPECT_EQ(h.AutoMarkSentenceEnds(c.T(), c.F(), c.n, 100, true), 2);
  EXPECT_EQ(c.flags[2], kFlagSentenceEndAuto);

  TNarrowBuf n("Yes. no. No");
  EXPECT_EQ(h.AutoMarkSentenceEnds(n.T(), n.F(), n.n, 100, false), 1);
  EXPECT_EQ(n.flags[7], kFlagSentenceEndAuto);
}

TEST_F(TagHandlerTest, TextMarkersAndEveryWildcardMarkerAfterAMismatch) {
  TTextsett_rec32 ts = GetTextSettings();
  for (int k = TTextsett_rec32::kFirstMarker; k <= TTextsett_rec32::kLastMarker; ++k) {
    ts.SetMarkerText(k, k == 14 ? u"<s>" : k == 17 ? u"</p>" : k == 20 ? u"<div n=#>" : u"");
    ts.SetMarkerAuto(k, k == TTextsett_rec32::kSentenceEndMarker);
  }
  SetTextSettings(ts);
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  h.LoadCurrentTextMarkers();
  h.fUse_Unicode = true;

  TWideBuf b(u"<div n=x> <s>One. Two</p> <div n=1> <s>x <div n=22>");
  h.CheckBufferForTextMarkerTags(b.T(), b.F(), b.n, 100);
  const TTagsFoundArray& found = h.TagsFound();
  EXPECT_EQ(found[0], 2);  // <s>
  EXPECT_EQ(found[1], 1);  // automatic sentence ends: "One."
  EXPECT_EQ(found[3], 1);  // </p>
  EXPECT_EQ(found[6], 2);  // <div n=#>: the mismatch before them hides neither
  ExpectUntouched(b, 0, 9, "a wildcard mismatch");
  for (auto [tag, marker] : {std::pair<UString, uint16_t>{u"<s>", 14}, {u"<div n=1>", 20}, {u"<div n=22>", 20}}) {
    const int32_t at = b.At(tag);
    EXPECT_EQ(b.flags[static_cast<size_t>(at)], 0x8800 + marker);
    ExpectFlags(b, at + 1, int32_t(tag.size()) - 1, kFlagMarker, "rest of a marker");
  }
  EXPECT_EQ(b.flags[static_cast<size_t>(b.At(u"</p>"))], 0x8800 + 17);
  EXPECT_EQ(b.flags[static_cast<size_t>(b.At(u"One.") + 3)], kFlagSentenceEndAuto);

  // Counters go to the caller's array when one is given; 8-bit text works alike.
  TTagsFoundArray mine{};
  h.SetArrayOfTagsFound(&mine);
  h.fUse_Unicode = false;
  TNarrowBuf n("<s>a <div n=5>");
  h.CheckBufferForTextMarkerTags(n.T(), n.F(), n.n, 100);
  EXPECT_EQ(mine[0], 1);
  EXPECT_EQ(mine[6], 1);
  EXPECT_EQ(n.flags[5], 0x8800 + 20);
  h.ClearArrayOfTagsPresent();
  EXPECT_EQ(mine[0], 0);
}

// --- parts of texts ----------------------------------------------------------------------------

TEST_F(TagHandlerTest, OnlyPartsOfTextsKeepsTheirLetterFlagsElsewhereHidden) {
  SetTextSelectingWithin(true);
  const std::pair<const char16_t*, uint8_t> contexts[] = {{u"<body>", 1}, {u"</body>", 1}, {u"<!--", 2},
                                                          {u"-->", 2},    {u"[#]", 2},     {u"[/#]", 2}};
  for (int i = 0; i < 6; ++i) {
    TSelectWithinContextW r{};
    r.SetText(contexts[i].first);
    r.SetWithinType(contexts[i].second);
    SetTextSelectWithinContext(i + 1, r);
  }
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  h.LoadCurrentTextMarkers();
  ASSERT_TRUE(h.HandlingOnlyPartsOfText);
  h.fUse_Unicode = true;
  h.ClearBeforeMulti_fileProcessing();

  const UString in = u"head <body>one <!-- c --> two [12]x[/12]</body> tail";
  TWideBuf b(in);
  ASSERT_TRUE(h.HandleOnlyPartsOfText(b.T(), b.F(), b.n));
  const int32_t body = b.At(u"<body>"), body_end = b.At(u"</body>") + 7;
  UString expected = in;
  for (auto [from, to] : {std::pair<size_t, size_t>{0, size_t(body)}, {in.find(u"<!--"), in.find(u"-->") + 3},
                          {in.find(u"[12]"), in.find(u"[/12]") + 5}, {size_t(body_end), in.size()}})
    expected.replace(from, to - from, UString(to - from, u' '));
  EXPECT_EQ(b.Text(), expected);
  ExpectFlags(b, 0, body, kFlagHidden, "before the kept part");
  ExpectFlags(b, body_end, b.n - body_end, kFlagHidden, "after the kept part");
  ExpectUntouched(b, b.At(u"one"), 3, "kept letters");
  ExpectUntouched(b, b.At(u"two"), 3, "kept letters");
  EXPECT_EQ(h.fparts_of_text_counts.keep_count, 1);
  EXPECT_EQ(h.fparts_of_text_counts.cut_count, 2);

  TWideBuf c(u"no contexts here");
  EXPECT_FALSE(h.HandleOnlyPartsOfText(c.T(), c.F(), c.n));  // nothing to blank
}

TEST_F(TagHandlerTest, LineStartsAreCut) {
  SetTextSelectingWithin(true);
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  h.fUse_Unicode = true;
  // Two characters; up to the first letter.
  for (auto [cut, in, out] : {std::tuple<int, UString, UString>{2, u"1 abc\n2 def\nx", u"  abc\n  def\n "},
                              {-1, u"12) abc\nxyz\n 4 ", u"    abc\nxyz\n 4 "}}) {
    SetCutStartOfTextLine(cut);
    h.LoadCurrentTextMarkers();
    TWideBuf b(in);
    ASSERT_TRUE(h.HandleOnlyPartsOfText(b.T(), b.F(), b.n));
    EXPECT_EQ(b.Text(), out);
    ExpectFlags(b, 0, 2, kFlagHidden, "cut line start");
  }
  SetCutStartOfTextLine(-2);  // up to the first tab
  h.LoadCurrentTextMarkers();
  TNarrowBuf n("id7\tword\nnone");
  h.fUse_Unicode = false;
  ASSERT_TRUE(h.HandleOnlyPartsOfText(n.T(), n.F(), n.n));
  EXPECT_EQ(n.Text(), "   \tword\nnone");
}

// --- routines on the buffer ---------------------------------------------------------------------

TEST(TagHandlerRoutines, BlankOutAndHideForACutHeader) {
  TWideBuf b(u"Title: x\nText");
  BlankOutAndHide(b.T(), true, b.F(), 0, 8);
  EXPECT_EQ(b.Text(), u"        \nText");
  ExpectFlags(b, 0, 8, kFlagHidden, "cut header");
  ExpectUntouched(b, 8, 5, "text after the header");
  TNarrowBuf n("Hdr|x");
  BlankOutAndHide(n.T(), false, n.F(), 0, 4);
  EXPECT_EQ(n.Text(), "    x");
  BlankOutAndHide(n.T(), false, n.F(), 2, -3);  // nothing
  EXPECT_EQ(n.Text(), "    x");
}

TEST(TagHandlerRoutines, NumbersAreRemovedFromTheFirstCharacterOn) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TWideBuf b(u"a1 bc 22x 7");
  b.flags[10] = kFlagHidden;  // a hidden digit starts nothing
  EXPECT_EQ(h.RemoveNumbers(b.F(), b.n), 2);
  ExpectFlags(b, 0, 2, 0, "a1, from the buffer's first character");
  ExpectUntouched(b, 2, 4, " bc ");
  ExpectFlags(b, 6, 3, 0, "22x");
  EXPECT_EQ(b.flags[10], kFlagHidden);
}

TEST(TagHandlerRoutines, PunctuationControlsAndUnwantedCharacters) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TWideBuf b(u"don't stop.'x");
  h.BlankOutMidWordPunctuation(b.T(), b.F(), C1_PUNCT, C1_ALPHA | C1_DIGIT, b.n, true);
  EXPECT_EQ(b.Text(), u"don t stop.'x");  // only the mark between two letters
  ExpectUntouched(b, 0, b.n, "flags are left");

  TWideBuf c(u"a\tb\nc");
  h.BlankOutUnwantedsTest(c.T(), c.F(), C1_CNTRL, c.n, true);
  EXPECT_EQ(c.Text(), u"a b c");

  TWideBuf d(u"a-b-c");
  h.BlankOutUnwanteds(3, d.T(), d.F(), u'-', u' ', 1, d.n, true);
  EXPECT_EQ(d.Text(), u"a b-c");

  TWideBuf e(u"a_b__c");
  EXPECT_EQ(h.ShrinkOutUnwanteds(e.T(), e.F(), u'_', e.n, true), 3);
  EXPECT_EQ(e.text.substr(0, 4), UString(u"abc\0", 4));
  EXPECT_EQ(e.flags[1], CharKindOf(u'b'));  // flags move with their characters
  EXPECT_EQ(e.flags[2], CharKindOf(u'c'));
  EXPECT_EQ(e.flags[3], 0);

  TNarrowBuf n("x__y");
  EXPECT_EQ(h.ShrinkOutUnwanteds(n.T(), n.F(), u'_', n.n, false), 2);
  EXPECT_EQ(n.text.substr(0, 2), "xy");
}

// --- the concordancer's handler ------------------------------------------------------------------

TEST_F(TagHandlerTest, ConvertedKeepTagsMatchMarkedAndPlainBrackets) {
  SaveKeep({Tag(u"<p>"), Tag(u"[x]"), Tag(u""), Tag(u"<w *>")});
  TLinzoraTextTagHandler h(kLCID_EnglishUS, 1252);
  h.LoadFromSwapFile();
  h.ConvertToTag_on_in_sw_symbols();
  EXPECT_EQ(h.ArrayOfTagfileTags[0].compare_stringW, u"\x19p\x18");
  EXPECT_EQ(h.ArrayOfTagfileTags[0].switch_off_wchar, kTagOffCode);
  EXPECT_EQ(h.ArrayOfTagfileTags[1].compare_stringW, u"[x]");  // not opened by "<": unchanged
  EXPECT_EQ(h.ArrayOfTagfileTags[1].switch_off_wchar, u']');
  EXPECT_EQ(h.ArrayOfTagfileTags[2].compare_stringW, u"");
  EXPECT_EQ(h.ArrayOfTagfileTags[3].compare_stringW, u"\x19w ");
  EXPECT_EQ(h.ftag_starter_chars[ttho_keep], UString(u"\x19[", 2));

  h.fUse_Unicode = true;
  TWideBuf b(u"<p>a [x] <w n=1> b <p>");
  h.MarkUnwantedTags(u'<', u'>', b.T(), b.F(), 10, true, 100);  // only the first part is marked
  EXPECT_EQ(b.text[0], kTagOnCode);
  EXPECT_EQ(h.CheckBufferForTagFileMarkup(ttho_keep, false, b.T(), b.F(), 100, 0, b.n), 4);
  ExpectFlags(b, 0, 3, 0x0801, "marked <p>");
  ExpectFlags(b, 5, 3, 0x0802, "[x]");
  ExpectFlags(b, 9, 7, 0x0804, "marked <w n=1>");
  ExpectFlags(b, b.n - 3, 3, 0x0801, "plain <p>");
}

TEST_F(TagHandlerTest, KeptTagsStayBelowTheMarkerRange) {
  TTagsToKeepList l(kLCID_EnglishUS, 1252);
  for (int32_t i = 0; i < kMaxKeptTags + 2; ++i) l.Add(std::make_unique<TTagStringItem>(Tag(u"<t>"), &l));
  ASSERT_TRUE(l.SavedToTempfile());
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(h.LoadFromSwapFile());
  ASSERT_EQ(h.FirstArrayOfTags[ttho_keep].size(), size_t(kMaxKeptTags));
  EXPECT_LT(kFlagFirstKeptTag + h.FirstArrayOfTags[ttho_keep].back(), kFlagMarker);
  EXPECT_TRUE(IsKeptTagFlag(uint16_t(kFlagFirstKeptTag + kMaxKeptTags - 1)));
  EXPECT_FALSE(IsKeptTagFlag(kFlagHidden));
  EXPECT_FALSE(IsKeptTagFlag(kFlagSentenceEndAuto));
  EXPECT_EQ(KindBits(kFlagHidden), 0);
  EXPECT_EQ(KindBits(C1_ALPHA | C1_LOWER), C1_ALPHA | C1_LOWER);
}

TEST_F(TagHandlerTest, DisplayOfKeptTags) {
  SaveKeep({Tag(u"<p>", u"para"), Tag(u"<w pos=NN>"), Tag(u"<x>")});
  auto h = Loaded();
  auto text = [](const TPointerAnd3Integersrec& r) {
    return UString(static_cast<const char16_t*>(r.text), static_cast<size_t>(r.length));
  };
  EXPECT_EQ(text(h->TagToDisplay(0, true)), u"<para>");
  EXPECT_EQ(text(h->TagToDisplay(0, false)), u"<p>");
  EXPECT_EQ(text(h->TagToDisplay(1, true)), u"pos=NN>");
  EXPECT_EQ(h->TagToDisplay(2, false).foreground_colour, 0x0000FF);
  EXPECT_EQ(h->TagToDisplay(3, false).text, nullptr);  // no such tag
  EXPECT_EQ(h->TagToDisplay(3, false).length, 0);
  const UString span = u"\x19p\x18\tx\x01";
  EXPECT_EQ(h->Above32PointerToWide(span.data(), static_cast<int32_t>(span.size())), u"<p>x");
  h->fUse_Unicode = false;
  const TPointerAnd3Integersrec narrow = h->TagToDisplay(0, true);
  EXPECT_EQ(std::string(static_cast<const char*>(narrow.text), static_cast<size_t>(narrow.length)), "<para>");
}

TEST(SectionStarts, StreamRoundTripAndDamage) {
  TSectionStartsList l;
  l.Add(5000000000LL, u"<sec two>", 7);
  l.Add(12, u"<sec one>");
  l.SortSectionTags();
  EXPECT_EQ(l.Get(0).name, u"<sec one>");
  TMemoryStream m;
  ASSERT_TRUE(l.SaveToStream(m));
  EXPECT_EQ(m.Size(), 4 + 2 * (8 + 4 + 4) + 2 * 18);
  m.SetPosition(0);
  TSectionStartsList back;
  ASSERT_TRUE(back.ReadFromStream(m));
  ASSERT_EQ(back.Count(), 2);
  UString name;
  int32_t word = 0;
  ASSERT_TRUE(back.GetASection(1, name, word));
  EXPECT_EQ(name, u"<sec two>");
  EXPECT_EQ(word, 7);
  EXPECT_EQ(back.Get(1).byte_position, 5000000000LL);
  EXPECT_FALSE(back.GetASection(2, name, word));

  for (int64_t cut = 0; cut < m.Size(); ++cut) {
    TMemoryStream part(std::vector<uint8_t>(m.Data().begin(), m.Data().begin() + cut));
    TSectionStartsList damaged;
    EXPECT_FALSE(damaged.ReadFromStream(part)) << cut;
    EXPECT_LE(damaged.Count(), 1);
  }
  TempFolder folder;
  ASSERT_TRUE(l.SaveToFile(folder.Path() + u"x.markup"));
  TSectionStartsList f;
  ASSERT_TRUE(f.ReadFromFile(folder.Path() + u"x.markup"));
  EXPECT_EQ(f.Count(), 2);
  EXPECT_FALSE(f.ReadFromFile(folder.Path() + u"none.markup"));
}

TEST_F(TagHandlerTest, RefreshLoadsWhatChanged) {
  SaveKeep({Tag(u"<p>"), Tag(u"</p>")});
  SaveExclude({u"<del>*</del>"});
  SaveEntities({u"&amp; &"});
  const bool logging = global_keeping_log;
  auto want = [](int32_t keep, int32_t exclude, int32_t translate, bool modified) {
    SetTagsWanted(keep);
    SetTagsExcludeWanted(exclude);
    SetTagsTranslateWanted(translate);
    SetTagModified(modified);
    SetTagsExcludeModified(modified);
    SetTagTranslateModified(modified);
  };
  want(2, 1, 1, true);
  TLinzoraTextTagHandler h(kLCID_EnglishUS, 1252);
  TTagsToTranslateList entities(kLCID_EnglishUS, 1252);
  RefreshTagHandlerFromSettings(h, entities);
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(h.ArrayOfTagfileTags[0].compare_stringW, u"\x19p\x18");
  EXPECT_EQ(h.FExcludeTagList->Count(), 1);
  EXPECT_EQ(entities.Count(), 1);
  EXPECT_EQ(h.ArrayOfTranslationTagfileTags.size(), 1u);

  want(0, 0, 0, true);
  RefreshTagHandlerFromSettings(h, entities);
  EXPECT_EQ(h.Count(), 0);
  EXPECT_TRUE(h.ArrayOfTagfileTags.empty());
  EXPECT_EQ(h.FExcludeTagList->Count(), 0);
  EXPECT_TRUE(h.FirstArrayOfTags[ttho_exclude].empty());
  EXPECT_EQ(entities.Count(), 0);
  EXPECT_TRUE(h.ArrayOfTranslationTagfileTags.empty());
  want(0, 0, 0, false);
  global_keeping_log = logging;
}

}  // namespace
