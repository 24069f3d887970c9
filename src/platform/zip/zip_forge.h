// The zip archive component: reading members of zip archives (chosen texts inside archives, batch
// files) and writing archives (batch zips).
//
// One TZipForge works on one archive at a time. OpenArchive(Read) lists the members; members are
// then counted, found by name, extracted whole to a stream or a folder, or read in pieces through
// OpenMemberStream. OpenArchive(ReadWrite) opens an existing archive for adding, or creates it when
// it does not exist; members added become part of the file when the archive is closed (or when
// MoveFiles commits them before deleting the sources). Sizes and positions are 64-bit.
//
// Every operation answers true/false (or -1 for "none"); the reason of the last failure is in
// LastError(). A damaged archive, or a file that is no archive, fails to open with a message.
// Member names that would write outside the target folder ("../x", "/x", "C:x", "..\x") are
// refused on extraction and on adding.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"

// One member of an archive.
struct TZipMemberInfo {
  int32_t index = -1;           // 0-based, in archive order
  UString name;                 // as stored, folders separated by "/"
  int64_t size = 0;             // uncompressed bytes
  int64_t compressed_size = 0;  // bytes in the archive
  TDateTime date = 0;           // last modification (local time); 0 when the archive holds none
  uint32_t crc = 0;
  bool is_folder = false;       // a folder entry (name ends in "/")
  bool encrypted = false;       // encrypted members cannot be read
};

enum class TZipOpenMode { Read, ReadWrite };

// A member read in pieces: a read-only stream over the uncompressed data that never holds more
// than a window of it in memory. Reading forward (and seeking forward) decompresses as it goes;
// seeking back within the last 256 KiB read is served from the window, further back the member is
// decompressed again from its start. The CRC is checked before the last bytes are handed out, so a
// damaged member makes the final read come up short and Failed() true.
class TZipMemberStream : public TStream {
 public:
  ~TZipMemberStream() override;
  TZipMemberStream(const TZipMemberStream&) = delete;
  TZipMemberStream& operator=(const TZipMemberStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;  // always 0: read-only
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;  // the member's uncompressed size

  bool Failed() const;
  const UString& LastError() const;

 private:
  friend class TZipForge;
  struct Impl;
  TZipMemberStream();
  std::unique_ptr<Impl> d_;
};

class TZipForge {
 public:
  TZipForge();
  ~TZipForge();  // closes the archive (what was added is written)
  TZipForge(const TZipForge&) = delete;
  TZipForge& operator=(const TZipForge&) = delete;

  // The archive's file name; takes effect at the next OpenArchive.
  void SetFileName(UStringView name);
  const UString& FileName() const;
  // The folder that AddFiles/MoveFiles take their masks from and that member names of added
  // files are made relative to.
  void SetBaseDir(UStringView folder);
  const UString& BaseDir() const;

  // Read: the file must be an existing zip archive. ReadWrite: an existing archive is opened for
  // adding (it must be a sound zip archive; other files are never overwritten); a missing one is
  // created. An archive already open is closed first.
  bool OpenArchive(TZipOpenMode mode = TZipOpenMode::Read);
  // Writes the members added and the comment; false when that failed.
  bool CloseArchive();
  bool IsOpen() const;
  TZipOpenMode Mode() const;

  // --- members -------------------------------------------------------------------------------
  int32_t GetEntryCount() const;  // every entry, folder entries included; 0 when closed
  const std::vector<TZipMemberInfo>& Members() const;
  bool GetMember(int32_t index, TZipMemberInfo& info) const;
  // The first member of that name ("\" and "/" are the same; without case sensitivity ASCII
  // letters compare without regard to case); -1 when there is none.
  int32_t FindMember(UStringView name, bool case_sensitive = true) const;

  // The archive comment (single-byte text, at most 65,535 bytes). Setting it needs ReadWrite; it
  // is written when the archive is closed.
  const std::string& GetFileComment() const;
  bool SetFileComment(std::string_view comment);

  // --- reading -------------------------------------------------------------------------------
  // Writes the member's data at out's position. On failure out may hold part of it.
  bool ExtractToStream(int32_t index, TStream& out);
  // Writes the member under folder by its own name (sub-folders made as needed), through a
  // temporary file so that a failed extraction leaves nothing behind. Unsafe names are refused.
  bool ExtractToFolder(int32_t index, UStringView folder, UString* written = nullptr);
  // A stream over one member, independent of this object (it may outlive it). nullptr on failure.
  std::unique_ptr<TZipMemberStream> OpenMemberStream(int32_t index);

  // --- writing (ReadWrite only) --------------------------------------------------------------
  // Adds a file. An empty member name means the file's path relative to the base folder when it
  // lies inside it, else its plain name. The archive itself is never added.
  bool AddFile(UStringView file_name, UStringView member_name = {});
  // Adds the bytes from source's position to its end; date 0 means now.
  bool AddFromStream(UStringView member_name, TStream& source, TDateTime date = 0);
  // Adds every file of the base folder matching mask (a name mask with "*" and "?"; it may start
  // with a folder, relative to the base folder or absolute), with sub-folders when recurse is set.
  // True when every matching file was added; added, when given, receives the number added.
  bool AddFiles(UStringView mask, bool recurse = false, int32_t* added = nullptr);
  // As AddFiles, then writes the archive to disk and only then deletes the source files that were
  // added; files that could not be added stay where they are.
  bool MoveFiles(UStringView mask, bool recurse = false, int32_t* moved = nullptr);

  const UString& LastError() const;

  // Called after each member is added: its name, its size and its compressed size.
  std::function<void(const UString& name, int64_t size, int64_t compressed_size)> OnFileDone;
  // Called while AddFiles/MoveFiles work through their files: files done and files in all.
  std::function<void(int32_t done, int32_t total)> OnOverallProgress;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  bool AddByMask(UStringView mask, bool recurse, std::vector<UString>& added);
};

// True for an existing file that begins like a zip archive (a member header, or the end record of
// an empty archive); the name's extension plays no part.
bool IsAZipFile(UStringView file_name);
// False for member names that would leave the folder they are extracted to: empty names, names
// starting with "/" or "\" or a drive letter, and names with a ".." step.
bool IsSafeMemberName(UStringView name);
