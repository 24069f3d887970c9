#include "tools/wordlist_commands.h"
#include "tools/wordlist_tool_settings.h"
#include "tools/wordlist_view_commands.h"
#include "tools/wordlist_list_commands.h"

#include <sys/stat.h>

#include <charconv>
#include <filesystem>
#include <memory>
#include <sstream>

#include "concordance/document/tell_list.h"
#include "model/documents/batch_procedures.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/runtime/vx_tools.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/index_commit.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace {

using wordlist_tool::ChooseTexts;
using wordlist_tool::Failed;
using wordlist_tool::RowsSaved;
using wordlist_tool::StopListReady;
using wordlist_tool::WrittenFile;

constexpr char kProgram[] = "linzora_wordlist";

struct TCommandShape {
  const char* name;
  int min_operands;
  int max_operands;  // -1: any number
  bool needs_output;
  const char* operands;  // as the usage shows them
};

constexpr TCommandShape kCommands[] = {
    {"list", 1, -1, true, "FOLDER|FILE..."},
    {"index", 1, -1, true, "FOLDER|FILE..."},
    {"contexts", 2, -1, false, "INDEX WORD..."},
    {"clusters", 1, -1, false, "INDEX [WORD...]"},
    {"relationships", 1, -1, false, "INDEX [WORD...]"},
    {"consistency", 2, -1, true, "LIST.lst LIST.lst..."},
    {"moving-window", 1, 1, false, "INDEX"},
    {"export", 1, 2, true, "INDEX [WORD]"},
    {"settings", 0, -1, false, "[NAME=VALUE...]"},
    {"compare", 2, 2, true, "STUDY.lst REFERENCE.lst"},
    {"show", 1, 1, false, "LIST.lst"},
    {"set-cell", 4, 4, false, "LIST.lst ROW COLUMN TEXT"},
    {"keyword-settings", 0, -1, false, "[NAME=VALUE...]"},
    {"import", 1, 1, true, "WORDS.txt"},
    {"merge", 1, -1, true, "LIST.lst LIST.lst..."},
    {"collocates", 1, 1, true, "LIST.lst"},
};

const TCommandShape* ShapeOf(const std::string& name) {
  for (const TCommandShape& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

std::string U8(UStringView s) { return Utf16ToUtf8(s); }
UString U16(const std::string& s) { return Utf8ToUtf16(s); }

bool ParsePositive(const std::string& text, int32_t& value) {
  int32_t v = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || v < 1) return false;
  value = v;
  return true;
}

std::unique_ptr<T_WholeWordlistHolder> NewDocument(std::ostream& err, bool uses_stop_list = false) {
  // A text that cannot be read is named, and the run goes on with the others.
  TFailedReadEvent dud = [&err](const TChosenFileDetailsFullRec& text) {
    err << kProgram << ": could not read " << U8(IncludeTrailingPathDelimiter(text.folder) + text.rec.filename) << "\n";
  };
  return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, dud, kListWordList, uses_stop_list,
                                                 LemmaListInUse(), nullptr, nullptr);
}

// Percent lines on `err`, one for each tenth reached.
TMakeWordlistOptions RunOptions(const TWordlistToolArgs& args, std::ostream& err) {
  TMakeWordlistOptions o;
  o.threads = args.threads;
  o.stop_words = ContinuousStopWords();
  if (GetTextConversionOptions() & 8) o.ask = ToolUtf8Answer(err, args.convert_utf8);
  auto last = std::make_shared<int32_t>(-1);
  o.progress = [&err, last, command = args.command](int32_t percent) {
    if (percent / 10 == *last / 10 && *last >= 0) return;
    *last = percent;
    err << kProgram << ": " << command << " " << percent << "%\n";
  };
  return o;
}

// The index's base name (its extension dropped), as the index handler forms its four files.
UString IndexBase(const std::string& name) { return ChangeFileExt(U16(name), u""); }

