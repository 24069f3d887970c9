// Tag lists in temporary files: byte layout, round trips of the current and the old form,
// damaged files, the user tag-file parser and the inter-tool list frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <optional>

#include "text_reader_test_support.h"
#include "model/reading/tag_lists.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/services/hand_over_folder.h"
#include "support/scoped_env.h"

using text_reader_test::Utf16Bytes;

namespace {

std::string ReadBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string I32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string AStr(UStringView s) { return I32(static_cast<int32_t>(s.size())) + Utf16Bytes(s, true, false); }

int32_t BGR(uint32_t rgb) { return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)); }

// A list that only collects the entries the parser gives it.
class TEntryList : public TBaseSwapList {
 public:
  TEntryList() : TBaseSwapList(kLCID_EnglishUS, 1252) {}
  std::vector<UString> entries;
  void AddFromALine(const UString& s) override { entries.push_back(s); }
  bool ReadAnItem(TStream&, int32_t) override { return false; }
  bool SavedAnItem(TStream&, int32_t) override { return false; }
  UString TempFilename() const override { return SwapFileName(u"entries.dat"); }
  TTagListObj* Holder() override { return nullptr; }

 protected:
  int64_t MinStoredItemBytes() const override { return 1; }
};

// Every test gets its own temporary folder as the suite's temporary folder and scripted dialogs.
class SwapListTest : public testing::Test {
 protected:
  void SetUp() override {
    hand_over_.emplace(folder_.Path());
    saved_quiet_ = Global_run_without_error_messages;
    Global_run_without_error_messages = false;
    SetDialogService(nullptr);
    HeadlessDialogs().Clear();
  }
  void TearDown() override {
    hand_over_.reset();
    Global_run_without_error_messages = saved_quiet_;
    HeadlessDialogs().Clear();
  }
  UString UserFile(const std::string& bytes) { return folder_.Write(u"user_tags.txt", bytes); }
  // A file of the hand-over folder, where the lists are handed over.
  UString HandedOver(UStringView name) const { return hand_over_->Path() + UString(name); }
  // A new file there (an old one of the name is removed first: a file cut to nothing and written
  // again would be flushed to the disk when closed).
  UString WriteHandedOver(UStringView name, std::string_view bytes) {
    const UString folder = UserHandOverFolder();
    EXPECT_EQ(folder, hand_over_->Path());
    DeleteFileU(folder + UString(name));
    std::ofstream(ToFsPath(folder + UString(name)), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return folder + UString(name);
  }
  // The entries of a user's tag file with these bytes.
  std::vector<UString> Entries(const std::string& bytes) {
    TEntryList list;
    EXPECT_TRUE(list.ReadFromUserSpecifiedFile(UserFile(bytes)));
    quotes_ = list.quotes;
    return list.entries;
  }

  TempFolder folder_;
  std::optional<ScopedHandOverFolder> hand_over_;
  bool saved_quiet_ = false;
  int32_t quotes_ = 0;
};

TStoredTagRec Tag(UStringView text, UStringView description = u"", int16_t partner = -1) {
  TStoredTagRec r;
  r.tag = UString(text);
  r.description = UString(description);
  r.partner = partner;
  r.foreground_colour = 0x112233;
  r.background_colour = 0x445566;
  return r;
}

void AddTag(TBaseTagStringList& list, const TStoredTagRec& r) { list.Add(std::make_unique<TTagStringItem>(r, &list)); }

void ExpectSameTag(const TStoredTagRec& x, const TStoredTagRec& y) {
  EXPECT_EQ(std::memcmp(static_cast<const TStoredTagFixed*>(&x), static_cast<const TStoredTagFixed*>(&y), 84), 0);
  EXPECT_EQ(x.tag, y.tag);
  EXPECT_EQ(x.description, y.description);
}

TEST_F(SwapListTest, KeepListLayoutAndRoundTrip) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  TStoredTagRec a = Tag(u"<p>", u"para", 1), b = Tag(u"</p>", u"", 0);
  a.tag_type = on_tag;
  a.isMediaTag = 1;
  a.added.isTagForTagStringOnlyDisplay = 1;
  a.added.extras[63] = 7;
  b.tag_type = off_tag;
  AddTag(list, a);
  AddTag(list, b);
  ASSERT_TRUE(list.SavedToTempfile());
  EXPECT_EQ(list.fVersion, 1);
  EXPECT_EQ(list.TempFilename(), HandedOver(u"tags_to_keep.dat"));
  std::string fixed(84, '\0');
  fixed[0] = 1;                // tag_type
  fixed[1] = 1, fixed[2] = 0;  // partner, unaligned
  fixed[3] = 1;                // isMediaTag
  std::memcpy(&fixed[4], "\x33\x22\x11\x00\x66\x55\x44\x00", 8);
  fixed[12] = 1;  // added.isTagForTagStringOnlyDisplay
  fixed[83] = 7;  // added.extras[63]
  const std::string first = I32(-2) + I32(1) + fixed + AStr(u"<p>") + AStr(u"para");
  EXPECT_EQ(ReadBytes(list.TempFilename()).substr(0, first.size()), first);
  TTagsToKeepList back(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(back.LoadFromTempFile());
  ASSERT_EQ(back.Count(), 2);
  ExpectSameTag(back.GetTagRec(0), a);
  ExpectSameTag(back.GetTagRec(1), b);
  EXPECT_EQ(back.IndexOf(b), 1);
  // Indexes outside the list: no partner, an empty record, a write ignored.
  EXPECT_EQ(back.Partner(5), -1);
  EXPECT_EQ(back.GetTagRec(-1).tag, u"");
  back.PutTagRec(9, a);
  EXPECT_EQ(back.Count(), 2);
}

TEST_F(SwapListTest, EmptyListIsTwoWords) {
  TTagsToDeleteList list(kLCID_EnglishUS, 1252), back(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(list.SavedToTempfile());
  EXPECT_EQ(ReadBytes(HandedOver(u"tags_to_exclude.dat")), I32(0) + I32(1));
  EXPECT_TRUE(back.LoadFromTempFile());
  EXPECT_EQ(back.Count(), 0);
  EXPECT_EQ(back.fVersion, 0);  // -0 is 0: read as a count without a version word
}

TEST_F(SwapListTest, OldFormHasNoVersionWordAndShortItems) {
  // A file from before versions were kept: +Count, then 12-byte records.
  std::string head(12, '\0');
  head[0] = 2;                         // off_tag
  head[1] = '\xFF', head[2] = '\xFF';  // partner -1
  std::memcpy(&head[4], "\x01\x00\x00\x00\x02\x00\x00\x00", 8);
  WriteHandedOver(u"tags_to_keep.dat",
             I32(2) + head + AStr(u"</p>") + AStr(u"") + head + AStr(u"</q>") + AStr(u"d"));
  TStoredTagRec want = Tag(u"</q>", u"d");
  want.tag_type = off_tag;
  want.foreground_colour = 1;
  want.background_colour = 2;
  TTagsToKeepList list(kLCID_EnglishUS, 1252), back(kLCID_EnglishUS, 1252);
  list.fVersion = 1;  // as after an earlier save: must not survive into this read
  ASSERT_TRUE(list.LoadFromTempFile());
  EXPECT_EQ(list.fVersion, 0);
  ASSERT_EQ(list.Count(), 2);
  ExpectSameTag(list.GetTagRec(1), want);
  // Saved again, it is in the current form.
  ASSERT_TRUE(list.SavedToTempfile());
  EXPECT_EQ(list.fVersion, 1);
  ASSERT_TRUE(back.LoadFromTempFile());
  ExpectSameTag(back.GetTagRec(1), want);
}

TEST_F(SwapListTest, DamagedFilesAnswerFalse) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  AddTag(list, Tag(u"<a>"));
  AddTag(list, Tag(u"<b>", u"bee"));
  ASSERT_TRUE(list.SavedToTempfile());
  const UString name = list.TempFilename();
  const std::string good = ReadBytes(name);

  // Every truncation fails and keeps only items read whole.
  for (size_t cut = 0; cut < good.size(); ++cut) {
    WriteHandedOver(u"tags_to_keep.dat", good.substr(0, cut));
    TTagsToKeepList back(kLCID_EnglishUS, 1252);
    EXPECT_FALSE(back.LoadFromTempFile()) << cut;
    EXPECT_LE(back.Count(), 1) << cut;
    if (back.Count() == 1) { EXPECT_EQ(back.GetTagRec(0).tag, u"<a>"); }
  }
  auto read = [&](const std::string& bytes, int32_t& partner) {
    WriteHandedOver(u"tags_to_keep.dat", bytes);
    TTagsToKeepList back(kLCID_EnglishUS, 1252);
    const bool ok = back.LoadFromTempFile();
    EXPECT_LE(back.Count(), 2);
    partner = back.Partner(0);
    return ok;
  };
  int32_t partner = 0;
  EXPECT_FALSE(read(I32(INT_MIN) + I32(1), partner));                    // a count that cannot be negated
  EXPECT_FALSE(read(I32(-1000000) + I32(1) + good.substr(8), partner));  // more items than bytes
  EXPECT_FALSE(read(I32(-2) + I32(-5) + good.substr(8), partner));       // a negative version
  std::string garbled = good;
  std::memcpy(&garbled[8 + 84], "\xFF\xFF\xFF\x7F", 4);  // a string length beyond the file
  EXPECT_FALSE(read(garbled, partner));
  garbled = good;
  garbled[9] = 40, garbled[10] = 0;  // a partner outside the list means none
  ASSERT_TRUE(read(garbled, partner));
  EXPECT_EQ(partner, -1);

  // A missing file: false, list unchanged.
  DeleteFileU(name);
  TTagsToKeepList kept(kLCID_EnglishUS, 1252);
  AddTag(kept, Tag(u"<z>"));
  EXPECT_FALSE(kept.LoadFromTempFile());
  EXPECT_EQ(kept.Count(), 1);
}

// A stream that takes only so many bytes.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t n = std::min(count, room_ - Size());
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  int64_t room_;
};

