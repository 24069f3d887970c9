#include "concordance/views/collocate_association.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include "concordance/views/collocates_list.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"

namespace {

// "." decimals, four places, whatever the locale.
UString Fixed4(double v) {
  if (!std::isfinite(v)) v = 0;
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  return Latin1ToUtf16(std::string(buf, r.ptr));
}

std::vector<UString> Split(UStringView text, char16_t separator) {
  std::vector<UString> parts;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t at = text.find(separator, from);
    const size_t to = at == UStringView::npos ? text.size() : at;
    if (to > from) parts.emplace_back(text.substr(from, to - from));
    if (at == UStringView::npos) break;
    from = at + 1;
  }
  return parts;
}

// The search word's frequency: as it stands, else its "/" alternatives added, else a phrase's
// rarest word; -1 when none of these is found.
int64_t SearchWordFrequency(const TReferenceWordList& ref, UStringView sw, bool cs) {
  const int64_t f = ref.Frequency(sw, cs);
  if (f >= 0) return f;
  if (sw.find(u'/') != UStringView::npos) {
    int64_t sum = -1;
    for (const UString& alt : Split(sw, u'/')) {
      const int64_t a = ref.Frequency(alt, cs);
      if (a >= 0) sum = std::max<int64_t>(sum, 0) + a;
    }
    return sum;
  }
  if (sw.find(u' ') != UStringView::npos) {
    int64_t rarest = -1;
    for (const UString& w : Split(sw, u' ')) {
      const int64_t a = ref.Frequency(w, cs);
      if (a < 0) return -1;
      rarest = rarest < 0 ? a : std::min(rarest, a);
    }
    return rarest;
  }
  return -1;
}

}  // namespace

UString AssociationReportName(UStringView file_name) {
  const size_t slash = file_name.find_last_of(u"/\\");
  const size_t dot = file_name.find_last_of(u'.');
  const size_t cut = dot != UStringView::npos && (slash == UStringView::npos || dot > slash) ? dot : file_name.size();
  const UStringView stem = file_name.substr(0, cut);
  // A name that already says "details" ("reldetails.txt", "name.details.txt") is the report's
  // own, as typed, not given a second "details".
  constexpr UStringView kDetails = u"details";
  const size_t name_start = slash == UStringView::npos ? 0 : slash + 1;
  if (stem.size() - name_start >= kDetails.size() &&
      AsciiLower(stem.substr(stem.size() - kDetails.size())) == kDetails)
    return UString(stem) + u".txt";
  return UString(stem) + u".details.txt";
}

TAssociationResult ComputeAssociationReport(const TReferenceWordList& reference, TCollocateList& list,
                                            const TAssociationArgs& args) {
  TAssociationResult result;
  const double total = static_cast<double>(reference.Total());
  const TSpanPair span{args.left_words, args.right_words};
  UString heading = u"\t\t\t\t";
  for (int k = 0; k < kRelationshipStatsCount; ++k)
    heading += u"\t" + UpperCaseU(RelationshipAsString(k));
  result.report.push_back(heading);
  if (global_keeping_log) {
    std::set<UString> search_words;
    for (int i = 0; i < list.Count(); ++i)
      if (const TCollocateEntry* e = list.Row(i)) search_words.insert(e->rec.search_word);
    AddToLogFile(u"Case sensitive: " + CaseSensitivityToStr(args.case_sensitive) + u". " +
                 IntToUStr(static_cast<int64_t>(search_words.size())) + u" search-words, WList has " +
                 IntToUStr(reference.Count()) + u" words, Collocates = " + IntToUStr(list.Count()) +
                 u", column=" + IntToUStr(args.column));
  }
  // Every row of one search word takes the same frequency, worked out (or asked for) once.
  std::map<UString, int64_t> search_word_frequency;
  auto f1_of = [&](const UString& sw) {
    auto [it, added] = search_word_frequency.try_emplace(sw, -1);
    if (added) {
      it->second = SearchWordFrequency(reference, sw, args.case_sensitive);
      if (it->second < 0 && args.user_frequency) it->second = std::max<int64_t>(-1, args.user_frequency(sw));
    }
    return it->second;
  };
  for (int i = 0; i < list.Count(); ++i) {
    if ((i & 1023) == 0) MyYieldProcess();
    TCollocateEntry* e = list.Row(i);
    if (!e) continue;
    const UString word = e->rec.word.value_or(UString());
    const int64_t f1 = f1_of(e->rec.search_word);
    const int64_t f2 = f1 < 0 ? -1 : reference.Frequency(word, args.case_sensitive);
    if (f1 < 0 || f2 < 0) {
      if (f1 < 0) ++result.search_word_missing;
      for (int k = 0; k < kRelationshipStatsCount; ++k) e->rec.SetStatistic(k, 0.0f);
      continue;
    }
    const int32_t joint = e->rec.head.total;
    UString line = word + u" & " + e->rec.search_word + u":\t" + IntToUStr(joint) + u"\t" + IntToUStr(f1) + u"\t" +
                   IntToUStr(f2) + u"\t" + IntToUStr(reference.Total());
    for (int k = 0; k < kRelationshipStatsCount; ++k) {
      const double v = RelationshipComputation(k, joint, static_cast<double>(f1), static_cast<double>(f2), total, span);
      e->rec.SetStatistic(k, static_cast<float>(v));
      line += u"\t" + Fixed4(v);
    }
    result.report.push_back(std::move(line));
    ++result.rows_handled;
  }
  result.success = result.rows_handled > 0;
  if (result.success) list.fsettings.saved_relationships_computed = true;
  AddToLogFile(IntToUStr(result.rows_handled) + u" found of " + IntToUStr(list.Count()));

  if (!args.report_file.empty()) {
    const UString name = AssociationReportName(args.report_file);
    const size_t slash = name.find_last_of(u"/\\");
    const UString folder = slash == UString::npos ? UString(u".") : name.substr(0, slash);
    if (DirectoryExists(folder) && (!FileExists(name) || !args.ok_to_overwrite || args.ok_to_overwrite(name))) {
      std::vector<uint8_t> bytes = {0xFF, 0xFE};
      for (const UString& l : result.report)
        for (char16_t c : l + u"\n") {
          bytes.push_back(static_cast<uint8_t>(c & 0xFF));
          bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
      result.report_written = SafeSaveBytes(name, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
  }
  return result;
}
