// The mark-up tag handler on real angle-bracket mark-up: the flags it sets, the text it changes,
// in UTF-16 and 8-bit buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "model/reading/tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "support/scoped_env.h"
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

// Checks the flag of every character against a pattern, one letter a character: '.' as
// classified, 'h' hidden (0x0800), '0' cleared, '1' to '9' kept tag n (0x0800 + n), 'e' an
// automatic sentence end, 'm' the rest of a text marker; other letters as `more` says.
template <typename B>
void ExpectFlags(const B& b, std::string_view pattern, std::initializer_list<std::pair<char, uint16_t>> more = {}) {
  ASSERT_EQ(pattern.size(), static_cast<size_t>(b.n));
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char p = pattern[i];
    uint16_t want = p == '.' ? b.kinds[i] : p == 'h' ? kFlagHidden : p == 'e' ? kFlagSentenceEndAuto
                  : p == 'm' ? kFlagMarker : p == '0' ? 0 : uint16_t(kFlagHidden + (p - '0'));
    for (const auto& [letter, flag] : more)
      if (p == letter) want = flag;
    EXPECT_EQ(b.flags[i], want) << "character " << i << " '" << p << "'";
  }
}

void SaveEntities(std::initializer_list<const char16_t*> lines) {
  TTagsToTranslateList l(kLCID_EnglishUS, 1252);
  for (const char16_t* line : lines) l.AddFromALine(line);
  ASSERT_TRUE(l.SavedToTempfile());
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

// Read settings that select within the given contexts (text, kind of part).
TTagReadSettings SelectWithin(std::initializer_list<std::pair<const char16_t*, uint8_t>> contexts) {
  TTagReadSettings settings;
  settings.select_within = true;
  size_t i = 0;
  for (const auto& [text, type] : contexts) {
    settings.select_within_contexts[i].SetText(text);
    settings.select_within_contexts[i++].SetWithinType(type);
  }
  return settings;
}

class TagHandlerTest : public testing::Test {
 protected:
  void SetUp() override {
    hand_over_.emplace(folder_.Path());
    saved_settings_ = GetTextSettings();
    SetDialogService(nullptr);
    HeadlessDialogs().Clear();
  }
  void TearDown() override {
    hand_over_.reset();
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
  // A handler with the tags saved before, searching UTF-16 text.
  std::unique_ptr<TTextTagHandler> Loaded() {
    auto h = std::make_unique<TTextTagHandler>(kLCID_EnglishUS, 1252);
    EXPECT_EQ(h->LoadFromSwapFile(), keep_saved_);
    EXPECT_EQ(h->LoadExcludeTagListFromSwapFile(), exclude_saved_);
    h->fUse_Unicode = true;
    return h;
  }
  template <typename B>
  int32_t Check(TTextTagHandler& h, TTagHandleOperation which, B& b, int32_t span = 100, int32_t first = 0) {
    return h.CheckBufferForTagFileMarkup(which, false, b.T(), b.F(), span, first, b.n);
  }

  TempFolder folder_;
  std::optional<ScopedHandOverFolder> hand_over_;
  TTextsett_rec32 saved_settings_;
  bool keep_saved_ = false, exclude_saved_ = false;
};

TEST_F(TagHandlerTest, KeptTagsCarryTheirIndex) {
  SaveKeep({Tag(u"<p>"), Tag(u"</p>"), Tag(u"<s n=#>"), Tag(u"<hi *>")});
  auto h = Loaded();
  const UString in = u"<p>Hello <s n=12>x</s> <s n=a> <hi rend=it>y</p>";
  TWideBuf b(in);
  EXPECT_EQ(Check(*h, ttho_keep, b, 1000), 4);  // "<s n=a>" is a wildcard mismatch
  ExpectFlags(b, "111......33333333..............444444444444.2222");
  EXPECT_EQ(b.Text(), in);  // kept tags keep their text
  // A tag longer than the span is not a tag; the search starts at the first valid character.
  TWideBuf c(u"<p>Hello <s n=12>x</p>");
  EXPECT_EQ(Check(*h, ttho_keep, c, 5, 1), 1);
  ExpectFlags(c, "..................2222");
}

TEST_F(TagHandlerTest, TagFoundHandlerDecidesTheLength) {
  SaveKeep({Tag(u"<a *>"), Tag(u"<b>")});
  auto h = Loaded();
  std::vector<int32_t> seen;
  h->fTagFoundHandler = [&](uint16_t*, void*, int32_t where, int32_t length, bool wide, const TextTagRec& tag) {
    EXPECT_TRUE(wide);
    seen.push_back(where);
    return tag.compare_stringW == u"<b>" ? 0 : length - 1;  // "<b>" refused, "<a ...>" shortened
  };
  TWideBuf b(u"<a href=x> <b>");
  EXPECT_EQ(Check(*h, ttho_keep, b), 1);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 11}));
  ExpectFlags(b, "111111111.....");
}

TEST_F(TagHandlerTest, SectionStartsWithTheirBytePositions) {
  TStoredTagRec media = Tag(u"<media>");
  media.isMediaTag = 1;
  SaveKeep({Tag(u"<p>"), Tag(u"<sec *>", u"section"), media});
  auto h = Loaded();
  h->FileBytePos = 1000;
  TWideBuf b(u"ab <sec two> cd <p> <media> <sec one>");
  EXPECT_EQ(h->CheckBufferForTagFileMarkup(ttho_keep, true, b.T(), b.F(), 100, 0, b.n), 3);
  ExpectFlags(b, "...222222222........3333333.222222222");  // only section and media tags while storing
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
  ASSERT_EQ(starts.Count(), 1);
  EXPECT_EQ(starts.Get(0).byte_position, 1002);
  EXPECT_EQ(starts.Get(0).name, u"<sec \u00E9t\u00E9>");
}

