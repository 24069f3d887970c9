#include "platform/settings/open_windows.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/rtl/streams.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_store.h"

// Two blocks of the store, part of its file format:
//   "open_windows"     uint8 version (1), int32 count, then per window: int32 pid, uint64 process
//                      start, uint64 window id, uint8 tool, int32 left, top, width, height, uint64
//                      activation number, int32 caption length, the caption's UTF-16LE units;
//   "window_requests"  uint8 version (1), int32 count, then per request: int32 pid, uint64 process
//                      start, uint64 window id, uint8 kind, int32 left, top, width, height.
// A block that does not read whole counts as empty: the windows add themselves again when shown.

namespace {

constexpr const char* kWindowsBlock = "open_windows";
constexpr const char* kRequestsBlock = "window_requests";
constexpr uint8_t kBlockVersion = 1;
constexpr int32_t kMostCaption = 1024;

struct TRequestEntry {
  int32_t pid = 0;
  uint64_t process_start = 0;
  TWindowRequest request;
};

TSettingsStore& Store() { return SharedSettingsStore(); }

void WritePlace(TStream& s, const TWindowPlace& p) {
  WriteI32(s, p.left);
  WriteI32(s, p.top);
  WriteI32(s, p.width);
  WriteI32(s, p.height);
}
bool ReadPlace(TStream& s, TWindowPlace& p) {
  return ReadI32(s, p.left) && ReadI32(s, p.top) && ReadI32(s, p.width) && ReadI32(s, p.height);
}

// The head of either block: its version and the number of entries, the number checked against the
// bytes left for entries of at least least_entry bytes.
void WriteBlockHead(TStream& s, size_t n) {
  WriteU8(s, kBlockVersion);
  WriteI32(s, static_cast<int32_t>(n));
}
bool ReadBlockHead(TStream& s, int32_t& n, int64_t least_entry) {
  uint8_t version = 0;
  return ReadU8(s, version) && version == kBlockVersion && ReadCount(s, n, least_entry);
}

// A window's name: its process (number and start) and its id within the process.
void WriteWindowName(TStream& s, int32_t pid, uint64_t process_start, TWindowId window) {
  WriteI32(s, pid);
  WriteValue(s, process_start);
  WriteValue(s, window);
}
bool ReadWindowName(TStream& s, int32_t& pid, uint64_t& process_start, TWindowId& window) {
  return ReadI32(s, pid) && ReadValue(s, process_start) && ReadValue(s, window);
}

std::vector<uint8_t> EncodeWindows(const std::vector<TOpenMainWindow>& windows) {
  TMemoryStream s;
  WriteBlockHead(s, windows.size());
  for (const TOpenMainWindow& w : windows) {
    WriteWindowName(s, w.pid, w.process_start, w.window);
    WriteU8(s, w.tool);
    WritePlace(s, w.place);
    WriteValue(s, w.activated);
    const UString caption = w.caption.substr(0, kMostCaption);
    WriteAString(s, caption);
  }
  return std::move(s.Data());
}

std::vector<TOpenMainWindow> DecodeWindows(const std::vector<uint8_t>& bytes) {
  std::vector<TOpenMainWindow> out;
  TMemoryStream s(bytes);
  int32_t n = 0;
  if (!ReadBlockHead(s, n, 49)) return out;
  for (int32_t i = 0; i < n; ++i) {
    TOpenMainWindow w;
    if (!ReadWindowName(s, w.pid, w.process_start, w.window) || !ReadU8(s, w.tool) ||
        !ReadPlace(s, w.place) || !ReadValue(s, w.activated) || !ReadAString(s, w.caption) ||
        w.caption.size() > static_cast<size_t>(kMostCaption))
      return {};
    out.push_back(std::move(w));
  }
  return out;
}

std::vector<uint8_t> EncodeRequests(const std::vector<TRequestEntry>& requests) {
  TMemoryStream s;
  WriteBlockHead(s, requests.size());
  for (const TRequestEntry& r : requests) {
    WriteWindowName(s, r.pid, r.process_start, r.request.window);
    WriteU8(s, static_cast<uint8_t>(r.request.kind));
    WritePlace(s, r.request.place);
  }
  return std::move(s.Data());
}

std::vector<TRequestEntry> DecodeRequests(const std::vector<uint8_t>& bytes) {
  std::vector<TRequestEntry> out;
  TMemoryStream s(bytes);
  int32_t n = 0;
  if (!ReadBlockHead(s, n, 37)) return out;
  for (int32_t i = 0; i < n; ++i) {
    TRequestEntry r;
    uint8_t kind = 0;
    if (!ReadWindowName(s, r.pid, r.process_start, r.request.window) || !ReadU8(s, kind) ||
        !ReadPlace(s, r.request.place))
      return {};
    if (kind != static_cast<uint8_t>(TWindowRequestKind::Activate) && kind != static_cast<uint8_t>(TWindowRequestKind::Place))
      continue;
    r.request.kind = static_cast<TWindowRequestKind>(kind);
    out.push_back(r);
  }
  return out;
}

// The state letter and start time (field 22) of /proc/<pid>/stat; false when it cannot be read.
bool ReadProcessStat(int32_t pid, char& state, uint64_t& start) {
  if (pid <= 0) return false;
  std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!f) return false;
  char buf[1024];
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  // The name (field 2) is in brackets and may hold blanks and brackets: fields count from its end.
  const char* p = std::strrchr(buf, ')');
  if (!p || p[1] != ' ' || !p[2]) return false;
  state = p[2];
  int field = 2;
  for (const char* c = p + 1; *c; ++c) {
    if (*c != ' ') continue;
    if (++field == 22) {
      start = std::strtoull(c + 1, nullptr, 10);
      return true;
    }
  }
  return false;
}

