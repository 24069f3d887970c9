// Archives kept open for a run over many texts.
//
// A run over chosen texts that lie in zip archives opens each archive once: the first text of an
// archive opens and lists it, every later one finds its member in that listing and reads it
// through one of the archive's handles. Without this, each text opened its archive again and
// listed every member, so reading an archive of n members cost n listings of n members.
//
// Protocol: the job makes one TZipArchiveRun before its first text and ends it after its last;
// readers ask TZipArchiveCache::Current() and, when there is a run, open members through it. A
// run made while another is alive shares that one's cache; the cache closes its archives when the
// last run ends (member streams still open keep their handles and stay readable).
//
// Threads: readers on several threads may ask for members of one archive at once. A lock guards
// the cache's list of archives and each archive's listing while a member is looked up; a member
// stream then holds a handle of its own, borrowed from the archive's idle handles (one is opened
// when none is idle) and given back when the stream ends. So there is one handle per concurrent
// reader and no lock is held while member data is read.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/ustring.h"
#include "platform/zip/zip_forge.h"

class TZipArchiveCache {
 public:
  TZipArchiveCache();
  ~TZipArchiveCache();
  TZipArchiveCache(const TZipArchiveCache&) = delete;
  TZipArchiveCache& operator=(const TZipArchiveCache&) = delete;

  // A stream over a member of archive: the member at index (0-based) when it still has that name,
  // else the first member named member. nullptr when the archive cannot be opened or has no such
  // member; error, when given, then says why, naming the archive.
  std::unique_ptr<TZipMemberStream> OpenMember(UStringView archive, int32_t index, UStringView member,
                                               UString* error = nullptr);
  // How many times an archive was opened and listed since the cache was made.
  int32_t ArchivesListed() const;

  // The cache of the run in progress; nullptr when no run is alive.
  static std::shared_ptr<TZipArchiveCache> Current();

 private:
  struct TArchive;
  std::shared_ptr<TArchive> ArchiveFor(const UString& name, UString& error);

  mutable std::mutex m_;
  std::unordered_map<UString, std::shared_ptr<TArchive>> archives_;
  int32_t listed_ = 0;
};

// Makes a cache the run's for as long as it lives (see above).
class TZipArchiveRun {
 public:
  TZipArchiveRun();
  ~TZipArchiveRun();
  TZipArchiveRun(const TZipArchiveRun&) = delete;
  TZipArchiveRun& operator=(const TZipArchiveRun&) = delete;
  TZipArchiveCache& Cache() { return *cache_; }

 private:
  std::shared_ptr<TZipArchiveCache> cache_;
};