TEST_F(TagHandlerTest, ExcludedSpansAreBlankedWithEverythingBetween) {
  SaveExclude({u"<note>*</note>", u"<del></del>"});
  auto h = Loaded();
  TWideBuf b(u"a <note>secret <b>x</b></note> b <del>gone</del> c <note>open end");
  EXPECT_EQ(Check(*h, ttho_exclude, b), 2);  // the last opening has no closing tag
  EXPECT_EQ(b.Text(), u"a " + UString(28, u' ') + u" b " + UString(15, u' ') + u" c <note>open end");
  ExpectFlags(b, "..hhhhhhhhhhhhhhhhhhhhhhhhhhhh...hhhhhhhhhhhhhhh.................");
  TNarrowBuf n("x <note>caf\xE9</note> y");
  h->fUse_Unicode = false;
  EXPECT_EQ(Check(*h, ttho_exclude, n), 1);
  EXPECT_EQ(n.Text(), "x" + std::string(18, ' ') + " y");
  ExpectFlags(n, "..hhhhhhhhhhhhhhhhh..");
}

TEST_F(TagHandlerTest, ManyOpeningsWithoutClosingSearchOncePerTag) {
  // Every opening lacks its closing tag: each is left as it is, and the closing tag is looked
  // for once per stretch, not once per opening.
  SaveExclude({u"<x>*</x>"});
  auto h = Loaded();
  UString s;
  for (int i = 0; i < 40000; ++i) s += u"<x> ";
  TWideBuf b(s);
  EXPECT_EQ(Check(*h, ttho_exclude, b), 0);
  EXPECT_EQ(b.Text(), s);
  ExpectFlags(b, std::string(s.size(), '.'));
  TWideBuf c(u"<x> <x> a</x> <x> b");
  EXPECT_EQ(Check(*h, ttho_exclude, c), 1);
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
  EXPECT_EQ(Check(*h, ttho_keep, b), 1);
  EXPECT_EQ(Check(*h, ttho_exclude, b), 1);
  ExpectFlags(b, "........333............hhhhhhhhhhhh");
}

TEST_F(TagHandlerTest, EntitiesBecomeOneCharacter) {
  SaveEntities({u"&amp; &", u"&eacute; #233", u"&lt; #60"});
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TTagsToTranslateList list(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(h.LoadTranslationTagsFromSwapFile(list));
  h.fUse_Unicode = true;
  TWideBuf b(u"Tom &amp; Jerry &eacute;t&eacute; &amp");  // the last without its semicolon
  EXPECT_EQ(h.CheckBufferForTranslationTags(b.T(), b.F(), b.n), 3);
  EXPECT_EQ(b.Text(), u"Tom &     Jerry \u00E9       t\u00E9        &amp");
  ExpectFlags(b, ".....hhhh.......Ehhhhhhh.Ehhhhhhh.....", {{'E', CharKindOf(0xE9)}});
  h.fUse_Unicode = false;
  TNarrowBuf n("caf&eacute; &lt;b");
  EXPECT_EQ(h.CheckBufferForTranslationTags(n.T(), n.F(), n.n), 2);
  EXPECT_EQ(n.Text(), "caf\xE9        <   b");
  // A bracket written as an entity is marked as such: it opens no tag.
  ExpectFlags(n, "...Ehhhhhhh.Lhhh.", {{'E', CharKindOf(0xE9)}, {'L', CharKindOf(u'<') | kFlagLiteral}});
}

TEST_F(TagHandlerTest, HiddenTagsAreMarkedOrBlanked) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  // An opening followed by another opening, one longer than the span, and a last "<" open nothing.
  TWideBuf b(u"a <b>bold</b> < c <i>x <longer-than-span> y<");
  h.MarkUnwantedTags(u'<', u'>', b.T(), b.F(), b.n, true, 10);
  EXPECT_EQ(b.Text(), u"a \x19" u"b\x18" u"bold\x19/b\x18 < c \x19i\x18x <longer-than-span> y<");
  EXPECT_EQ(b.text[2], kTagOnCode);
  EXPECT_EQ(b.text[4], kTagOffCode);
  ExpectFlags(b, "..hhh....hhhh.....hhh.......................");
  TWideBuf c(u"a <b>bold</b> c");
  h.BlankUnwantedTags(u'<', u'>', c.T(), c.F(), c.n, true, 10);
  EXPECT_EQ(c.Text(), u"a    bold     c");
  ExpectFlags(c, "..hhh....hhhh..");
  // Characters already marked (a text marker here) stop the look-ahead.
  TWideBuf d(u"<s>x</s>");
  d.flags[0] = 0x880E;
  d.flags[1] = d.flags[2] = kFlagMarker;
  h.MarkUnwantedTags(u'<', u'>', d.T(), d.F(), d.n, true, 10);
  EXPECT_EQ(d.text[0], u'<');
  ExpectFlags(d, "Smm.hhhh", {{'S', 0x880E}});
  TNarrowBuf n("x <b>y</b>");
  h.MarkUnwantedTags(u'<', u'>', n.T(), n.F(), n.n, false, 10);
  EXPECT_EQ(n.Text(), "x \x19" "b\x18y\x19/b\x18");
}

