// The concordance run's committer and its workers: the run's rules (limits, instances per text,
// the word gap, the filter, stops, file numbers) on small hand-made texts, and many workers
// giving what one gives on 500 generated texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <tuple>
#include <sstream>
#include <string>
#include <thread>

#include "concordance/run/concordance_run.h"
#include "concordance/run/user_filter.h"
#include "support/wait_for.h"

namespace {

class FakeOwner : public TConcordanceLineOwner {
 public:
  int32_t StreamVersion() const override { return 25; }
  int ColumnKind(int column) const override { return column == 2 ? 2 : 0; }
};

FakeOwner g_owner;

UString U(int64_t v) { return Utf8ToUtf16(std::to_string(v)); }

class VectorSink : public TConcordanceLineSink {
 public:
  int64_t Count() const override { return static_cast<int64_t>(lines.size()); }
  int64_t Add(std::unique_ptr<TConcordanceEntry> line) override {
    lines.push_back(std::move(line));
    return Count() - 1;
  }
  // One text line per list line: everything the run decides about it.
  std::vector<std::string> Describe() const {
    std::vector<std::string> out;
    for (const auto& l : lines) {
      const TConcordanceLineData& d = l->Data();
      std::ostringstream s;
      s << Utf16ToUtf8(UString(l->Text())) << " w" << d.word_num << " i" << d.sw_number << " f"
        << d.filename_num_original << " b" << d.byte_position << " set=" << Utf16ToUtf8(UString(l->SetText()));
      out.push_back(s.str());
    }
    return out;
  }
  std::vector<std::unique_ptr<TConcordanceEntry>> lines;
};

std::unique_ptr<TConcordanceEntry> MakeLine(UStringView text, int32_t word_num, int32_t item, int64_t byte) {
  auto line = std::make_unique<TConcordanceEntry>(&g_owner);
  line->SetText(UString(text));
  line->Data().word_num = word_num;
  line->Data().sw_number = item;
  line->Data().byte_position = byte;
  line->Data().midpoint = 2;
  line->Data().hit_characters = 3;
  return line;
}

// --- small hand-made texts ----------------------------------------------------------------------

struct Hit {
  int32_t chunk, item, word;
  const char16_t* text = u"keep";
};

struct SmallText {
  std::vector<Hit> hits;
  uint8_t stop_state = 0;
  int32_t stopped_after_chunk = -1;
  bool read_ok = true;
};

struct SmallRun {
  std::vector<std::string> kept;  // "item/word" of each line in the list, with its file number
  std::vector<std::string> sets;  // each line's Set column
  TConcordanceRunResult result;
  int32_t worker_calls = 0;
};

SmallRun RunSmall(TConcordanceRunSettings settings, const std::vector<SmallText>& texts,
                  const TUserLineFilter* filter = nullptr, int64_t lines_before = 0) {
  settings.text_count = static_cast<int32_t>(texts.size());
  std::atomic<int32_t> calls{0};
  TTextWorker worker = [&](int32_t t) {
    ++calls;
    TTextOutcome o;
    o.text_index = t;
    o.read_ok = texts[t].read_ok;
    o.stop_state = texts[t].stop_state;
    o.stopped_after_chunk = texts[t].stopped_after_chunk;
    for (const Hit& h : texts[t].hits) {
      TCandidateLine c;
      c.chunk = h.chunk;
      c.item = h.item;
      c.line = MakeLine(h.text, h.word, h.item, 0);
      o.lines.push_back(std::move(c));
    }
    return o;
  };
  VectorSink sink;
  for (int64_t i = 0; i < lines_before; ++i) sink.Add(MakeLine(u"old", 0, 0, 0));
  TJobToken token;
  SmallRun run;
  run.result = RunConcordance(settings, worker, sink, token, filter);
  run.worker_calls = calls;
  for (size_t i = static_cast<size_t>(lines_before); i < sink.lines.size(); ++i) {
    const TConcordanceLineData& d = sink.lines[i]->Data();
    run.kept.push_back(std::to_string(d.sw_number) + "/" + std::to_string(d.word_num) + " f" +
                       std::to_string(d.filename_num_original));
    run.sets.push_back(Utf16ToUtf8(UString(sink.lines[i]->SetText())));
  }
  return run;
}

TConcordanceRunSettings Small(int32_t items, int32_t wanted, int32_t gap = -1) {
  TConcordanceRunSettings s;
  s.item_count = items;
  s.lines_wanted_per_item = wanted;
  s.allowed_word_gap = gap;
  for (int32_t i = 0; i < items; ++i) s.item_words.push_back(u"sw" + U(i));
  s.log = [](UStringView) {};
  return s;
}

TEST(ConcordanceRun, LimitTestIsExactIn64Bits) {
  struct Case {
    int64_t count;
    int32_t items, wanted;
    bool reached;
  };
  const Case cases[] = {
      {0, 3, 0, true},                 // nothing wanted: enough from the start
      {5, 2, 3, false},
      {6, 2, 3, true},
      {16777216, 1, 16777217, false},  // single precision would round the product to 16777216
      {2147483647, 100000, 100000, false},  // the product passes 32 bits
      {10000000000LL, 100000, 100000, true},
      {0, 0, 5, true},
      {3, -1, 5, true},                // no items: nothing is wanted
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConcordanceLimitReached(c.count, c.items, c.wanted), c.reached)
        << c.count << " " << c.items << " " << c.wanted;
}

// Word gap, per item and across items, on one text.
TEST(ConcordanceRun, WordGapRules) {
  struct Case {
    const char* name;
    int32_t gap;
    int32_t items;
    std::vector<Hit> hits;
    std::vector<std::string> kept;
    std::vector<int32_t> counters;
  };
  const Case cases[] = {
      {"within the gap after the item's last line", 2, 1,
       {{0, 0, 10}, {0, 0, 12}, {0, 0, 13}, {0, 0, 20}},
       {"0/10 f1", "0/13 f1", "0/20 f1"}, {3}},
      {"gap off keeps all", -1, 1, {{0, 0, 10}, {0, 0, 11}}, {"0/10 f1", "0/11 f1"}, {2}},
      {"gap 0 drops the same word only", 0, 1, {{0, 0, 10}, {0, 0, 10}, {0, 0, 11}}, {"0/10 f1", "0/11 f1"}, {2}},
      {"forgotten at a new chunk", 5, 1, {{0, 0, 10}, {1, 0, 11}}, {"0/10 f1", "0/11 f1"}, {2}},
      {"forgotten at a new item", 5, 2, {{0, 0, 10}, {0, 1, 30}, {0, 1, 31}}, {"0/10 f1", "1/30 f1"}, {1, 1}},
      {"a later item's line within the gap after an earlier item's goes, and is not counted", 3, 2,
       {{0, 0, 10}, {0, 1, 13}, {0, 1, 20}}, {"0/10 f1", "1/20 f1"}, {1, 1}},
      {"before the earlier item's line stays", 3, 2, {{0, 0, 20}, {0, 1, 18}}, {"0/20 f1", "1/18 f1"}, {1, 1}},
      {"only lines of the same chunk count", 3, 2, {{0, 0, 10}, {1, 1, 11}}, {"0/10 f1", "1/11 f1"}, {1, 1}},
      {"a third item is judged against both earlier ones", 2, 3,
       {{0, 0, 10}, {0, 1, 50}, {0, 2, 11}, {0, 2, 51}, {0, 2, 60}},
       {"0/10 f1", "1/50 f1", "2/60 f1"}, {1, 1, 1}},
      // Lines of jump positions carry no word number: no gap is kept from them or to them.
      {"lines without a word number keep no gap", 5, 1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
       {"0/0 f1", "0/0 f1", "0/0 f1"}, {3}},
      {"nor across items", 5, 2, {{0, 0, 0}, {0, 1, 0}, {0, 1, 3}}, {"0/0 f1", "1/0 f1", "1/3 f1"}, {1, 2}},
  };
  for (const Case& c : cases) {
    SmallRun run = RunSmall(Small(c.items, 100, c.gap), {{c.hits}});
    EXPECT_EQ(run.kept, c.kept) << c.name;
    EXPECT_EQ(run.result.sws_found_counter, c.counters) << c.name;
  }
}

TEST(ConcordanceRun, LimitRules) {
  struct Case {
    const char* name;
    int32_t items, wanted;
    std::vector<SmallText> texts;
    std::vector<std::string> kept;
    std::vector<int32_t> counters;
    bool sw_limit_reached;
    TRunEnd end;
    int64_t lines_before = 0;
    int32_t gap = -1;
    int64_t removed_by_gap = 0;
  };
  const Case cases[] = {
      {"per item, refused in the pass", 2, 2,
       {{{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 1, 4}, {0, 1, 5}}}},
       {"0/1 f1", "0/2 f1", "1/4 f1", "1/5 f1"}, {2, 2}, true, TRunEnd::AllTexts},
      {"refused hits are not counted", 2, 1, {{{{0, 0, 10}, {0, 0, 100}, {0, 0, 200}}}}, {"0/10 f1"}, {1, 0}, true,
       TRunEnd::AllTexts},
      {"an item with its lines is skipped in later chunks, not refused", 2, 1,
       {{{{0, 0, 10}, {1, 0, 100}, {1, 1, 101}}}}, {"0/10 f1", "1/101 f1"}, {1, 1}, false, TRunEnd::AllTexts},
      {"the list's limit ends line making mid-text and the run after it", 3, 1,
       {{{{0, 0, 1}, {0, 1, 2}, {0, 2, 3}}}, {{{0, 0, 9}}}}, {"0/1 f1"}, {1, 0, 0}, false, TRunEnd::Limit, 2},
      {"the limit is the whole list's, items together; a hit past it marks no item", 2, 2,
       {{{{0, 0, 1}, {0, 0, 2}, {1, 0, 3}}}, {{{0, 1, 4}, {0, 1, 5}, {0, 1, 6}}}, {{{0, 1, 7}}}},
       {"0/1 f1", "0/2 f1", "1/4 f2", "1/5 f2"}, {2, 2}, false, TRunEnd::Limit},
      {"nothing wanted: no text is read", 3, 0, {{{{0, 0, 1}}}}, {}, {0, 0, 0}, false, TRunEnd::Limit},
      // The item is not skipped in the next chunk as if it had its lines.
      {"a line removed for the gap gives its item's count back", 2, 1, {{{{0, 0, 10}, {0, 1, 11}, {1, 1, 500}}}},
       {"0/10 f1", "1/500 f1"}, {1, 1}, false, TRunEnd::AllTexts, 0, 3, 1},
  };
  for (const Case& c : cases) {
    SmallRun run = RunSmall(Small(c.items, c.wanted, c.gap), c.texts, nullptr, c.lines_before);
    EXPECT_EQ(run.result.lines_removed_by_gap, c.removed_by_gap) << c.name;
    EXPECT_EQ(run.kept, c.kept) << c.name;
    EXPECT_EQ(run.result.sws_found_counter, c.counters) << c.name;
    EXPECT_EQ(run.result.sw_limit_reached, c.sw_limit_reached) << c.name;
    EXPECT_EQ(run.result.end, c.end) << c.name;
  }
  // Wanted 0: the worker is never asked.
  EXPECT_EQ(RunSmall(Small(3, 0), {{{{0, 0, 1}}}}).worker_calls, 0);
}

