#include "tools/wordlist_list_commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "concordance/document/concordance_document.h"
#include "model/documents/batch_procedures.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"

namespace {

constexpr char kProgram[] = "linzora_wordlist";

std::string U8(UStringView s) { return Utf16ToUtf8(s); }
UString U16(const std::string& s) { return Utf8ToUtf16(s); }

using wordlist_tool::ChooseTexts;
using wordlist_tool::Failed;
using wordlist_tool::RowsSaved;
using wordlist_tool::WrittenFile;

bool lemma_list_in_use = false;

// A document for this run, with the stop list when the settings switch it on and it was loaded,
// and the lemma list when LemmaListReady loaded it.
std::unique_ptr<T_WholeWordlistHolder> FreshDocument(std::ostream& err) {
  TFailedReadEvent dud = [&err](const TChosenFileDetailsFullRec& text) {
    err << kProgram << ": could not read " << U8(IncludeTrailingPathDelimiter(text.folder) + text.rec.filename) << "\n";
  };
  const bool stop = GetLemmaMatchStopSettings(kToolWordLister, lmsStop).Activated() && Global_stopLemmaMatchLoaded[lmsStop];
  return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, dud, kListWordList, stop, lemma_list_in_use,
                                                 nullptr, nullptr);
}

// The stop list switched on in the settings, loaded: false with a failure when it cannot be read.
bool StopListLoadedIfOn(std::ostream& err, int& code) {
  bool loaded = false;
  return wordlist_tool::StopListReady(err, loaded, code);
}

int SaveDocument(T_WholeWordlistHolder& doc, const std::string& file, std::ostream& err) {
  if (doc.SaveToFile(U16(file), 0, 0, 0)) return kWordlistToolDone;
  return Failed(err, "could not write " + file +
                         (doc.LastFailure().empty() ? std::string() : ": " + U8(doc.LastFailure())));
}

const char* KindName(TTessorineList kind) {
  switch (kind) {
    case kListWordList: return "word list";
    case kListKeywords: return "keyword list";
    case kListDetailedConsistency: return "consistency list";
    case kListRelationships: return "relationships list";
    default: return "list of another kind";
  }
}

// A saved word-list document read whole: null with a failure naming the file when it is missing,
// not such a document or damaged.
std::unique_ptr<T_WholeWordlistHolder> ReadList(const std::string& name, std::ostream& err, int& code) {
  if (!FileExists(U16(name))) {
    code = Failed(err, "no such word list: " + name);
    return nullptr;
  }
  auto doc = FreshDocument(err);
  if (!doc->ReadWholeFromFile(U16(name), kToolWordLister).first) {
    code = Failed(err, name + ": not a word list that can be read" +
                           (doc->LastFailure().empty() ? std::string() : ": " + U8(doc->LastFailure())));
    return nullptr;
  }
  return doc;
}

// The rows of a document of its own kind, as the summary line counts them.
std::string RowsOf(T_WholeWordlistHolder& doc) {
  switch (doc.ListKind) {
    case kListKeywords: return std::to_string(doc.Keywords().Count()) + " keywords";
    case kListDetailedConsistency:
      return std::to_string(doc.DetailedConsistency().Count()) + " words in " +
             std::to_string(doc.DetailedConsistency().NLists()) + " lists";
    case kListRelationships: return std::to_string(doc.Relationships().Count()) + " word pairs";
    default: return std::to_string(RowsSaved(doc.Words())) + " words";
  }
}

// The lines of a text file: UTF-16 with its byte-order mark, else UTF-8 (a mark skipped). False
// with why for a file that cannot be read or holds a NUL (binary, not text).
bool ReadTextLines(const std::string& name, std::vector<UString>& lines, std::string& why) {
  std::ifstream f(name, std::ios::binary);
  if (!f) {
    why = "could not be read";
    return false;
  }
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  UString text;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  } else {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    text = U16(bytes);
  }
  if (text.find(u'\0') != UString::npos) {
    why = "binary, not a text file (it holds NUL bytes)";
    return false;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == UString::npos) end = text.size();
    UString line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

// "word<TAB>frequency": the frequency a whole number from 0; false for anything else.
bool ParseImportLine(const UString& line, UString& word, int32_t& frequency) {
  const size_t tab = line.rfind(u'\t');
  if (tab == UString::npos || tab == 0) return false;
  const std::string digits = U8(UStringView(line).substr(tab + 1));
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  word = line.substr(0, tab);
  frequency = std::stoi(digits);
  return true;
}

void StopWordProc(void* context, UStringView word, bool, int32_t, int32_t, bool, bool) {
  static_cast<std::vector<UString>*>(context)->emplace_back(word);
}

}  // namespace