TEST_F(TagHandlerTest, SentenceEndsLookBackBeforeTheFirstCharacterAndCountNothingReadAhead) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  // "D" was carried over from the last buffer: the "." after it is an initial's, as in one buffer.
  TWideBuf b(u"by D. Smith. Then");
  EXPECT_EQ(h.AutoMarkSentenceEnds(b.T(), b.F(), b.n, 100, true, 4), 1);
  ExpectFlags(b, "...........e.....");
  // A full stop read ahead of the cut is marked, for display, and not counted.
  TWideBuf c(u"Yes. No. So");
  h.ReadAheadFrom = 5;
  EXPECT_EQ(h.AutoMarkSentenceEnds(c.T(), c.F(), c.n, 100, true), 1);
  ExpectFlags(c, "...e...e...");
}

TEST_F(TagHandlerTest, ExcludedSpanOpenAtACutRunsOnIntoTheNextBuffer) {
  SaveExclude({u"<note>*</note>"});
  auto h = Loaded();
  h->FileBytePos = 100;  // a buffer after a text's first
  struct Step {
    const char16_t* text;
    int32_t read_ahead_from;  // INT32_MAX: the text's last buffer, no cut
    int32_t counted;
    const char* flags;
  };
  const Step steps[] = {
      {u"a <note>x y", 9, 1, "..hhhhhhhhh"},         // opened before the cut, not closed
      {u" y z", 2, 0, "hhhh"},                       // still open
      {u" z</note> b", INT32_MAX, 0, "hhhhhhhhh.."},  // closed in the last buffer
      {u"c <note>z", INT32_MAX, 0, "........."},     // not closed, no cut: text
      {u"d <note>q", 2, 0, "........."},             // opened in the look-ahead: the next buffer's
      {u" e", INT32_MAX, 0, ".."},
      {u"<note>q</note> f", 5, 1, "hhhhhhhhhhhhhh.."},  // closed after the cut: open at it
      {u"</note> g", INT32_MAX, 0, "hhhhhhh.."},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "buffer \"" << Utf16ToUtf8(s.text) << "\"");
    TWideBuf b(s.text);
    h->ReadAheadFrom = s.read_ahead_from;
    EXPECT_EQ(Check(*h, ttho_exclude, b), s.counted);
    ExpectFlags(b, s.flags);
  }
  // A text's first buffer drops a span left open by the last text.
  TWideBuf open(u"<note>z");
  h->ReadAheadFrom = 7;
  Check(*h, ttho_exclude, open);
  h->FileBytePos = 0;
  TWideBuf fresh(u"new text");
  EXPECT_EQ(Check(*h, ttho_exclude, fresh), 0);
  ExpectFlags(fresh, "........");
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
  const std::initializer_list<std::pair<char, uint16_t>> markers = {{'S', 0x8800 + 14}, {'P', 0x8800 + 17},
                                                                   {'D', 0x8800 + 20}};
  TWideBuf b(u"<div n=x> <s>One. Two</p> <div n=1> <s>x <div n=22>");
  h.CheckBufferForTextMarkerTags(b.T(), b.F(), b.n, 100);
  // The "<div n=x>" mismatch hides neither "<div n=#>" after it.
  ExpectFlags(b, "..........Smm...e....Pmmm.Dmmmmmmmm.Smm..Dmmmmmmmmm", markers);
  const TTagsFoundArray& found = h.TagsFound();
  EXPECT_EQ(found[0], 2);  // <s>
  EXPECT_EQ(found[1], 1);  // automatic sentence ends
  EXPECT_EQ(found[3], 1);  // </p>
  EXPECT_EQ(found[6], 2);  // <div n=#>
  // Counters go to the caller's array when one is given; 8-bit text works alike.
  TTagsFoundArray mine{};
  h.SetArrayOfTagsFound(&mine);
  h.fUse_Unicode = false;
  TNarrowBuf n("<s>a <div n=5>");
  h.CheckBufferForTextMarkerTags(n.T(), n.F(), n.n, 100);
  EXPECT_EQ(mine[0], 1);
  EXPECT_EQ(mine[6], 1);
  ExpectFlags(n, "Smm..Dmmmmmmmm", markers);
  h.ClearArrayOfTagsPresent();
  EXPECT_EQ(mine[0], 0);
}

TEST_F(TagHandlerTest, OnlyPartsOfTextsKeepsTheirLetterFlagsElsewhereHidden) {
  const TTagReadSettings settings =
      SelectWithin({{u"<body>", 1}, {u"</body>", 1}, {u"<!--", 2}, {u"-->", 2}, {u"[#]", 2}, {u"[/#]", 2}});
  TTextTagHandler h(kLCID_EnglishUS, 1252, settings);
  h.UseReadSettings(settings);
  ASSERT_TRUE(h.HandlingOnlyPartsOfText);
  h.fUse_Unicode = true;
  h.ClearBeforeMulti_fileProcessing();
  TWideBuf b(u"head <body>one <!-- c --> two [12]x[/12]</body> tail");
  ASSERT_TRUE(h.HandleOnlyPartsOfText(b.T(), b.F(), b.n));
  EXPECT_EQ(b.Text(), u"     <body>one " + UString(10, u' ') + u" two " + UString(10, u' ') + u"</body>     ");
  ExpectFlags(b, "hhhhh..........hhhhhhhhhh.....hhhhhhhhhh.......hhhhh");
  EXPECT_EQ(h.fparts_of_text_counts.keep_count, 1);
  EXPECT_EQ(h.fparts_of_text_counts.cut_count, 2);
  TWideBuf c(u"no contexts here");
  EXPECT_FALSE(h.HandleOnlyPartsOfText(c.T(), c.F(), c.n));  // nothing to blank
}