std::unique_ptr<T_WholeWordlistHolder> OpenIndex(const std::string& name, std::ostream& err, int& code) {
  bool stop_list = false;
  if (!StopListReady(err, stop_list, code)) return nullptr;
  auto doc = NewDocument(err, stop_list);
  err << kProgram << ": opening the index " << name << "\n";
  if (!doc->OpenAnIndexAndLoadWords(U16(name)).first) {
    code = Failed(err, name + ": not an index that can be read: " +
                           (doc->LastFailure().empty() ? std::string("no index files") : U8(doc->LastFailure())));
    return nullptr;
  }
  // Texts changed since they were indexed: said, and their contexts left out.
  if (!doc->LastFailure().empty()) err << kProgram << ": " << U8(doc->LastFailure()) << "\n";
  // The suite's last index used: the tools' File menus offer it among their recent files.
  std::error_code ec;
  SetLastUsedFile(kListIndex, ChangeFileExt(FromFsPath(std::filesystem::absolute(ToFsPath(U16(name)), ec)), u".tokens"));
  return doc;
}

int SaveDocument(T_WholeWordlistHolder& doc, const UString& file, std::ostream& err) {
  if (doc.SaveToFile(file, 0, 0, 0)) return kWordlistToolDone;
  return Failed(err, "could not write " + U8(file) +
                         (doc.LastFailure().empty() ? std::string() : ": " + U8(doc.LastFailure())));
}

int MakeList(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  TSharedChosenFilesClass chosen(false, nullptr, kToolWordLister);
  int code = kWordlistToolDone;
  if (!ChooseTexts(args.operands, chosen, err, code)) return code;
  bool stop_list = false;
  if (!StopListReady(err, stop_list, code)) return code;
  auto doc = NewDocument(err, stop_list);
  err << kProgram << ": counting the words of " << chosen.FileCount() << " texts\n";
  int32_t converted = 0;
  if (!doc->MakeWordlist(chosen, 0, kListWordList, converted, RunOptions(args, err)))
    return Failed(err, "no word list made: " + U8(doc->LastFailure()));
  std::ostringstream lemma_lines;
  if (!LemmaTextsFromIndex(*doc, args.lemma_texts, lemma_lines, err, code)) return code;
  const UString file = U16(args.output);
  if ((code = SaveDocument(*doc, file, err)) != kWordlistToolDone) return code;
  out << WrittenFile(args.output, doc->ListKind) << ": " << RowsSaved(doc->Words()) << " words, "
      << doc->Stats().Overall_stats.data.running_words << " running words, " << doc->Stats().Count() << " texts\n";
  if (converted > 0) out << converted << " UTF-8 texts converted to UTF-16\n";
  ReportLemmaJoins(doc->Words(), out);
  out << lemma_lines.str();
  if (stop_list) {
    const TOne_text_stats_data& overall = doc->Stats().Overall_stats.data;
    out << "stop list: " << overall.stop_types << " types, " << overall.stop_tokens << " tokens left out of the list"
        << (GetStopListSettings(kToolWordLister).AppliesToStatistics() ? " and of the statistics" : "") << "\n";
  }
  return kWordlistToolDone;
}

int MakeIndex(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  TSharedChosenFilesClass chosen(false, nullptr, kToolWordLister);
  int code = kWordlistToolDone;
  if (!ChooseTexts(args.operands, chosen, err, code)) return code;
  // The index made is opened again with the stop list: one that cannot be read stops it before.
  bool stop_list = false;
  if (!StopListReady(err, stop_list, code)) return code;
  const UString name = U16(args.output);
  // A save of this index cut short before is undone (or finished) first, so that what is there
  // decides between adding and making.
  UString recovered;
  if (RecoverIndexCommit(IndexCommitRecordName(IndexBase(args.output)), &recovered) == TIndexRecovery::Failed)
    return Failed(err, U8(recovered));
  if (!recovered.empty()) err << kProgram << ": " << U8(recovered) << "\n";
  // An index that is there is added to; its damaged or foreign files are refused, never replaced.
  const bool adding = FileExists(ChangeFileExt(name, u".tokens")) || FileExists(ChangeFileExt(name, u".types"));
  auto doc = NewDocument(err);
  if (!doc->StartAnIndexHandler(name, adding ? kIndexAdd : kIndexCreate))
    return Failed(err, args.output + ": " + U8(doc->LastFailure()));
  err << kProgram << ": " << (adding ? "adding " : "indexing ") << chosen.FileCount() << " texts\n";
  int32_t converted = 0;
  if (!doc->MakeWordlist(chosen, 0, kListIndexWordlist, converted, RunOptions(args, err)))
    return Failed(err, "no index made: " + U8(doc->LastFailure()));
  if ((code = SaveDocument(*doc, name, err)) != kWordlistToolDone) return code;
  // Read back as a reader finds it.
  std::unique_ptr<T_WholeWordlistHolder> made = OpenIndex(args.output, err, code);
  if (!made) return code;
  const TIndexHandler& index = *made->IndexHandler();
  out << U8(IndexBase(args.output)) << ": " << (adding ? "added to, " : "made, ") << index.TextCount() << " texts, "
      << index.TotalTokensInIndex << " running words, " << index.TypeCount() << " types\n";
  ReportLemmaJoins(*made->GetWordlistByListType(kListIndexWordlist), out);
  return kWordlistToolDone;
}