bool ParseListOption(const std::string& option, const std::string& value, TWordlistToolArgs& parsed,
                     std::string& error) {
  auto one_of = [&](std::initializer_list<const char*> choices) {
    std::string all;
    for (const char* c : choices) {
      if (value == c) return true;
      all += std::string(all.empty() ? "" : " or ") + c;
    }
    error = option + " needs " + all + ", not \"" + value + "\"";
    return false;
  };
  if (option == "--batch") {
    if (!one_of({"1", "2", "3"})) return false;
    parsed.batch = value[0] - '0';
  } else if (option == "--lemma-texts") {
    parsed.lemma_texts = value;
  } else if (option == "--join") {
    if (!one_of({"shorter", "longer"})) return false;
    parsed.join_clusters = value == "shorter" ? 1 : 2;
  } else if (option == "--equal-words") {
    if (!one_of({"merge", "apart"})) return false;
    parsed.equal_words = value;
  } else if (option == "--tagged") {
    if (!one_of({"delete", "keep"})) return false;
    parsed.tagged = value;
  }
  return true;
}

bool CheckListOptions(const TWordlistToolArgs& parsed, std::string& error) {
  const std::string& c = parsed.command;
  auto only = [&](bool given, const char* option, const char* command) {
    if (!given || c == command) return true;
    error = std::string(option) + " is an option of " + command + ", not of " + c;
    return false;
  };
  if (!only(parsed.batch > 0, "--batch", "list") || !only(parsed.zip, "--zip", "list") ||
      !only(!parsed.lemma_texts.empty(), "--lemma-texts", "list") ||
      !only(parsed.join_clusters > 0, "--join", "clusters") ||
      !only(!parsed.equal_words.empty(), "--equal-words", "merge") || !only(!parsed.tagged.empty(), "--tagged", "merge"))
    return false;
  if (parsed.convert_utf8 && c != "list" && c != "index") {
    error = "--convert-utf8 is an option of list and index, not of " + c;
    return false;
  }
  // One list merged with nothing is a copy of it: alone, a list is only cleaned.
  if (c == "merge" && parsed.operands.size() == 1 && parsed.equal_words.empty() && parsed.tagged.empty()) {
    error = "merge needs two lists or more, or one to clean with --equal-words or --tagged";
    return false;
  }
  if (parsed.zip && parsed.batch == 0) {
    error = "--zip needs --batch";
    return false;
  }
  if (parsed.batch > 0 && !parsed.lemma_texts.empty()) {
    error = "--lemma-texts needs one list, not a batch";
    return false;
  }
  return true;
}

bool LemmaListReady(std::ostream& err, int& code) {
  lemma_list_in_use = false;
  const TLemmaListSettingsRec lemmas = GetLemmaMatchStopSettings(kToolWordLister, lmsLemma);
  if (!lemmas.Activated()) return true;
  UString why;
  if (lemmas.FileName().empty() || !LoadedOne(kToolWordLister, lmsLemma, lemmas.FileName(), {}, &why)) {
    code = Failed(err, "could not read the lemma list \"" + U8(lemmas.FileName()) + "\"" +
                           (why.empty() ? std::string() : ": " + U8(why)) +
                           " (settings lemma-list=none switches it off)");
    return false;
  }
  Global_stopLemmaMatchLoaded[lmsLemma] = true;
  lemma_list_in_use = true;
  return true;
}

bool LemmaListInUse() { return lemma_list_in_use; }

void ReportLemmaJoins(TVXWordList& words, std::ostream& out) {
  if (!lemma_list_in_use) return;
  int32_t heads = 0, forms = 0;
  for (int i = 0; i < words.Count(); ++i) {
    const TWordlistEntry* e = words.Row(i);
    if (!e || e->JoinedTo() || !words.GetHasJoined(i)) continue;
    ++heads;
    forms += static_cast<int32_t>(e->JoinedEntries().size());
  }
  out << "lemma list: " << forms << " forms joined under " << heads << " heads\n";
}

void JoinClustersOfList(T_WholeWordlistHolder& doc, int32_t how, std::ostream& out) {
  if (how != 1 && how != 2) return;
  const int32_t joined = doc.Words().JoinClusters(how == 1);
  out << joined << " clusters joined " << (how == 1 ? "under longer ones" : "under shorter ones") << "\n";
}

bool LemmaTextsFromIndex(T_WholeWordlistHolder& doc, const std::string& index, std::ostream& out,
                         std::ostream& err, int& code) {
  if (index.empty()) return true;
  if (!lemma_list_in_use) {
    code = Failed(err, "--lemma-texts needs a lemma list (settings lemma-list=FILE)");
    return false;
  }
  if (!doc.CheckLemmasForConsistency(U16(index))) {
    code = Failed(err, index + ": not an index that can be read" +
                           (doc.LastFailure().empty() ? std::string() : ": " + U8(doc.LastFailure())));
    return false;
  }
  out << "texts of each lemma counted in the index " << index << "\n";
  return true;
}

