// Collocates of a whole word list: for every word of a finished word list that lies within the
// script limits, a concordance of that word over the texts the list was made from, its collocates
// and their association values against the same list, written to a text file named after the
// word. Nothing is shown: no dialog, no editor, and the calling document's lists are untouched.
//
// Contract (T_WholeLinzoraHolder::ComputeAndSaveCollocatesForWholeWordList)
//   Answers the number of files written. The output folder is made first (0 when it cannot be);
//   the texts come from the statistics list's rows (0 when none of them is on disk). The word
//   list is sorted alphabetically once, before the first word, and the words are taken in that
//   order (it is the reference list too, searched by binary search).
//   Per word (each bound inclusive): length, texts and frequency within the limits; a
//   concordance of the word alone in a document of its own (made and freed within the word's
//   step); its collocate count within the limits; association values computed (no report
//   file); rows by log-likelihood, highest first, then by word.
//
// Protocol of a call
//   1. On the calling thread, once: the limits, thresholds and concordance settings are read;
//      every text is read into memory (each plain file opened once; a member of a zip archive,
//      or a text beyond the memory the call allows, is read from its file by each word); the
//      plain texts' runs of letters are listed, so that a word of letters alone is looked for
//      only in the texts that can hold it (TTextsOfWords in the .cpp says when that holds).
//   2. The words are made on a fixed set of workers (the threads asked for; one, inline, with the
//      user's line filter, a tag handler of the calling document or a progress display, each of
//      which keeps state),
//      each word wholly on one of them: its document, its one-worker concordance over its texts,
//      collocates, association values and lines. A word's step reads the settings as they stood
//      when it began, writes nothing another step reads, and writes its file itself when its
//      name can be no other word's (a name no other word of the call takes, not numbered).
//   3. On the calling thread, in the list's order: every other file is named and written, the
//      files are counted, progress, the log and the header-cut count of each word's run follow.
//   So the files are those of one worker, byte for byte, whatever the number of workers.
//   File (UTF-16 LE with a byte-order mark, LF line ends, tab-separated):
//     "Collocates of <word>"; "Requirements = <thresholds>" when any threshold is tested; the
//     headings of the collocate columns 1 and 3 onwards and the eleven measure names; then a line
//     per collocate that is not the word itself (case ignored), whose total lies within the
//     limits and whose values pass the thresholds. A share of a count shows the count; a
//     position without the collocate shows 0; other numbers with three decimals when real.
//     Written only when it holds a collocate line (or the requirements line).
//   File names: the word with every character a file name cannot hold (path delimiters, control
//   characters, : * ? " < > |) turned into "_", and "." or ".." made "_." / "_.."; so a name
//   never leaves the output folder. A name met again within the call (case ignored) gets " (2)",
//   " (3)" ... so that no word's file replaces another's.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// True when the word's length in characters, its texts and its frequency lie within the
// limits' fields (minimum and maximum both taken); false once a stop has been asked for.
bool WordPassesScriptLimits(const TCollocateScriptSettingsRec& limits, UStringView word, int32_t frequency,
                            int32_t texts);

// The tested association thresholds as text ("MI >= 3.000 and T SCORE >= 2.000"; " or " when
// one passing is enough); empty when none is tested.
UString RelationshipRequirements(const TKollaxaMutualChecks& checks);
// True when the eleven values pass the tested thresholds (each value at least its threshold;
// all of them, or any one when one is enough). Nothing tested: true. NaN never passes.
bool PassesRelationshipThresholdTests(const TKollaxaMutualChecks& checks, const float (&values)[11]);

// A file name (without folder or extension) made from a word, as described above.
UString AcceptableFilename(UStringView word);