TEST(ConcordanceRun, InstancesToFindArePerTextAndItem) {
  TConcordanceRunSettings s = Small(2, 100);
  s.instances_to_find = {2, 0};
  SmallRun run = RunSmall(s, {{{{0, 0, 10}, {0, 0, 20}, {0, 0, 30}, {0, 1, 31}, {1, 0, 40}, {1, 1, 41}, {1, 1, 42}}},
                              {{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}}}});
  EXPECT_EQ(run.kept, (std::vector<std::string>{"0/10 f1", "0/20 f1", "1/31 f1", "1/41 f1", "1/42 f1", "0/1 f2",
                                                "0/2 f2"}));
  EXPECT_EQ(run.result.texts[0].lines, 5);
  EXPECT_EQ(run.result.texts[1].lines, 2);
}

TEST(ConcordanceRun, StopsFailuresAndFileNumbers) {
  const std::vector<Hit> two_chunks = {{0, 0, 1}, {1, 0, 1001}};
  struct Case {
    const char* name;
    std::vector<SmallText> texts;
    bool failure_ends_run;
    std::vector<std::string> kept;
    TRunEnd end;
    std::vector<int32_t> lines_per_text;
  };
  const Case cases[] = {
      {"state 2 after chunk 0 keeps chunk 0 and ends the run",
       {{two_chunks}, {two_chunks, 2, 0}, {two_chunks}}, true,
       {"0/1 f1", "0/1001 f1", "0/1 f2"}, TRunEnd::Stop, {2, 1}},
      {"state 1 finishes the text", {{two_chunks, 1, -1}, {two_chunks}}, true, {"0/1 f1", "0/1001 f1"},
       TRunEnd::Stop, {2}},
      {"a text without lines has no file number", {{{}}, {two_chunks}, {{}}, {two_chunks}}, true,
       {"0/1 f1", "0/1001 f1", "0/1 f2", "0/1001 f2"}, TRunEnd::AllTexts, {0, 2, 0, 2}},
      // A text that failed gives no line: what it made may not be the text's.
      {"a failure ends the run without the failed text's lines",
       {{two_chunks}, {{{0, 0, 5}}, 0, -1, false}, {two_chunks}}, true, {"0/1 f1", "0/1001 f1"}, TRunEnd::Failure,
       {2, 0}},
      {"or the run goes on, the next text taking the file number", {{{{0, 0, 5}}, 0, -1, false}, {two_chunks}}, false,
       {"0/1 f1", "0/1001 f1"}, TRunEnd::AllTexts, {0, 2}},
  };
  for (const Case& c : cases) {
    TConcordanceRunSettings s = Small(1, 100);
    s.failure_ends_run = c.failure_ends_run;
    SmallRun run = RunSmall(s, c.texts);
    EXPECT_EQ(run.kept, c.kept) << c.name;
    EXPECT_EQ(run.result.end, c.end) << c.name;
    std::vector<int32_t> lines;
    for (const TTextRunOutcome& o : run.result.texts) lines.push_back(o.lines);
    EXPECT_EQ(lines, c.lines_per_text) << c.name;
  }
}

