#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "concordance/views/compute_patterns.h"
#include "concordance/views/patterns_list.h"
#include "derived_test_support.h"
#include "platform/rtl/streams.h"

using derived_test::Lines;

namespace {

// The words of grid column `column` (1..11) down the rows, "" for an empty cell.
std::vector<UString> ColumnWords(TPatternsList& list, int column) {
  std::vector<UString> out;
  for (int r = 0; r < list.Count(); ++r) out.push_back(list.Row(r)->GetAWordAsString(column));
  return out;
}

}  // namespace

TEST(ComputePatterns, RowsByFrequencyEmptyLowerCellsAndTies) {
  Lines f;
  f.Add({u"the"}, u"dog", {u"barked"});
  f.Add({u"a"}, u"dog", {u"ran"});
  f.Add({u"the"}, u"Dog", {u"sat"});
  TPatternsList list(&f.holder);
  ASSERT_TRUE(ComputePatterns(f.list, {}, list));
  ASSERT_EQ(list.Count(), 3);
  // Column 5 is L1 (position 49), column 6 the search word, column 7 R1.
  EXPECT_EQ(ColumnWords(list, 5), (std::vector<UString>{u"THE", u"A", u""}));
  EXPECT_EQ(ColumnWords(list, 6), (std::vector<UString>{u"DOG", u"", u""}));
  // Equal frequencies come in word order.
  EXPECT_EQ(ColumnWords(list, 7), (std::vector<UString>{u"BARKED", u"RAN", u"SAT"}));
  EXPECT_EQ(list.Row(0)->rec.freqs[5], 3);
  // An empty lower cell shows neither word nor number.
  TGrid_data_rec cell;
  list.DrawgridDataRec(6, 2, cell, 0);
  EXPECT_FALSE(cell.has_text);
  EXPECT_FALSE(cell.has_number);
  list.DrawgridDataRec(5, 1, cell, 0);
  EXPECT_EQ(cell.text, u"THE");
  EXPECT_FLOAT_EQ(cell.number.value, 2.0f);
  // The eleventh position column gives its frequency too.
  f.Add({}, u"dog", {u"a", u"b", u"c", u"d", u"e"});
  ASSERT_TRUE(ComputePatterns(f.list, {}, list));
  TNumberDisplayAndSinglesRec n;
  list.NumericalData(11, 0, n);
  EXPECT_FLOAT_EQ(n.value, 1.0f);
}

