// The notes list and the notes a tool document writes about its result.
#include "model/documents/document_notes.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/documents/work_derived.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"

namespace {

const UString kTab = u"\t";

// The user's name, as the notes show who made a result.
UString CurrentUserName() {
  if (const char* u = std::getenv("USER"); u && *u) return Utf8ToUtf16(u);
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return Utf8ToUtf16(pw->pw_name);
  return UString();
}

UString BoolText(bool v) { return v ? u"True" : u"False"; }

UString TwoDigits(int64_t v) {
  UString s = IntToUStr(v);
  if (s.size() < 2) s.insert(s.begin(), u'0');
  return s;
}

// Carriage returns, line feeds and tabs of a marker shown as "\r", "\n" and "\t".
UString EncodedCRLFTABToReadableStr(UStringView s) {
  UString out;
  for (char16_t c : s) {
    if (c == u'\r') out += u"\\r";
    else if (c == u'\n') out += u"\\n";
    else if (c == u'\t') out += u"\\t";
    else out += c;
  }
  return out;
}

// A loaded lemma (0), match (1), stop (2) or fourth (3) list and its file.
UString LemmaMatchStopFileTypeStr(int kind, UStringView file_name) {
  static constexpr TVXRes kNames[4] = {TVXRes::VXLemmas, TVXRes::VXMatchListItems, TVXRes::VXStopList,
                                       TVXRes::VXStopListWords};
  return VXRes(kNames[kind]) + u": " + UString(file_name);
}

// The opening and closing characters of mark-up to ignore, pair by pair.
UString TagsToIgnoreText(const TTextsett_rec32& ts) {
  UString out;
  for (int i = 0; i < 6; ++i) {
    const char16_t open = ts.SpecialCharacter(0, i);
    const char16_t close = ts.SpecialCharacter(1, i);
    if (!open && !close) break;
    if (!out.empty()) out += u' ';
    if (open) out += open;
    if (close) out += close;
  }
  return out;
}

// The version text of the program, at most 51 characters.
UString VersionText() {
  UString v = GetVersionInfo();
  if (v.size() > 51) v.resize(51);
  return v;
}

// Slots 1..28 followed by "," each; a final "," becomes a space.
template <typename GetText>
void AppendSlots(UString& text, GetText get_text) {
  for (int slot = 1; slot <= kTextSelectSlots; ++slot) text += get_text(slot) + u",";
  if (!text.empty() && text.back() == u',') text.back() = u' ';
}

}  // namespace

// --- the notes list --------------------------------------------------------------------------------

void TMyStreamableStringlist::AddStrings(const TMyStreamableStringlist& other) {
  const std::vector<UString> copy = other.lines_;  // other may be this list
  lines_.insert(lines_.end(), copy.begin(), copy.end());
}

UString TMyStreamableStringlist::Text() const {
  UString out;
  for (const UString& line : lines_) out += line + u"\n";
  return out;
}

void TMyStreamableStringlist::SetText(UStringView text) {
  lines_.clear();
  for (UStringView line : SplitLinesU(text)) lines_.emplace_back(line);
}

bool TMyStreamableStringlist::SaveToStream(TStream& s) const {
  if (lines_.size() > static_cast<size_t>(INT32_MAX)) return false;
  if (!WriteI32(s, static_cast<int32_t>(lines_.size()))) return false;
  for (const UString& line : lines_)
    if (!WriteAString(s, line)) return false;
  return true;
}

bool TMyStreamableStringlist::ReadFromStream(TStream& s) {
  try {
    int32_t n = 0;
    if (!ReadCount(s, n, 4)) return false;  // each line takes at least its count
    std::vector<UString> lines(static_cast<size_t>(n));
    for (UString& line : lines)
      if (!ReadAString(s, line)) return false;
    lines_ = std::move(lines);
    return true;
  } catch (...) {
    return false;
  }
}

UString TimingNoteText(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const auto total_ms = static_cast<int64_t>(std::llround(std::min(seconds, 1e15) * 1000.0));
  const int64_t h = total_ms / 3600000;  // every whole hour, days included
  const int64_t m = (total_ms / 60000) % 60;
  const int64_t s = (total_ms / 1000) % 60;
  const int64_t ms = total_ms % 1000;
  if (h == 0 && m == 0 && s == 0) {
    if (ms <= 200) return UString();
    return VXResFmt(TVXRes::VXTookNMs, {IntToUStr(ms)});
  }
  if (h != 0 || m != 0) return VXResFmt(TVXRes::VXTookX, {TwoDigits(h * 60 + m) + u":" + TwoDigits(s)});
  return VXResFmt(TVXRes::VXTookNSeconds, {IntToUStr(s)});
}

// --- the document's notes --------------------------------------------------------------------------