int HandContexts(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  std::unique_ptr<T_WholeWordlistHolder> doc = OpenIndex(args.operands[0], err, code);
  if (!doc) return code;
  std::string word;
  for (size_t i = 1; i < args.operands.size(); ++i) word += (i > 1 ? " " : "") + args.operands[i];
  TTellLinzoraList request(kToolWordLister, kToolConcordancer);
  const int32_t places = AddIndexContextsRequest(*doc->IndexHandler(), doc->Stats(), U16(word), request);
  if (places == 0) return Failed(err, "\"" + word + "\" is not in the index " + args.operands[0]);
  if (!request.SaveRequestFile())
    return Failed(err, "the request could not be handed over: " +
                           (request.Failure().empty() ? U8(request.TempFilename()) : U8(request.Failure())));
  out << places << " contexts of \"" << word << "\" handed to the concordancer (" << U8(request.TempFilename())
      << "); start it with: linzora " << U8(GetShortToolFilename(kToolWordLister)) << "\n";
  return kWordlistToolDone;
}

// Words after the index's name: the clusters or pairs are computed for these base words only.
void SelectWords(const TWordlistToolArgs& args, TIndexHandler& index) {
  if (args.threads > 0) index.fThreads = args.threads;
  for (size_t i = 1; i < args.operands.size(); ++i) index.AddToItemsToProcess(U16(args.operands[i]));
}

UString OutputOr(const TWordlistToolArgs& args, UStringView suffix) {
  return args.output.empty() ? IndexBase(args.operands[0]) + UString(suffix) : U16(args.output);
}

int Clusters(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  std::unique_ptr<T_WholeWordlistHolder> doc = OpenIndex(args.operands[0], err, code);
  if (!doc) return code;
  SelectWords(args, *doc->IndexHandler());
  err << kProgram << ": computing clusters\n";
  const UString file = OutputOr(args, u"_clusters.lst");
  // Clusters counted text by text: one list per text, "<text>_clusters.lst" beside the output.
  std::vector<UString> per_text;
  auto save_per_text = [&](T_WholeWordlistHolder& d) {
    TBatchProceduresRec& batch = Global_BatchProcedures;
    ResetBatchRun(batch);
    std::error_code ec;
    batch.BatchRootFolder = ExtractFilePath(FromFsPath(std::filesystem::absolute(ToFsPath(file), ec)));
    batch.Zip_Too = false;
    d.SaveTempClusterWordlists(batch.BatchRootFolder);
    per_text = batch.saved_files;
    ResetBatchRun(batch);
    return !per_text.empty();
  };
  if (!doc->ComputeClusters(save_per_text))
    return Failed(err, doc->LastFailure().empty() ? std::string("no cluster list could be saved") : U8(doc->LastFailure()));
  std::ostringstream joined;
  if (per_text.empty()) JoinClustersOfList(*doc, args.join_clusters, joined);
  if (!per_text.empty()) {
    out << per_text.size() << " cluster lists, one per text:\n";
    for (const UString& f : per_text) out << U8(f) << "\n";
    return kWordlistToolDone;
  }
  if ((code = SaveDocument(*doc, file, err)) != kWordlistToolDone) return code;
  out << WrittenFile(U8(file), doc->ListKind) << ": " << RowsSaved(doc->Words()) << " clusters and phrase frames\n"
      << joined.str();
  return kWordlistToolDone;
}