TEST(ComputePatterns, CaseStrictMinimumLengthStopListAndMinimumFrequency) {
  Lines f;
  f.Add({u"The"}, u"dog", {u"ran"});
  f.Add({u"the"}, u"dog", {u"ox"});
  f.Add({u"the"}, u"dog", {u"ox"});
  struct Case {
    const char* name;
    TDerivedCountSettings s;
    std::vector<UString> l1, r1;
  };
  TDerivedCountSettings keep;
  keep.keep_case = true;
  TDerivedCountSettings len2;
  len2.min_word_length = 2;  // "OX" (exactly 2) is left out, "RAN" kept
  TDerivedCountSettings stop;
  stop.is_stop_word = [](UStringView w) { return w == u"THE"; };
  TDerivedCountSettings freq2;
  freq2.min_frequency = 2;
  const Case cases[] = {
      {"case kept", keep, {u"the", u"The"}, {u"ox", u"ran"}},
      {"case folded", {}, {u"THE"}, {u"OX", u"RAN"}},
      {"strict length", len2, {u"THE"}, {u"RAN", u""}},
      {"stop list", stop, {u"", u""}, {u"OX", u"RAN"}},
      {"frequency", freq2, {u"THE"}, {u"OX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPatternsList list(&f.holder);
    ComputePatterns(f.list, c.s, list);
    std::vector<UString> l1 = ColumnWords(list, 5), r1 = ColumnWords(list, 7);
    l1.resize(c.l1.size());
    r1.resize(c.r1.size());
    EXPECT_EQ(l1, c.l1);
    EXPECT_EQ(r1, c.r1);
  }
}

TEST(ComputePatterns, DeletedAndEmptyLinesAndNoLines) {
  Lines f;
  TPatternsList list(&f.holder);
  EXPECT_FALSE(ComputePatterns(f.list, {}, list));
  f.Add({u"x"}, u"dog", {});
  f.Add({u"y"}, u"dog", {});
  f.list.SetDeleted(0, true);
  ASSERT_TRUE(ComputePatterns(f.list, {}, list));
  EXPECT_EQ(ColumnWords(list, 5), (std::vector<UString>{u"Y"}));
}

TEST(PatternsList, RightToLeftShowsPosition55First) {
  Lines f;
  f.Add({u"l5", u"l4", u"l3", u"l2", u"l1"}, u"sw", {u"r1", u"r2", u"r3", u"r4", u"r5"});
  TPatternsList list(&f.holder);
  ASSERT_TRUE(ComputePatterns(f.list, {}, list));
  EXPECT_EQ(list.Row(0)->GetAWordAsString(1), u"L5");
  list.right_to_left = true;
  EXPECT_EQ(list.Row(0)->GetAWordAsString(1), u"R5");
  EXPECT_EQ(list.Row(0)->GetAWordAsString(12), u"");
}

namespace {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& raw(const void* p, size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  Bytes& wide(const char16_t* s) {
    const UString t(s);
    i32(static_cast<int32_t>(t.size()));
    return raw(t.data(), t.size() * 2);
  }
  Bytes& narrow(const char* s) {
    i32(static_cast<int32_t>(std::strlen(s)));
    return raw(s, std::strlen(s));
  }
  Bytes& nil() { return i32(-1); }
};

// A row with word "of" (frequency 4) at L1 and nothing elsewhere.
Bytes PatternRowBytes(bool unicode, bool with_sw) {
  Bytes x;
  for (int k = 0; k < 11; ++k) x.i32(k == 4 ? 4 : 0);
  for (int k = 0; k < 11; ++k) {
    if (k != 4) x.nil();
    else if (unicode) x.wide(u"of");
    else x.narrow("of");
  }
  if (with_sw) x.i32(2);
  return x;
}

}  // namespace

TEST(PatternsStream, RowBytesBothWaysPerVersionAndWidth) {
  struct Case {
    int32_t version;
    bool unicode;
  };
  for (const Case c : {Case{11, true}, Case{11, false}, Case{10, true}}) {
    SCOPED_TRACE(c.version);
    TVXBaseHolder holder;
    holder.SetUnicode(c.unicode);
    TPatternsList list(&holder);
    list.SetVersionNumber(c.version);
    const Bytes bytes = PatternRowBytes(c.unicode, c.version >= 11);
    TMemoryStream in(bytes.b);
    TPatternEntry row(&list, &holder);
    ASSERT_TRUE(row.ReadFromStream(in));
    EXPECT_EQ(in.Position(), in.Size());
    EXPECT_EQ(row.rec.ws[4].value_or(u"?"), u"of");
    EXPECT_FALSE(row.rec.ws[0].has_value());
    EXPECT_EQ(row.rec.sw_number, c.version >= 11 ? 2 : 0);
    if (c.version >= 11) {
      TMemoryStream out;
      ASSERT_TRUE(row.SaveToStream(out));
      EXPECT_EQ(out.Data(), bytes.b);
    }
    // Every cut of the bytes answers false.
    for (size_t cut = 0; cut < bytes.b.size(); ++cut) {
      TMemoryStream part(std::vector<uint8_t>(bytes.b.begin(), bytes.b.begin() + static_cast<long>(cut)));
      TPatternEntry r(&list, &holder);
      EXPECT_FALSE(r.ReadFromStream(part)) << cut;
    }
  }
}

TEST(PatternsStream, ListRoundTripAndGarbledBytes) {
  Lines f;
  f.Add({u"the"}, u"dog", {u"barked"});
  f.Add({u"a"}, u"dog", {u"ran"});
  TPatternsList list(&f.holder);
  ASSERT_TRUE(ComputePatterns(f.list, {}, list));
  list.SetVersionNumber(5);
  TMemoryStream out;
  ASSERT_TRUE(list.SaveToStream(out));
  EXPECT_EQ(list.GetVersionNumber(), kPatternListVersion);
  const std::vector<uint8_t> bytes = out.Data();
  TPatternsList back(&f.holder);
  TMemoryStream in(bytes);
  ASSERT_TRUE(back.ReadFromStream(in));
  ASSERT_EQ(back.Count(), 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 1; c <= 11; ++c) EXPECT_EQ(back.Row(r)->GetAWordAsString(c), list.Row(r)->GetAWordAsString(c));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TPatternsList part_list(&f.holder);
    TMemoryStream part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    EXPECT_FALSE(part_list.ReadFromStream(part)) << cut;
  }
  // Garbled bytes: every byte set to 0xFF in turn; never a crash.
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> g = bytes;
    g[i] = 0xFF;
    TPatternsList gl(&f.holder);
    TMemoryStream gs(g);
    (void)gl.ReadFromStream(gs);
  }
}