TEST_F(TagHandlerTest, APartOpenAtABufferCutRunsOnIntoTheNextBuffer) {
  // Fed buffer by buffer as the reader feeds them, the text is selected as if it were one.
  const TTagReadSettings settings = SelectWithin({{u"<body>", 1}, {u"</body>", 1}, {u"<!--", 2}, {u"-->", 2}});
  TTextTagHandler h(kLCID_EnglishUS, 1252, settings);
  h.UseReadSettings(settings);
  h.fUse_Unicode = true;
  h.ClearBeforeMulti_fileProcessing();
  struct Buffer {
    const char16_t* in;
    const char16_t* out;
  };
  const Buffer text[] = {
      {u"HEADWORD <body>one <!-- a", u"         <body>one       "},
      {u"still a --> two", u"            two"},      // the cut part and the kept part both go on
      {u"three", u"three"},                            // wholly inside the kept part
      {u"four</body> TAILWORD", u"four</body>         "},
      {u"after it", u"        "},                       // a text with a part keeps only its parts
  };
  int64_t at = 0;
  for (const Buffer& b : text) {
    h.FileBytePos = at;
    TWideBuf w(b.in);
    h.HandleOnlyPartsOfText(w.T(), w.F(), w.n);
    EXPECT_EQ(w.Text(), b.out) << at;
    at += 2 * w.n;
  }
  EXPECT_EQ(h.fparts_of_text_counts.keep_count, 1);  // each part counted once, where it opens
  EXPECT_EQ(h.fparts_of_text_counts.cut_count, 1);
  // A buffer at byte 0 starts a new text: nothing is open and nothing has been met.
  h.FileBytePos = 0;
  TWideBuf next(u"no parts here");
  EXPECT_FALSE(h.HandleOnlyPartsOfText(next.T(), next.F(), next.n));
  EXPECT_EQ(next.Text(), u"no parts here");
}

TEST_F(TagHandlerTest, TheReadSettingsAreTakenOnceAndTheStoreIsNotReadAgain) {
  SetTextSelectingWithin(true);
  SetCutStartOfTextLine(2);
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetMarkerText(14, u"<s>");
  ts.SetMarkerAuto(15, true);
  TIgnore_tag_type brackets{};
  brackets.openers[0] = u'[';
  brackets.closers[0] = u']';
  ts.SetUnwantedTags(brackets);
  SetTextSettings(ts);
  TSelectWithinContextW r{};
  r.SetText(u"<body>");
  r.SetWithinType(1);
  SetTextSelectWithinContext(1, r);
  const TTagReadSettings settings = TagReadSettingsFromStore();
  EXPECT_EQ(settings.select_within_contexts[0].Text(), u"<body>");

  TTextTagHandler h(kLCID_EnglishUS, 1252, settings);
  EXPECT_TRUE(h.IsTagBracket(u'['));
  h.UseReadSettings(settings);
  h.fUse_Unicode = true;
  // The store changes while texts are read: the handler goes on with what it took.
  SetTextSelectingWithin(false);
  ts.SetMarkerText(14, u"");
  SetTextSettings(ts);
  TWideBuf b(u"<s>One. Two");
  h.CheckBufferForTextMarkerTags(b.T(), b.F(), b.n, 100);
  ExpectFlags(b, "Smm...e....", {{'S', 0x8800 + 14}});
  EXPECT_TRUE(h.HandlingOnlyPartsOfText);
  TWideBuf c(u"12ab\ncd");
  ASSERT_TRUE(h.HandleOnlyPartsOfText(c.T(), c.F(), c.n));
  EXPECT_EQ(c.Text(), u"  ab\n  ");
}

TEST_F(TagHandlerTest, NoEventsArePumpedWhileABufferIsHandled) {
  // A pumped event could change the handler's tables under a running pass.
  static int pumped = 0;
  pumped = 0;
  SetYieldHook([] { ++pumped; });
  SaveKeep({Tag(u"<p>")});
  SaveExclude({u"<del>*</del>"});
  SaveEntities({u"&amp; &"});
  SetTextSelectingWithin(true);
  auto h = Loaded();
  TTagsToTranslateList entities(kLCID_EnglishUS, 1252);
  h->LoadTranslationTagsFromSwapFile(entities);
  h->LoadCurrentTextMarkers();
  TWideBuf b(u"<p>a &amp; b <del>x</del>. C");
  h->HandleOnlyPartsOfText(b.T(), b.F(), b.n);
  h->CheckBufferForTranslationTags(b.T(), b.F(), b.n);
  Check(*h, ttho_exclude, b);
  h->CheckBufferForTextMarkerTags(b.T(), b.F(), b.n, 100);
  Check(*h, ttho_keep, b);
  SetYieldHook(nullptr);
  EXPECT_EQ(pumped, 0);
}