TEST(ConcordanceRun, FilterRefusesAndTheSetColumnNamesTheItem) {
  TUserLineFilter filter;
  ASSERT_TRUE(filter.Load(Utf8ToUtf16(LINZORA_TEST_LINE_FILTER)));
  TConcordanceRunSettings s = Small(2, 1);
  s.text_name = [](int32_t t) { return u"/t/" + U(t); };
  // A refused hit neither counts nor blocks the gap: the next hit of the item gets the line.
  s.allowed_word_gap = 5;
  SmallRun run = RunSmall(s, {{{{0, 0, 10, u"drop"}, {0, 0, 12, u"throw"}, {0, 0, 14, u"keep"}, {0, 1, 50}}}},
                          &filter);
  EXPECT_EQ(run.kept, (std::vector<std::string>{"0/14 f1", "1/50 f1"}));
  EXPECT_EQ(run.result.filter_refusals, 2);
  EXPECT_EQ(run.result.sws_found_counter, (std::vector<int32_t>{1, 1}));

  // The Set column: with more than one item, or items one at a time; not with one item.
  struct Case {
    int32_t items;
    bool one_at_a_time;
    std::string set;
  };
  for (const Case& c : {Case{1, false, ""}, Case{1, true, "sw0"}, Case{2, false, "sw0"}}) {
    TConcordanceRunSettings t = Small(c.items, 5);
    t.one_item_at_a_time = c.one_at_a_time;
    EXPECT_EQ(RunSmall(t, {{{{0, 0, 1}}}}).sets, std::vector<std::string>{c.set}) << c.items << c.one_at_a_time;
  }
}