std::vector<UString> ContinuousStopWords() {
  std::vector<UString> words;
  const TStopListSettingsRec stop = GetLemmaMatchStopSettings(kToolWordLister, lmsStop);
  if (stop.Activated() && stop.Action() != 0 && Global_stopLemmaMatchLoaded[lmsStop])
    TraverseStopsDoing(kToolWordLister, &StopWordProc, &words);
  return words;
}

TAskAboutText ToolUtf8Answer(std::ostream& err, bool convert) {
  return [&err, convert](TTextQuestion, UStringView file) {
    err << kProgram << ": " << U8(file)
        << (convert ? " is UTF-8: converted to UTF-16" : " is UTF-8: read as it is (--convert-utf8 converts it)") << "\n";
    return convert ? TTextAnswer::Yes : TTextAnswer::No;
  };
}

int MakeBatchLists(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  TSharedChosenFilesClass chosen(false, nullptr, kToolWordLister);
  if (!ChooseTexts(args.operands, chosen, err, code)) return code;
  if (!StopListLoadedIfOn(err, code)) return code;
  std::error_code ec;
  const UString folder = FromFsPath(std::filesystem::absolute(ToFsPath(U16(args.output)), ec));
  if (FileExists(folder)) return Failed(err, args.output + ": a file, not a folder for the batch's lists");
  if (!ForceDirectories(folder)) return Failed(err, "could not make the folder " + args.output);
  TBatchProceduresRec& batch = Global_BatchProcedures;
  ResetBatchRun(batch);
  batch.BatchRootFolder = folder;
  batch.Zip_Too = args.zip;
  auto doc = FreshDocument(err);
  // Each result as it is saved (a zipped run forgets its saved files once they are in the archive).
  std::vector<UString> saved;
  batch.OnProgressing = [&saved, d = doc.get()](int32_t) { saved.push_back(d->OneBatchFname); };
  TMakeWordlistOptions options;
  options.threads = args.threads;
  options.stop_words = ContinuousStopWords();
  if (GetTextConversionOptions() & 8) options.ask = ToolUtf8Answer(err, args.convert_utf8);
  err << kProgram << ": counting the words of " << chosen.FileCount() << " texts, batch mode " << args.batch << "\n";
  int32_t converted = 0;
  const bool ok = doc->MakeWordlist(chosen, static_cast<uint8_t>(args.batch), kListWordList, converted, options);
  ResetBatchRun(batch);
  batch.BatchRootFolder.clear();
  batch.Zip_Too = false;
  batch.OnProgressing = nullptr;
  if (!ok) return Failed(err, "batch not finished in " + args.output + ": " + U8(doc->LastFailure()));
  out << saved.size() << " word lists in " << args.output << ":\n";
  for (const UString& f : saved) out << U8(f) << "\n";
  if (args.zip)
    for (const UString& z : FindFiles(folder, u"*.zip")) out << "zipped: " << U8(z) << "\n";
  return kWordlistToolDone;
}

int ImportWordList(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  const std::string& source = args.operands[0];
  if (!FileExists(U16(source))) return Failed(err, "no such file: " + source);
  std::vector<UString> lines;
  std::string why;
  if (!ReadTextLines(source, lines, why)) return Failed(err, source + ": " + why);
  for (size_t i = 0; i < lines.size(); ++i) {
    UString word;
    int32_t frequency = 0;
    if (!ParseImportLine(lines[i], word, frequency))
      return Failed(err, source + ", line " + std::to_string(i + 1) +
                             ": not \"word<TAB>frequency\" (a whole number): " + U8(lines[i]).substr(0, 80));
  }
  if (lines.empty()) return Failed(err, source + ": no words to import");
  int code = kWordlistToolDone;
  if (!StopListLoadedIfOn(err, code)) return code;
  auto doc = FreshDocument(err);
  if (!doc->Words().ImportDataFromStringList(lines, 0) || doc->Words().Count() == 0)
    return Failed(err, source + ": no word of it is within the word lengths of the settings");
  if ((code = SaveDocument(*doc, args.output, err)) != kWordlistToolDone) return code;
  out << WrittenFile(args.output, doc->ListKind) << ": " << RowsSaved(doc->Words()) << " words, "
      << doc->Stats().Overall_stats.data.running_words << " running words, imported from " << source << "\n";
  ReportLemmaJoins(doc->Words(), out);
  return kWordlistToolDone;
}

