#include <gtest/gtest.h>

#include "wordlist/word_list.h"
#include "wordlist_test_support.h"

using wltest::Bytes;

namespace {

struct EntryLayoutCase {
  const char* name;
  int32_t version;
  bool unicode;
  std::vector<uint8_t> bytes;
  float dispersion;
  const char16_t* prefix;
  const char16_t* suffix;
};

TEST(WordlistEntry, ReadsEveryStoredLayout) {
  const EntryLayoutCase cases[] = {
      {"v10 words only", 10, true, Bytes().i32(3).i32(7).wstr(u"cat").wstr(u"<x>").data, 0.0f, u"", u""},
      {"v21 affixes", 21, true, Bytes().i32(3).i32(7).wstr(u"cat").wstr(u"<x>").wstr(u"s").data, 0.0f, u"<x>",
       u"s"},
      {"v22 dispersion", 22, true, Bytes().i32(3).i32(7).f32(0.5f).wstr(u"cat").wstr(u"").wstr(u"").data, 0.5f,
       u"", u""},
      {"v24 8-bit", 24, false, Bytes().i32(3).i32(7).f32(0.25f).astr("cat").astr("<").astr(">").data, 0.25f,
       u"<", u">"},
      {"v21 absent affixes", 21, true, Bytes().i32(3).i32(7).wstr(u"cat").i32(-1).i32(-1).data, 0.0f, u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVXBaseHolder holder;
    holder.SetUnicode(c.unicode);
    TVXWordList list(&holder);
    list.SetVersionNumber(c.version);
    TMemoryStream s(c.bytes);
    TWordlistEntry e(&list);
    ASSERT_TRUE(e.ReadFromStream(s));
    EXPECT_EQ(e.data.n_texts, 3);
    EXPECT_EQ(e.data.frequency, 7);
    EXPECT_EQ(e.data.dispersion, c.dispersion);
    EXPECT_EQ(e.data.word, u"cat");
    EXPECT_EQ(e.data.prefix, c.prefix);
    EXPECT_EQ(e.data.suffix, c.suffix);
    // A version-10 row stops after its word: the rest is the next row's.
    if (c.version == 10) {
      EXPECT_EQ(s.Position(), s.Size() - 10);
    }
  }
}

TEST(WordlistEntry, WritesTheCurrentLayoutInBothWidths) {
  for (bool unicode : {true, false}) {
    TVXBaseHolder holder;
    holder.SetUnicode(unicode);
    TVXWordList list(&holder);
    TWordlistEntry e(&list, {2, 9, 0.75f, u"caf\u00e9", u"", u"s"});
    const std::vector<uint8_t> want =
        unicode ? Bytes().i32(2).i32(9).f32(0.75f).wstr(u"caf\u00e9").wstr(u"").wstr(u"s").data
                : Bytes().i32(2).i32(9).f32(0.75f).astr("caf\xe9").astr("").astr("s").data;
    EXPECT_EQ(wltest::Written(e), want) << unicode;
    // And back, byte for byte.
    list.SetVersionNumber(kWordListVersion);
    TMemoryStream s(want);
    TWordlistEntry back(&list);
    ASSERT_TRUE(back.ReadFromStream(s));
    EXPECT_EQ(wltest::Written(back), want);
  }
}

TEST(WordlistEntry, EveryCutRecordIsAFailedRead) {
  const std::vector<uint8_t> whole = Bytes().i32(1).i32(4).f32(0.5f).wstr(u"dog").wstr(u"p").wstr(u"s").data;
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  list.SetVersionNumber(kWordListVersion);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    TMemoryStream s(std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
    TWordlistEntry e(&list);
    EXPECT_FALSE(e.ReadFromStream(s)) << "cut at " << cut;
  }
}

TEST(WordlistEntry, AFailedWriteIsReported) {
  // A stream that takes only so many bytes.
  struct Short : TMemoryStream {
    int64_t room;
    explicit Short(int64_t r) : room(r) {}
    int64_t Write(const void* b, int64_t n) override {
      const int64_t k = std::min(n, room);
      room -= k;
      return TMemoryStream::Write(b, k);
    }
  };
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  TWordlistEntry e(&list, {1, 4, 0.0f, u"dog", u"", u"s"});
  const size_t whole = wltest::Written(e).size();
  for (size_t room = 0; room < whole; ++room) {
    Short s(static_cast<int64_t>(room));
    EXPECT_FALSE(e.SaveToStream(s)) << room;
  }
}

TEST(WordlistEntry, ReadingWidensTheFrequencyRangeAndNotesDispersion) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  list.SetVersionNumber(22);
  list.StoredListInfo().SetHasDispersionData(false);
  for (int f : {5, 2, 9}) {
    TMemoryStream s(Bytes().i32(1).i32(f).f32(f == 9 ? 0.3f : 0.0f).wstr(u"w").wstr(u"").wstr(u"").data);
    TWordlistEntry e(&list);
    ASSERT_TRUE(e.ReadFromStream(s));
  }
  EXPECT_LE(list.MinFrequency(), 2);
  EXPECT_GE(list.MaxFrequency(), 9);
  EXPECT_TRUE(list.StoredListInfo().HasDispersionData());

  // A row of another kind of list with dispersion says the list has none.
  TVXWordList index_list(&holder, kListIndexWordlist);
  index_list.SetVersionNumber(22);
  index_list.StoredListInfo().SetHasDispersionData(true);
  TMemoryStream s(Bytes().i32(1).i32(1).f32(0.3f).wstr(u"w").wstr(u"").wstr(u"").data);
  TWordlistEntry e(&index_list);
  ASSERT_TRUE(e.ReadFromStream(s));
  EXPECT_FALSE(index_list.StoredListInfo().HasDispersionData());
}

TEST(WordlistEntry, ColumnsAndSetters) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  list.AddRow({3, 12, 0.0f, u"cat", u"<n>", u""});
  TWordlistEntry& e = *list.Row(0);
  EXPECT_EQ(e.GetAWordAsString(kWLColWord), u"cat");
  EXPECT_EQ(e.GetAWordAsString(kWLColFrequency), u"12");
  EXPECT_EQ(e.GetAWordAsString(kWLColTexts), u"3");
  EXPECT_EQ(e.GetAWordPlusAffixesAsString(kWLColWord), u"<n>cat");
  EXPECT_EQ(e.MainWordLength(), 6);
  EXPECT_EQ(e.GetAPrefixAsString(2), u"");
  e.SetAWordAsString(kWLColFrequency, u"x1");  // not a number: kept
  EXPECT_EQ(e.data.frequency, 12);
  e.SetAWordAsString(kWLColTexts, u"4");
  EXPECT_EQ(e.data.n_texts, 4);
  e.SetAWordAsString(kWLColWord, u"");
  EXPECT_EQ(e.data.word, u"");
  EXPECT_NE(list.fState & kStateEntriesEdited, 0);
  EXPECT_EQ(WordsInCluster(u"  the  cat sat "), 3);
}

}  // namespace