int Relationships(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  std::unique_ptr<T_WholeWordlistHolder> doc = OpenIndex(args.operands[0], err, code);
  if (!doc) return code;
  SelectWords(args, *doc->IndexHandler());
  err << kProgram << ": computing relationships\n";
  if (!doc->ComputeMIAssociation()) return Failed(err, U8(doc->LastFailure()));
  const UString file = OutputOr(args, u"_relationships.lst");
  if ((code = SaveDocument(*doc, file, err)) != kWordlistToolDone) return code;
  out << WrittenFile(U8(file), doc->ListKind) << ": " << doc->Relationships().Count() << " word pairs\n";
  return kWordlistToolDone;
}

int MovingWindow(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  std::unique_ptr<T_WholeWordlistHolder> doc = OpenIndex(args.operands[0], err, code);
  if (!doc) return code;
  err << kProgram << ": moving window of " << args.window_size << " words, " << args.runs << " runs\n";
  const T_WholeWordlistHolder::TMovingWindowFNamesRec names = doc->MakeAndSaveMovingWindow(args.window_size, args.runs);
  if (names.text_file.empty()) return Failed(err, U8(doc->LastFailure()));
  out << U8(names.text_file) << "\n" << U8(names.plot_file) << "\n";
  return kWordlistToolDone;
}

int Export(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  std::unique_ptr<T_WholeWordlistHolder> doc = OpenIndex(args.operands[0], err, code);
  if (!doc) return code;
  const std::string word = args.operands.size() > 1 ? args.operands[1] : std::string();
  TIndexHandler& index = *doc->IndexHandler();
  // A word's places are exported however rare it is: every type counts, not only those shown.
  index.SetGetAllTypes();
  if (!word.empty() && index.WordNumberFromWord(U16(word)) < 0)
    return Failed(err, "\"" + word + "\" is not in the index " + args.operands[0]);
  if (!index.ExportData(U16(args.output), 1, U16(word)))
    return Failed(err, "could not write " + args.output + ": " + U8(index.LastFailure()));
  out << args.output << ": the lengths of " << index.TextCount() << " texts and their sentences"
      << (word.empty() ? std::string() : ", the byte positions of \"" + word + "\"") << "\n";
  return kWordlistToolDone;
}

int Settings(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  std::string error;
  if (!args.operands.empty() && !ChangeWordlistToolSettings(args.operands, error)) return Failed(err, error);
  for (const std::string& line : WordlistToolSettingsLines()) out << line << "\n";
  return kWordlistToolDone;
}

int Consistency(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  std::vector<UString> files;
  for (const std::string& n : args.operands) {
    if (!FileExists(U16(n))) return Failed(err, "no such word list: " + n);
    files.push_back(U16(n));
  }
  auto doc = NewDocument(err);
  err << kProgram << ": comparing " << files.size() << " word lists\n";
  const bool ok = doc->MakeDetailedConsistencyList(files);
  // Every list named is compared, or nothing is written: a result that silently lacks a list
  // would read as that list's words being absent.
  for (const UString& f : doc->FailedTexts()) err << kProgram << ": cannot compare: " << U8(f) << "\n";
  if (!doc->FailedTexts().empty())
    return Failed(err, "no consistency list written: " + std::to_string(doc->FailedTexts().size()) + " of " +
                           std::to_string(files.size()) + " files named are no word lists that can be read");
  if (!ok) return Failed(err, "no consistency list made: " + U8(doc->LastFailure()));
  int code = SaveDocument(*doc, U16(args.output), err);
  if (code != kWordlistToolDone) return code;
  out << WrittenFile(args.output, doc->ListKind) << ": " << doc->DetailedConsistency().Count() << " words in "
      << files.size() << " lists\n";
  return kWordlistToolDone;
}

}  // namespace

