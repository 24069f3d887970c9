#include "concordance/compute_collocates.h"

#include <algorithm>
#include <unordered_map>
#include <map>

#include "concordance/collocates_list.h"
#include "concordance/concordance_list.h"
#include "concordance/line_sections.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_records.h"

UString SearchWordAsShownInLine(const TConcordanceEntry& line, const TSearch_word_format_rec& item,
                                bool lemma_list_loaded) {
  const int64_t starts = line.Data().midpoint;
  UString text;
  if (starts >= 1 && !lemma_list_loaded && item.sw != item.plain_sw && ContainsAlphanumCharacter(item.plain_sw)) {
    const UStringView t = line.Text();
    const int64_t from = std::min<int64_t>(starts, static_cast<int64_t>(t.size()));
    const int64_t to = std::clamp<int64_t>(starts + line.Data().hit_characters, from, static_cast<int64_t>(t.size()));
    text = UString(t.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  } else {
    text = item.plain_sw;
  }
  return WithoutMarkup(text);
}

namespace {

constexpr int32_t kOwnSearchWordRow = -99;
constexpr int32_t kAllSearchWords = -2;

struct TNode {
  int32_t word = 0;   // counted word number
  int32_t group = 0;  // (search-word number, shown search word) number
  bool ignore_freq = false;
  std::vector<int32_t> freqs;
  int32_t last_text = INT32_MIN;
};

struct TGroup {
  int32_t number;
  UString search_word;
};

}  // namespace

bool ComputeCollocates(const TConcordanceList& lines, const std::vector<TSearch_word_format_rec>& items,
                       const TCollocateRunSettings& settings, TCollocateList& list) {
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  list.Clear();
  list.ComputeLeftAndRightSpan(settings.left_words, settings.right_words);
  const TLineSpanPair span{list.fsettings.setting_of_spans.left, list.fsettings.setting_of_spans.right};
  list.SetHeadings(CopyOfBaseHeadings(kListCollocates, span.left, span.right));
  list.fsettings.saved_relationships_computed = false;
  list.fsettings.saved_relations_computed_before21_04_16 = false;
  const size_t span_length = static_cast<size_t>(span.right - span.left + 1);

  TDerivedCountSettings count;
  count.keep_case = settings.keep_case;
  count.lcid = settings.lcid;
  TCountingWords words(count, !settings.keep_numbers);
  std::vector<TNode> nodes;
  std::unordered_map<uint64_t, int32_t> node_of;  // (word, group) -> node
  std::vector<TGroup> groups;
  std::map<std::pair<int32_t, UString>, int32_t> group_of;
  std::vector<uint64_t> node_texts;  // (node, text) pairs met, sorted and counted at the end
  auto group_for = [&](int32_t number, const UString& shown) {
    auto [it, added] = group_of.try_emplace({number, shown}, static_cast<int32_t>(groups.size()));
    if (added) groups.push_back({number, shown});
    return it->second;
  };
  const TSearch_word_format_rec no_item;
  for (int i = 0; i < n_lines; ++i) {
    if (StopRequested(kPanicStopNow)) break;
    if (lines.GetDeleted(i)) continue;
    const TConcordanceEntry* line = lines.Line(i);
    if (!line || line->Text().empty()) continue;
    if ((i & 1023) == 0) MyYieldProcess();
    const int32_t item = line->Data().sw_number;
    const TSearch_word_format_rec& rec =
        item >= 0 && item < static_cast<int32_t>(items.size()) ? items[static_cast<size_t>(item)] : no_item;
    int32_t around = 0, own = 0;
    if (settings.search_words_together) {
      around = own = group_for(kAllSearchWords, UString());
    } else {
      const UString shown = SearchWordAsShownInLine(*line, rec, settings.lemma_list_loaded);
      around = group_for(item, shown);
      own = group_for(kOwnSearchWordRow, shown);
    }
    const int first = SpanLimitOfLine(*line, -1, span.left, settings.stop_at);
    const int last = SpanLimitOfLine(*line, 1, span.right, settings.stop_at);
    const int32_t text = line->Data().filename_num_original;
    for (int p = first; p <= last; ++p) {
      const int32_t word = words.At(*line, p);
      if (word < 0) continue;
      const int32_t group = p == kSpanCentre ? own : around;
      const uint64_t key = (uint64_t(uint32_t(word)) << 32) | uint32_t(group);
      auto [it, added] = node_of.try_emplace(key, static_cast<int32_t>(nodes.size()));
      if (added) {
        TNode n;
        n.word = word;
        n.group = group;
        n.freqs.assign(span_length, 0);
        nodes.push_back(std::move(n));
      }
      const int32_t id = it->second;
      TNode& n = nodes[static_cast<size_t>(id)];
      if (p == kSpanCentre) n.ignore_freq = true;
      ++n.freqs[static_cast<size_t>(p - span.left)];
      if (text != n.last_text) {
        n.last_text = text;
        node_texts.push_back((uint64_t(uint32_t(id)) << 32) | uint32_t(text));
      }
    }
  }
  std::vector<int32_t> texts(nodes.size(), 0);
  std::sort(node_texts.begin(), node_texts.end());
  for (size_t k = 0; k < node_texts.size(); ++k)
    if (k == 0 || node_texts[k] != node_texts[k - 1]) ++texts[static_cast<size_t>(node_texts[k] >> 32)];

  // Rows come in word order (then the greater search-word number, then the search word), so
  // that equal totals keep one order from run to run.
  std::vector<int32_t> order(nodes.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int32_t>(k);
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const TNode &x = nodes[static_cast<size_t>(a)], &y = nodes[static_cast<size_t>(b)];
    if (x.word != y.word) return words.Word(x.word) < words.Word(y.word);
    const TGroup &gx = groups[static_cast<size_t>(x.group)], &gy = groups[static_cast<size_t>(y.group)];
    if (gx.number != gy.number) return gx.number > gy.number;
    return gx.search_word < gy.search_word;
  });
  for (int32_t id : order) {
    TNode& n = nodes[static_cast<size_t>(id)];
    const UString& word = words.Word(n.word);
    int32_t total = 0, left = 0, right = 0, highest = 0;
    for (size_t k = 0; k < n.freqs.size(); ++k) {
      const int32_t f = n.freqs[k];
      const int position = span.left + static_cast<int>(k);
      if (position < kSpanCentre) left += f;
      else if (position > kSpanCentre) right += f;
      total += f;
      highest = std::max(highest, f);
    }
    const int32_t n_texts = texts[static_cast<size_t>(id)];
    if (settings.is_stop_word && settings.is_stop_word(word)) continue;
    if (!n.ignore_freq && (n_texts < settings.min_texts || total < settings.min_total ||
                           static_cast<int64_t>(word.size()) < settings.min_word_length))
      continue;
    const TGroup& g = groups[static_cast<size_t>(n.group)];
    auto* e = static_cast<TCollocateEntry*>(list.NewEntry());
    e->rec.head = {0.0f, highest, total, left, right, n_texts, g.number};
    e->rec.word = word;
    e->rec.prefix = UString();
    e->rec.suffix = UString();
    e->rec.search_word = g.search_word;
    e->rec.freqs = std::move(n.freqs);
    list.Add(e);
  }
  list.Set1Sort(0, kCollocateSortTotal);
  list.Set1Sort(1, 0);
  list.SetSortAscending(0, false);
  list.SetSortAscending(1, true);
  if (list.Count() > 1) list.DoASort(2, 0, list.Count() - 1);
  return list.Count() > 0;
}