TEST_F(TagHandlerTest, LineStartsAreCut) {
  SetTextSelectingWithin(true);
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  h.fUse_Unicode = true;
  // Two characters; up to the first letter.
  for (auto [cut, in, out, flags] :
       {std::tuple<int, UString, UString, std::string>{2, u"1 abc\n2 def\nx", u"  abc\n  def\n ", "hh....hh....h"},
        {-1, u"12) abc\nxyz\n 4 ", u"    abc\nxyz\n 4 ", "hhhh..........."}}) {
    SetCutStartOfTextLine(cut);
    h.LoadCurrentTextMarkers();
    TWideBuf b(in);
    ASSERT_TRUE(h.HandleOnlyPartsOfText(b.T(), b.F(), b.n));
    EXPECT_EQ(b.Text(), out);
    ExpectFlags(b, flags);
  }
  SetCutStartOfTextLine(-2);  // up to the first tab
  h.LoadCurrentTextMarkers();
  TNarrowBuf n("id7\tword\nnone");
  h.fUse_Unicode = false;
  ASSERT_TRUE(h.HandleOnlyPartsOfText(n.T(), n.F(), n.n));
  EXPECT_EQ(n.Text(), "   \tword\nnone");
}

TEST(TagHandlerRoutines, NumbersAreRemovedFromTheFirstCharacterOn) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TWideBuf b(u"a1 bc 22x 7");
  b.flags[10] = kFlagHidden;  // a hidden digit starts nothing
  EXPECT_EQ(h.RemoveNumbers(b.F(), b.n), 2);
  ExpectFlags(b, "00....000.h");  // "a1" from the buffer's first character
}

TEST(TagHandlerRoutines, BlankingAndShrinking) {
  TWideBuf a(u"Title: x\nText");  // a cut header
  BlankOutAndHide(a.T(), true, a.F(), 0, 8);
  EXPECT_EQ(a.Text(), u"        \nText");
  ExpectFlags(a, "hhhhhhhh.....");
  TNarrowBuf m("Hdr|x");
  BlankOutAndHide(m.T(), false, m.F(), 0, 4);
  BlankOutAndHide(m.T(), false, m.F(), 2, -3);  // nothing
  EXPECT_EQ(m.Text(), "    x");
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TWideBuf c(u"a\tb\nc");
  h.BlankOutUnwantedsTest(c.T(), c.F(), C1_CNTRL, c.n, true);
  EXPECT_EQ(c.Text(), u"a b c");
  TWideBuf d(u"a-b-c");
  h.BlankOutUnwanteds(3, d.T(), d.F(), u'-', u' ', 1, d.n, true);
  EXPECT_EQ(d.Text(), u"a b-c");
  TWideBuf e(u"a_b__c");
  EXPECT_EQ(h.ShrinkOutUnwanteds(e.T(), e.F(), u'_', e.n, true), 3);
  EXPECT_EQ(e.text.substr(0, 4), UString(u"abc\0", 4));
  // Flags move with their characters.
  EXPECT_EQ(std::vector<uint16_t>(e.flags.begin() + 1, e.flags.begin() + 4),
            (std::vector<uint16_t>{CharKindOf(u'b'), CharKindOf(u'c'), 0}));
  TNarrowBuf n("x__y");
  EXPECT_EQ(h.ShrinkOutUnwanteds(n.T(), n.F(), u'_', n.n, false), 2);
  EXPECT_EQ(n.text.substr(0, 2), "xy");
}

TEST(TagHandlerRoutines, MidWordPunctuationIsABlankInItsKindAloneAndTheTextQuotesTheSource) {
  // Lines and cells are cut from the buffer: they must show "AT&T", not "AT T".
  const uint16_t blank = CharKindOf(u' ');
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  const UString source = u"AT&T e.g km/h don't stop.'x";
  TWideBuf b(source);
  h.BlankOutMidWordPunctuation(b.T(), b.F(), C1_PUNCT, C1_ALPHA | C1_DIGIT, b.n, true);
  EXPECT_EQ(b.Text(), source);
  ExpectFlags(b, "..B...B....B.....B.........", {{'B', blank}});  // only marks between two letters
  const std::string bytes = "don\x92t 3/4";  // 1252: a right single quote
  TNarrowBuf n(bytes);
  h.BlankOutMidWordPunctuation(n.T(), n.F(), C1_PUNCT, C1_ALPHA | C1_DIGIT, n.n, false);
  EXPECT_EQ(n.Text(), bytes);
  ExpectFlags(n, "...B...B.", {{'B', blank}});
}

TEST(TagHandlerRoutines, MidWordPunctuationOfLongBuffersEqualsACharacterByCharacterJudgement) {
  // Flags of letters, digits, punctuation, blanks and marks in random runs, long enough for the
  // passes over eight flags at a time; each mark is judged on the flags as they were.
  const uint16_t blank = CharKindOf(u' ');
  const uint16_t kinds[] = {C1_ALPHA | C1_LOWER, C1_DIGIT, blank, kFlagHidden, C1_ALPHA | C1_UPPER, C1_PUNCT,
                            static_cast<uint16_t>(kFlagMarker | C1_PUNCT)};
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> flags(1000 + seed);
    for (size_t i = 0; i < flags.size();) {
      // Punctuation now and then, so that most stretches of eight hold none.
      const uint32_t r = rng() % 24;
      const uint16_t k = kinds[r < 20 ? r % 5 : r < 23 ? 5 : 6];
      for (size_t run = rng() % (seed % 2 ? 4 : 2) + 1; run > 0 && i < flags.size(); --run) flags[i++] = k;
    }
    std::vector<uint16_t> want = flags;
    for (size_t i = 1; i + 1 < flags.size(); ++i)
      if ((KindBits(flags[i]) & C1_PUNCT) && (KindBits(flags[i - 1]) & (C1_ALPHA | C1_DIGIT)) &&
          (KindBits(flags[i + 1]) & (C1_ALPHA | C1_DIGIT)))
        want[i] = blank;
    UString text(flags.size(), u'x');
    h.BlankOutMidWordPunctuation(text.data(), flags.data(), C1_PUNCT, C1_ALPHA | C1_DIGIT,
                                 static_cast<int32_t>(flags.size()), true);
    ASSERT_EQ(flags, want) << "seed " << seed;
  }
}