namespace wordlist_tool {

// Reports a refusal or a failure on `err` and answers the exit code of one.
int Failed(std::ostream& err, const std::string& what) {
  err << kProgram << ": " << what << "\n";
  return kWordlistToolFailed;
}

// The stop list the settings switch on, loaded for this run: false (with the code of a failure)
// when it is switched on and cannot be read; `loaded` says whether one applies.
bool StopListReady(std::ostream& err, bool& loaded, int& code) {
  loaded = false;
  const TStopListSettingsRec stop = GetLemmaMatchStopSettings(kToolWordLister, lmsStop);
  if (!stop.Activated()) return true;
  const UString file = stop.FileName();
  if (file.empty() || !LoadedOne(kToolWordLister, lmsStop, file)) {
    code = Failed(err, "could not read the stop list \"" + U8(file) + "\" (settings stop-list=none switches it off)");
    return false;
  }
  Global_stopLemmaMatchLoaded[lmsStop] = true;
  loaded = true;
  return true;
}

std::string WrittenFile(const std::string& output, uint8_t kind) { return U8(DocumentFileName(U16(output), kind)); }

int32_t RowsSaved(TVXBaseLemmaMatchCapableList& list) { return list.StoredListInfo().info.entry_count; }

// The texts named: every ".txt" of a folder and its sub-folders (and of the zip archives there),
// and each file named on its own, a zip archive standing for the texts in it. A name that is
// none of these, or an archive that gives no text, is refused before anything is read.
bool ChooseTexts(const std::vector<std::string>& names, TSharedChosenFilesClass& chosen, std::ostream& err,
                 int& code) {
  for (const std::string& n : names) {
    const UString name = U16(n);
    if (DirectoryExists(name)) {
      if (chosen.AddedFolderContents(ExcludeTrailingPathDelimiter(name), u"*.txt", true, true) <= 0)
        err << kProgram << ": no .txt texts in " << n << "\n";
    } else if (FileExists(name)) {
      chosen.ToolAddAFile(name);
    } else {
      code = Failed(err, "no such folder or file: " + n);
      return false;
    }
  }
  std::vector<TSharedChosenFilesClass::TArchiveRefusal> refused;
  chosen.TakeArchivesAsMembers(&refused);
  if (!refused.empty()) {
    code = Failed(err, U8(refused.front().archive) + " is " + U8(refused.front().why));
    return false;
  }
  if (chosen.FileCount() == 0) {
    code = Failed(err, "no texts to read");
    return false;
  }
  return true;
}

}  // namespace wordlist_tool


