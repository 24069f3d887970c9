#include "platform/zip/zip_archive_cache.h"

namespace {

std::mutex g_run_mutex;
std::weak_ptr<TZipArchiveCache> g_run_cache;

}  // namespace

// One archive as first listed in the run. Its forge is not safe on two threads at once (look-ups
// extend its name index), hence the lock; the member streams it makes are independent of it.
struct TZipArchiveCache::TArchive {
  std::mutex m;
  TZipForge forge;
};

TZipArchiveCache::TZipArchiveCache() = default;
TZipArchiveCache::~TZipArchiveCache() = default;

int32_t TZipArchiveCache::ArchivesListed() const {
  std::lock_guard<std::mutex> lock(m_);
  return listed_;
}

std::shared_ptr<TZipArchiveCache::TArchive> TZipArchiveCache::ArchiveFor(const UString& name, UString& error) {
  std::lock_guard<std::mutex> lock(m_);
  auto it = archives_.find(name);
  if (it != archives_.end()) return it->second;
  auto a = std::make_shared<TArchive>();
  a->forge.SetFileName(name);
  ++listed_;
  // An archive that cannot be opened is not remembered: it may be there for a later text.
  if (!a->forge.OpenArchive(TZipOpenMode::Read)) {
    error = a->forge.LastError();
    return nullptr;
  }
  archives_.emplace(name, a);
  return a;
}

std::unique_ptr<TZipMemberStream> TZipArchiveCache::OpenMember(UStringView archive, int32_t index,
                                                               UStringView member, UString* error) {
  UString why;
  std::unique_ptr<TZipMemberStream> s;
  if (std::shared_ptr<TArchive> a = ArchiveFor(UString(archive), why)) {
    std::lock_guard<std::mutex> lock(a->m);
    TZipMemberInfo info;
    if (!a->forge.GetMember(index, info) || info.name != member) index = a->forge.FindMember(member);
    if (index < 0) why = u"no such archive member: " + UString(member) + u" in " + UString(archive);
    else if (!(s = a->forge.OpenMemberStream(index))) why = a->forge.LastError();
  }
  if (!s && error) *error = why;
  return s;
}

std::shared_ptr<TZipArchiveCache> TZipArchiveCache::Current() {
  std::lock_guard<std::mutex> lock(g_run_mutex);
  return g_run_cache.lock();
}

TZipArchiveRun::TZipArchiveRun() {
  std::lock_guard<std::mutex> lock(g_run_mutex);
  cache_ = g_run_cache.lock();
  if (!cache_) {
    cache_ = std::make_shared<TZipArchiveCache>();
    g_run_cache = cache_;
  }
}

TZipArchiveRun::~TZipArchiveRun() {
  std::lock_guard<std::mutex> lock(g_run_mutex);
  cache_.reset();  // the last run's end closes the archives
}
