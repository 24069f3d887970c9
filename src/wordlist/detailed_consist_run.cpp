// Making a detailed-consistency list from saved word lists (T_WholeWordlistHolder).
//
// Every file is read first, each into a document of its own; a file that is missing, not a word
// list, unreadable or of another primary language than the first list read is named in the
// failed texts and the notes and has no number. The N lists read are numbered in reading order,
// and the rows and relation slots use that numbering only. Words meet in one row by their text
// as counted (in capitals unless the word-list settings keep case); two rows of one list that
// meet ("The", "the") add their frequencies. Nothing of the document changes unless at least one
// list was read; one list alone gives its words with no relation rows.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>

#include "model/documents/check_signature.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/word_list_document.h"

namespace {

// "ddmmhhnn": the time a file name made now carries.
UString DayMonthHourMinute(TDateTime t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  DecodeDateTime(t, y, mo, d, h, mi, sec);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", d, mo, h, mi);
  return Utf8ToUtf16(buf);
}

// One word met in the lists.
struct TConsistencyNode {
  UString word;
  int64_t texts = 0;
  bool texts_unknown = false;
  int64_t lemma_freq = 0;
  std::vector<std::pair<int32_t, int64_t>> per_list;  // (list, frequency), lists ascending
};

// A word-list document read from a stream (a file or a zip member), or why it could not be.
std::unique_ptr<T_WholeWordlistHolder> ReadListDocument(T_WholeWordlistHolder& owner, TStream& s, UString& why) {
  auto doc = std::make_unique<T_WholeWordlistHolder>(owner.CentreOfMainForm(), nullptr, nullptr, kListWordList,
                                                     owner.StopListLoaded(), owner.LemmaListLoaded(),
                                                     owner.TextTagHandler, owner.TagsToTranslate);
  bool ours = false;
  for (uint8_t tool : {current_tool_var, kToolWordLister}) {
    if (!s.SetPosition(0)) break;
    if (ReadAndCheckSignature(s, doc->fCheck, tool)) {
      ours = true;
      break;
    }
  }
  if (!ours) {
    why = u"not a word list";
    return nullptr;
  }
  if (!doc->ReadWholeFromStream(s)) {
    why = u"cannot be read";
    return nullptr;
  }
  if (doc->ListKind != kListWordList) {
    why = u"holds no word list";
    return nullptr;
  }
  return doc;
}

}  // namespace

