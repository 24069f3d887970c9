// The commands of linzora_wordlist that work on saved lists rather than on texts or an index:
//   compare STUDY.lst REFERENCE.lst -o KEYWORDS.lst
//       the keyword list of a study word list against a reference word list, computed with the
//       stored keywords settings and saved as a keyword-list document (list kind 1);
//   show LIST.lst [--sort KIND | --column N] [--descending] [--frequency] [--entropy]
//       a saved word list, keyword list, detailed-consistency list or relationships list (a list
//       of clusters is a word list) as its grid shows it: the headings, one line per row (cells
//       separated by tabs), then the status text of the first row shown. --sort binds a sort kind
//       of the list to the first level, --column sorts as a click on that column's heading does;
//       either ascends unless --descending. --frequency shows a word list in frequency order,
//       --entropy adds a word list's column of the lemmas' relative entropy. After the status
//       line: for a consistency list "pairs of lists: N" and its second grid (the words each
//       pair shares and their Dice coefficient); then "notes:" and the document's notes, one a
//       line as stored (a keyword list's name its reference list, procedure and thresholds);
//   show LIST.lst|INDEX.stats --statistics
//       the statistics of the texts a list was made from (a keyword list's: its study's), or a
//       statistics file of its own: a title line, the headings, the overall row (with more than
//       one text) and a line per text, in the order the texts were read; only the columns some
//       text has a figure in;
//   set-cell LIST.lst ROW COLUMN TEXT [-o OUT.lst] [--frequency]
//       puts TEXT into a cell the list lets a user edit (ROW as "show" numbers it, COLUMN a grid
//       column) and saves the list (over itself unless -o);
//   keyword-settings [NAME=VALUE...]
//       shows the stored keywords settings "compare" reads, or changes them.
// Each answers the tool's exit codes (wordlist_commands.h): a missing, damaged or wrong kind of
// list, a cell that cannot be edited or a file that cannot be written is named on `err` with
// exit code 1, and nothing is written.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

class T_WholeWordlistHolder;
struct TWordlistToolArgs;

// A saved list read as "show" and "compare" read it: nullptr, with the reason naming the file, when
// it is missing or cannot be read as a list of this suite.
std::unique_ptr<T_WholeWordlistHolder> ReadSavedList(const std::string& file, std::string& why);
// What a list of that kind is called ("word list", "keyword list", ...).
std::string ListKindName(int list_kind);

// Options of "show" and "set-cell": -1 when `option` is none of them, else how many values follow.
int ListViewOptionValues(const std::string& option);
// False with the problem when options of "show" were given to another command, or a value is bad.
bool ListViewOptionsFit(const TWordlistToolArgs& args, std::string& error);

int CompareWordlistsCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int ShowListCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int SetCellCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);
int KeywordSettingsCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err);

// The stored keywords settings as "name = value" lines, in a fixed order.
std::vector<std::string> KeywordSettingsLines();
// Applies "name=value" changes, all checked before the store is written; false with the first
// problem (an unknown name, a value out of range) and nothing changed.
bool ChangeKeywordSettings(const std::vector<std::string>& changes, std::string& error);
