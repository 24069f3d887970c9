#include "platform/runtime/vx_dialogs.h"

#include <iterator>

#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"

namespace {

using K = TVXDialogKind;

struct TDialogRow {
  TVXDialog id;
  const char* name;
  TVXDialogKind kind;
  uint8_t buttons;
  int safe;
  const char16_t* caption;
  const char16_t* text;  // "%s" placeholders take the arguments in order
};

constexpr TDialogRow kDialogs[] = {
    {TVXDialog::OKToDoX, "OKToDoX", K::Question, kBtnYesNo, mrNo, u"Please confirm", u"%s"},
    {TVXDialog::DoYouWantToDoX, "DoYouWantToDoX", K::Question, kBtnYesNo, mrNo, u"Question", u"%s"},
    {TVXDialog::AreYouSureYouWantTo, "AreYouSureYouWantTo", K::Question, kBtnYesNo, mrNo, u"Are you sure?", u"%s"},
    {TVXDialog::ConfirmOK, "ConfirmOK", K::Question, kBtnYesNo, mrNo, u"Please confirm", u"%s"},
    {TVXDialog::OKtoDelete, "OKtoDelete", K::Question, kBtnYesNo, mrNo, u"Delete", u"Delete %s?"},
    {TVXDialog::OKToOverwrite, "OKToOverwrite", K::Question, kBtnYesNo, mrNo, u"File exists",
     u"%s already exists. Overwrite it?"},
    {TVXDialog::OKToOverwriteWithBackup, "OKToOverwriteWithBackup", K::Question, kBtnYesNo, mrNo, u"File exists",
     u"%s already exists. Replace it, keeping the old file as a .bak backup?"},
    {TVXDialog::OKtoReplaceWithNewVersion, "OKtoReplaceWithNewVersion", K::Question, kBtnYesNo, mrNo,
     u"File exists", u"%s already exists. Replace it with a new version?"},
    {TVXDialog::OKtoSaveAgainAs, "OKtoSaveAgainAs", K::Question, kBtnYesNo, mrNo, u"Save",
     u"Save %s again with the changes?"},
    {TVXDialog::OKtoSaveXInUnicode, "OKtoSaveXInUnicode", K::Question, kBtnYesNoAll, mrNo, u"Unicode",
     u"%s is not in Unicode. Convert it to Unicode and save it?"},
    {TVXDialog::OKToZapNow, "OKToZapNow", K::Question, kBtnYesNo, mrNo, u"Zap",
     u"Remove the entries marked as deleted now?"},
    {TVXDialog::OKToZapRemainderNow, "OKToZapRemainderNow", K::Question, kBtnYesNo, mrNo, u"Zap",
     u"Remove the remaining entries marked as deleted now?"},
    {TVXDialog::ReduceDataOK, "ReduceDataOK", K::Question, kBtnYesNo, mrNo, u"Reduce data",
     u"Keep only the first %s entries and remove the rest?"},
    {TVXDialog::NoLemmaList, "NoLemmaList", K::Question, kBtnYesNo, mrNo, u"Lemma list",
     u"No lemma list is loaded. Set one up now?"},
    {TVXDialog::NoMatchList, "NoMatchList", K::Question, kBtnYesNo, mrNo, u"Match list",
     u"No match list is loaded. Set one up now?"},
    {TVXDialog::EscapePressedWantToQuit, "EscapePressedWantToQuit", K::Question, kBtnYesNo, mrNo, u"Stop",
     u"Stop the current job?"},
    {TVXDialog::FinishThisProcessFirst, "FinishThisProcessFirst", K::Question, kBtnYesNo, mrYes, u"Stop",
     u"Finish the current text first?"},
    {TVXDialog::StartNewToolInstance, "StartNewToolInstance", K::Question, kBtnYesNoCancel, mrCancel, u"Open",
     u"Open it in a new window? (No replaces the data shown here.)"},
    {TVXDialog::DoYouWantToSave, "DoYouWantToSave", K::Question, kBtnYesNoCancel, mrCancel, u"Save",
     u"Save %s before closing?"},
    {TVXDialog::DoYouWantToOpenBatchFileToSeeIndividualLists, "DoYouWantToOpenBatchFileToSeeIndividualLists",
     K::Question, kBtnYesNo, mrNo, u"Batch", u"%s holds a batch of results. Open it to see each list?"},
    {TVXDialog::OpenFileInBrowserOrNotepad, "OpenFileInBrowserOrNotepad", K::Question, kBtnYesNo, mrNo, u"Open",
     u"Show %s in the web browser? (No opens it in the text editor.)"},
    {TVXDialog::SavedOKOpenNow, "SavedOKOpenNow", K::Question, kBtnYesNo, mrNo, u"Saved",
     u"%s saved OK. Open it now?"},
    {TVXDialog::ClearTheSearch, "ClearTheSearch", K::Question, kBtnYesNo, mrNo, u"Search",
     u"Clear the highlighting of the previous search?"},
    {TVXDialog::CancelAsSomeSourceTextsNotFound, "CancelAsSomeSourceTextsNotFound", K::Warning, kBtnOKCancel,
     mrCancel, u"Texts missing", u"Of %s source texts only %s can be found. Go on with those?"},
    {TVXDialog::CantFindOneOfTheFiles, "CantFindOneOfTheFiles", K::Warning, kBtnOKCancel, mrOK, u"File not found",
     u"Cannot find %s (warning %s of at most %s)."},
    {TVXDialog::SearchFailedToFindAnyMoreX, "SearchFailedToFindAnyMoreX", K::Information, kBtnOKCancel, mrCancel,
     u"Search", u"No more %s found. Search again from the start?"},
    {TVXDialog::WarnAboutAndASKOK, "WarnAboutAndASKOK", K::Warning, kBtnOKCancel, mrOK, u"Warning", u"%s"},
    {TVXDialog::InsertBrackets, "InsertBrackets", K::Question, kBtnYesNo, mrNo, u"Formula",
     u"Use the formula with brackets added: %s ?"},
    {TVXDialog::ChangeTagOpenMarks, "ChangeTagOpenMarks", K::Question, kBtnYesNo, mrYes, u"Tag marks",
     u"\"%s\" holds characters that mark tags. Keep it as typed? (No puts a space on each side of them.)"},
    {TVXDialog::TreatTagsAsPrefixInQ, "TreatTagsAsPrefixInQ", K::Question, kBtnYesNo, mrNo, u"Tags",
     u"Treat the tags as prefixes of the words?"},
    {TVXDialog::AssumeTextFileXIsInUnicodeQ, "AssumeTextFileXIsInUnicodeQ", K::Question, kBtnYesNo, mrNo,
     u"Unicode", u"Is %s a Unicode text?"},
    {TVXDialog::FileNamesMismatchCorrectQ, "FileNamesMismatchCorrectQ", K::Question, kBtnYesNo, mrNo, u"File names",
     u"The file names in %s do not match its lines. Correct them now?"},
    {TVXDialog::ReportedAFact, "ReportedAFact", K::Information, kBtnOK, mrOK, u"Information", u"%s"},
    {TVXDialog::InformationMessage, "InformationMessage", K::Information, kBtnOK, mrOK, u"Information", u"%s"},
    {TVXDialog::SavedOK, "SavedOK", K::Information, kBtnOK, mrOK, u"Saved", u"%s saved OK."},
    {TVXDialog::FailedToSave, "FailedToSave", K::Error, kBtnOK, mrOK, u"Not saved", u"Could not save %s."},
    {TVXDialog::FailedToRead, "FailedToRead", K::Error, kBtnOK, mrOK, u"Not read", u"Could not read %s."},
    {TVXDialog::FailedToFind, "FailedToFind", K::Warning, kBtnOK, mrOK, u"Not found", u"Cannot find %s."},
    {TVXDialog::FailedToFindX, "FailedToFindX", K::Warning, kBtnOK, mrOK, u"Not found", u"%s not found."},
    {TVXDialog::CantSortOnContextWord, "CantSortOnContextWord", K::Warning, kBtnOK, mrOK, u"Sort",
     u"There are no context words to sort on. Choose context words first."},
    {TVXDialog::WrongToolForFile, "WrongToolForFile", K::Warning, kBtnOK, mrOK, u"Wrong tool",
     u"%s belongs to %s."},
    {TVXDialog::IsntTessorFile, "IsntTessorFile", K::Warning, kBtnOK, mrOK, u"Cannot open",
     u"%s is not a file this tool can open."},
    {TVXDialog::IsntACurrentTessorFile, "IsntACurrentTessorFile", K::Warning, kBtnOK, mrOK, u"Cannot open",
     u"%s was saved in an older format that cannot be opened."},
    {TVXDialog::NoConcordanceEntriesFound, "NoConcordanceEntriesFound", K::Information, kBtnOK, mrOK,
     u"Concordance", u"No concordance entries were found."},
    {TVXDialog::NoLinzoraClustersOfSize, "NoLinzoraClustersOfSize", K::Information, kBtnOK, mrOK, u"Clusters",
     u"No clusters were found in %s (from %s words, minimum frequency %s, up to %s words)."},
    {TVXDialog::UndefinedTimeLineBasis, "UndefinedTimeLineBasis", K::Information, kBtnOK, mrOK, u"Time-line",
     u"A time-line needs a basis: choose day, week, month, quarter, year, decade or century, not \"undefined\"."},
    {TVXDialog::CancellingAsNoneOfTheSourceTextsFound, "CancellingAsNoneOfTheSourceTextsFound", K::Warning,
     kBtnOK, mrOK, u"Texts missing", u"None of the %s source texts can be found."},
    {TVXDialog::StoppedWhenProcessingX, "StoppedWhenProcessingX", K::Error, kBtnOK, mrOK, u"Stopped",
     u"Stopped when processing %s"},
    {TVXDialog::N_DuplicatesFound, "N_DuplicatesFound", K::Information, kBtnOK, mrOK, u"Duplicates",
     u"%s duplicates found."},
    {TVXDialog::DataPartlyObscured, "DataPartlyObscured", K::Information, kBtnOK, mrOK, u"Hidden data",
     u"Some of the data are hidden: widen the column to see them all."},
    {TVXDialog::NoColumnSelected, "NoColumnSelected", K::Information, kBtnOK, mrOK, u"Columns",
     u"Please select a column first."},
    {TVXDialog::UnMatchedBracketInX, "UnMatchedBracketInX", K::Warning, kBtnOK, mrOK, u"Formula",
     u"The brackets do not match in %s"},
    {TVXDialog::CollocateAssociationNotComputed, "CollocateAssociationNotComputed", K::Information, kBtnOK, mrOK,
     u"Collocates", u"The association values have not been computed yet."},
    {TVXDialog::PleaseLoadTags, "PleaseLoadTags", K::Information, kBtnOK, mrOK, u"Tags",
     u"Please load a tag file first."},
    {TVXDialog::ProvideAFilenameOrCancel, "ProvideAFilenameOrCancel", K::Information, kBtnOK, mrOK, u"File name",
     u"Please give a file name, or cancel."},
    {TVXDialog::SearchFailedToFindTryAsterisk, "SearchFailedToFindTryAsterisk", K::Information, kBtnOK, mrOK,
     u"Search", u"%s was not found. Try adding an asterisk (*)."},
    {TVXDialog::PleaseMakeAChoiceForXAction, "PleaseMakeAChoiceForXAction", K::Information, kBtnOK, mrOK,
     u"Choose", u"Please choose what to %s."},
    {TVXDialog::ProblemReport, "ProblemReport", K::Error, kBtnOK, mrOK, u"Problem", u"%s"},
    {TVXDialog::CantPlayMedia, "CantPlayMedia", K::Error, kBtnOK, mrOK, u"Media", u"%s"},
    {TVXDialog::VideoLANPlayerVersionError, "VideoLANPlayerVersionError", K::Warning, kBtnOK, mrOK, u"Media",
     u"The VLC media player must be version %s or later."},
    {TVXDialog::NotApplicableExplanation, "NotApplicableExplanation", K::Information, kBtnOK, mrOK,
     u"Information", u"Some columns do not apply to this data and are left empty."},
    {TVXDialog::NTextFilesConverted, "NTextFilesConverted", K::Information, kBtnOK, mrOK, u"Unicode",
     u"%s text files were converted to Unicode."},
    {TVXDialog::MenuShortcutAlreadyInUse, "MenuShortcutAlreadyInUse", K::Warning, kBtnOK, mrOK, u"Shortcut",
     u"The shortcut %s is already in use."},
    {TVXDialog::CantMergeWithSameFile, "CantMergeWithSameFile", K::Warning, kBtnOK, mrOK, u"Merge",
     u"%s is the file already loaded: it cannot be merged with itself."},
    {TVXDialog::CannotWriteToXFolder, "CannotWriteToXFolder", K::Error, kBtnOK, mrOK, u"Not saved",
     u"Cannot write to the folder %s."},
    {TVXDialog::NoPrinterInstalled, "NoPrinterInstalled", K::Warning, kBtnOK, mrOK, u"Printing",
     u"No printer is installed."},
    {TVXDialog::NotImplemented, "NotImplemented", K::Information, kBtnOK, mrOK, u"Information",
     u"This is not available yet."},
    {TVXDialog::UseLayoutToMoveAnyColumns, "UseLayoutToMoveAnyColumns", K::Information, kBtnOK, mrOK,
     u"Columns", u"Please use the column layout to move columns."},
    {TVXDialog::ComputeColumnTotalsQ, "ComputeColumnTotalsQ", K::Question, kBtnYesNo, mrNo, u"Column totals",
     u"Compute the column totals?"},
    {TVXDialog::SourceTextFileNotFound, "SourceTextFileNotFound", K::Warning, kBtnOK, mrOK, u"Source text",
     u"The source text %s cannot be found, so it cannot be shown."},
    {TVXDialog::NModificationsMade, "NModificationsMade", K::Information, kBtnOK, mrOK, u"Modify source texts",
     u"%s modifications made."},
    {TVXDialog::NoCollocates, "NoCollocates", K::Information, kBtnOK, mrOK, u"Collocates",
     u"There are no collocates: compute the collocates first."},
    {TVXDialog::MediaStartOfFilenameUndefined, "MediaStartOfFilenameUndefined", K::Information, kBtnOK, mrOK,
     u"Media", u"The start of the media file names is not defined: set it in the media settings first."},
    {TVXDialog::MediaLookupTableNotFound, "MediaLookupTableNotFound", K::Information, kBtnOK, mrOK, u"Media",
     u"The media look-up table cannot be found, so the line's media file is not known."},
    {TVXDialog::MessageBox, "MessageBox", K::Information, kBtnOK, mrOK, u"", u"%s"},
};
static_assert(std::size(kDialogs) == static_cast<size_t>(TVXDialog::Count), "one row per dialog");

constexpr bool RowsInOrder() {
  for (size_t i = 0; i < std::size(kDialogs); ++i)
    if (static_cast<size_t>(kDialogs[i].id) != i) return false;
  return true;
}
static_assert(RowsInOrder(), "rows in dialog-id order");

TVXDialogService* g_service = nullptr;

const char16_t* ButtonWord(int answer) {
  switch (answer) {
    case mrOK: return u"OK";
    case mrCancel: return u"Cancel";
    case mrYes: return u"Yes";
    case mrNo: return u"No";
    case mrNoToAll: return u"No to all";
    case mrYesToAll: return u"Yes to all";
    default: return u"none";
  }
}

int SafeAnswerOf(uint8_t buttons) {
  if (buttons & kBtnCancel) return mrCancel;
  if (buttons & kBtnNo) return mrNo;
  if (buttons & kBtnOK) return mrOK;
  if (buttons & kBtnNoToAll) return mrNoToAll;
  return mrOK;
}

}  // namespace