TEST_F(SwapListTest, FailedWritesAreReportedAndKeepTheOldFile) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  AddTag(list, Tag(u"<a>"));
  ASSERT_TRUE(list.SavedToTempfile());
  const std::string before = ReadBytes(list.TempFilename());
  // An item that cannot be written: the list handed over before stays as it was.
  struct TFailingList : TTagsToKeepList {
    using TTagsToKeepList::TTagsToKeepList;
    bool SavedAnItem(TStream&, int32_t) override { return false; }
  } failing(kLCID_EnglishUS, 1252);
  AddTag(failing, Tag(u"<b>"));
  EXPECT_FALSE(failing.SavedToTempfile());
  EXPECT_EQ(ReadBytes(list.TempFilename()), before);
  // No folder of this user's to be trusted (the hand-over folder's name and the runtime folder's
  // both taken by plain files): nothing is written anywhere.
  const UString folder = ExcludeTrailingPathDelimiter(hand_over_->Path());
  const UString runtime_folder = folder_.Path() + u"runtime/linzora";
  ASSERT_TRUE(RenameFileU(folder, folder + u".aside"));
  folder_.Write(ExtractFileName(folder), "x");
  folder_.Write(u"runtime/linzora", "x");
  EXPECT_EQ(list.TempFilename(), u"");
  EXPECT_FALSE(list.SavedToTempfile());
  ASSERT_TRUE(DeleteFileU(folder) && DeleteFileU(runtime_folder));
  ASSERT_TRUE(RenameFileU(folder + u".aside", folder));
  EXPECT_EQ(ReadBytes(list.TempFilename()), before);
  // Items written to a stream with too little room answer false, wherever the room ends.
  const TTagStringItem item(Tag(u"<p>", u"d"), &list);
  for (int64_t room : {0, 83, 84, 87, 90, 95}) {
    TShortStream s(room);
    EXPECT_FALSE(item.SaveToStream(s)) << room;
  }
  TShortStream enough(84 + 10 + 6);
  EXPECT_TRUE(item.SaveToStream(enough));
  TTagsToTranslateList entities(kLCID_EnglishUS, 1252);
  TTranslateTagRec r;
  r.short_form = u'&';
  r.long_form = u"&amp;";
  const TTranslateTagStringItem entity(r, &entities);
  for (int64_t room : {0, 3, 4, 7, 13}) {
    TShortStream s(room);
    EXPECT_FALSE(entity.SaveToStream(s)) << room;
  }
}