// The title and the flag that callers pass add nothing: the notes begin with the list type
// whatever they say.
void TTessorineholder::StartStandardNotes(int32_t n, uint8_t /*flag*/, UStringView /*title*/, UStringView extra) {
  fNotes.Clear();
  fNotes.Add(list_type_as_string(ListKind));
  if (Global_batch_mode) fNotes.Add(u"# " + IntToUStr(n));
  if (!extra.empty()) fNotes.Add(extra);
  fNotes.Add(UFormat(u"%s, %s, version %s", {CurrentUserName(), DateTimeToUStr(Now()), VersionText()}));
  if (FilesHandledDifferently) fNotes.Add(kTab + VXRes(TVXRes::VXMixedTextFormats));
  if (ToolParsesSourceText()) {
    const TAllFileHandledInfo& info = AllFileHandledInfo;
    if (info.Html()) fNotes.Add(kTab + VXRes(TVXRes::VXHTML));
    if (info.Zipped()) fNotes.Add(kTab + VXRes(TVXRes::VXZippedText));
    if (info.Unicode()) fNotes.Add(kTab + VXRes(TVXRes::VXUnicode));
    if (info.Utf8()) fNotes.Add(kTab + VXRes(TVXRes::VXUTF8));
    if (info.ConvertedToUnicode())
      fNotes.Add(kTab + VXResFmt(TVXRes::VXConvertedTo, {VXRes(TVXRes::VXUnicode)}));
  }
  const UString header = GetEndOfTextHeader();
  if (!header.empty())
    fNotes.Add(kTab + VXRes(TVXRes::VXDocumentHeader) + UFormat(u" =%s", {header}) + u" (" +
               VXResFmt(TVXRes::VXCutInNTexts, {IntToUStr(GetTimesEndOfTextHeaderCut())}) + u")");

  fNotes.Add(kTab + VXResFmt(TVXRes::VXXEqualsAndSpan,
                             {TagsToIgnoreText(GetTextSettings()), IntToUStr(GetIgnoreTagsSpan())}));
  if (GetTagsTranslateWanted() > 0)
    fNotes.Add(kTab + VXResFmt(TVXRes::VXTagsToTranslateHandled, {IntToUStr(GetTagsTranslateWanted())}));
  if (GetTagsWanted() > 0) fNotes.Add(kTab + VXResFmt(TVXRes::VXTagsToKeepHandled, {IntToUStr(GetTagsWanted())}));
  if (GetTagsExcludeWanted() > 0)
    fNotes.Add(kTab + VXResFmt(TVXRes::VXTagsToExcludeHandled, {IntToUStr(GetTagsExcludeWanted())}));

  if (GetTextSelectingWithin()) {
    fNotes.Add(kTab + VXRes(TVXRes::VXSelectingWithin));
    // Contexts pair up: an odd slot starts a stretch, the next slot ends it; the starting
    // slot's type says whether the stretch is kept (1) or cut (2).
    UString keeping, cutting;
    int kept = 0, cut = 0;
    for (int slot = 1; slot < kTextSelectSlots; slot += 2) {
      const UString start = GetTextSelectWithinContext(slot).Text();
      const uint8_t type = SelectWithinTypeFromNumber(slot);
      if (start.empty() || (type != 1 && type != 2)) continue;
      UString& into = type == 2 ? cutting : keeping;
      if (!into.empty()) into += u"; ";
      into += start + u" ... " + GetTextSelectWithinContext(slot + 1).Text();
      ++(type == 2 ? cut : kept);
    }
    fNotes.Add(kTab + kTab + VXResFmt(TVXRes::VXKeepingX, {keeping}));
    fNotes.Add(kTab + kTab + VXResFmt(TVXRes::VXCuttingX, {cutting}));
    fNotes.Add(kTab + kTab + VXResFmt(TVXRes::VXNCut, {IntToUStr(cut)}));
    fNotes.Add(kTab + kTab + VXResFmt(TVXRes::VXNKept, {IntToUStr(kept)}));
  }
  if (GetTextSelectAtAll()) fNotes.Add(kTab + VXRes(TVXRes::VXSelectingBetween));

  for (int k = 0; k < 4; ++k)
    if (Global_stopLemmaMatchLoaded[k])
      fNotes.Add(kTab + LemmaMatchStopFileTypeStr(k, GetLemmaMatchStopFilename(current_tool_var, static_cast<uint8_t>(k))));

  AddTextSettingsNotes();
}