TEST(ConcordanceRun, AThrowingWorkerIsAFailedText) {
  TConcordanceRunSettings s = Small(1, 10);
  s.text_count = 2;
  VectorSink sink;
  TJobToken token;
  TConcordanceRunResult r = RunConcordance(
      s, [](int32_t) -> TTextOutcome { throw std::runtime_error("disk gone"); }, sink, token);
  ASSERT_EQ(r.texts.size(), 1u);
  EXPECT_FALSE(r.all_read);
  EXPECT_EQ(r.end, TRunEnd::Failure);
  EXPECT_EQ(Utf16ToUtf8(r.texts[0].failure), "text 0: disk gone");
}

// --- 500 generated texts: many workers give what one gives --------------------------------------

uint32_t Mix(uint32_t a, uint32_t b, uint32_t c = 0, uint32_t d = 0) {
  uint32_t h = 2166136261u;
  for (uint32_t v : {a, b, c, d}) {
    h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
    h *= 16777619u;
  }
  return h ^ (h >> 15);
}

constexpr int32_t kTexts = 500;
constexpr int32_t kItems = 3;
constexpr int32_t kFailingText = 123;

// Where a stop is seen: from (text, chunk) on in one-core order, as if raised exactly there.
struct InjectedStop {
  int32_t text = -1, chunk = -1;
  uint8_t state = 0;
};

// A worker whose outcomes depend on the text alone. Item 0 is the most frequent; items' hits
// interleave closely so that the word gap matters across items.
TTextOutcome GeneratedText(int32_t t, InjectedStop stop, TJobToken* token_stop = nullptr) {
  TTextOutcome o;
  o.text_index = t;
  o.read_ok = t != kFailingText;
  if (!o.read_ok) o.failure = u"text " + U(t) + u": cannot be read at byte 4096";
  const bool no_lines = Mix(t, 7) % 9 == 0;
  const int32_t chunks = 1 + static_cast<int32_t>(Mix(t, 1) % 4);
  o.handled.is_unicode = t % 2;
  o.handled.is_zipped = t % 50 == 0;
  o.handled.excluded = t % 97 == 3;
  o.log_lines.push_back(u"text " + U(t) + u" opened");
  int32_t c = 0;
  for (; c < chunks; ++c) {
    if (!(no_lines || (!o.read_ok && c > 0))) {
      for (int32_t i = 0; i < kItems; ++i) {
        const int32_t hits = static_cast<int32_t>(Mix(t, c, i) % (i == 0 ? 7 : 4));
        for (int32_t h = 0; h < hits; ++h) {
          const int32_t word = c * 1000 + h * 6 + static_cast<int32_t>(Mix(t, c, i, h) % 6);
          const uint32_t r = Mix(t, c, i, h + 100) % 20;
          const char16_t* verdict = r == 0 ? u"throw" : r < 3 ? u"drop" : u"keep";
          const UString text = UString(verdict) + u" t" + U(t) + u" c" + U(c) + u" i" + U(i) + u" h" + U(h);
          o.lines.push_back({MakeLine(text, word, i, int64_t{t} * 100000 + word), c, i, h});
        }
      }
    }
    o.words += 1000;
    o.chunks = c + 1;
    if (token_stop && t == stop.text && c == stop.chunk) token_stop->RequestStop(static_cast<TStopState>(stop.state));
    // The worker looks at the stop after each chunk.
    uint8_t seen = 0;
    if (token_stop)
      seen = static_cast<uint8_t>(token_stop->Stop());
    else if (stop.state != 0 && (t > stop.text || (t == stop.text && c >= stop.chunk)))
      seen = stop.state;
    if (seen > o.stop_state) o.stop_state = seen;
    if (seen >= 2) {
      o.stopped_after_chunk = c;
      break;
    }
    if (!o.read_ok) break;
  }
  o.log_lines.push_back(u"text " + U(t) + u" read, " + U(o.chunks) + u" chunks");
  return o;
}

// The first text from `from` on with four chunks and lines: a stop after chunk 1 cuts it.
int32_t TextWithFourChunks(int32_t from) {
  for (int32_t t = from;; ++t)
    if (GeneratedText(t, {}).chunks == 4 && Mix(t, 7) % 9 != 0 && t != kFailingText) return t;
}

struct RunRecord {
  std::vector<std::string> lines;
  std::vector<std::pair<int64_t, int64_t>> progress;
  std::vector<std::string> log;
  TConcordanceRunResult result;
  // Each text as the run told of it when judged, with the lines the sink held then.
  std::vector<TTextRunOutcome> judged;
  std::vector<int64_t> lines_when_judged;
};