// The 8-bit walk over a code-page text and the UTF-16 walk over the same text decoded mark the
// same sentence ends.
void ExpectSentenceEndsAlikeInBothWidths(const std::string& narrow_text, uint32_t seed) {
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  TNarrowBuf narrow(narrow_text);
  TWideBuf wide(DecodeCodePage(reinterpret_cast<const uint8_t*>(narrow_text.data()), narrow_text.size(), 1252));
  ASSERT_EQ(narrow.n, wide.n);
  const int32_t a = h.AutoMarkSentenceEnds(narrow.T(), narrow.F(), narrow.n, 100, false);
  const int32_t b = h.AutoMarkSentenceEnds(wide.T(), wide.F(), wide.n, 100, true);
  EXPECT_GT(a, 0);
  EXPECT_EQ(a, b) << "seed " << seed;
  ASSERT_EQ(narrow.flags, wide.flags) << "seed " << seed;
}

TEST(TagHandlerRoutines, SentenceEndsOfLongBuffersAreTheSameInBothWidths) {
  // Random words, full stops, question marks, tags and numbers: the UTF-16 walk, which passes over
  // eight characters at a time, marks what the 8-bit walk marks character by character.
  const char* pieces[] = {"word", "Word", " ", " ", "  ", ". ", "? ", "!", ".", "<p>", "</s>", "3.5", "D. ", "e.g. ",
                          "\n", "<a", "x>", "U.S.A. ", "etc.", "..."};
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < 2000) text += pieces[rng() % 20];
    ExpectSentenceEndsAlikeInBothWidths(text, seed);
  }
}

// The sentence-end walks from a first character anywhere (nothing counted from a read-ahead start
// anywhere after it), then the walks that mark or blank tags, over the same 1252 text in both
// widths: the UTF-16 walks, which find their stops through bit masks, leave the text and flags
// the 8-bit walks leave.
void ExpectSentenceEndsAndHiddenTagsAlike(TTextTagHandler& h, TNarrowBuf& narrow, TWideBuf& wide, int32_t limit,
                                          std::mt19937& rng, bool mark) {
  const int32_t first = static_cast<int32_t>(rng() % static_cast<uint32_t>(narrow.n));
  h.ReadAheadFrom = first + static_cast<int32_t>(rng() % static_cast<uint32_t>(narrow.n - first + 1));
  EXPECT_EQ(h.AutoMarkSentenceEnds(narrow.T(), narrow.F(), narrow.n, limit, false, first),
            h.AutoMarkSentenceEnds(wide.T(), wide.F(), wide.n, limit, true, first));
  h.ReadAheadFrom = INT32_MAX;
  ASSERT_EQ(narrow.flags, wide.flags);
  if (mark) {
    h.MarkUnwantedTags(u'<', u'>', narrow.T(), narrow.F(), narrow.n, false, limit);
    h.MarkUnwantedTags(u'<', u'>', wide.T(), wide.F(), wide.n, true, limit);
  } else {
    h.BlankUnwantedTags(u'<', u'>', narrow.T(), narrow.F(), narrow.n, false, limit);
    h.BlankUnwantedTags(u'<', u'>', wide.T(), wide.F(), wide.n, true, limit);
  }
  ASSERT_EQ(narrow.flags, wide.flags);
  const std::string after = narrow.Text();
  EXPECT_TRUE(DecodeCodePage(reinterpret_cast<const uint8_t*>(after.data()), after.size(), 1252) == wide.Text());
}

TEST(TagHandlerRoutines, HiddenTagsAndSentenceEndsOfTaggedBuffersAreTheSameInBothWidths) {
  // Tagged text with brackets out of turn, brackets written as entities (literal), marked
  // brackets, marks already set and tags near the span: the UTF-16 walks, which find their stops
  // through bit masks, leave the text and flags the 8-bit walks leave, blanking or marking.
  const char* pieces[] = {"<w pos=\"NN\">", "</w>", "word", "The", " ", ". ", "? ", "!", "<p>", "a > b", "< ",
                          "<a <b>", "D. ", "e.g. ", "\n", "3.5", "\x19x\x18", "<" ,">", "<note text='a>b'>", "U.S. ",
                          "<long-tag-of-some-length-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx>"};
  constexpr size_t kPieces = sizeof pieces / sizeof pieces[0];
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    std::string text;
    const size_t size = 1 + rng() % 3000;
    while (text.size() < size) text += pieces[rng() % kPieces];
    TNarrowBuf narrow(text);
    TWideBuf wide(Utf8ToUtf16(text));
    ASSERT_EQ(narrow.n, wide.n);
    // Now and then a bracket written as an entity, or a mark already there.
    for (int32_t i = 0; i < narrow.n; ++i) {
      const uint32_t r = rng() % 40;
      const size_t k = static_cast<size_t>(i);
      if (r == 0 && (text[k] == '<' || text[k] == '>')) narrow.flags[k] = wide.flags[k] = narrow.flags[k] | kFlagLiteral;
      if (r == 1) narrow.flags[k] = wide.flags[k] = kFlagHidden;
      if (r == 2 && text[k] == '.') narrow.flags[k] = wide.flags[k] = kFlagSentenceEndAuto;
    }
    const int32_t limit = 20 + static_cast<int32_t>(rng() % 120);
    ExpectSentenceEndsAndHiddenTagsAlike(h, narrow, wide, limit, rng, seed % 2 == 0);
  }
}

