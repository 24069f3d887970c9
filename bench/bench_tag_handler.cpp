// Throughput of the mark-up tag handler over 2 MiB chunks of generated mark-up text: entities,
// tags to keep and to exclude, hidden tags, text markers with automatic sentence ends. Each step
// runs on a fresh copy of the chunk (the copy is part of what is measured).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/reading/tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

constexpr size_t kChunkChars = 1u << 20;  // 2 MiB of UTF-16
constexpr int kChunks = 8;

UString MakeMarkup(size_t chars) {
  const std::vector<UString> words = {u"the", u"of", u"and", u"concordance", u"corpus", u"Linguist", u"reads",
                                      u"text", u"word", u"caf&eacute;", u"&amp;", u"1998", u"&lt;x&gt;"};
  const std::vector<UString> tags = {u"<p>", u"</p>", u"<w pos=NN1>", u"</w>", u"<s n=12>", u"</s>", u"<hi rend=it>",
                                     u"</hi>", u"<note>aside text</note>", u"<pb n=4/>", u"<head>", u"</head>"};
  std::mt19937 rng(7);
  UString s;
  s.reserve(chars + 64);
  while (s.size() < chars) {
    s += (rng() % 3 == 0) ? tags[rng() % tags.size()] : words[rng() % words.size()];
    const unsigned r = rng() % 12;
    s += r == 0 ? u". " : (r == 1 ? u"\r\n" : u" ");
  }
  s.resize(chars);
  return s;
}

struct TSetup {
  TSetup() {
    folder = UniqueTempName(SystemTempFolder(), u"linzora_bench_", u"");
    ForceDirectories(folder);
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(folder).c_str(), 1);
    my_temp_path = IncludeTrailingPathDelimiter(folder);

    TTagsToKeepList keep(kLCID_EnglishUS, 1252);
    for (const char16_t* t : {u"<p>", u"</p>", u"<w *>", u"</w>", u"<s n=#>", u"</s>", u"<hi *>", u"</hi>",
                              u"<head>", u"</head>", u"<pb n=#/>", u"<div>", u"</div>", u"<l>", u"</l>"}) {
      TStoredTagRec r;
      r.tag = t;
      keep.Add(std::make_unique<TTagStringItem>(r, &keep));
    }
    keep.SavedToTempfile();
    TTagsToDeleteList excl(kLCID_EnglishUS, 1252);
    for (const char16_t* t : {u"<note>*</note>", u"<del>*</del>", u"<fw>*</fw>"}) excl.AddFromALine(t);
    excl.SavedToTempfile();
    TTagsToTranslateList ent(kLCID_EnglishUS, 1252);
    ent.AddFromALine(u"&amp; &");
    ent.AddFromALine(u"&lt; <");
    ent.AddFromALine(u"&gt; >");
    for (int i = 0; i < 250; ++i) ent.AddFromALine(u"&e" + IntToUStr(i) + u"; #" + IntToUStr(0xC0 + i));
    ent.AddFromALine(u"&eacute; #233");
    ent.SavedToTempfile();

    TTextsett_rec32 ts = GetTextSettings();
    ts.SetMarkerText(14, u"<s n=#>");
    ts.SetMarkerText(17, u"</p>");
    ts.SetMarkerAuto(15, true);
    SetTextSettings(ts);

    handler = std::make_unique<TTextTagHandler>(kLCID_EnglishUS, 1252);
    handler->LoadFromSwapFile();
    handler->LoadExcludeTagListFromSwapFile();
    handler->LoadTranslationTagsFromSwapFile(entities);
    handler->LoadCurrentTextMarkers();
    handler->fUse_Unicode = true;

    // A second handler reads only the parts of texts between <head> and </head>, and cuts <l> spans.
    SetTextSelectingWithin(true);
    const std::pair<const char16_t*, uint8_t> contexts[] = {
        {u"<head>", 1}, {u"</head>", 1}, {u"<l>", 2}, {u"</l>", 2}};
    for (int i = 0; i < 4; ++i) {
      TSelectWithinContextW r{};
      r.SetText(contexts[i].first);
      r.SetWithinType(contexts[i].second);
      SetTextSelectWithinContext(i + 1, r);
    }
    parts = std::make_unique<TTextTagHandler>(kLCID_EnglishUS, 1252);
    parts->LoadCurrentTextMarkers();
    parts->fUse_Unicode = true;
    SetTextSelectingWithin(false);

    text = MakeMarkup(kChunkChars * kChunks);
    kinds.resize(text.size());
    ClassifyChars(text.data(), text.size(), kinds.data());
  }
  UString folder;
  TTagsToTranslateList entities{kLCID_EnglishUS, 1252};
  std::unique_ptr<TTextTagHandler> handler, parts;
  UString text;
  std::vector<uint16_t> kinds;
};

TSetup& Setup() {
  static TSetup s;
  return s;
}

template <typename F>
void RunOverChunks(benchmark::State& state, F&& step) {
  TSetup& s = Setup();
  UString work(kChunkChars + 2, u'\0');
  std::vector<uint16_t> flags(kChunkChars + 2, 0);
  for (auto _ : state) {
    for (int c = 0; c < kChunks; ++c) {
      std::memcpy(work.data(), s.text.data() + size_t(c) * kChunkChars, kChunkChars * 2);
      std::memcpy(flags.data(), s.kinds.data() + size_t(c) * kChunkChars, kChunkChars * 2);
      step(*s.handler, work.data(), flags.data(), static_cast<int32_t>(kChunkChars));
      benchmark::DoNotOptimize(flags.data());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kChunks * int64_t(kChunkChars) * 2);
}

void BM_CopyOnly(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler&, char16_t*, uint16_t*, int32_t) {});
}
void BM_Entities(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.CheckBufferForTranslationTags(t, f, n);
  });
}
void BM_KeepTags(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.CheckBufferForTagFileMarkup(ttho_keep, false, t, f, 1000, 0, n);
  });
}
void BM_ExcludeTags(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.CheckBufferForTagFileMarkup(ttho_exclude, false, t, f, 1000, 0, n);
  });
}
void BM_MarkUnwantedTags(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.MarkUnwantedTags(u'<', u'>', t, f, n, true, 1000);
  });
}
void BM_BlankUnwantedTags(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.BlankUnwantedTags(u'<', u'>', t, f, n, true, 1000);
  });
}
void BM_TextMarkers(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.CheckBufferForTextMarkerTags(t, f, n, 1000);
  });
}

void BM_SentenceEnds(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.AutoMarkSentenceEnds(t, f, n, 1000, true);
  });
}

void BM_MidWordPunctuation(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler& h, char16_t* t, uint16_t* f, int32_t n) {
    h.BlankOutMidWordPunctuation(t, f, C1_PUNCT, C1_ALPHA | C1_DIGIT, n, true);
  });
}

void BM_PartsOfTexts(benchmark::State& state) {
  RunOverChunks(state, [](TTextTagHandler&, char16_t* t, uint16_t* f, int32_t n) {
    Setup().parts->HandleOnlyPartsOfText(t, f, n);
  });
}

BENCHMARK(BM_CopyOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Entities)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeepTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExcludeTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkUnwantedTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlankUnwantedTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextMarkers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SentenceEnds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MidWordPunctuation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartsOfTexts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