TEST_F(SwapListTest, EntityListLayoutAndRoundTrip) {
  TTagsToTranslateList list(kLCID_EnglishUS, 1252);
  list.AddFromALine(u"&amp; &");
  list.AddFromALine(u"&eacute; #233");
  ASSERT_EQ(list.Count(), 2);
  ASSERT_TRUE(list.SavedToTempfile());
  EXPECT_EQ(list.TempFilename(), HandedOver(u"entity_tags.dat"));
  const uint16_t amp_kind = CharKindOf(u'&');
  const std::string bytes = ReadBytes(list.TempFilename());
  EXPECT_EQ(bytes.substr(0, 12),
            I32(-2) + I32(1) + std::string("&\0", 2) + std::string(reinterpret_cast<const char*>(&amp_kind), 2));
  EXPECT_EQ(bytes.substr(12, 4 + 10), AStr(u"&amp;"));
  TTagsToTranslateList back(kLCID_EnglishUS, 1252);
  ASSERT_TRUE(back.LoadFromTempFile());
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.GetTranslateRec(1).short_form, u'\u00E9');
  EXPECT_EQ(back.GetTranslateRec(1).short_C1, CharKindOf(0xE9));
  EXPECT_EQ(back.GetTranslateRec(1).long_form, u"&eacute;");
  EXPECT_EQ(back.IndexOf(list.GetTranslateRec(1)), 1);

  // An entity item cut inside its 4 bytes or its text fails.
  for (size_t cut : {size_t(9), size_t(13), bytes.size() - 1}) {
    WriteHandedOver(u"entity_tags.dat", bytes.substr(0, cut));
    TTagsToTranslateList damaged(kLCID_EnglishUS, 1252);
    EXPECT_FALSE(damaged.LoadFromTempFile()) << cut;
  }
}

