// The suite's named message dialogs behind one service.
//
// A caller asks by dialog id with the arguments the dialog's text takes (a file name, a count,
// its own question text) and gets the button pressed. The window layer installs a service that
// shows real dialogs; without one, the headless service writes each question to the log and
// answers the dialog's safe default (the answer that changes and loses nothing). Tests script
// the answers.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

#include "platform/rtl/ustring.h"

// Answers (the modal results of the platform's dialogs).
enum : int {
  mrNone = 0,
  mrOK = 1,
  mrCancel = 2,
  mrYes = 6,
  mrNo = 7,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

// Buttons a dialog offers (a set).
enum : uint8_t {
  kBtnOK = 0x01,
  kBtnCancel = 0x02,
  kBtnYes = 0x04,
  kBtnNo = 0x08,
  kBtnYesToAll = 0x10,
  kBtnNoToAll = 0x20,
  kBtnOKCancel = kBtnOK | kBtnCancel,
  kBtnYesNo = kBtnYes | kBtnNo,
  kBtnYesNoCancel = kBtnYes | kBtnNo | kBtnCancel,
  kBtnYesNoAll = kBtnYes | kBtnNo | kBtnYesToAll | kBtnNoToAll,
};

// The icon a dialog shows.
enum class TVXDialogKind : uint8_t { Information, Warning, Error, Question };

enum class TVXDialog : uint16_t {
  // questions
  OKToDoX,                 // (question text)
  DoYouWantToDoX,          // (question text)
  AreYouSureYouWantTo,     // (question text)
  ConfirmOK,               // (question text)
  OKtoDelete,              // (what)
  OKToOverwrite,           // (file)
  OKToOverwriteWithBackup, // (file)
  OKtoReplaceWithNewVersion,  // (file)
  OKtoSaveAgainAs,         // (file)
  OKtoSaveXInUnicode,      // (file); Yes, No, Yes to all, No to all
  OKToZapNow,
  OKToZapRemainderNow,
  ReduceDataOK,            // (count kept)
  NoLemmaList,
  NoMatchList,
  EscapePressedWantToQuit,
  FinishThisProcessFirst,
  StartNewToolInstance,    // Yes, No, Cancel
  DoYouWantToSave,         // (file); Yes, No, Cancel
  DoYouWantToOpenBatchFileToSeeIndividualLists,  // (file)
  OpenFileInBrowserOrNotepad,  // (file)
  SavedOKOpenNow,          // (file)
  ClearTheSearch,
  CancelAsSomeSourceTextsNotFound,  // (texts, texts present); OK, Cancel
  CantFindOneOfTheFiles,   // (file, warning number, warnings at most); OK, Cancel
  SearchFailedToFindAnyMoreX,  // (quoted word); OK, Cancel
  WarnAboutAndASKOK,       // (text); OK, Cancel; the caller gives the caption
  InsertBrackets,          // (formula)
  ChangeTagOpenMarks,      // (text)
  TreatTagsAsPrefixInQ,
  AssumeTextFileXIsInUnicodeQ,  // (file)
  FileNamesMismatchCorrectQ,    // (file)
  // facts, warnings and errors (OK only)
  ReportedAFact,           // (text)
  InformationMessage,      // (text)
  SavedOK,                 // (file)
  FailedToSave,            // (file)
  FailedToRead,            // (file)
  FailedToFind,            // (file)
  FailedToFindX,           // (what)
  CantSortOnContextWord,
  WrongToolForFile,        // (file, tool name)
  IsntTessorFile,          // (file)
  IsntACurrentTessorFile,  // (file)
  NoConcordanceEntriesFound,
  NoLinzoraClustersOfSize,  // (list, smallest size, minimum frequency, largest size)
  UndefinedTimeLineBasis,
  CancellingAsNoneOfTheSourceTextsFound,  // (texts)
  StoppedWhenProcessingX,  // (text)
  N_DuplicatesFound,       // (count)
  DataPartlyObscured,
  NoColumnSelected,
  UnMatchedBracketInX,     // (formula)
  CollocateAssociationNotComputed,
  PleaseLoadTags,
  ProvideAFilenameOrCancel,
  SearchFailedToFindTryAsterisk,  // (quoted word)
  PleaseMakeAChoiceForXAction,    // (action)
  ProblemReport,           // (text)
  CantPlayMedia,           // (text)
  VideoLANPlayerVersionError,  // (version needed)
  NotApplicableExplanation,
  NTextFilesConverted,     // (count)
  MenuShortcutAlreadyInUse,  // (shortcut)
  CantMergeWithSameFile,   // (file)
  CannotWriteToXFolder,    // (folder)
  NoPrinterInstalled,
  NotImplemented,
  UseLayoutToMoveAnyColumns,
  ComputeColumnTotalsQ,    // Yes, No
  SourceTextFileNotFound,  // (file)
  NModificationsMade,      // (count)
  NoCollocates,
  MediaStartOfFilenameUndefined,
  MediaLookupTableNotFound,
  // a plain message box: the caller gives caption, text and buttons
  MessageBox,
  Count
};
inline constexpr int kVXDialogCount = static_cast<int>(TVXDialog::Count);

// One question as shown.
struct TVXQuestion {
  TVXDialog id = TVXDialog::MessageBox;
  TVXDialogKind kind = TVXDialogKind::Information;
  UString caption;
  UString text;
  uint8_t buttons = kBtnOK;
  int default_answer = mrOK;  // the safe answer, also the one Escape gives
  int help_context = 0;
};

class TVXDialogService {
 public:
  virtual ~TVXDialogService() = default;
  // Shows the question and answers with one of its buttons.
  virtual int Ask(const TVXQuestion& question) = 0;
};

// Answers from a script when one is given, else with the safe default; every question is
// recorded (tests read them) and written to the log.
class THeadlessDialogService : public TVXDialogService {
 public:
  int Ask(const TVXQuestion& question) override;
  // Queues answers, taken in order; a scripted answer that is not one of the question's
  // buttons is still given (the test asked for it).
  void Script(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }
  size_t PendingAnswers() const { return answers_.size(); }
  const std::vector<TVXQuestion>& Asked() const { return asked_; }
  void Clear() {
    answers_.clear();
    asked_.clear();
  }

 private:
  std::deque<int> answers_;
  std::vector<TVXQuestion> asked_;
};

// The service in use: the installed one, else a process-wide headless service. Installing
// nullptr goes back to that headless service.
TVXDialogService& DialogService();
void SetDialogService(TVXDialogService* service);
THeadlessDialogService& HeadlessDialogs();

// The dialog's name ("OKToDoX").
const char* DialogName(TVXDialog id);
// Builds the question of a named dialog (its caption, its text with the arguments filled in,
// its buttons and safe default) without asking it.
TVXQuestion MakeQuestion(TVXDialog id, std::initializer_list<UStringView> args, int help_context = 0);

// Asks a named dialog; the answer is one of mrOK ... mrYesToAll.
int VXDialog(TVXDialog id, std::initializer_list<UStringView> args = {}, int help_context = 0);
// The same with the caller's caption (empty keeps the dialog's own).
int VXDialogCaptioned(TVXDialog id, UStringView caption, std::initializer_list<UStringView> args,
                      int help_context = 0);
// A plain message box; its safe default is Cancel, No or OK, the first it offers.
int VXMessageBox(UStringView caption, UStringView text, uint8_t buttons, TVXDialogKind kind);
// True for Yes, Yes to all and OK.
inline bool IsYes(int answer) { return answer == mrYes || answer == mrYesToAll || answer == mrOK; }