bool T_WholeWordlistHolder::MakeDetailedConsistencyList(const std::vector<UString>& files) {
  SetBusyDontShowData(true);
  struct TBusyEnd {
    T_WholeWordlistHolder& d;
    ~TBusyEnd() { d.SetBusyDontShowData(false); }
  } busy_end{*this};
  fLastFailure.clear();
  Global_FailureMessage.clear();
  ClearStopStateForNewJob();
  const TWordlist_settings_rec ws = GetWordlistSettings();
  const bool capitalise = !ws.CaseSensitive();
  const TDetailedConsistencySettingsRec store = GetDetailedConsistencySettings();

  // What is made, kept apart until it is complete.
  auto list = std::make_unique<TDetailedConsistencyList>(this);
  auto stats = std::make_unique<TVXStatsList>(this);
  std::vector<UString> failed;
  std::vector<UString> list_names;        // file names without folder and extension
  std::vector<int32_t> words_in_list;     // types of each list read
  std::vector<int32_t> running_words;     // running words of each list read
  std::vector<UString> texts_seen;
  bool texts_checked = true;
  bool first_read = false;
  TTextsett_rec32 first_settings{};
  int64_t summed_entries = 0;
  std::vector<TConsistencyNode> nodes;
  std::unordered_map<UString, uint32_t> node_of;

  // The inputs: plain files, and each member of a zip archive (by name).
  struct TInput {
    UString file;
    int32_t member = -1;
    UString member_name;
    UString shown;  // how the input is named
  };
  std::vector<TInput> inputs;
  for (const UString& f : files) {
    if (!FileExists(f)) {
      failed.push_back(f + u": " + VXResFmt(TVXRes::VXCouldnTFindFileS, {f}));
      continue;
    }
    if (IsAZipFile(f)) {
      TZipForge zip;
      zip.SetFileName(f);
      if (!zip.OpenArchive(TZipOpenMode::Read)) {
        failed.push_back(f + u": " + zip.LastError());
        continue;
      }
      std::vector<TZipMemberInfo> members;
      for (const TZipMemberInfo& m : zip.Members())
        if (!m.is_folder) members.push_back(m);
      std::sort(members.begin(), members.end(), [](const TZipMemberInfo& a, const TZipMemberInfo& b) { return a.name < b.name; });
      for (const TZipMemberInfo& m : members) inputs.push_back({f, m.index, m.name, f + u" (" + m.name + u")"});
      continue;
    }
    inputs.push_back({f, -1, UString(), f});
  }
  if (!files.empty()) {
    SuggestedFilename = UFormat(u"%s%s_(%s_%s)_%s",
                                {ExtractFilePath(files.front()), VXRes(TVXRes::VXConsistency),
                                 IntToUStr(static_cast<int64_t>(inputs.size())), VXRes(TVXRes::VXFiles),
                                 DayMonthHourMinute(Now())});
  }

  TProgressClass* progress = GlobalProgress();
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (StopRequested(kPanicEndOfText)) break;
    const TInput& in = inputs[i];
    if (progress) {
      progress->ProgressLongMessage(in.shown);
      progress->OverallPercent(static_cast<int32_t>(i * 100 / inputs.size()));
    }
    MyYieldProcess();
    // Read the input whole into a document of its own.
    std::unique_ptr<TStream> stream;
    UString why;
    if (in.member >= 0) {
      TZipForge zip;
      zip.SetFileName(in.file);
      auto mem = std::make_unique<TMemoryStream>();
      if (!zip.OpenArchive(TZipOpenMode::Read) || !zip.ExtractToStream(in.member, *mem)) {
        failed.push_back(in.shown + u": " + (zip.LastError().empty() ? UString(u"cannot be read") : zip.LastError()));
        continue;
      }
      stream = std::move(mem);
    } else {
      stream = TFileStream::Open(in.file, TFileMode::OpenRead);
      if (!stream) {
        failed.push_back(in.shown + u": " + LastSystemErrorText());
        continue;
      }
    }
    std::unique_ptr<T_WholeWordlistHolder> doc = ReadListDocument(*this, *stream, why);
    if (!doc) {
      failed.push_back(in.shown + u": " + why);
      continue;
    }
    if (first_read && !SamePrimaryLanguage(doc->TextSettings().LCID(), first_settings.LCID())) {
      failed.push_back(in.shown + u": " + VXRes(TVXRes::VXLanguage) + u" " +
                       doc->TextSettings().LanguageName());
      continue;
    }
    if (!first_read) {
      first_read = true;
      first_settings = doc->TextSettings();
    }
    // Texts named in two lists make the lists' texts counts meaningless together.
    TVXStatsList& doc_stats = doc->Stats();
    for (int r = 0; r < doc_stats.Count() && texts_checked; ++r) {
      const UString name = doc_stats.GetEntryFullFilename(r);
      if (std::find(texts_seen.begin(), texts_seen.end(), name) != texts_seen.end()) texts_checked = false;
      else texts_seen.push_back(name);
    }
    const int32_t n = static_cast<int32_t>(list_names.size());
    TVXWordList& words = doc->Words();
    const bool one_text = words.BasedOnOneTextFile();
    summed_entries += doc_stats.Overall_stats.data.types;
    words_in_list.push_back(words.Count());
    running_words.push_back(doc_stats.Overall_stats.data.running_words);
    list_names.push_back(ChangeFileExt(ExtractFileName(in.member >= 0 ? in.member_name : in.file), u""));
    for (int e = 0; e < words.Count(); ++e) {
      if ((e & 1023) == 0 && progress) progress->ThisPercent(static_cast<int32_t>(int64_t{e} * 100 / words.Count()));
      const TWordlistEntry* row = words.Row(e);
      // A form joined under a head is counted with its head.
      if (!row || row->JoinedTo()) continue;
      const bool has_forms = words.GetHasJoined(e);
      const int64_t lemma = has_forms ? words.GetTotalJoinedFreq(e) : 0;
      const int64_t freq = int64_t{row->data.frequency} + lemma;
      UString word = row->data.word;
      if (capitalise) Capitalised(word);
      auto [it, is_new] = node_of.try_emplace(word, static_cast<uint32_t>(nodes.size()));
      if (is_new) {
        nodes.emplace_back();
        nodes.back().word = std::move(word);
      }
      TConsistencyNode& node = nodes[it->second];
      const bool texts_known = texts_checked && (!has_forms || one_text);
      const float texts = NFilesCorrected(row->data.n_texts, one_text);
      if (!texts_known || texts < 1) node.texts_unknown = true;
      else node.texts += static_cast<int64_t>(texts);
      node.lemma_freq += lemma;
      if (!node.per_list.empty() && node.per_list.back().first == n) node.per_list.back().second += freq;
      else node.per_list.emplace_back(n, freq);
    }
    // The statistics rows and notes of the lists come with them.
    stats->MergeWith(doc_stats, 0, 0, 0);
    stats->Overall_stats.data.running_words += doc_stats.Overall_stats.data.running_words;
  }

  const int32_t n_lists = static_cast<int32_t>(list_names.size());
  auto fail = [&](const UString& why) {
    fLastFailure = why;
    for (const UString& f : failed) fLastFailure += u"\n" + f;
    Global_FailureMessage = fLastFailure;
    AddToLogFile(u"MakeDetailedConsistencyList: " + fLastFailure);
    if (progress) progress->ClearBarsOnly();
    return false;
  };
  if (StopRequested(kPanicEndOfText)) return fail(VXRes(TVXRes::VXStopped));
  if (n_lists < 1)
    return fail(VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXDetailedConsistencyList), u""}) +
                u": no word list read");
  if (n_lists > kMaxDetailedConsistencyLists)
    return fail(VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXDetailedConsistencyList), u""}) +
                u": more than " + IntToUStr(kMaxDetailedConsistencyLists) + u" word lists");

  // The rows, in the order of the words' units, and the shared words of each pair of lists.
  list->SetNLists(n_lists);
  std::vector<uint32_t> order(nodes.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<uint32_t>(k);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return nodes[a].word < nodes[b].word; });
  std::vector<int32_t> shared(static_cast<size_t>(SingleArrayLengthForXInterRelationships(n_lists - 1)), 0);
  const int32_t min_lists = std::max(1, store.MinTexts());
  const int64_t min_total = store.MinTotalFrequency();
  for (uint32_t k : order) {
    TConsistencyNode& node = nodes[k];
    TDetailedConsistency_rec d;
    d.per_list.assign(static_cast<size_t>(n_lists), 0);
    int64_t total = 0, best = 0;
    int32_t collected = 0;
    for (const auto& [l, f] : node.per_list) {
      if (f <= 0) continue;
      d.per_list[static_cast<size_t>(l)] = static_cast<int32_t>(std::min<int64_t>(f, INT32_MAX));
      total += f;
      ++collected;
      if (f > best) {
        best = f;
        d.most_used = l;
      }
    }
    for (size_t a = 0; a < node.per_list.size(); ++a)
      for (size_t b = a + 1; b < node.per_list.size(); ++b)
        if (node.per_list[a].second > 0 && node.per_list[b].second > 0)
          ++shared[static_cast<size_t>(SingleArrayPosForXYValue(node.per_list[a].first, node.per_list[b].first, n_lists))];
    if (collected < min_lists || total < min_total || d.most_used < 0) continue;
    d.total = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    d.lemma_freq = static_cast<int32_t>(std::min<int64_t>(node.lemma_freq, INT32_MAX));
    d.texts = (!texts_checked || node.texts_unknown || node.texts < 1) ? static_cast<int32_t>(kMissingValue)
                                                                       : static_cast<int32_t>(std::min<int64_t>(node.texts, INT32_MAX));
    d.word = std::move(node.word);
    list->AddRow(std::move(d));
  }
  nodes.clear();
  node_of.clear();

  // Each pair of lists: its shared words and Dice coefficient.
  TDetailedConsistencyRelationsList& relations = list->Relations();
  for (int32_t i = 0; i < n_lists; ++i)
    for (int32_t j = i + 1; j < n_lists; ++j) {
      TInterFileRelation r;
      r.shared = shared[static_cast<size_t>(SingleArrayPosForXYValue(i, j, n_lists))];
      r.words1 = words_in_list[static_cast<size_t>(i)];
      r.words2 = words_in_list[static_cast<size_t>(j)];
      r.name1 = list_names[static_cast<size_t>(i)];
      r.name2 = list_names[static_cast<size_t>(j)];
      r.dice = static_cast<float>(Dice_Coefficient(r.shared, r.words1, r.words2));
      auto* e = new TDetailedConsistencyRelationsEntry(&relations, std::move(r));
      if (relations.Add(e) < 0) delete e;
    }
  relations.square_n = n_lists;
  list->DetConsistSettings.SetStore(store);
  list->RunningWordTotals = running_words;
  list->FinalUpdate();
  list->SetHeadingsForLists(list_names);

  // The result becomes the document's.
  SetTextSettings(first_settings);
  SetVXBaseListsLCIDToTextSettingsLCID();
  fDetailedConsistencyList = std::move(list);
  fStats = std::move(stats);
  LinkLists();
  RegisterOwnedLists();
  ListKind = kListDetailedConsistency;
  NumberOfTextsToProcess = n_lists;
  fFailedTexts = failed;
  UString based_on;
  for (const UString& name : list_names) based_on += (based_on.empty() ? u"" : u"\n") + name;
  StartStandardNotes(n_lists, 0, VXRes(TVXRes::VXDetailedConsistencyList),
                     VXRes(TVXRes::VXDetailedConsistencyList) + u" " + VXResFmt(TVXRes::VXBasedOnStr, {based_on}));
  for (const UString& f : failed) fNotes.Add(u"\t" + VXResFmt(TVXRes::VXCantReadFile, {f}));
  WordlistCounts.rows = static_cast<int32_t>(std::min<int64_t>(summed_entries, INT32_MAX));
  TDetailedConsistencyList& made = *fDetailedConsistencyList;
  if (made.Count() > 1) made.DoASort(3, 0, made.Count() - 1);
  if (LemmaListLoaded()) made.CheckLemmas();
  if (StopListLoaded()) made.CheckStops();
  if (!failed.empty()) {
    fLastFailure = IntToUStr(static_cast<int64_t>(failed.size())) + u" not compared:";
    for (const UString& f : failed) fLastFailure += u"\n" + f;
  }
  if (progress) progress->ClearBarsOnly();
  return true;
}