TEST_F(SwapListTest, EntityLinesAreCheckedBeforeTheyAreAdded) {
  TTagsToTranslateList list(kLCID_EnglishUS, 1252);
  // "#" alone is the character itself; a word stands for its first character.
  const std::pair<const char16_t*, char16_t> good[] = {
      {u"&lt; #60", u'<'}, {u"&x; #x41", u'A'}, {u"&y; {66}", u'B'}, {u"&hash; #", u'#'}, {u"&q; quote", u'q'}};
  for (const auto& [line, character] : good) {
    list.AddFromALine(line);
    ASSERT_GT(list.Count(), 0) << Utf16ToUtf8(line);
    EXPECT_EQ(list.GetTranslateRec(list.Count() - 1).short_form, character) << Utf16ToUtf8(line);
  }
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.bad_lines, 0);

  // Rejected: no blank (an empty entity would be searched for ever), a blank first, nothing
  // after the blank, a number of 0, above 0xFFFF, negative or not a number at all.
  for (const char16_t* line : {u"&amp", u" &", u"&amp; ", u"&z; #0", u"&z; #70000", u"&z; #-5", u"&z; #12ab",
                               u"&z; #xD800"})
    list.AddFromALine(line);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.bad_lines, 8);
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 5u);  // at most five warnings
  EXPECT_EQ(list.fWrong_Format_strs, 8);
}

