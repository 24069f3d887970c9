#include "shell/settings/small_dialog_rules.h"

#include <algorithm>
#include <limits>

#include "platform/text/text_files.h"

namespace {

// The text as a whole number (optional sign, digits, blanks around); false for anything else.
bool ParseWhole(UStringView text, int64_t& value) {
  const UString t = TrimU(text);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[0] == u'-' || t[0] == u'+') {
    negative = t[0] == u'-';
    i = 1;
  }
  if (i == t.size()) return false;
  int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < u'0' || t[i] > u'9') return false;
    v = v * 10 + (t[i] - u'0');
    if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  value = negative ? -v : v;
  return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

UString NameOfPhraseLine(UStringView line) {
  const size_t eq = line.find(u'=');
  return UString(eq == UStringView::npos ? line : line.substr(0, eq));
}

}  // namespace

int32_t ValueAsInteger(UStringView text) {
  int64_t v = 0;
  return ParseWhole(text, v) ? static_cast<int32_t>(v) : -1;
}

TNumberInput CheckNumberInput(UStringView text, int32_t lowest, int32_t highest) {
  TNumberInput r;
  const UString range = IntToUStr(lowest) + u" to " + IntToUStr(highest);
  if (TrimU(text).empty()) {
    r.message = u"Please type a whole number from " + range + u".";
    return r;
  }
  int64_t v = 0;
  if (!ParseWhole(text, v)) {
    r.message = u"\"" + UString(text) + u"\" is not a whole number: please type one from " + range + u".";
    return r;
  }
  if (v < lowest || v > highest) {
    r.message = IntToUStr(v) + u" is out of range: please type a whole number from " + range + u".";
    return r;
  }
  r.ok = true;
  r.value = static_cast<int32_t>(v);
  return r;
}

int32_t KnownFrequency(TPhraseFrequencies& list, UStringView phrase) {
  for (size_t i = 0; i < list.lines.size(); ++i) {
    if (NameOfPhraseLine(list.lines[i]) != phrase) continue;
    list.selected = static_cast<int>(i);
    const size_t eq = list.lines[i].find(u'=');
    if (eq == UString::npos) return 0;
    const int32_t v = ValueAsInteger(UStringView(list.lines[i]).substr(eq + 1));
    return v < 0 ? 0 : v;
  }
  list.lines.emplace_back(phrase);
  list.selected = static_cast<int>(list.lines.size()) - 1;
  return 0;
}

TNumberInput StoreFrequency(TPhraseFrequencies& list, UStringView phrase, UStringView value_text) {
  TNumberInput r = CheckNumberInput(value_text, 0, 1000000);
  if (!r.ok) return r;
  if (list.selected < 0 || list.selected >= static_cast<int>(list.lines.size())) {
    r.ok = false;
    r.message = u"No phrase is selected in the list.";
    return r;
  }
  list.lines[static_cast<size_t>(list.selected)] = UString(phrase) + u"=" + IntToUStr(r.value);
  return r;
}

int RelationColumnListIndex(int header_column, int header_count) {
  const int entries = header_count - kFirstRelationHeader;
  if (entries <= 0) return -1;
  return std::clamp(header_column - kFirstRelationHeader, 0, entries - 1);
}

int RelationHeaderOfListIndex(int list_index) { return list_index < 0 ? -1 : list_index + kFirstRelationHeader; }

std::array<bool, 4> ClipboardChecksOf(const TClipboardSettingsRec& rec) {
  std::array<bool, 4> c{};
  c[kClipPicture] = rec.Picture();
  c[kClipEditableText] = rec.EditableText();
  c[kClipNumberColumn] = rec.NumberColumn();
  c[kClipHeadingRow] = rec.HeadingRow();
  return c;
}

void PutClipboardChecks(TClipboardSettingsRec& rec, const std::array<bool, 4>& checks) {
  rec.SetPicture(checks[kClipPicture]);
  rec.SetEditableText(checks[kClipEditableText]);
  rec.SetNumberColumn(checks[kClipNumberColumn]);
  rec.SetHeadingRow(checks[kClipHeadingRow]);
}

std::vector<UString> SplitAtTabs(UStringView text) {
  std::vector<UString> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t tab = text.find(u'\t', start);
    if (tab == UStringView::npos) tab = text.size();
    if (tab > start) out.emplace_back(text.substr(start, tab - start));
    start = tab + 1;
  }
  return out;
}

int LanguageAlternativeIndex(const std::vector<UString>& alternatives, UStringView current) {
  for (size_t i = 0; i < alternatives.size(); ++i)
    if (alternatives[i] == current) return static_cast<int>(i);
  return -1;
}

UString FilenameSearchLabel(bool choice_enabled, int item) {
  if (!choice_enabled) return u"path and filename";
  return item == 1 ? u"filename" : u"path to the file";
}

std::vector<UString> ReadSetValueHistory(UStringView file_name) {
  std::vector<UString> values;
  UString text;
  // A history is a few short lines: anything much bigger is not one.
  if (!ReadTextFile(file_name, text, 64 * 1024)) return values;
  for (UStringView line : SplitLinesU(text)) {
    if (values.size() >= kSetHistoryMost) break;
    if (line.empty() || line.find(u'\0') != UStringView::npos) continue;
    if (std::find(values.begin(), values.end(), line) == values.end()) values.emplace_back(line);
  }
  return values;
}

bool KeepSetValueInHistory(UStringView file_name, UStringView value) {
  if (value.empty() || value.find_first_of(u"\r\n") != UStringView::npos) return true;
  std::vector<UString> values = ReadSetValueHistory(file_name);
  std::erase(values, UString(value));
  values.insert(values.begin(), UString(value));
  if (values.size() > kSetHistoryMost) values.resize(kSetHistoryMost);
  UString text;
  for (const UString& v : values) text += v + u"\n";
  return SaveTextFileUtf16(file_name, text);
}

UString LemmaFormCell(const std::vector<TLemmaForm>& forms, int column, int row) {
  if (row < 1 || row > static_cast<int>(forms.size()) || column < 0) return {};
  const TLemmaForm& f = forms[static_cast<size_t>(row - 1)];
  return column == 0 ? f.form : IntToUStr(f.frequency);
}

void SortLemmaForms(std::vector<TLemmaForm>& forms, int column, bool descending) {
  auto less = [column](const TLemmaForm& a, const TLemmaForm& b) {
    if (column != 0 && a.frequency != b.frequency) return a.frequency < b.frequency;
    return a.form < b.form;
  };
  if (descending)
    std::stable_sort(forms.begin(), forms.end(), [&](const TLemmaForm& a, const TLemmaForm& b) { return less(b, a); });
  else
    std::stable_sort(forms.begin(), forms.end(), less);
}
