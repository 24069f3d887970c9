// Putting the four files of a corpus index in place together, so that a kill at any moment leaves
// the old index or the new one, whole.
//
// A commit, in order
//   1. The new files are written and synced as temporary siblings (the caller's part).
//   2. A commit record ("NAME.commit", beside the index) is written to a temporary sibling, synced
//      and renamed into place: it names, for each file, its final name, its temporary sibling and
//      where the file that is there now will wait ("aside"), and says "pending".
//   3. Every file that is there is renamed aside; then every temporary sibling is renamed in.
//   4. The record is replaced (again through a synced sibling and one rename) by one that says
//      "done": from here on the new index stands.
//   5. The files aside are removed, and then the record.
// A failure of a step (a full disk, a refused rename) rolls back at once and removes the record.
//
// What an opener does
//   RecoverIndexCommit runs before an index is examined. Without a record nothing happens. A
//   "pending" record is rolled back: each file moved in is taken out, each file aside put back,
//   each temporary sibling left over removed. A "done" record is rolled forward: the files still
//   aside are removed. Either way the record goes last, so a kill during recovery is recovered the
//   same way the next time. A record that cannot be read is left alone and the index refused.
//   So is a record that names anything a save of this index does not write: a record is acted
//   on only when each of its final names is one of the index's four files (or the file a link
//   among them leads to), each temporary sibling stands beside that index file and each aside
//   beside its final name, both named as a save names them (".~NAME.<pid>_<number>.tmp" and
//   ".old"), and every name is absolute. A writer records its names so.
//   Temporary siblings that a writer killed before its record was written left behind are
//   removed too: a writer holds a lock on each of its temporary files while it lives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TIndexFile;

// The commit record's name for an index whose files share `base` (the name without extension).
UString IndexCommitRecordName(UStringView base);

// Puts the temporary files in place of their final names (each file's FinalName), all or none,
// as above; `record` is the commit record's name. A final name that is a symbolic link is
// followed; a file that was there keeps its mode. False (error names what failed) leaves the old
// files as they were.
bool CommitIndexFiles(std::vector<std::unique_ptr<TIndexFile>>& temps, const UString& record, UString* error);

// What an opener found of an earlier commit.
enum class TIndexRecovery {
  None,          // no commit record: nothing to do
  RolledBack,    // a commit was cut short: the index as it was before it is back
  RolledForward, // a commit had finished but not tidied up: the new index stands, the old files went
  Failed,        // the record could not be read, names what a save does not write, or could not be
                 // acted on; `message` names the record (and the name refused) and says why
};
TIndexRecovery RecoverIndexCommit(const UString& record, UString* message);

// For tests: called before each step of a commit or a recovery that changes something on disk
// (writing or renaming the record, each rename, each removal), with the step's number counted
// from 0 since the hook was set. Empty: none.
void SetIndexCommitStepHook(std::function<void(int64_t step)> hook);
