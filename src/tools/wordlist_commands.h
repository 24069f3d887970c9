// The commands of linzora_wordlist, the command-line stand-in of the suite's word-list tool: it
// makes the ".lst" word lists the concordancer reads as its reference corpus, builds corpus
// indexes, hands a word's contexts in an index to the concordancer as the word-list tool's
// request does, and runs the analyses over an index (clusters, relationships, the moving window,
// the export of lengths and positions) and over saved word lists (consistency) into their files;
// "settings" shows and changes the stored settings they use (wordlist_tool_settings.h).
//
// Protocol
//   1. ParseWordlistToolArgs turns the words after the program's name into one command, or
//      answers false with a message (a usage error).
//   2. RunWordlistCommand does the command's work with the store's settings as they stand (the
//      word-list, index, moving-window and consistency settings): results go to files, a summary
//      line to `out`, progress and every problem to `err`.
//   3. RunWordlistTool does both and answers the exit code: 0 done; 1 the input was refused or
//      the work failed (missing folder or file, no texts, a damaged index, a word not in the
//      index, a file that could not be written), nothing half-written left behind; 2 a usage
//      error (unknown command or option, a missing argument), nothing done.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"

class TIndexHandler;
class TSharedChosenFilesClass;
class TTellLinzoraList;
class TVXStatsList;
class TVXBaseLemmaMatchCapableList;

inline constexpr int kWordlistToolDone = 0;
inline constexpr int kWordlistToolFailed = 1;
inline constexpr int kWordlistToolUsage = 2;

struct TWordlistToolArgs {
  std::string command;                // list, index, contexts, clusters, relationships, consistency, moving-window, export, settings
  std::vector<std::string> operands;  // folders, files, the index's name, the word
  std::string output;                 // -o
  int32_t threads = 0;                // --threads (0: every core)
  int32_t window_size = 1000;         // --size, words per moving window
  int32_t runs = 3;                   // --runs, staggered runs of the moving window
  bool help = false;
  std::vector<std::string> view_options;  // show's and set-cell's, each with its value (wordlist_view_commands.h)
  int32_t batch = 0;           // list --batch N: one list per text (1, 2) or per folder (3)
  bool zip = false;            // list --zip: the batch's lists zipped
  std::string lemma_texts;     // list --lemma-texts INDEX: the lemmas' texts counted in the index
  int32_t join_clusters = 0;   // clusters --join shorter|longer: 1 shorter under longer, 2 the other way
  std::string equal_words;     // merge --equal-words merge|apart
  std::string tagged;          // merge --tagged delete|keep
  bool convert_utf8 = false;   // list, index --convert-utf8: the answer to the UTF-8 question
};

std::string WordlistToolUsage();
bool ParseWordlistToolArgs(const std::vector<std::string>& args, TWordlistToolArgs& parsed, std::string& error);
int RunWordlistCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int RunWordlistTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The word-list tool's request for the places of a word (or a phrase) in an opened index: the
// index's texts as the request's file list, the places as the item's jumps. Answers the number
// of places (0 leaves an item without jumps).
int32_t AddIndexContextsRequest(TIndexHandler& index, const TVXStatsList& stats, UStringView word,
                                TTellLinzoraList& request);

// Steps every command's file shares.
namespace wordlist_tool {
// Reports a refusal or a failure on `err` ("linzora_wordlist: what") and answers exit code 1.
int Failed(std::ostream& err, const std::string& what);
// The stop list the settings switch on, loaded for this run: false (with the code of a failure)
// when it is switched on and cannot be read; `loaded` says whether one applies.
bool StopListReady(std::ostream& err, bool& loaded, int& code);
// The texts named: every ".txt" of a folder and its sub-folders (and of the zip archives there),
// and each file named on its own. A name that is neither is refused before anything is read.
bool ChooseTexts(const std::vector<std::string>& names, TSharedChosenFilesClass& chosen, std::ostream& err,
                 int& code);
// The file a document of list type `kind` is written as for "-o output" (a name without an
// extension gets the kind's own): the name a command's summary gives.
std::string WrittenFile(const std::string& output, uint8_t kind);
// The rows the list's last save wrote, which a summary names: a lemma's forms go into the file
// under their head, not as rows, and clusters the settings keep out of files are not in it.
int32_t RowsSaved(TVXBaseLemmaMatchCapableList& list);
}  // namespace wordlist_tool