struct Scenario {
  const char* name;
  int32_t wanted = 1000000;
  std::vector<int32_t> instances;
  int32_t gap = -1;
  bool filter = false;
  bool failure_ends_run = false;
  InjectedStop stop;
  bool token_stop = false;
};

RunRecord RunScenario(const Scenario& sc, int32_t threads, InjectedStop stop,
                      int64_t budget = int64_t{256} << 20) {
  static TUserLineFilter filter;
  if (!filter.Active()) filter.Load(Utf8ToUtf16(LINZORA_TEST_LINE_FILTER));
  RunRecord rec;
  TConcordanceRunSettings s;
  s.text_count = kTexts;
  s.item_count = kItems;
  s.lines_wanted_per_item = sc.wanted;
  s.instances_to_find = sc.instances;
  s.item_words = {u"alpha", u"beta", u"gamma"};
  s.allowed_word_gap = sc.gap;
  s.failure_ends_run = sc.failure_ends_run;
  s.threads = threads;
  s.pending_bytes_budget = budget;
  s.text_name = [](int32_t t) { return u"/corpus/" + U(t) + u".txt"; };
  s.log = [&rec](UStringView line) { rec.log.push_back(Utf16ToUtf8(UString(line))); };
  int64_t now = 0;
  TJobToken token([&rec](int64_t done, int64_t total) {
    if (rec.progress.empty() || rec.progress.back() != std::make_pair(done, total)) rec.progress.emplace_back(done, total);
  }, [&now] { return now += 100; });
  VectorSink sink;
  s.text_judged = [&rec, &sink](const TTextRunOutcome& text) {
    rec.judged.push_back(text);
    rec.lines_when_judged.push_back(sink.Count());
  };
  TJobToken* token_stop = sc.token_stop ? &token : nullptr;
  rec.result = RunConcordance(
      s, [&](int32_t t) { return GeneratedText(t, stop, token_stop); }, sink, token, sc.filter ? &filter : nullptr);
  rec.lines = sink.Describe();
  return rec;
}

// The run's totals, beside the lines, texts, progress and log compared on their own.
auto Totals(const TConcordanceRunResult& r) {
  return std::tie(r.sws_found_counter, r.sw_limit_reached, r.end, r.stop_text, r.stop_chunk, r.running_words,
                  r.filter_refusals, r.lines_removed_by_gap);
}

TEST(ConcordanceRun, EightWorkersGiveWhatOneGives) {
  const int32_t st = TextWithFourChunks(200);
  const Scenario scenarios[] = {
      {"every rule off"},
      {"list limit mid-text, per-item limits", 600},
      {"instances per text", 1000000, {2, 0, 1}},
      {"word gap across items", 1000000, {}, 4},
      {"filter refusing and throwing", 1000000, {}, -1, true},
      {"a failure ends the run", 1000000, {}, -1, false, true},
      {"everything at once", 700, {3, 0, 2}, 3, true},
      {"stop state 2 after chunk 1", 1000000, {}, 2, true, false, {st, 1, 2}},
      {"stop state 1 in chunk 0", 1000000, {3, 0, 2}, 2, true, false, {st, 0, 1}},
  };
  for (const Scenario& sc : scenarios) {
    const RunRecord one = RunScenario(sc, 1, sc.stop);
    // A small budget keeps the workers waiting on the committer most of the run.
    for (const int64_t budget : {int64_t{256} << 20, int64_t{3000}}) {
      const RunRecord many = RunScenario(sc, 8, sc.stop, budget);
      EXPECT_EQ(one.lines, many.lines) << sc.name << " " << budget;
      EXPECT_EQ(one.result.texts, many.result.texts) << sc.name << " " << budget;
      EXPECT_EQ(one.progress, many.progress) << sc.name << " " << budget;
      EXPECT_EQ(one.log, many.log) << sc.name << " " << budget;
      EXPECT_TRUE(Totals(one.result) == Totals(many.result)) << sc.name << " " << budget;
      // Each text is told of once, in order, as the result lists it, its lines already given.
      EXPECT_EQ(many.judged, many.result.texts) << sc.name << " " << budget;
      EXPECT_EQ(one.lines_when_judged, many.lines_when_judged) << sc.name << " " << budget;
    }
    EXPECT_EQ(one.judged, one.result.texts) << sc.name;
    ASSERT_FALSE(one.lines.empty()) << sc.name;
    EXPECT_EQ(one.progress.back().first, static_cast<int64_t>(one.result.texts.size())) << sc.name;
  }
}