int THeadlessDialogService::Ask(const TVXQuestion& question) {
  asked_.push_back(question);
  int answer = question.default_answer;
  bool scripted = false;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
    scripted = true;
  }
  AddToLogFile(UString(u"dialog ") + Utf8ToUtf16(DialogName(question.id)) + u" [" + question.caption + u"] " +
               question.text + u" -> " + ButtonWord(answer) + (scripted ? u"" : u" (default)"));
  return answer;
}

THeadlessDialogService& HeadlessDialogs() {
  static THeadlessDialogService service;
  return service;
}

TVXDialogService& DialogService() { return g_service ? *g_service : HeadlessDialogs(); }

void SetDialogService(TVXDialogService* service) { g_service = service; }

const char* DialogName(TVXDialog id) {
  const auto i = static_cast<size_t>(id);
  return i < std::size(kDialogs) ? kDialogs[i].name : "";
}

TVXQuestion MakeQuestion(TVXDialog id, std::initializer_list<UStringView> args, int help_context) {
  TVXQuestion q;
  const auto i = static_cast<size_t>(id);
  if (i >= std::size(kDialogs)) return q;
  const TDialogRow& row = kDialogs[i];
  q.id = id;
  q.kind = row.kind;
  q.caption = row.caption;
  q.text = CountFormat(row.text, args);
  q.buttons = row.buttons;
  q.default_answer = row.safe;
  q.help_context = help_context;
  return q;
}

int VXDialog(TVXDialog id, std::initializer_list<UStringView> args, int help_context) {
  return DialogService().Ask(MakeQuestion(id, args, help_context));
}

int VXDialogCaptioned(TVXDialog id, UStringView caption, std::initializer_list<UStringView> args,
                      int help_context) {
  TVXQuestion q = MakeQuestion(id, args, help_context);
  if (!caption.empty()) q.caption = UString(caption);
  return DialogService().Ask(q);
}

int VXMessageBox(UStringView caption, UStringView text, uint8_t buttons, TVXDialogKind kind) {
  TVXQuestion q;
  q.id = TVXDialog::MessageBox;
  q.kind = kind;
  q.caption = UString(caption);
  q.text = UString(text);
  q.buttons = buttons != 0 ? buttons : static_cast<uint8_t>(kBtnOK);
  q.default_answer = SafeAnswerOf(q.buttons);
  return DialogService().Ask(q);
}