TEST(TagHandlerRoutines, WalksOverBuffersOfManyStretchesAreTheSameInBothWidths) {
  // Buffers of up to 40,000 characters, so that the UTF-16 walks, whose masks are made a few
  // thousand characters at a time ahead of them, cross many such stretches: tags that open in
  // one stretch and close in the next, spans longer than a tag may be, first characters and
  // read-ahead starts anywhere, Latin-1 letters and units beyond U+0588 (1252's euro sign and
  // quotes). The 8-bit walks, which look at every character, are the measure.
  const std::vector<std::string> pieces = {
      "word ", "Word ", "caf\xE9 ", "na\xEFve", ". ", "? ", "!", "...", "\x80", "\x93quoted\x94", " D. ", "e.g. ",
      "3.5", "\n", "<p>", "</p>", "<a href='x'>", "< ", " > ", "\x19x\x18",
      "<div class=\"" + std::string(70, 'x') + "\">", "<!-- " + std::string(300, '-') + " -->"};
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    std::string text;
    const size_t size = 4000 + rng() % 36000;
    // Quiet stretches of words now and then, longer than a stretch of masks.
    while (text.size() < size) {
      if (rng() % 200 == 0)
        for (int w = 0; w < 1200; ++w) text += "word ";
      text += pieces[rng() % pieces.size()];
    }
    TNarrowBuf narrow(text);
    TWideBuf wide(DecodeCodePage(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 1252));
    ASSERT_EQ(narrow.n, wide.n);
    for (int32_t i = 0; i < narrow.n; ++i) {
      const uint32_t r = rng() % 60;
      const size_t k = static_cast<size_t>(i);
      if (r == 0 && (text[k] == '<' || text[k] == '>')) narrow.flags[k] = wide.flags[k] = narrow.flags[k] | kFlagLiteral;
      if (r == 1) narrow.flags[k] = wide.flags[k] = kFlagHidden;
    }
    const int32_t limit = seed % 3 == 0 ? 0 : 40 + static_cast<int32_t>(rng() % 400);  // 0: the default span
    ExpectSentenceEndsAndHiddenTagsAlike(h, narrow, wide, limit, rng, seed % 2 == 0);
    EXPECT_GT(std::count(narrow.flags.begin(), narrow.flags.end(), kFlagHidden), 100);  // tags were hidden
  }
}

TEST(TagHandlerRoutines, SentenceEndsAfterLongQuietStretchesAndOtherUnitsAreTheSameInBothWidths) {
  // Long stretches without a full stop (passed over 32 characters at a time where the processor
  // can), with units beyond ASCII below and above U+0588 in them: the same piece in code page
  // 1252 and in UTF-16, so the two walks see the same letters, full stops and tags.
  // (1252: \xE9 e acute, \x9A s caron, \x8C OE, \x80 the euro sign, \x99 the trade mark sign.)
  const char* pieces[] = {"word ", "Word ", "caf\xE9 ", "\x9A\x8C ", "\x80", "\x99 ", ". ",
                          "? ", "!", "<p>", "D. ", "e.g. ", "\n", "3.5"};
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < 3000) {
      // Mostly words, so that stretches of 32 and more without a stop are common.
      const uint32_t r = rng() % 40;
      text += pieces[r < 30 ? r % 6 : 6 + r % 8];
    }
    ExpectSentenceEndsAlikeInBothWidths(text, seed);
  }
}

TEST(TagHandlerRoutines, SentenceEndsAfterAnyLengthOfQuietTextAreMarkedAlike) {
  // A stop of each kind after 0 to 80 quiet characters (in or across stretches of 32): marked,
  // or not, as with nothing before it.
  const char16_t* stops[] = {u"x.", u"x?", u"x!", u"x<p>.", u"x\u3002", u"x\u0964", u"x\u0589", u"x\uFF01",
                             u" D.", u"x\u00E9."};
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  for (const char16_t* stop : stops) {
    const UString tail = UString(stop) + u" Then";
    TWideBuf alone(tail);
    h.AutoMarkSentenceEnds(alone.T(), alone.F(), alone.n, 100, true);
    for (int32_t quiet = 0; quiet <= 80; ++quiet) {
      UString text;
      for (int32_t q = 0; q < quiet; ++q) text += (q % 5 == 4) ? u' ' : static_cast<char16_t>(u'a' + q % 26);
      text += tail;
      TWideBuf b(text);
      h.AutoMarkSentenceEnds(b.T(), b.F(), b.n, 100, true);
      const std::vector<uint16_t> got(b.flags.begin() + quiet, b.flags.end());
      ASSERT_EQ(got, alone.flags) << Utf16ToUtf8(UString(stop)) << " after " << quiet;
    }
  }
}