// The scenarios test what they claim, worked out apart from the run.
TEST(ConcordanceRun, GeneratedScenariosReachWhatTheyAimAt) {
  InjectedStop none;
  // Every rule off: every candidate of a readable text is a line; the failing text gives none.
  RunRecord all = RunScenario({"off"}, 1, none);
  int64_t candidates = 0;
  for (int32_t t = 0; t < kTexts; ++t) {
    const TTextOutcome text = GeneratedText(t, none);
    if (text.read_ok) candidates += static_cast<int64_t>(text.lines.size());
  }
  EXPECT_EQ(static_cast<int64_t>(all.lines.size()), candidates);
  EXPECT_EQ(all.result.end, TRunEnd::AllTexts);
  EXPECT_FALSE(all.result.all_read);
  int32_t files = 0;  // a file number for each text with lines, in order
  for (const TTextRunOutcome& o : all.result.texts)
    EXPECT_EQ(o.file_number, o.lines == 0 ? 0 : ++files) << o.text_index;
  EXPECT_LT(files, kTexts - 20);  // and many texts without
  EXPECT_EQ(all.log.size(), 2u * kTexts);

  // The limit: exactly items x wanted lines, reached inside a text, item 0 refused before.
  RunRecord limited = RunScenario({"limit", 600}, 1, none);
  EXPECT_EQ(limited.lines.size(), 1800u);
  EXPECT_EQ(limited.result.end, TRunEnd::Limit);
  EXPECT_TRUE(limited.result.sw_limit_reached);
  EXPECT_EQ(limited.result.sws_found_counter[0], 600);
  const TTextRunOutcome& last = limited.result.texts.back();
  EXPECT_LT(last.lines, static_cast<int32_t>(GeneratedText(last.text_index, none).lines.size()));

  // The failure ends the run at the failing text.
  RunRecord failed = RunScenario({"failure", 1000000, {}, -1, false, true}, 1, none);
  EXPECT_EQ(failed.result.texts.back().text_index, kFailingText);
  EXPECT_EQ(failed.result.texts.back().lines, 0);
  EXPECT_EQ(failed.result.end, TRunEnd::Failure);

  // A stop of state 2 after chunk 1: nothing of the text's later chunks, nothing after it; a
  // stop of state 1 there finishes the text.
  const int32_t st = TextWithFourChunks(200);
  const std::string tag = " t" + std::to_string(st) + " c";
  struct StopCase {
    uint8_t state;
    int32_t stop_chunk;
    bool later_chunks;
  };
  for (const StopCase& c : {StopCase{2, 1, false}, StopCase{1, -1, true}}) {
    RunRecord stopped = RunScenario({"stop"}, 1, {st, 1, c.state});
    EXPECT_EQ(stopped.result.end, TRunEnd::Stop);
    EXPECT_EQ(stopped.result.texts.back().text_index, st);
    EXPECT_EQ(stopped.result.stop_chunk, c.stop_chunk);
    bool chunk1 = false, later = false;
    for (const std::string& l : stopped.lines) {
      chunk1 |= l.find(tag + "1") != std::string::npos;
      later |= l.find(tag + "2") != std::string::npos || l.find(tag + "3") != std::string::npos;
    }
    EXPECT_TRUE(chunk1) << int(c.state);
    EXPECT_EQ(later, c.later_chunks) << int(c.state);
  }

  // Word gap and filter each remove something.
  EXPECT_GT(RunScenario({"gap", 1000000, {}, 4}, 1, none).result.lines_removed_by_gap, 0);
  EXPECT_GT(RunScenario({"filter", 1000000, {}, -1, true}, 1, none).result.filter_refusals, 0);
}

// A stop raised through the token while eight workers read ends the run where some one-core run
// would have ended: the run stopped at that point on one core gives the same list.
TEST(ConcordanceRun, AStopThroughTheTokenEndsWhereOneCoreCouldHave) {
  for (uint8_t state : {uint8_t{1}, uint8_t{2}}) {
    Scenario sc{"token stop", 1000000, {}, 3, true};
    sc.token_stop = true;
    const RunRecord many = RunScenario(sc, 8, {300, 0, state});
    ASSERT_EQ(many.result.end, TRunEnd::Stop);
    ASSERT_LE(many.result.stop_text, 300);
    Scenario same = sc;
    same.token_stop = false;
    RunRecord one;
    if (many.result.stop_text >= 0) {
      const int32_t t = many.result.stop_text;
      const int32_t chunk = many.result.stop_chunk >= 0 ? many.result.stop_chunk : many.result.texts.back().chunks - 1;
      one = RunScenario(same, 1, {t, chunk, many.result.stop_state == TStopState::StopNow ? uint8_t{2} : uint8_t{1}});
    }
    EXPECT_EQ(one.lines, many.lines) << int(state);
    EXPECT_EQ(one.result.texts, many.result.texts) << int(state);
    EXPECT_EQ(one.log, many.log) << int(state);
  }
}