int32_t OwnPid() { return static_cast<int32_t>(::getpid()); }
uint64_t OwnStart() {
  static const uint64_t start = ProcessStartTicks(OwnPid());
  return start;
}
bool IsOwn(int32_t pid, uint64_t start) { return pid == OwnPid() && start == OwnStart(); }

// Keeps the windows that stand: live processes, and this process's windows that still exist.
bool Standing(const TOpenMainWindow& w, const std::function<bool(TWindowId)>& own_alive) {
  if (w.OfThisProcess()) return !own_alive || own_alive(w.window);
  return ProcessIsAlive(w.pid, w.process_start);
}

// Changes the windows block under the store's lock.
void ChangeWindows(const std::function<void(std::vector<TOpenMainWindow>&)>& change) {
  Store().Update(kWindowsBlock, [&](std::vector<uint8_t>& bytes) {
    std::vector<TOpenMainWindow> windows = DecodeWindows(bytes);
    change(windows);
    bytes = windows.empty() ? std::vector<uint8_t>() : EncodeWindows(windows);
  });
}

std::vector<TOpenMainWindow> ReadWindows() {
  std::vector<uint8_t> bytes;
  if (!Store().Find(kWindowsBlock, bytes)) return {};
  return DecodeWindows(bytes);
}

uint64_t HighestActivation(const std::vector<TOpenMainWindow>& windows) {
  uint64_t most = 0;
  for (const TOpenMainWindow& w : windows) most = std::max(most, w.activated);
  return most;
}

}  // namespace

bool TOpenMainWindow::OfThisProcess() const { return IsOwn(pid, process_start); }

uint64_t ProcessStartTicks(int32_t pid) {
  char state = 0;
  uint64_t start = 0;
  return ReadProcessStat(pid, state, start) ? start : 0;
}