TEST_F(SwapListTest, UserFileEntriesCommentsCommasAndQuotes) {
  EXPECT_EQ(Entries("; a comment, with a comma\r\n<a>,<b>\r\n\"<c,d>\"\n  <e>  \r\r\n\n<f>\f<g>"),
            (std::vector<UString>{u"<a>", u"<b>", u"\"<c,d>\"", u"<e>", u"<f>", u"<g>"}));
  EXPECT_EQ(quotes_, 2);
  // UTF-16 either way round ends entries at vertical tabs and paragraph separators too.
  EXPECT_EQ(Entries(Utf16Bytes(u"<a>\v<b>\u2029<\u00E9>\n;x\u2028<c>", true, true)),
            (std::vector<UString>{u"<a>", u"<b>", u"<\u00E9>", u"<c>"}));
  EXPECT_EQ(Entries(Utf16Bytes(u"<a>,<\u4E2D>", false, true)), (std::vector<UString>{u"<a>", u"<\u4E2D>"}));
  // UTF-8 with a signature, and 8-bit text in the list's code page.
  EXPECT_EQ(Entries("\xEF\xBB\xBF<caf\xC3\xA9>"), std::vector<UString>{u"<caf\u00E9>"});
  EXPECT_EQ(Entries("<caf\xE9>"), std::vector<UString>{u"<caf\u00E9>"});
  // One byte: read, no entries; a missing file: false.
  EXPECT_TRUE(Entries("x").empty());
  TEntryList none;
  EXPECT_FALSE(none.ReadFromUserSpecifiedFile(folder_.Path() + u"none.txt"));
}

TEST_F(SwapListTest, UserFileWithAZeroByteAsksFirst) {
  const UString name = UserFile(std::string("<a>\n<b>\0<c>", 11));
  TEntryList refused, accepted;
  HeadlessDialogs().Script({mrNo});
  EXPECT_TRUE(refused.ReadFromUserSpecifiedFile(name));
  EXPECT_TRUE(refused.entries.empty());
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
  EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"position 7"), UString::npos);  // where the zero is
  HeadlessDialogs().Script({mrYes});
  EXPECT_TRUE(accepted.ReadFromUserSpecifiedFile(name));
  EXPECT_EQ(accepted.entries, (std::vector<UString>{u"<a>", u"<b>"}));
}

TEST_F(SwapListTest, KeepLinesWithOptions) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  HeadlessDialogs().Script({mrNo});
  ASSERT_TRUE(list.ReadFromUserSpecifiedFile(UserFile(
      "<p> /colour=\"red ON yellow\" /description \"Paragraph\"\n<media> /play media\n"
      "<hd> /tagstring_only /color=\"Cream\"\n<x> /colour=\"blue ON BLUE\"\n<y> /colour=\"no such colour\"\n"
      "<z> /colour=\"unclosed\n<w> /description \"unclosed\nab\n<q>\n</q>\n")));
  ASSERT_EQ(list.Count(), 7);
  EXPECT_EQ(list.bad_lines, 2);  // the two unclosed values; "ab" is too short to count
  const TStoredTagRec p = list.GetTagRec(0);
  EXPECT_EQ(p.tag, u"<p>");
  EXPECT_EQ(p.description, u"Paragraph");
  EXPECT_EQ(p.foreground_colour, BGR(0xFF0000));
  EXPECT_EQ(p.background_colour, BGR(0xFFFF00));
  EXPECT_EQ(p.tag_type, unique_tag);
  EXPECT_EQ(+p.partner, -1);
  EXPECT_EQ(list.GetTagRec(1).isMediaTag, 1);
  EXPECT_EQ(list.GetTagRec(2).added.isTagForTagStringOnlyDisplay, 1);
  // Colours of each line: default, Cream (ivory) on the default, the same colour twice (black on
  // white), an unknown name (default).
  const std::pair<int32_t, int32_t> colours[] = {{DefaultTagTextColour(), DefaultTagBackgroundColour()},
                                                 {BGR(0xFFFFF0), DefaultBackgroundColour()},
                                                 {0, 0xFFFFFF},
                                                 {DefaultTagTextColour(), -2}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list.GetTagRec(i + 1).foreground_colour, colours[i].first) << i;
    if (colours[i].second != -2) { EXPECT_EQ(list.GetTagRec(i + 1).background_colour, colours[i].second) << i; }
  }
  // "<q>" and "</q>" pair up.
  EXPECT_EQ(list.GetTagRec(5).tag, u"<q>");
  EXPECT_EQ(list.GetTagRec(5).tag_type, on_tag);
  EXPECT_EQ(+list.GetTagRec(5).partner, 6);
  EXPECT_EQ(list.GetTagRec(6).tag_type, off_tag);
  EXPECT_EQ(+list.GetTagRec(6).partner, 5);
}