// Workers read ahead of a slow committer as far as their window lets them: so many texts, or
// fewer once the lines waiting for the committer fill the byte budget.
TEST(ConcordanceRun, WorkersRunAheadWithinTheirWindow) {
  constexpr int32_t kThreads = 3;
  constexpr int32_t kLineUnits = 10000;  // a line of about 20,000 bytes per text (Cyrillic: two bytes a letter)
  struct Case {
    const char* name;
    int32_t texts_ahead;
    int64_t budget;
    int32_t most_ahead;   // texts past the last one committed, at most
    int32_t least_ahead;  // and at least, some time in the run
    int32_t texts = 60;
  } const cases[] = {
      {"the default window", 0, int64_t{256} << 20, kTextsAheadPerWorker * kThreads, 2 * kThreads + 1,
       kTextsAheadPerWorker * kThreads + 40},
      {"a window of four texts", 4, int64_t{256} << 20, 4, 2},
      // Two texts' lines fit under the budget and a third does not: the two, the text starting
      // and those the other workers are reading.
      {"the budget holds two texts' lines", 0, 50000, 2 + kThreads, 2},
      {"no budget: one text at a time", 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<int32_t> logged{0};
    std::atomic<int32_t> lead{0};
    TConcordanceRunSettings s = Small(1, 1000000);
    s.text_count = c.texts;
    s.threads = kThreads;
    s.texts_ahead = c.texts_ahead;
    s.pending_bytes_budget = c.budget;
    s.log = [&](UStringView) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ++logged;
    };
    VectorSink sink;
    TJobToken token;
    TConcordanceRunResult r = RunConcordance(
        s,
        [&](int32_t t) {
          // Text k's log is written after the committer took it, so texts 0..logged are taken.
          int32_t ahead = t - logged.load(), seen = lead.load();
          while (ahead > seen && !lead.compare_exchange_weak(seen, ahead)) {
          }
          TTextOutcome o;
          o.read_ok = true;
          o.log_lines.push_back(u"read");
          o.lines.push_back({MakeLine(UString(kLineUnits, u'\u0436'), t, 0, 0), 0, 0, 0});
          return o;
        },
        sink, token);
    EXPECT_EQ(r.texts.size(), static_cast<size_t>(c.texts));
    EXPECT_EQ(sink.lines.size(), static_cast<size_t>(c.texts));
    EXPECT_LE(lead.load(), c.most_ahead);
    EXPECT_GE(lead.load(), c.least_ahead);
    // The committer takes a millisecond a text: with one text at a time the other workers wait
    // for it, and the texts after the last one handed out take at least that long.
    if (c.most_ahead == 1) {
      EXPECT_GT(r.worker_wait_seconds, 0.0);
    }
    EXPECT_GE(r.committer_wait_seconds, 0.0);
    EXPECT_GE(r.tail_seconds, 0.001);
  }
}

namespace {
// A text read whole, ten words, with one line of `units` characters.
TTextOutcome TextWithOneLine(int32_t t, size_t units) {
  TTextOutcome o;
  o.read_ok = true;
  o.words = 10;
  o.chunks = 1;
  o.lines.push_back({MakeLine(UString(units, u'x'), t, 0, 0), 0, 0, 0});
  return o;
}
}  // namespace

// A committed text frees one slot: it wakes the worker that can start the next text, not every
// idle one (with eight workers held back by their window, waking all made seven wake for nothing
// on every text).
TEST(ConcordanceRun, ACommittedTextWakesOnlyTheWorkersThatCanStart) {
  struct Case {
    const char* name;
    int32_t texts_ahead;
    int64_t budget;
  } const cases[] = {
      {"held back by the window", 8, int64_t{256} << 20},
      {"held back by the budget", 0, 3000},
  };
  constexpr int32_t kTextsRead = 3000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TConcordanceRunSettings s = Small(1, 1000000);
    s.text_count = kTextsRead;
    s.threads = 8;
    s.texts_ahead = c.texts_ahead;
    s.pending_bytes_budget = c.budget;
    VectorSink sink;
    TJobToken token;
    const TConcordanceRunResult r =
        RunConcordance(s, [](int32_t t) { return TextWithOneLine(t, 1000); }, sink, token);
    EXPECT_EQ(r.workers, 8);
    EXPECT_EQ(sink.lines.size(), static_cast<size_t>(kTextsRead));
    // One for each text committed, and a few woken by chance.
    EXPECT_LE(r.worker_wakeups, kTextsRead + kTextsRead / 20);
  }
}

// A committer slower than its workers finds them idle, the window full: a committed text frees
// one slot, and waking a worker for each slot cost the committer a wake per small text. The
// workers are woken once a good part of the window may start, a few wakes for many texts.
TEST(ConcordanceRun, ASlowCommitterWakesIdleWorkersForManyTextsAtOnce) {
  constexpr int32_t kTexts = 3000, kThreads = 8, kWindow = kTextsAheadPerWorker * kThreads;
  TConcordanceRunSettings s = Small(1, 1000000);
  s.text_count = kTexts;
  s.threads = kThreads;
  std::atomic<int32_t> started{0};
  // Each text is judged only once the workers have read half a window past it.
  s.text_judged = [&](const TTextRunOutcome& t) {
    while (started.load() < std::min(t.text_index + 1 + kWindow / 2, kTexts)) std::this_thread::yield();
  };
  VectorSink sink;
  TJobToken token;
  const TConcordanceRunResult r = RunConcordance(
      s,
      [&](int32_t t) {
        ++started;
        return TextWithOneLine(t, 10);
      },
      sink, token);
  ASSERT_EQ(sink.lines.size(), static_cast<size_t>(kTexts));
  for (int32_t t = 0; t < kTexts; ++t) EXPECT_EQ(r.texts[static_cast<size_t>(t)].text_index, t);
  EXPECT_LE(r.worker_wakeups, kTexts / 4);
}