std::string WordlistToolUsage() {
  std::ostringstream u;
  u << "usage: " << kProgram << " COMMAND ARGUMENTS [OPTIONS]\n"
    << "  list FOLDER|FILE... -o corpus.lst    a word list of the texts (every .txt of a folder)\n"
    << "  index FOLDER|FILE... -o NAME         builds the index NAME (.tokens, .types, .markup, .stats),\n"
    << "                                       or adds the texts to it when it is there\n"
    << "  contexts INDEX WORD...               hands the places of a word or phrase in the index to\n"
    << "                                       the concordancer (then: linzora wordlister)\n"
    << "  clusters INDEX [WORD...] [-o FILE.lst]       clusters and phrase frames (INDEX_clusters.lst),\n"
    << "                                       of the words named or of every word; counted text by\n"
    << "                                       text, one \"<text>_clusters.lst\" per text beside it\n"
    << "  relationships INDEX [WORD...] [-o FILE.lst]  word pairs within the span\n"
    << "                                       (INDEX_relationships.lst), of the words named or every word\n"
    << "  consistency LIST.lst LIST.lst... -o FILE.lst   the words of word lists side by side\n"
    << "  moving-window INDEX [--size N] [--runs N]      INDEX_moving_window.txt and .plotdata\n"
    << "  export INDEX [WORD] -o FILE.txt      text and sentence lengths, and the word's byte positions\n"
    << "  settings [NAME=VALUE...]             shows the stored settings the commands use, or changes them\n"
    << "  compare STUDY.lst REFERENCE.lst -o KEYWORDS.lst  the keywords of a word list against a reference list\n"
    << "  show LIST.lst [--sort KIND|--column N] [--descending] [--frequency] [--entropy]\n"
    << "                                       a saved list's columns and rows, sorted, its status text, a\n"
    << "                                       consistency list's pairs of lists, and the list's notes\n"
    << "  show LIST.lst|INDEX.stats --statistics   the statistics of the texts a list or index was made from\n"
    << "  set-cell LIST.lst ROW COLUMN TEXT [-o FILE.lst] [--frequency]  edits a cell and saves the list\n"
    << "  keyword-settings [NAME=VALUE...]     shows the stored keywords settings compare uses, or changes them\n"
    << "  list FOLDER|FILE... --batch 1|2|3 -o FOLDER [--zip]   one list per text (1, 2) or per folder (3)\n"
    << "                                       in FOLDER; --zip packs them (1 at the end, 2 and 3 per folder)\n"
    << "  list ... --lemma-texts INDEX         with the lemma list: each lemma's texts counted in INDEX\n"
    << "  list|index ... --convert-utf8        answers the UTF-8 question (settings utf8-question=yes) with\n"
    << "                                       yes: such a text is converted to UTF-16 on disk and read again\n"
    << "  clusters ... --join shorter|longer   joins shorter clusters under longer ones, or the other way\n"
    << "  import WORDS.txt -o FILE.lst         a word list of \"word<TAB>frequency\" lines (stop and lemma lists applied)\n"
    << "  merge LIST.lst LIST.lst... -o FILE.lst [--equal-words merge|apart] [--tagged delete|keep]\n"
    << "                                       merges word, keyword, consistency or relationships lists of one kind;\n"
    << "                                       equal words made one row or kept apart, tagged words deleted or kept alone\n"
    << "                                       (one list alone only with --equal-words or --tagged, which clean it)\n"
    << "  collocates LIST.lst -o FOLDER        the collocates of each word of the list over its texts, a file a word,\n"
    << "                                       within the limits of the word-list collocates settings\n"
    << "options: --threads N (workers; every core by default), --help\n"
    << "Settings are the stored word-list, index, moving-window and consistency settings and the stop list.\n"
    << "Exit codes: 0 done, 1 input refused or work failed, 2 usage error.\n";
  return u.str();
}