TEST_F(SwapListTest, UnbracketedKeepTagIsIncludedOnlyWhenTheUserSaysSo) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  HeadlessDialogs().Script({mrYes, mrNo});
  list.AddFromALine(u"[note]");
  list.AddFromALine(u"{note}");
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 2u);
  EXPECT_EQ(HeadlessDialogs().Asked()[0].help_context, 1850);
  EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"[note]"), UString::npos);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetTagRec(0).tag, u"[note]");
  EXPECT_EQ(list.bad_lines, 2);
  Global_run_without_error_messages = true;  // no question: left out
  list.AddFromALine(u"[other]");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 2u);
}

// A keep file of lines that are no tags asks of five of them at most; the line the user was asked
// about before is added without a question.
TEST_F(SwapListTest, KeepFileOfNoTagsAsksFiveTimesAtMost) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  HeadlessDialogs().Script({mrYes, mrNo, mrYes, mrNo, mrNo, mrYes});
  ASSERT_TRUE(list.ReadFromUserSpecifiedFile(UserFile("one\ntwo\n<a>\nthree\nfour\nfive\nsix\nseven\n")));
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 5u);
  std::vector<UString> tags;
  for (int32_t i = 0; i < list.Count(); ++i) tags.push_back(list.GetTagRec(i).tag);
  EXPECT_EQ(tags, (std::vector<UString>{u"one", u"<a>", u"three"}));
  EXPECT_EQ(list.bad_lines, 7);

  HeadlessDialogs().Clear();
  list.AddFromALineWithoutAsking(u"eight");
  list.AddFromALineWithoutAsking(u"<b> /description \"bold\"");
  EXPECT_TRUE(HeadlessDialogs().Asked().empty());
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.GetTagRec(3).tag, u"eight");
  EXPECT_EQ(list.GetTagRec(4).description, u"bold");
}

TEST_F(SwapListTest, TagPartners) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  for (const char16_t* t : {u"<s>", u"<br>", u"</s>", u"<s >", u"<p *>", u"</p>"}) AddTag(list, Tag(t));
  AddTag(list, Tag(u"</ s>", u"", 1));  // already has a partner: keeps it
  list.CheckTagPartners();
  // A second opening tag of a pair points at the first closing one.
  const int32_t partners[] = {2, -1, 0, 2, 5, 4, 1};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(list.Partner(i), partners[i]) << i;
  EXPECT_EQ(list.GetTagRec(6).tag_type, off_tag);
  EXPECT_EQ(list.GetTagRec(1).tag_type, unique_tag);
}

TEST_F(SwapListTest, ExcludeLines) {
  TTagsToDeleteList list(kLCID_EnglishUS, 1252);
  list.AddFromALine(u"<note>*</note> /description \"notes\"");
  list.AddFromALine(u"<br>");                           // no "/": rejected
  list.AddFromALine(u"<a>*</a> /description \"open");  // unclosed description: rejected
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.bad_lines, 2);
  EXPECT_TRUE(HeadlessDialogs().Asked().empty());
  const TStoredTagRec r = list.GetTagRec(0);
  EXPECT_EQ(r.tag, u"<note>*</note>");
  EXPECT_EQ(r.description, u"notes");
  EXPECT_EQ(r.tag_type, on_middle_and_off_again_tag);
  EXPECT_EQ(+r.partner, -1);
}

TEST_F(SwapListTest, SortSupportComparesWithTheHolder) {
  TTagsToKeepList list(kLCID_EnglishUS, 1252);
  AddTag(list, Tag(u"<b>"));
  AddTag(list, Tag(u"<A>"));
  list.TagItem(0)->SetBase(0, &list, 0);
  EXPECT_LT(list.TagItem(1)->CompareWithBase(1, &list, 0), 0);
  EXPECT_EQ(list.TagItem(0)->CompareWithBase(0, &list, 0), 0);
  TTagsToTranslateList entities(kLCID_EnglishUS, 1252);
  entities.AddFromALine(u"&lt; <");
  entities.AddFromALine(u"&amp; &");
  entities.TranslateItem(0)->SetBase(0, &entities, 0);
  EXPECT_LT(entities.TranslateItem(1)->CompareWithBase(1, &entities, 0), 0);
}