// A worker held off in the oldest text (the committer waits for it) does not hold the others
// back until they are a good way ahead: seven workers read a thousand small texts past it, each
// committed in its turn once it is done.
TEST(ConcordanceRun, AWorkerHeldInTheOldestTextLeavesTheOthersReadingFarAhead) {
  constexpr int32_t kTexts = 3000, kThreads = 8, kAhead = 1000;
  static_assert(kAhead < kTextsAheadPerWorker * kThreads);
  TConcordanceRunSettings s = Small(1, 1000000);
  s.text_count = kTexts;
  s.threads = kThreads;
  std::atomic<int32_t> started{0};
  int32_t seen_ahead = 0;
  VectorSink sink;
  TJobToken token;
  const TConcordanceRunResult r = RunConcordance(
      s,
      [&](int32_t t) {
        ++started;
        if (t == 0) {
          // Held until the others are kAhead texts further on; a window narrower than that would
          // hold them back, and the wait gives up after a while so that the test still ends.
          WaitFor([&] { return started.load() >= kAhead + 1; });
          seen_ahead = started.load() - 1;
        }
        return TextWithOneLine(t, 10);
      },
      sink, token);
  EXPECT_GE(seen_ahead, kAhead);
  ASSERT_EQ(sink.lines.size(), static_cast<size_t>(kTexts));
  for (int32_t t = 0; t < kTexts; ++t) EXPECT_EQ(r.texts[static_cast<size_t>(t)].text_index, t);
}

// A text whose worker saw the stop before the text's first chunk was not read: it is no text of
// the run (neither one with lines nor one without), the run ends before it, and the last text
// read is the one before (it was read whole). Alike on one worker and on eight.
TEST(ConcordanceRun, ATextStoppedBeforeItsFirstChunkWasNotRead) {
  for (const int32_t threads : {1, 8}) {
    SCOPED_TRACE(threads);
    TConcordanceRunSettings s = Small(1, 1000000);
    s.text_count = 40;
    s.threads = threads;
    VectorSink sink;
    TJobToken token;
    const TConcordanceRunResult r = RunConcordance(
        s,
        [](int32_t t) {
          if (t != 7) return TextWithOneLine(t, 6);
          TTextOutcome o;
          o.read_ok = true;  // as the reader answers: stopped on request, no failure
          o.stop_state = 2;
          o.not_read = true;
          return o;
        },
        sink, token);
    EXPECT_EQ(r.end, TRunEnd::Stop);
    EXPECT_EQ(r.stop_state, TStopState::StopNow);
    ASSERT_EQ(r.texts.size(), 7u);
    EXPECT_EQ(r.texts.back().text_index, 6);
    EXPECT_EQ(r.stop_text, 6);
    EXPECT_EQ(r.stop_chunk, -1);
    EXPECT_EQ(r.running_words, 70);
    EXPECT_EQ(sink.lines.size(), 7u);
    EXPECT_TRUE(r.all_read);
  }
}

// A line's share of the budget: its text as kept (a 4-byte header, then a byte a character for
// Latin text, two for any other) and its entry.
TEST(ConcordanceRun, PendingLineBytesCountTextsAndEntries) {
  TTextOutcome o;
  EXPECT_EQ(PendingLineBytes(o), 0);
  o.lines.push_back({MakeLine(UString(1000, u'a'), 0, 0, 0), 0, 0, 0});
  o.lines.push_back({MakeLine(UString(999, u'a') + u"\u0436", 0, 0, 0), 0, 0, 0});
  o.lines.push_back({MakeLine(u"", 0, 0, 0), 0, 0, 0});
  o.lines.push_back({nullptr, 0, 0, 0});
  const int64_t entry = sizeof(TCandidateLine) + sizeof(TConcordanceEntry);
  EXPECT_EQ(PendingLineBytes(o), 1004 + 2004 + 3 * entry + static_cast<int64_t>(sizeof(TCandidateLine)));
}

// A unit that ended only in a chunk a stopped run never read stays open: its length is taken back
// out of the lines kept, as one core stopping there would have left it.
TEST(ConcordanceRun, UnitsEndedBeyondTheStopStayOpen) {
  for (const int32_t stopped_after : {-1, 0, 2}) {
    SCOPED_TRACE(stopped_after);
    TConcordanceRunSettings s = Small(1, 100);
    s.text_count = 1;
    TTextWorker worker = [&](int32_t t) {
      TTextOutcome o;
      o.text_index = t;
      o.read_ok = true;
      o.stop_state = stopped_after < 0 ? 0 : 2;
      o.stopped_after_chunk = stopped_after;
      TCandidateLine c;
      c.line = MakeLine(u"keep", 1, 0, 0);
      TLineUnitStats units;
      units.unit_length[kUnitSentence] = 7;   // ended in chunk 1
      units.unit_length[kUnitParagraph] = 9;  // ended in the line's own chunk
      c.line->SetUnitStats(units);
      c.unit_closed_in_chunk[kUnitSentence] = 1;
      o.lines.push_back(std::move(c));
      return o;
    };
    VectorSink sink;
    TJobToken token;
    RunConcordance(s, worker, sink, token, nullptr);
    ASSERT_EQ(sink.lines.size(), 1u);
    const TLineUnitStats e = sink.lines[0]->UnitStats();
    EXPECT_EQ(e.unit_length[kUnitSentence], stopped_after == 0 ? 0 : 7);
    EXPECT_EQ(e.unit_length[kUnitParagraph], 9);
  }
}

}  // namespace