int MergeWordLists(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  if (!StopListLoadedIfOn(err, code)) return code;
  // Every list is read and checked before anything is merged.
  std::vector<std::unique_ptr<T_WholeWordlistHolder>> docs;
  std::set<std::filesystem::path> seen;
  for (const std::string& name : args.operands) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(name, ec), ec);
    if (!seen.insert(p).second) return Failed(err, name + ": named twice (a list is not merged with itself)");
    auto doc = ReadList(name, err, code);
    if (!doc) return code;
    if (doc->ListKind != kListWordList && doc->ListKind != kListKeywords &&
        doc->ListKind != kListDetailedConsistency && doc->ListKind != kListRelationships)
      return Failed(err, name + ": a " + KindName(doc->ListKind) + ", which is not merged");
    if (!docs.empty() && doc->ListKind != docs[0]->ListKind)
      return Failed(err, name + ": a " + std::string(KindName(doc->ListKind)) + " cannot join " + args.operands[0] +
                             ", a " + KindName(docs[0]->ListKind));
    docs.push_back(std::move(doc));
  }
  T_WholeWordlistHolder& into = *docs[0];
  for (size_t i = 1; i < docs.size(); ++i)
    if (!into.MergeWith(*docs[i], ExtractFileName(U16(args.operands[i]))))
      return Failed(err, args.operands[i] + " could not be merged with " + args.operands[0] +
                             (into.LastFailure().empty() ? std::string() : ": " + U8(into.LastFailure())));
  const bool words = into.ListKind == kListWordList;
  if ((!args.equal_words.empty() || !args.tagged.empty()) && !words)
    return Failed(err, "--equal-words and --tagged clean word lists, not a " + std::string(KindName(into.ListKind)));
  TVXWordList& list = into.Words();
  std::string done;
  if (!args.equal_words.empty()) {
    // Neighbours that compare equal under the case-sensitive setting as it is now (the merged
    // list keeps it): one row, or kept apart.
    into.WordlistSettings.SetCaseSensitive(GetWordlistSettings().CaseSensitive());
    const std::vector<TVXWordList::TEqualPair> pairs = list.CheckForEqualStrings();
    int32_t changed = 0;
    if (args.equal_words == "merge") {
      changed = list.MergeEqualWords(pairs);
      list.Zap(false);
    } else {
      changed = list.KeepEqualWordsApart(pairs);
    }
    done += ", " + std::to_string(changed) + " equal words " + (args.equal_words == "merge" ? "merged" : "kept apart");
  }
  if (!args.tagged.empty()) {
    const int32_t before = list.Count();
    list.DeleteAllTaggedWords(args.tagged == "delete");
    list.Zap(false);
    done += ", " + std::to_string(before - list.Count()) + (args.tagged == "delete" ? " tagged" : " untagged") +
            " words deleted";
  }
  if (words) {
    list.RebuildFrequencyIndex();
    into.WordlistCounts.rows = list.Count();
  }
  if ((code = SaveDocument(into, args.output, err)) != kWordlistToolDone) return code;
  out << WrittenFile(args.output, into.ListKind) << ": " << RowsOf(into) << " from " << docs.size() << " "
      << KindName(into.ListKind) << "s" << done
      << "\n";
  return kWordlistToolDone;
}

int WordListCollocates(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  int code = kWordlistToolDone;
  auto doc = ReadList(args.operands[0], err, code);
  if (!doc) return code;
  if (doc->ListKind != kListWordList)
    return Failed(err, args.operands[0] + ": a " + std::string(KindName(doc->ListKind)) + ", not a word list");
  if (doc->Words().Count() == 0) return Failed(err, args.operands[0] + ": a word list without words");
  std::error_code ec;
  const UString folder = FromFsPath(std::filesystem::absolute(ToFsPath(U16(args.output)), ec));
  if (FileExists(folder)) return Failed(err, args.output + ": a file, not a folder for the collocate files");
  // The texts the list was made from must be there to be read again.
  int32_t present = 0;
  for (int i = 0; i < doc->Stats().Count(); ++i)
    if (FileExists(doc->Stats().GetEntryFullFilename(i))) ++present;
  if (present == 0) return Failed(err, args.operands[0] + ": none of the texts it was made from is on disk");
  if (!ForceDirectories(folder)) return Failed(err, "could not make the folder " + args.output);
  T_WholeLinzoraHolder concordancer(kListConcordance, nullptr, nullptr, nullptr, false, false, nullptr, nullptr);
  err << kProgram << ": collocates of the words of " << args.operands[0] << "\n";
  const int32_t written =
      concordancer.ComputeAndSaveCollocatesForWholeWordList(folder, doc->Words(), doc->Stats(), false, args.threads);
  out << written << " collocate files in " << args.output << " (of " << doc->Words().Count() << " words, "
      << present << " texts)\n";
  return kWordlistToolDone;
}
