// The commands of linzora_wordlist that make and change saved word lists rather than read texts
// one result at a time (wordlist_commands.h gives the tool's protocol and exit codes):
//   list --batch N   one ".lst" per text (1, 2) or per folder (3) in the folder -o names,
//                    zipped with --zip (1 at the end, 2 and 3 per folder);
//   import           a word list from a text file of "word<TAB>frequency" lines;
//   merge            word-list documents of one kind (word lists, keyword lists, consistency
//                    lists, relationships of one index) into one, with the clean-ups of equal
//                    words (--equal-words merge|apart) and tagged words (--tagged delete|keep);
//   collocates       the collocates of every word of a word list within the limits and
//                    thresholds of the word-list collocates settings, a file per word.
// And what the other commands share with these: the lemma list of the settings, loaded once per
// run, and the answer to the UTF-8 question.
//
// Each command reads every input before it writes anything: a missing, damaged or wrong kind of
// list is refused with its name (exit 1) and nothing is written; a file that cannot be written
// leaves what was there.
#pragma once

#include <ostream>

#include "model/reading/text_reader.h"
#include "tools/wordlist_commands.h"

class TVXWordList;
class T_WholeWordlistHolder;

// The value of --batch, --lemma-texts, --join, --equal-words or --tagged into `parsed`; false
// with why for a value out of range.
bool ParseListOption(const std::string& option, const std::string& value, TWordlistToolArgs& parsed,
                     std::string& error);
// After the command is known: false with why when one of those options is not the command's,
// or merge is given one list and nothing to clean it of.
bool CheckListOptions(const TWordlistToolArgs& parsed, std::string& error);

int MakeBatchLists(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int ImportWordList(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int MergeWordLists(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int WordListCollocates(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);

// Loads the lemma list the settings switch on, once per run: false (with the code of a failure
// and a message naming the file) when it is switched on and cannot be read.
bool LemmaListReady(std::ostream& err, int& code);
// Whether this run's documents apply the lemma list (LemmaListReady loaded it).
bool LemmaListInUse();
// "lemma list: F forms joined under H heads" when the list's rows have joins; nothing otherwise.
void ReportLemmaJoins(TVXWordList& words, std::ostream& out);
// Joins the clusters of the main list by length (1 shorter under longer, 2 longer under shorter)
// and says how many.
void JoinClustersOfList(T_WholeWordlistHolder& doc, int32_t how, std::ostream& out);
// With the lemma list in use: each head of the main list gets the number of texts of the index
// named that hold its lemma. False with a message when the index cannot be read.
bool LemmaTextsFromIndex(T_WholeWordlistHolder& doc, const std::string& index, std::ostream& out,
                         std::ostream& err, int& code);
// The stop words, when the settings ask for them to be dropped while the words are counted.
std::vector<UString> ContinuousStopWords();
// The run's answer to the UTF-8 question, asked only when the settings say so (utf8-question):
// "convert" with --convert-utf8, else "read it as it is"; each said on `err` with the text's name.
// No text is changed on disk without the option.
TAskAboutText ToolUtf8Answer(std::ostream& err, bool convert);
