#include "platform/lemmatiser/lemmatiser.h"

#include <exception>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

struct TLoadedList {
  int kind = lmsStop;
  bool case_sensitive = false;
  bool whole_word = true;
  std::vector<UString> words;                         // stop and match lists
  std::vector<std::pair<UString, UString>> pairs;     // lemma lists: (form, head)
  std::vector<std::vector<UString>> groups;           // lemma lists: head, then its forms
  std::unordered_map<UString, size_t> lookup;         // folded item -> its first group (or 0)
  std::unordered_map<UString, size_t> heads;          // folded head -> its group
};

using TListPtr = std::shared_ptr<const TLoadedList>;
std::map<std::pair<uint8_t, int>, TListPtr>& Lists() {
  static std::map<std::pair<uint8_t, int>, TListPtr> lists;
  return lists;
}

TListPtr Find(uint8_t tool, int kind) {
  auto it = Lists().find({tool, kind});
  return it == Lists().end() ? nullptr : it->second;
}

UString Folded(UStringView s) { return FoldCaseU(s); }

// The loads in progress, each with its cancel request. Loads nest when a call-back starts
// another one; CancelOne marks every load of the tool and kind.
struct TLoadInProgress {
  uint8_t tool;
  int kind;
  bool cancelled = false;
};
std::mutex g_loads_lock;
std::vector<TLoadInProgress*> g_loads;

class TLoadRegistration {
 public:
  TLoadRegistration(uint8_t tool, int kind) : load_{tool, kind} {
    std::lock_guard<std::mutex> l(g_loads_lock);
    g_loads.push_back(&load_);
  }
  ~TLoadRegistration() {
    std::lock_guard<std::mutex> l(g_loads_lock);
    g_loads.erase(std::find(g_loads.begin(), g_loads.end(), &load_));
  }
  TLoadRegistration(const TLoadRegistration&) = delete;
  TLoadRegistration& operator=(const TLoadRegistration&) = delete;
  bool Cancelled() {
    std::lock_guard<std::mutex> l(g_loads_lock);
    return load_.cancelled;
  }

 private:
  TLoadInProgress load_;
};

// The file's text, or false for a file that cannot be read or is not text.
bool ReadListText(UStringView file_name, UString& text) {
  TTextBytesKind kind;
  if (!ReadTextFile(file_name, text, kLemmatiserMaxFileBytes, 1252, false, &kind)) return false;
  if (IsUtf16Kind(kind) && FileSizeU(file_name) % 2 != 0) return false;  // cut inside a character
  // A NUL means a binary file, or UTF-16 without its mark.
  return text.find(u'\0') == UString::npos;
}

UString WithoutComment(UStringView line) {
  const size_t semi = line.find(u';');
  return TrimU(semi == UStringView::npos ? line : line.substr(0, semi));
}

bool Usable(const UString& item) { return !item.empty() && item.size() <= kLemmatiserMaxItem; }

// False for a line in neither lemma form ("head -> forms", "head<TAB>forms").
bool AddLemmaLine(TLoadedList& list, const UString& line) {
  UString head, rest;
  const size_t arrow = line.find(u"->");
  if (arrow != UString::npos) {
    head = TrimU(UStringView(line).substr(0, arrow));
    rest = line.substr(arrow + 2);
  } else {
    const size_t tab = line.find(u'\t');
    if (tab == UString::npos) return false;
    head = TrimU(UStringView(line).substr(0, tab));
    rest = line.substr(tab + 1);
  }
  if (!Usable(head)) return true;
  std::vector<UString> forms;
  size_t begin = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == u',' || rest[i] == u'\t') {
      UString f = TrimU(UStringView(rest).substr(begin, i - begin));
      if (Usable(f)) forms.push_back(std::move(f));
      begin = i + 1;
    }
  }
  if (forms.empty()) return true;
  const UString fh = Folded(head);
  size_t g;
  auto it = list.heads.find(fh);
  if (it != list.heads.end()) {
    g = it->second;
  } else {
    g = list.groups.size();
    list.groups.push_back({head});
    list.heads.emplace(fh, g);
    list.lookup.emplace(fh, g);  // a word already seen as a form keeps its first lemma
  }
  for (UString& f : forms) {
    const UString ff = Folded(f);
    if (ff == fh) continue;
    bool have = false;
    for (size_t k = 1; k < list.groups[g].size() && !have; ++k) have = Folded(list.groups[g][k]) == ff;
    if (have) continue;
    list.groups[g].push_back(f);
    list.pairs.emplace_back(f, head);
    list.lookup.emplace(ff, g);  // a form already seen keeps its first lemma
  }
  return true;
}