void TTessorineholder::AddTextSettingsNotes() {
  fNotes.Add(VXResFmt(TVXRes::VXCurrentXSettings, {VXRes(TVXRes::VXLanguage)}));
  fNotes.Add(kTab + VXResFmt(TVXRes::VXLanguageUsed, {ftextsettings.LanguageName()}));
  fNotes.Add(kTab + VXResFmt(TVXRes::VXFontIsAndSizeIs, {ftextsettings.FontName(), IntToUStr(ftextsettings.FontSize())}));
  if (ToolParsesSourceText()) {
    const Tfixed_lang_details32 lang = ftextsettings.Language();
    const UString symbols = lang.ExtraSymbols();
    if (!symbols.empty()) {
      TVXRes where = TVXRes::VXMiddle;
      if (lang.SymbolsAtWordStart() && lang.SymbolsAtWordEnd()) where = TVXRes::VXAnywhere;
      else if (lang.SymbolsAtWordStart()) where = TVXRes::VXStart;
      else if (lang.SymbolsAtWordEnd()) where = TVXRes::VXEnd;
      fNotes.Add(kTab + VXResFmt(TVXRes::VXSymbolsTreatedAsCharacters, {symbols}) +
                 VXResFmt(TVXRes::VXAllowedAtPosXOfWord, {VXRes(where)}));
    }
    if (current_tool_var != 3)
      fNotes.Add(kTab + VXResFmt(TVXRes::VXXIncludedTF,
                                 {VXRes(TVXRes::VXNumbers), BoolText(ftextsettings.NumbersIncluded())}));
    fNotes.Add(kTab + VXResFmt(TVXRes::VXHyphensSeparateWords, {BoolText(lang.HyphenBreaksWord())}));
    static constexpr TVXRes kMarkerMessages[8] = {
        TVXRes::VXSentenceStartMarkedBy,  TVXRes::VXSentenceEndMarkedBy, TVXRes::VXParagraphStartMarkedBy,
        TVXRes::VXParagraphEndMarkedBy,   TVXRes::VXHeadingStartMarkedBy, TVXRes::VXHeadingEndMarkedBy,
        TVXRes::VXSectionStartMarkedBy,   TVXRes::VXSectionEndMarkedBy};
    // What each end is: a sentence end found from its punctuation, a marker, or nothing.
    static constexpr const char16_t* kMarkerNames[8] = {u"Sentence start", u"Sentence end", u"Paragraph start",
                                                         u"Paragraph end",  u"Heading start", u"Heading end",
                                                         u"Section start",  u"Section end"};
    // The markers as the current settings have them, not the document's copy.
    const TTextsett_rec32 current = GetTextSettings();
    for (int i = 0; i < 8; ++i) {
      const int kind = TTextsett_rec32::kFirstMarker + i;
      if (current.MarkerAuto(kind))
        fNotes.Add(kTab + UString(kMarkerNames[i]) + u" found automatically");
      else if (current.MarkerText(kind).empty())
        fNotes.Add(kTab + UString(kMarkerNames[i]) + u" " + VXRes(TVXRes::VXNotMarked));
      else
        fNotes.Add(kTab + VXResFmt(kMarkerMessages[i], {EncodedCRLFTABToReadableStr(current.MarkerText(kind))}));
    }
  }
  if (NumberOfTextsToProcess > 0)
    fNotes.Add(kTab + VXResFmt(TVXRes::VXNTotalFilesToProcess, {IntToUStr(NumberOfTextsToProcess)}));
}

void TTessorineholder::AddATimingNote(TTessorineList list_kind) {
  if (list_kind >= kProcessTimesCount) return;
  const UString text = TimingNoteText(Global_process_times[list_kind]);
  if (text.empty()) return;
  fNotes.Add(kTab + list_type_as_string(list_kind) + u" (" + text + u")");
}

void TTessorineholder::AddOneDuringMainComputationNote(UStringView text) {
  if (!text.empty()) fNotes.Add(kTab + UString(text));
}

void TTessorineholder::AddOneLaterNote(UStringView a, UStringView b) {
  if (a.empty()) return;
  fNotes.Add(DateTimeToUStr(Now()) + u" " + CurrentUserName());
  if (!b.empty()) fNotes.Add(kTab + UString(b));
  fNotes.Add(kTab + UString(a));
}

void TTessorineholder::AddNoteDetails(std::vector<UString> lines, int indent) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const int tabs = std::max(0, i == 0 ? indent - 1 : indent);
    fNotes.Add(UString(static_cast<size_t>(tabs), u'\t') + lines[i]);
  }
}

bool TTessorineholder::MergeWith(TTessorineholder& other, UStringView caption) {
  PrepareForMergeWith(other);
  fNotes.Add(VXResFmt(TVXRes::VXMergedWith, {caption}) + u" " + DateTimeToUStr(Now()));
  fNotes.AddStrings(other.fNotes);
  return true;
}

UString TTessorineholder::SelectingOrCuttingTextFiles() const {
  UString text = u" ";
  if (GetTextSelectAtAll()) {
    text += VXRes(TVXRes::VXOnlyIf) + u": ";
    AppendSlots(text, [](int slot) { return TSelectTextFile_RecWToString(GetTextSelectAtAllString(slot)); });
  }
  if (GetTextSelectingWithin()) {
    text += VXRes(TVXRes::VXParts) + u": ";
    AppendSlots(text, [](int slot) { return TSelectWithinContextWToString(GetTextSelectWithinContext(slot)); });
  }
  return text;
}