TEST(TagColours, Names) {
  // Names of several words, in any case, with a hyphen; one of the suite's own; an unknown name.
  const std::pair<const char16_t*, int32_t> names[] = {{u"LIGHT PURPLE", BGR(0xDA70D6)}, {u"Grey-Green", BGR(0x8FBC8F)},
                                                       {u"Dollar Green", 0xC0DCC0}, {u"Blurple", -1}};
  for (const auto& [name, colour] : names) {
    int32_t c = -1;
    EXPECT_EQ(TagColourFromName(name, c), colour != -1) << Utf16ToUtf8(name);
    EXPECT_EQ(c, colour) << Utf16ToUtf8(name);
  }
}

class TNumberItem : public TInterToolListObj {
 public:
  using TInterToolListObj::TInterToolListObj;
  int32_t value = 0;
};

class TNumberList : public TBaseInterToolList {
 public:
  TNumberList() : TBaseInterToolList(0, 1) {
    fEntriesClass = [](TBaseInterToolList* l) -> std::unique_ptr<TInterToolListObj> {
      return std::make_unique<TNumberItem>(l);
    };
  }
  bool fail_header_write = false;
  void AddNumber(int32_t v) {
    auto item = std::make_unique<TNumberItem>(this);
    item->value = v;
    Add(std::move(item));
  }
  int32_t Number(int32_t i) const { return static_cast<TNumberItem*>(Items(i))->value; }

 protected:
  bool ReadPreliminaries(TStream& s) override {
    int32_t h = 0;
    return ReadI32(s, h) && h == 0x5EED;
  }
  bool ReadAnItem(TStream& s, int32_t i) override { return ReadI32(s, static_cast<TNumberItem*>(Items(i))->value); }
  bool SavedPreliminaries(TStream& s) override { return !fail_header_write && WriteI32(s, 0x5EED); }
  bool SavedAnItem(TStream& s, int32_t index) override { return WriteI32(s, Number(index)); }
  UString TempFilename() const override { return UserHandOverFolder() + u"a_b.tell_test"; }
};

TEST_F(SwapListTest, InterToolListFrame) {
  TNumberList list;
  list.AddNumber(7);
  list.AddNumber(-3);
  ASSERT_TRUE(list.SavedToTempfile());
  const UString name = HandedOver(u"a_b.tell_test");
  const std::string saved = I32(0x5EED) + I32(2) + I32(7) + I32(-3);
  EXPECT_EQ(ReadBytes(name), saved);
  TNumberList back;  // reading adds to what is held
  back.AddNumber(99);
  ASSERT_TRUE(back.ReadFromTempfile());
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Number(0), 99);
  EXPECT_EQ(back.Number(2), -3);
  list.fail_header_write = true;  // a failed header write leaves the old file
  EXPECT_FALSE(list.SavedToTempfile());
  EXPECT_EQ(ReadBytes(name), saved);

  // Damaged: wrong header, count beyond the file or negative, truncated items (those read whole
  // stay); a missing file.
  const std::pair<std::string, int32_t> damaged[] = {{I32(1) + I32(1) + I32(5), 0},
                                                     {I32(0x5EED) + I32(1000) + I32(5), -1},
                                                     {I32(0x5EED) + I32(-1), -1},
                                                     {I32(0x5EED) + I32(2) + I32(5) + "\x01\x02\x03", 1}};
  for (const auto& [bytes, count] : damaged) {
    WriteHandedOver(u"a_b.tell_test", bytes);
    TNumberList l;
    EXPECT_FALSE(l.ReadFromTempfile()) << bytes.size();
    if (count >= 0) { EXPECT_EQ(l.Count(), count) << bytes.size(); }
  }
  DeleteFileU(name);
  TNumberList none;
  EXPECT_FALSE(none.ReadFromTempfile());
}

}  // namespace