bool ProcessIsAlive(int32_t pid, uint64_t process_start) {
  if (pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  char state = 0;
  uint64_t start = 0;
  if (!ReadProcessStat(pid, state, start)) return true;
  // An ended child not yet collected by its parent still answers the signal: its state says so.
  if (state == 'Z' || state == 'X') return false;
  return process_start == 0 || start == 0 || start == process_start;
}

TOpenMainWindow OwnMainWindow(TWindowId window, uint8_t tool, const TWindowPlace& place, UStringView caption) {
  TOpenMainWindow w;
  w.pid = OwnPid();
  w.process_start = OwnStart();
  w.window = window;
  w.tool = tool;
  w.place = place;
  w.caption = UString(caption);
  return w;
}

void AddOpenMainWindow(const TOpenMainWindow& window) {
  ChangeWindows([&](std::vector<TOpenMainWindow>& windows) {
    std::erase_if(windows, [&](const TOpenMainWindow& w) { return w.SameWindow(window) || !Standing(w, nullptr); });
    TOpenMainWindow added = window;
    added.activated = HighestActivation(windows) + 1;
    windows.push_back(std::move(added));
  });
}

void RemoveOpenMainWindow(TWindowId window) {
  const TOpenMainWindow own = OwnMainWindow(window, 0, {}, u"");
  const std::vector<TOpenMainWindow> now = ReadWindows();
  if (std::none_of(now.begin(), now.end(), [&](const TOpenMainWindow& w) { return w.SameWindow(own); })) return;
  ChangeWindows([&](std::vector<TOpenMainWindow>& windows) {
    std::erase_if(windows, [&](const TOpenMainWindow& w) { return w.SameWindow(own); });
  });
}

void UpdateOpenMainWindow(TWindowId window, const TWindowPlace& place, UStringView caption) {
  const TOpenMainWindow own = OwnMainWindow(window, 0, place, caption);
  const std::vector<TOpenMainWindow> now = ReadWindows();
  const auto it = std::find_if(now.begin(), now.end(), [&](const TOpenMainWindow& w) { return w.SameWindow(own); });
  if (it == now.end() || (it->place == place && it->caption == own.caption)) return;
  ChangeWindows([&](std::vector<TOpenMainWindow>& windows) {
    for (TOpenMainWindow& w : windows)
      if (w.SameWindow(own)) {
        w.place = place;
        w.caption = own.caption;
      }
  });
}

void NoteMainWindowActivated(TWindowId window) {
  const TOpenMainWindow own = OwnMainWindow(window, 0, {}, u"");
  auto last = [&](const std::vector<TOpenMainWindow>& windows) {
    const auto it = std::find_if(windows.begin(), windows.end(), [&](const TOpenMainWindow& w) { return w.SameWindow(own); });
    return it == windows.end() || it->activated == HighestActivation(windows);
  };
  if (last(ReadWindows())) return;
  ChangeWindows([&](std::vector<TOpenMainWindow>& windows) {
    if (last(windows)) return;
    const uint64_t next = HighestActivation(windows) + 1;
    for (TOpenMainWindow& w : windows)
      if (w.SameWindow(own)) w.activated = next;
  });
}

std::vector<TOpenMainWindow> OpenMainWindows(const std::function<bool(TWindowId)>& own_alive) {
  std::vector<TOpenMainWindow> windows = ReadWindows();
  const size_t before = windows.size();
  std::erase_if(windows, [&](const TOpenMainWindow& w) { return !Standing(w, own_alive); });
  if (windows.size() != before)
    ChangeWindows([&](std::vector<TOpenMainWindow>& stored) {
      std::erase_if(stored, [&](const TOpenMainWindow& w) { return !Standing(w, own_alive); });
    });
  return windows;
}

int GetToolsOpen(uint8_t tool, const std::function<bool(TWindowId)>& own_alive) {
  const std::vector<TOpenMainWindow> windows = OpenMainWindows(own_alive);
  return static_cast<int>(std::count_if(windows.begin(), windows.end(), [tool](const TOpenMainWindow& w) { return w.tool == tool; }));
}

bool PostWindowRequest(const TOpenMainWindow& to, TWindowRequestKind kind, const TWindowPlace& place) {
  return Store().Update(kRequestsBlock, [&](std::vector<uint8_t>& bytes) {
    std::vector<TRequestEntry> requests = DecodeRequests(bytes);
    std::erase_if(requests, [](const TRequestEntry& r) { return !ProcessIsAlive(r.pid, r.process_start); });
    TRequestEntry r;
    r.pid = to.pid;
    r.process_start = to.process_start;
    r.request.window = to.window;
    r.request.kind = kind;
    r.request.place = place;
    requests.push_back(r);
    bytes = EncodeRequests(requests);
  });
}

std::vector<TWindowRequest> TakeWindowRequests() {
  std::vector<uint8_t> bytes;
  if (!Store().Find(kRequestsBlock, bytes)) return {};
  const std::vector<TRequestEntry> seen = DecodeRequests(bytes);
  if (std::none_of(seen.begin(), seen.end(), [](const TRequestEntry& r) { return IsOwn(r.pid, r.process_start); }))
    return {};
  std::vector<TWindowRequest> mine;
  Store().Update(kRequestsBlock, [&](std::vector<uint8_t>& stored) {
    std::vector<TRequestEntry> requests = DecodeRequests(stored);
    mine.clear();
    for (const TRequestEntry& r : requests)
      if (IsOwn(r.pid, r.process_start)) mine.push_back(r.request);
    std::erase_if(requests, [](const TRequestEntry& r) { return IsOwn(r.pid, r.process_start); });
    stored = requests.empty() ? std::vector<uint8_t>() : EncodeRequests(requests);
  });
  return mine;
}