bool ParseWordlistToolArgs(const std::vector<std::string>& args, TWordlistToolArgs& parsed, std::string& error) {
  parsed = TWordlistToolArgs{};
  auto value_of = [&](size_t& i, const std::string& option, std::string& value) {
    if (i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string value;
    if (a == "--help" || a == "-h") {
      parsed.help = true;
    } else if (a == "-o" || a == "--output") {
      if (!value_of(i, a, parsed.output)) return false;
    } else if (a == "--zip") {
      parsed.zip = true;
    } else if (a == "--convert-utf8") {
      parsed.convert_utf8 = true;
    } else if (a == "--batch" || a == "--lemma-texts" || a == "--join" || a == "--equal-words" || a == "--tagged") {
      if (!value_of(i, a, value)) return false;
      if (!ParseListOption(a, value, parsed, error)) return false;
    } else if (a == "--threads" || a == "--size" || a == "--runs") {
      if (!value_of(i, a, value)) return false;
      int32_t& target = a == "--threads" ? parsed.threads : a == "--size" ? parsed.window_size : parsed.runs;
      if (!ParsePositive(value, target)) {
        error = a + " needs a whole number above 0, not \"" + value + "\"";
        return false;
      }
    } else if (const int takes = ListViewOptionValues(a); takes >= 0) {
      parsed.view_options.push_back(a);
      if (takes > 0 && !value_of(i, a, value)) return false;
      if (takes > 0) parsed.view_options.push_back(value);
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (parsed.command.empty()) {
      parsed.command = a;
    } else {
      parsed.operands.push_back(a);
    }
  }
  if (parsed.help) return true;
  if (parsed.command.empty()) {
    error = "no command given";
    return false;
  }
  const TCommandShape* shape = ShapeOf(parsed.command);
  if (!shape) {
    error = "unknown command " + parsed.command;
    return false;
  }
  const int n = static_cast<int>(parsed.operands.size());
  if (n < shape->min_operands || (shape->max_operands >= 0 && n > shape->max_operands)) {
    error = parsed.command + " needs " + shape->operands;
    return false;
  }
  if (!CheckListOptions(parsed, error)) return false;
  if (shape->needs_output && parsed.output.empty()) {
    error = parsed.command + " needs -o and the file to write";
    return false;
  }
  if (!ListViewOptionsFit(parsed, error)) return false;
  return true;
}

int RunWordlistCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  // A file to write in a folder that is not there is refused before any work.
  if (!args.output.empty()) {
    const UString folder = ExtractFilePath(U16(args.output));
    if (!folder.empty() && !DirectoryExists(folder))
      return Failed(err, "no such folder for " + args.output + ": " + U8(folder));
    // A folder is no file to write: its name with an extension would land beside it. (Batch lists
    // and a word list's collocates are written into the folder -o names.)
    const bool writes_into_folder = (args.command == "list" && args.batch > 0) || args.command == "collocates";
    if (!writes_into_folder && DirectoryExists(ExcludeTrailingPathDelimiter(U16(args.output))))
      return Failed(err, args.output + " is a folder: -o names the file to write");
    // A device, a pipe or a socket is no file to write a result to (and a name without an
    // extension would have its list's made beside it, in /dev say).
    struct stat st {};
    if (::stat(args.output.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
      return Failed(err, args.output + " is a device or other special file, not a file to write");
  }
  int code = kWordlistToolDone;
  if ((args.command == "list" || args.command == "index" || args.command == "clusters" ||
       args.command == "consistency" || args.command == "import") &&
      !LemmaListReady(err, code))
    return code;
  if (args.command == "list" && args.batch > 0) return MakeBatchLists(args, out, err);
  if (args.command == "import") return ImportWordList(args, out, err);
  if (args.command == "merge") return MergeWordLists(args, out, err);
  if (args.command == "collocates") return WordListCollocates(args, out, err);
  if (args.command == "list") return MakeList(args, out, err);
  if (args.command == "index") return MakeIndex(args, out, err);
  if (args.command == "contexts") return HandContexts(args, out, err);
  if (args.command == "clusters") return Clusters(args, out, err);
  if (args.command == "relationships") return Relationships(args, out, err);
  if (args.command == "consistency") return Consistency(args, out, err);
  if (args.command == "moving-window") return MovingWindow(args, out, err);
  if (args.command == "export") return Export(args, out, err);
  if (args.command == "settings") return Settings(args, out, err);
  if (args.command == "compare") return CompareWordlistsCommand(args, out, err);
  if (args.command == "show") return ShowListCommand(args, out, err);
  if (args.command == "set-cell") return SetCellCommand(args, out, err);
  if (args.command == "keyword-settings") return KeywordSettingsCommand(args, out, err);
  err << kProgram << ": unknown command " << args.command << "\n";
  return kWordlistToolUsage;
}

int RunWordlistTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TWordlistToolArgs parsed;
  std::string error;
  if (!ParseWordlistToolArgs(args, parsed, error)) {
    err << kProgram << ": " << error << "\n" << WordlistToolUsage();
    return kWordlistToolUsage;
  }
  if (parsed.help) {
    out << WordlistToolUsage();
    return kWordlistToolDone;
  }
  try {
    return RunWordlistCommand(parsed, out, err);
  } catch (const std::exception& e) {
    return Failed(err, parsed.command + " failed: " + e.what());
  }
}

int32_t AddIndexContextsRequest(TIndexHandler& index, const TVXStatsList& stats, UStringView word,
                                TTellLinzoraList& request) {
  request.fPreliminaries.include_jumps = 1;
  TVXStatsList& files = request.MakeStatsList();
  for (int i = 0; i < stats.Count(); ++i) {
    TOne_text_stats_rec r = stats.Row(i)->fdata;
    r.name = stats.GetEntryFullFilename(i);
    files.Add(new TStatsEntry(r, false, &files));
  }
  TLinzoraInfoClass& item = request.AddItem(word);
  // A phrase is looked for word after word; one word through its chain of places.
  if (word.find(u' ') != UStringView::npos) {
    if (std::unique_ptr<TLinzoraJumpToList> jumps = index.AllContextsOf(word)) item.jumplist = std::move(*jumps);
  } else {
    index.AddListOfAllContextsTo(word, item.jumplist);
  }
  return static_cast<int32_t>(item.jumplist.holders.size());
}