template <typename Proc>
bool TraverseWords(uint8_t tool, int kind, Proc proc, void* context) {
  TListPtr list = Find(tool, kind);
  if (!list || !proc) return false;
  const int32_t total = static_cast<int32_t>(list->words.size());
  for (int32_t i = 0; i < total; ++i)
    proc(context, list->words[i], list->case_sensitive, total, i, list->whole_word, true);
  return true;
}

}  // namespace

bool LoadedOne(uint8_t tool, int kind, UStringView file_name, const TLemmatiserLoadOptions& options, UString* why) {
  if (kind < lmsLemma || kind > lmsStop) return false;
  try {
    UString text;
    if (!ReadListText(file_name, text)) return false;
    const std::vector<UStringView> lines = SplitLinesU(text);
    TLoadRegistration load(tool, kind);
    if (options.set_n_lines) options.set_n_lines(static_cast<int32_t>(lines.size()));
    if (load.Cancelled()) return false;
    auto list = std::make_shared<TLoadedList>();
    list->kind = kind;
    list->case_sensitive = options.case_sensitive;
    list->whole_word = options.whole_word;
    UString first;  // the first line that holds anything
    bool lemma_lines = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (options.show_progress && (i & 1023) == 0) {
        options.show_progress(static_cast<int32_t>(i));
        if (load.Cancelled()) return false;
      }
      const UString item = WithoutComment(lines[i]);
      if (item.empty()) continue;
      if (first.empty()) first = item;
      if (kind == lmsLemma) {
        lemma_lines = AddLemmaLine(*list, item) || lemma_lines;
      } else if (Usable(item) && list->lookup.emplace(Folded(item), 0).second) {
        list->words.push_back(item);
      }
    }
    if (options.show_progress) options.show_progress(static_cast<int32_t>(lines.size()));
    if (load.Cancelled()) return false;
    // A stop list or a word list chosen as the lemma list by mistake would join nothing, unsaid.
    if (kind == lmsLemma && !lemma_lines) {
      if (why)
        *why = first.empty() ? UString(u"no lemma in it (it holds no line but comments)")
                             : u"no line of it is a lemma (\"head -> form, form\"); its first line: \"" +
                                   first.substr(0, 80) + u"\"";
      return false;
    }
    Lists()[{tool, kind}] = std::move(list);
    return true;
  } catch (...) {
    return false;
  }
}

void ClearOne(uint8_t tool, int kind) { Lists().erase({tool, kind}); }

void CancelOne(uint8_t tool, int kind) {
  std::lock_guard<std::mutex> l(g_loads_lock);
  for (TLoadInProgress* load : g_loads)
    if (load->tool == tool && load->kind == kind) load->cancelled = true;
}

int FoundInTheList(uint8_t tool, const void* word, int width, int kind) {
  if (!word) return 0;
  TListPtr list = Find(tool, kind);
  if (!list) return 0;
  UString w;
  if (width == 0) {
    const char* p = static_cast<const char*>(word);
    w = DecodeCodePage(reinterpret_cast<const uint8_t*>(p), std::char_traits<char>::length(p), 1252);
  } else {
    for (const char16_t* p = static_cast<const char16_t*>(word); *p; ++p) w.push_back(*p);
  }
  return list->lookup.count(Folded(w)) ? 1 : 0;
}

UString LemmaVariantsOf(uint8_t tool, UStringView word, UStringView separator) {
  TListPtr list = Find(tool, lmsLemma);
  if (!list) return UString();
  const UString fw = Folded(word);
  auto it = list->lookup.find(fw);
  if (it == list->lookup.end()) return UString();
  UString out;
  bool first = true;
  for (const UString& member : list->groups[it->second]) {
    if (Folded(member) == fw) continue;
    if (!first) out += separator;
    out += member;
    first = false;
  }
  return out;
}

bool TraverseLemmasDoing(uint8_t tool, TLemmaPairProc proc, void* context) {
  TListPtr list = Find(tool, lmsLemma);
  if (!list || !proc) return false;
  const int32_t total = static_cast<int32_t>(list->pairs.size());
  for (int32_t i = 0; i < total; ++i)
    proc(context, list->pairs[i].first, list->pairs[i].second, list->case_sensitive, total, i, list->whole_word,
         true);
  return true;
}

bool TraverseMatchesDoing(uint8_t tool, TListWordProc proc, void* context) {
  return TraverseWords(tool, lmsMatch, proc, context);
}

bool TraverseStopsDoing(uint8_t tool, TListWordProc proc, void* context) {
  return TraverseWords(tool, lmsStop, proc, context);
}
