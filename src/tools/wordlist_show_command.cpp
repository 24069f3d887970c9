// "show" and "set-cell": a saved list as its grid shows it, and one of its cells edited.
#include <algorithm>
#include <charconv>

#include "keywords/keyword_list.h"
#include "model/export/export_cells.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "tools/wordlist_commands.h"
#include "tools/wordlist_view_commands.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"

namespace {

int Refused(std::ostream& err, const std::string& what) {
  err << "linzora_wordlist: " << what << "\n";
  return kWordlistToolFailed;
}

bool WholeNumber(const std::string& text, int64_t& v) {
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  return ec == std::errc() && p == end;
}

// How "show" orders and draws a list.
struct TListView {
  int32_t sort_kind = -1;  // a sort kind of the list (--sort)
  int32_t column = -1;     // a heading clicked (--column)
  bool descending = false;
  bool frequency = false;  // a word list's frequency view
  bool entropy = false;    // a word list's relative-entropy column
  bool statistics = false;  // the texts' statistics instead of the list
};

TListView ViewOf(const TWordlistToolArgs& args) {
  TListView v;
  const std::vector<std::string>& o = args.view_options;
  for (size_t i = 0; i < o.size(); ++i) {
    int64_t n = -1;
    if (ListViewOptionValues(o[i]) > 0) {
      // The value was checked when the options were read.
      if (i + 1 < o.size() && WholeNumber(o[i + 1], n)) (o[i] == "--sort" ? v.sort_kind : v.column) = int32_t(n);
      ++i;
    } else if (o[i] == "--descending") {
      v.descending = true;
    } else if (o[i] == "--frequency") {
      v.frequency = true;
    } else if (o[i] == "--entropy") {
      v.entropy = true;
    } else if (o[i] == "--statistics") {
      v.statistics = true;
    }
  }
  return v;
}

// The sort kinds each list knows: 0 up to this one.
int32_t LastSortKind(TTessorineList kind) {
  switch (kind) {
    case kListWordList: return kWLSortWordsInEntry;
    case kListKeywords: return kKWSortRelativeEntropy;
    case kListDetailedConsistency: return kDCSortLemmas;
    case kListRelationships: return RelatSort_by_DEltaPB;
    default: return -1;
  }
}

// A consistency list keeps its lists' names in its relations (the headings are not stored):
// each name in the order the pairs first give it, a number for a list no pair names.
void NameConsistencyColumns(TDetailedConsistencyList& list) {
  std::vector<UString> names;
  auto note = [&names](const UString& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  for (int i = 0; i < list.Relations().Count(); ++i)
    if (const TDetailedConsistencyRelationsEntry* r = list.Relations().Row(i)) {
      note(r->dcr_data.name1);
      note(r->dcr_data.name2);
    }
  names.resize(static_cast<size_t>(std::max(0, list.NLists())));
  for (size_t l = 0; l < names.size(); ++l)
    if (names[l].empty()) names[l] = IntToUStr(static_cast<int64_t>(l + 1));
  list.SetHeadingsForLists(names);
}

// The list of the document's kind, with the headings its grid shows.
TVXBaseLemmaMatchCapableList* ShownList(T_WholeWordlistHolder& doc) {
  switch (doc.ListKind) {
    case kListWordList:
      if (doc.Words().Headings().empty()) doc.Words().SetHeadings(WordListHeadings());
      return &doc.Words();
    case kListKeywords: {
      TKeyWordList& k = doc.Keywords();
      k.SetSourceNames(doc.ExtraStuffParentFilename(), k.KWSettings.ReferenceCorpus());
      return &k;
    }
    case kListDetailedConsistency:
      NameConsistencyColumns(doc.DetailedConsistency());
      return &doc.DetailedConsistency();
    case kListRelationships: return &doc.Relationships();
    default: return nullptr;
  }
}

// Orders the list as the view asks; false with the problem when the view does not fit the list.
bool Arrange(T_WholeWordlistHolder& doc, TVXBaseLemmaMatchCapableList& list, const TListView& view,
             const std::string& file, std::string& sorted, std::string& why) {
  const bool word_list = doc.ListKind == kListWordList;
  if ((view.entropy || view.frequency) && !word_list) {
    why = std::string(view.entropy ? "--entropy" : "--frequency") + " is for a word list, and " + file + " is a " +
          ListKindName(doc.ListKind);
    return false;
  }
  if (view.entropy) doc.Words().ShowRelativeEntropyColumn();
  int32_t kind = -1;
  if (view.column >= 0) {
    if (view.column >= list.HeadingCount()) {
      why = "no column " + std::to_string(view.column) + " in " + file + " (its columns are 0 to " +
            std::to_string(list.HeadingCount() - 1) + ")";
      return false;
    }
    kind = list.HeaderColumnToSortNeeded(0, view.column);
  } else if (view.sort_kind >= 0) {
    if (view.sort_kind > LastSortKind(doc.ListKind)) {
      why = "a " + ListKindName(doc.ListKind) + " sorts by kinds 0 to " + std::to_string(LastSortKind(doc.ListKind)) +
            ", not " + std::to_string(view.sort_kind);
      return false;
    }
    kind = view.sort_kind;
  } else if (view.descending) {
    kind = list.SortLevel(0).key;
  }
  if (kind < 0) return true;
  list.Set1Sort(0, kind);
  list.SetSortAscending(0, !view.descending);
  list.DoASort(1, 0, list.Count() - 1);
  sorted = ", sorted by kind " + std::to_string(kind);
  if (word_list && !WordlistSortKindName(kind).empty()) sorted += " (" + Utf16ToUtf8(WordlistSortKindName(kind)) + ")";
  sorted += view.descending ? ", descending" : ", ascending";
  return true;
}

// The text a cell shows.
std::string CellText(TVXBaseLemmaMatchCapableList& list, int column, int row, int display, TGrid_data_rec& cell) {
  list.AnyColumnDataRec(column, row, cell, display);
  if (row == 0) list.CheckedPPMFormatHeading(cell, column);
  return Utf16ToUtf8(CellTextForExport(cell));
}

// The heading row, then a line per row, the cells of `columns` separated by tabs.
void PrintTable(TVXBaseLemmaMatchCapableList& list, const std::vector<int>& columns, int rows, int display,
                std::ostream& out) {
  TGrid_data_rec cell;
  for (int row = 0; row <= rows; ++row) {
    for (size_t c = 0; c < columns.size(); ++c) out << (c ? "\t" : "") << CellText(list, columns[c], row, display, cell);
    out << "\n";
  }
}

std::vector<int> EveryColumn(const TVXBaseLemmaMatchCapableList& list) {
  std::vector<int> columns(static_cast<size_t>(std::max(0, list.HeadingCount())));
  for (size_t c = 0; c < columns.size(); ++c) columns[c] = static_cast<int>(c);
  return columns;
}

// The texts' statistics a document keeps (the study's, for a keyword list); nullptr for a kind
// that keeps none.
TVXStatsList* StatisticsOf(T_WholeWordlistHolder& doc) {
  switch (doc.ListKind) {
    case kListWordList:
    case kListDetailedConsistency: return &doc.Stats();
    case kListKeywords: return doc.Keywords().fKWStats.get();
    default: return nullptr;
  }
}

// The statistics grid: the overall row first when there are several texts. Columns without a
// figure for any text are left out, as the grid leaves them out.
void PrintStatistics(const std::string& file, TVXStatsList& stats, std::ostream& out) {
  stats.SetHeadings(StatisticsHeadings());
  std::vector<int> columns;
  for (int c = 0; c < stats.HeadingCount(); ++c)
    if (c <= 1 || (!stats.Headings()[static_cast<size_t>(c)].empty() && !stats.IsEmptyDataColumn(c)))
      columns.push_back(c);
  out << file << ": statistics of " << stats.Count() << (stats.Count() == 1 ? " text" : " texts")
      << (stats.OverallCount() ? ", the overall row first" : "") << "\n";
  PrintTable(stats, columns, stats.TotalRowCount(), 0, out);
}

// "show --statistics" of a document's statistics, or of a statistics file of its own (an index's
// ".stats").
int ShowStatistics(const std::string& file, const TListView& view, std::ostream& out, std::ostream& err) {
  if (view.sort_kind >= 0 || view.column >= 0 || view.descending || view.frequency || view.entropy)
    return Refused(err, "--statistics shows the texts in the order they were read: give no other option");
  std::string why;
  std::unique_ptr<T_WholeWordlistHolder> doc = ReadSavedList(file, why);
  if (doc) {
    TVXStatsList* stats = StatisticsOf(*doc);
    if (!stats)
      return Refused(err, file + " is a " + ListKindName(doc->ListKind) + ", which keeps no statistics of texts");
    PrintStatistics(file, *stats, out);
    return kWordlistToolDone;
  }
  TVXStatsList stats(nullptr);
  if (!FileExists(Utf8ToUtf16(file)) || !stats.ReadFromFile(Utf8ToUtf16(file)))
    return Refused(err, why + "; nor a statistics file");
  PrintStatistics(file, stats, out);
  return kWordlistToolDone;
}

// The notes a document keeps (what it was made from and with), one a line as stored.
void PrintNotes(const T_WholeWordlistHolder& doc, std::ostream& out) {
  if (doc.fNotes.Count() == 0) return;
  out << "notes:\n";
  for (int i = 0; i < doc.fNotes.Count(); ++i) out << Utf16ToUtf8(doc.fNotes[i]) << "\n";
}

// The columns a user may type into, by list kind, and whether the column takes a whole number.
struct TEditable {
  TTessorineList kind;
  int column;
  bool number;
};
constexpr TEditable kEditable[] = {
    {kListWordList, kWLColWord, false},          {kListWordList, kWLColFrequency, true},
    {kListWordList, kWLColTexts, true},          {kListWordList, kWLColCategory, false},
    {kListKeywords, kKWColWord, false},          {kListKeywords, kKWColFrequency, true},
    {kListKeywords, kKWColCategory, false},      {kListDetailedConsistency, 1, false},
    {kListDetailedConsistency, kDCColCategory, false}, {kListRelationships, 1, false},
    {kListRelationships, 3, false},              {kListRelationships, kRelColCategory, false},
};

const TEditable* EditableCell(TTessorineList kind, int column) {
  for (const TEditable& e : kEditable)
    if (e.kind == kind && e.column == column) return &e;
  return nullptr;
}

}  // namespace

std::string ListKindName(int list_kind) {
  switch (list_kind) {
    case kListWordList: return "word list";
    case kListKeywords: return "keyword list";
    case kListDetailedConsistency: return "detailed-consistency list";
    case kListRelationships: return "relationships list";
    default: return "list of kind " + std::to_string(list_kind);
  }
}

std::unique_ptr<T_WholeWordlistHolder> ReadSavedList(const std::string& file, std::string& why) {
  const UString name = Utf8ToUtf16(file);
  if (!FileExists(name)) {
    why = "no such list: " + file;
    return nullptr;
  }
  auto doc =
      std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  if (!doc->ReadWholeFromFile(name, kToolWordLister).first) {
    why = file + ": not a list that can be read" +
          (doc->LastFailure().empty() ? std::string() : " (" + Utf16ToUtf8(doc->LastFailure()) + ")");
    return nullptr;
  }
  return doc;
}

int ListViewOptionValues(const std::string& option) {
  if (option == "--sort" || option == "--column") return 1;
  if (option == "--descending" || option == "--frequency" || option == "--entropy" || option == "--statistics")
    return 0;
  return -1;
}

bool ListViewOptionsFit(const TWordlistToolArgs& args, std::string& error) {
  const std::vector<std::string>& o = args.view_options;
  bool sort = false, column = false;
  for (size_t i = 0; i < o.size(); ++i) {
    const bool for_set_cell = o[i] == "--frequency";
    if (args.command != "show" && !(args.command == "set-cell" && for_set_cell)) {
      error = o[i] + " is not an option of " + args.command;
      return false;
    }
    if (ListViewOptionValues(o[i]) == 0) continue;
    int64_t n = -1;
    if (i + 1 >= o.size() || !WholeNumber(o[i + 1], n) || n < 0 || n > 100000) {
      error = o[i] + " needs a whole number from 0, not \"" + (i + 1 < o.size() ? o[i + 1] : std::string()) + "\"";
      return false;
    }
    (o[i] == "--sort" ? sort : column) = true;
    ++i;
  }
  if (sort && column) {
    error = "--sort and --column both choose the order: give one";
    return false;
  }
  return true;
}

int ShowListCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  const std::string& file = args.operands[0];
  const TListView view = ViewOf(args);
  if (view.statistics) return ShowStatistics(file, view, out, err);
  std::string why;
  std::unique_ptr<T_WholeWordlistHolder> doc = ReadSavedList(file, why);
  if (!doc) return Refused(err, why);
  TVXBaseLemmaMatchCapableList* list = ShownList(*doc);
  if (!list) return Refused(err, file + " is a " + ListKindName(doc->ListKind) + ", which has no list to show");
  std::string sorted;
  if (!Arrange(*doc, *list, view, file, sorted, why)) return Refused(err, why);
  const int display = view.frequency ? kDisplayByFrequency : 0;
  out << file << ": " << ListKindName(doc->ListKind) << ", " << list->Count() << (list->Count() == 1 ? " row" : " rows")
      << sorted << (view.frequency ? ", in frequency order" : "") << "\n";
  PrintTable(*list, EveryColumn(*list), list->Count(), display, out);
  // The status text of the first row shown.
  const int first = view.frequency ? doc->Words().RowForDisplay(0, kDisplayByFrequency) + 1 : 1;
  out << "status: "
      << (list->Count() > 0 ? Utf16ToUtf8(list->GetStatusbarDataAsString(list->MainWordColumn(), first)) : "") << "\n";
  // A consistency list's second grid: the words each pair of lists shares, and their Dice.
  if (doc->ListKind == kListDetailedConsistency) {
    TDetailedConsistencyRelationsList& pairs = doc->DetailedConsistency().Relations();
    out << "pairs of lists: " << pairs.Count() << "\n";
    PrintTable(pairs, EveryColumn(pairs), pairs.Count(), 0, out);
  }
  PrintNotes(*doc, out);
  return kWordlistToolDone;
}

int SetCellCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  const std::string& file = args.operands[0];
  const std::string& text = args.operands[3];
  std::string why;
  std::unique_ptr<T_WholeWordlistHolder> doc = ReadSavedList(file, why);
  if (!doc) return Refused(err, why);
  TVXBaseLemmaMatchCapableList* list = ShownList(*doc);
  if (!list) return Refused(err, file + " is a " + ListKindName(doc->ListKind) + ", which has no cells to edit");
  const TListView view = ViewOf(args);
  if (view.frequency && doc->ListKind != kListWordList)
    return Refused(err, "--frequency is for a word list, and " + file + " is a " + ListKindName(doc->ListKind));
  int64_t row = 0, column = -1;
  if (!WholeNumber(args.operands[1], row) || row < 1 || row > list->Count())
    return Refused(err, "no row " + args.operands[1] + " in " + file + " (its rows are 1 to " +
                            std::to_string(list->Count()) + ")");
  if (!WholeNumber(args.operands[2], column) || column < 0 || column >= list->HeadingCount())
    return Refused(err, "no column " + args.operands[2] + " in " + file);
  const TEditable* editable = EditableCell(doc->ListKind, static_cast<int>(column));
  TGrid_data_rec cell;
  const int display = view.frequency ? kDisplayByFrequency : 0;
  const std::string heading = CellText(*list, static_cast<int>(column), 0, display, cell);
  if (!editable)
    return Refused(err, "column " + args.operands[2] + " (" + heading + ") of a " + ListKindName(doc->ListKind) +
                            " cannot be edited");
  int64_t number = 0;
  if (editable->number && (!WholeNumber(text, number) || number < 0 || number > INT32_MAX))
    return Refused(err, "column " + args.operands[2] + " (" + heading + ") takes a whole number from 0, not \"" + text +
                            "\"");
  // The row in list order: a new frequency may move it in the frequency view.
  const int index = doc->ListKind == kListWordList ? doc->Words().RowForDisplay(static_cast<int>(row) - 1, display)
                                                   : static_cast<int>(row) - 1;
  const std::string before = CellText(*list, static_cast<int>(column), index + 1, 0, cell);
  if (doc->ListKind == kListWordList)
    doc->Words().SetCellText(static_cast<int>(row) - 1, static_cast<int>(column), display, Utf8ToUtf16(text));
  else
    list->Get(index)->SetAWordAsString(static_cast<int>(column), Utf8ToUtf16(text));
  const std::string after = CellText(*list, static_cast<int>(column), index + 1, 0, cell);
  const std::string target = args.output.empty() ? file : args.output;
  if (!doc->SaveToFile(Utf8ToUtf16(target), 0, 0, 0))
    return Refused(err, "could not write " + target +
                            (doc->LastFailure().empty() ? std::string() : ": " + Utf16ToUtf8(doc->LastFailure())));
  out << wordlist_tool::WrittenFile(target, doc->ListKind) << ": row " << row << ", column " << column << " ("
      << heading << "): " << before << " -> " << after
      << "\n";
  return kWordlistToolDone;
}
