// The file behind the shared settings store: one file per user that every tool of the suite reads
// and writes.
//
// The store holds named blocks of bytes (a record, a value or a text each). A process keeps the
// blocks in memory and loads the file again whenever another process has replaced it since
// (checked on every read). Every change is written through at once: under an advisory lock on a
// lock file beside it, the file is reloaded when it changed, the block is changed, and the whole
// file is written to a temporary sibling that replaces it only when complete. So processes never
// see a half-written file and never lose each other's changes to other blocks.
//
// File layout (little-endian):
//   8 bytes   magic "LZSETTNG"
//   uint32    format version (1)
//   uint32    number of blocks
//   blocks    uint8 name length (1..64), the name (ASCII letters, digits, ".", "_", "-"),
//             uint32 data length, the data
//   uint32    CRC-32 of every byte before it
// Blocks this program does not know are kept as they are. A missing, unreadable or damaged file
// gives an empty store (every caller then uses its defaults) and one line in the log; a damaged
// file is first copied aside as "<name>.damaged".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/ustring.h"

class TSettingsStore {
 public:
  using TBlocks = std::map<std::string, std::vector<uint8_t>, std::less<>>;

  static constexpr const char16_t* kFileName = u"settings.dat";
  static constexpr const char16_t* kLockName = u"settings.lock";
  static constexpr uint32_t kFormatVersion = 1;
  static constexpr size_t kMaxNameLength = 64;
  static constexpr int64_t kMaxFileSize = 64 << 20;

  // The store of the file in folder (created when something is first written); loads it at once.
  explicit TSettingsStore(UStringView folder);
  ~TSettingsStore();
  TSettingsStore(const TSettingsStore&) = delete;
  TSettingsStore& operator=(const TSettingsStore&) = delete;

  const UString& Folder() const { return folder_; }  // with a trailing delimiter
  UString FileName() const;

  // The block's bytes; false when the store holds no such block.
  bool Find(std::string_view name, std::vector<uint8_t>& out);
  // True only when the block is there with exactly size bytes. A block of another size counts as
  // missing (the caller falls back to its defaults) and is logged once per load.
  bool ReadFixed(std::string_view name, void* out, size_t size);
  // Replaces or adds one block and writes the file. False when the name is not a valid block name
  // or the file could not be written; in the latter case the value is kept in this process only
  // and the file stays as it was.
  bool Write(std::string_view name, const void* data, size_t size);
  // Reads, changes and writes one block under the file lock, so that a change made meanwhile by
  // another process is not overwritten with a stale copy. The block is empty when missing; when
  // the change leaves it empty, it is removed.
  bool Update(std::string_view name, const std::function<void(std::vector<uint8_t>&)>& change);
  // Removes every block whose name begins with prefix and writes the file when any was removed.
  bool RemoveBlocksWithPrefix(std::string_view prefix);

  // Loads the file again when it was replaced, removed or created since it was last loaded.
  void ReloadIfChanged();
  // While the calling thread holds reads (counted, so holds nest), its Find and ReadFixed take
  // the blocks as loaded, without looking at the file (TSettingsReadHold, settings_access.h).
  static void HoldReadsOnThisThread(bool hold);
  std::vector<std::string> BlockNames();

  // Every following write fails half-way, as on a full disk (for tests).
  void SetFailWritesForTests(bool fail) { fail_writes_ = fail; }

  static bool ValidBlockName(std::string_view name);
  static std::vector<uint8_t> Serialize(const TBlocks& blocks);
  // False, with the reason, for anything but a complete file of a known version.
  static bool Parse(const std::vector<uint8_t>& bytes, TBlocks& blocks, std::string* why = nullptr);

 // Which file, and which version of it, a store has loaded.
  struct TFileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtime_ns = 0;
    bool operator==(const TFileIdentity&) const = default;
  };

 private:
  static TFileIdentity IdentityOf(const UString& file);
  static TFileIdentity IdentityOfOpen(int fd);
  void HoldFile(int fd);
  void LoadLocked();
  void ReloadIfChangedLocked();
  bool SaveLocked();
  bool ChangeLocked(const std::function<bool(TBlocks&)>& change);
  bool UpdateLocked(std::string_view name, const std::function<void(std::vector<uint8_t>&)>& change);

  UString folder_;
  UString file_;
  std::mutex mutex_;
  TBlocks blocks_;
  TFileIdentity loaded_;
  bool loaded_once_ = false;
  std::set<std::string, std::less<>> size_reported_;
  bool fail_writes_ = false;
  bool unsaved_ = false;  // a write failed: the next change writes even when it changes nothing
  int held_fd_ = -1;
};
