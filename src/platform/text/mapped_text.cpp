#include "platform/text/mapped_text.h"

#include <atomic>
#include <csignal>
#include <mutex>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mappings the guard answers for: one slot each, taken and given back by the thread that
// maps and reads it. A slot's range is read by the bus-error handler, on whichever thread the
// error happens, so every field is atomic.
constexpr int kSlots = 256;
struct TGuardSlot {
  std::atomic<uintptr_t> begin{0}, end{0};
  std::atomic<bool> damaged{false};
  std::atomic<bool> taken{false};
};
TGuardSlot g_slots[kSlots];

struct sigaction g_previous;  // the handler before the guard's
std::once_flag g_installed;
bool g_install_failed = false;

size_t PageSize() {
  static const size_t page = [] {
    const long p = sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<size_t>(p) : size_t{4096};
  }();
  return page;
}

void OnBusError(int sig, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (TGuardSlot& s : g_slots) {
    const uintptr_t begin = s.begin.load(std::memory_order_acquire);
    if (begin == 0 || at < begin || at >= s.end.load(std::memory_order_acquire)) continue;
    // A page the file no longer has: zeros take its place, and the read goes on.
    void* page = reinterpret_cast<void*>(at & ~(uintptr_t{PageSize()} - 1));
    if (mmap(page, PageSize(), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      s.damaged.store(true, std::memory_order_release);
      return;
    }
    break;
  }
  // Not a mapped stretch's: as it would have been without the guard.
  if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
    g_previous.sa_sigaction(sig, info, context);
    return;
  }
  if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(sig);
    return;
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

// length bytes of fd from the page at offset, read-only and faulted in at once, placed so that the
// address and the offset agree modulo kSpanBytes: where the system holds the file's pages in
// pieces of that size, each piece is then mapped by one entry instead of one per page (less to
// map, to unmap, and to look up while reading). MAP_FAILED when it cannot be mapped.
constexpr size_t kSpanBytes = size_t{1} << 21;
void* MapAligned(int fd, int64_t offset, size_t length) {
  const int flags = MAP_PRIVATE | MAP_POPULATE;
  if (length < kSpanBytes) return mmap(nullptr, length, PROT_READ, flags, fd, static_cast<off_t>(offset));
  // Address space with room to place the map, then the map over its part that agrees.
  const size_t room = length + kSpanBytes;
  void* r = mmap(nullptr, room, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (r == MAP_FAILED) return mmap(nullptr, length, PROT_READ, flags, fd, static_cast<off_t>(offset));
  const uintptr_t begin = reinterpret_cast<uintptr_t>(r);
  const uintptr_t phase = static_cast<uintptr_t>(offset) & (kSpanBytes - 1);
  uintptr_t at = (begin & ~(uintptr_t{kSpanBytes} - 1)) + phase;
  if (at < begin) at += kSpanBytes;
  void* p = mmap(reinterpret_cast<void*>(at), length, PROT_READ, flags | MAP_FIXED, fd, static_cast<off_t>(offset));
  if (p == MAP_FAILED) {
    munmap(r, room);
    return mmap(nullptr, length, PROT_READ, flags, fd, static_cast<off_t>(offset));
  }
  const uintptr_t end = (at + length + PageSize() - 1) & ~(uintptr_t{PageSize()} - 1);
  if (at > begin) munmap(r, at - begin);
  if (begin + room > end) munmap(reinterpret_cast<void*>(end), begin + room - end);
  return p;
}

bool InstallGuard() {
  std::call_once(g_installed, [] {
    struct sigaction a {};
    a.sa_sigaction = OnBusError;
    sigemptyset(&a.sa_mask);
    a.sa_flags = SA_SIGINFO | SA_NODEFER;
    g_install_failed = sigaction(SIGBUS, &a, &g_previous) != 0;
  });
  return !g_install_failed;
}

}  // namespace

bool TMappedStretch::Map(int fd, int64_t from, int64_t n) {
  Unmap();
  if (fd < 0 || from < 0 || n <= 0 || !InstallGuard()) return false;
  // A stretch beyond the file's end would read as a damaged one at once.
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < from + n) return false;
  int slot = -1;
  for (int i = 0; i < kSlots && slot < 0; ++i) {
    bool free = false;
    if (g_slots[i].taken.compare_exchange_strong(free, true)) slot = i;
  }
  if (slot < 0) return false;
  const int64_t skip = from % static_cast<int64_t>(PageSize());
  const size_t length = static_cast<size_t>(n + skip);
  void* p = MapAligned(fd, from - skip, length);
  if (p == MAP_FAILED) {
    g_slots[slot].taken.store(false);
    return false;
  }
  TGuardSlot& s = g_slots[slot];
  s.damaged.store(false, std::memory_order_relaxed);
  s.end.store(reinterpret_cast<uintptr_t>(p) + length, std::memory_order_release);
  s.begin.store(reinterpret_cast<uintptr_t>(p), std::memory_order_release);
  base_ = p;
  base_size_ = length;
  bytes_ = static_cast<const uint8_t*>(p) + skip;
  from_ = from;
  size_ = n;
  slot_ = slot;
  return true;
}

void TMappedStretch::Unmap() {
  if (base_ == nullptr) return;
  TGuardSlot& s = g_slots[slot_];
  s.begin.store(0, std::memory_order_release);
  s.end.store(0, std::memory_order_release);
  munmap(base_, base_size_);
  s.taken.store(false, std::memory_order_release);
  base_ = nullptr;
  base_size_ = 0;
  bytes_ = nullptr;
  from_ = size_ = 0;
  slot_ = -1;
}

bool TMappedStretch::Damaged() const {
  return slot_ >= 0 && g_slots[slot_].damaged.load(std::memory_order_acquire);
}