TEST(TagHandlerRoutines, SentenceEndsOfAbbreviationsLoneBracketsAndEveryScript) {
  // '^' under each automatic sentence end.
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"It is 3.5 m. Then he left. and so? Yes! <a.b> Ok.", "           ^                     ^    ^         ^"},
      {u"Washington D. C. today", "                      "},  // initials
      {u"I met J. R. Smith. He", "                 ^   "},
      {u"in the U.S.A. Today", "                   "},       // a dotted abbreviation
      {u"a Ph.D. Student", "               "},
      {u"e.g. This", "         "},
      {u"Go.Now", "      "},                                  // a full stop inside a dotted word
      // The end of a dotted word, whatever the length of its last part.
      {u"z.Zt. Mittag", "            "},
      {u"Dr.med. Meier kam", "                 "},
      {u"44 v.Chr.) Danach", "                 "},
      {u"die i.d.R. Regel", "                "},
      {u"the end.Then it stopped. So", "                       ^   "},
      {u"Dr. Meier kam", "  ^          "},                 // no full stop inside: a sentence ends
      {u"Nr. 5 and 12a. Then", "             ^     "},      // a digit before the last part
      {u"zzz.\u00C4rger. Da", "             "},             // letters beyond ASCII
      {u"x.\U0001D400\U0001D400. Then", "            "},      // and beyond the basic plane
      {u"3.5 m. Then", "     ^     "},                         // a small letter alone is no initial
      // After a sentence end the walk goes on from the letter that decided it: the full stop of
      // "6." between them is not judged.
      {u"It cannot exist. 6. We shall", "               ^            "},
      {u"at .5 Then and 2.5. So", "                  ^   "},  // a full stop right before a digit ends none
      {u"see p.5 Then", "            "},
      {u"Wait\u20265 Then", "    ^      "},                  // an ellipsis before a digit still does
      {u"x < y. The dog barked.", "     ^               ^"},   // a "<" that closes nowhere is text
      {u"a <b x=1. Y> b. C", "              ^  "},             // one that closes is a tag
      {u"Wait\u2026 Then\u2026 and so", "    ^             "},  // an ellipsis, as "..." is
      {u"Wait... Then... and so", "    ^                 "},
      {u"\u0915\u0964 \u0916\u0965", " ^  ^"},               // dandas
      {u"\u1780\u17D4\u1781\u17D4", " ^ ^"},                 // Khmer
      {u"\u1000\u104B\u1001\u104B", " ^ ^"},                 // Myanmar
      {u"\u0F40\u0F0D\u0F41\u0F0D", " ^ ^"},                 // Tibetan
      {u"\u1200\u1362\u1208\u1362", " ^ ^"},                 // Ethiopic
      {u"\u0561\u0589 \u0532\u0589", " ^  ^"},               // Armenian
      {u"\u0628\u06D4 \u062A\u06D4", " ^  ^"},               // Arabic
      {u"\u4E2D\u3002\u6587\uFF01\u4E0B\uFF1F\u4E0A\uFF0E", " ^ ^ ^ ^"},  // ideographic, full-width
  };
  TTextTagHandler h(kLCID_EnglishUS, 1252);
  for (const auto& [text, ends] : cases) {
    TWideBuf b(text);
    const int32_t counted = h.AutoMarkSentenceEnds(b.T(), b.F(), b.n, 100, true);
    std::string got(static_cast<size_t>(b.n), ' ');
    for (int32_t i = 0; i < b.n; ++i)
      if (b.flags[static_cast<size_t>(i)] == kFlagSentenceEndAuto) got[static_cast<size_t>(i)] = '^';
    EXPECT_EQ(got, ends) << Utf16ToUtf8(text);
    EXPECT_EQ(counted, std::count(got.begin(), got.end(), '^')) << Utf16ToUtf8(text);
  }
}

TEST_F(TagHandlerTest, ConvertedKeepTagsMatchMarkedAndPlainBrackets) {
  SaveKeep({Tag(u"<p>"), Tag(u"[x]"), Tag(u""), Tag(u"<w *>")});
  TLinzoraTextTagHandler h(kLCID_EnglishUS, 1252);
  h.LoadFromSwapFile();
  h.ConvertToTag_on_in_sw_symbols();
  EXPECT_EQ(h.ArrayOfTagfileTags[2].compare_stringW, u"");  // an empty tag stays empty
  h.fUse_Unicode = true;
  TWideBuf b(u"<p>a [x] <w n=1> b <p>");
  h.MarkUnwantedTags(u'<', u'>', b.T(), b.F(), 10, true, 100);  // only the first part is marked
  EXPECT_EQ(b.text[0], kTagOnCode);
  b.kinds = b.flags;
  EXPECT_EQ(Check(h, ttho_keep, b), 4);
  ExpectFlags(b, "111..222.4444444...111");
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
  EXPECT_FALSE(IsKeptTagFlag(kFlagSentenceEndAuto));
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
  EXPECT_EQ(h.ArrayOfTagfileTags[0].compare_stringW, u"\x19p\x18");  // converted for the concordancer
  EXPECT_EQ(h.FExcludeTagList->Count(), 1);
  EXPECT_EQ(entities.Count(), 1);
  EXPECT_EQ(h.ArrayOfTranslationTagfileTags.size(), 1u);
  want(0, 0, 0, true);  // none wanted now: the lists and what was prepared from them go
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
