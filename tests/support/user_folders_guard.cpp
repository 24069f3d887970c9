// Tests write only inside temporary folders of their own. Before any test runs, every folder the
// program would take as the user's (home, settings, cache, runtime and temporary folders, and a
// settings folder named by LINZORA_CONFIG_DIR) is pointed at a fresh folder of this process; the
// user's own folders, as the environment named them at the start, are listed with each file's
// size and time. A test that leaves them otherwise fails, naming the file. Tests that point the
// environment elsewhere (and unset it after) get the private folders back before the next test,
// and what a test left in the private folders (settings, caches, hand-overs) goes with it: the
// next test starts with none, whatever ran before it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/settings/settings_access.h"

namespace {

namespace fs = std::filesystem;

struct TFileState {
  uintmax_t size = 0;
  int64_t changed = 0;  // nanoseconds
  bool operator==(const TFileState&) const = default;
};
using TSnapshot = std::map<std::string, TFileState>;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string Slash(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

void List(const std::string& folder, TSnapshot& out) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    out[it->path().string()] = {static_cast<uintmax_t>(st.st_size),
                                int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
  }
}

class TUserFoldersGuard : public testing::EmptyTestEventListener {
 public:
  TUserFoldersGuard() {
    const std::string home = Slash(Env("HOME"));
    const std::string tmp = Slash(Env("TMPDIR").empty() ? std::string("/tmp") : Env("TMPDIR"));
    const std::string uid = std::to_string(::getuid());
    if (!Env("LINZORA_CONFIG_DIR").empty()) users_.push_back(Env("LINZORA_CONFIG_DIR"));
    users_.push_back(Env("XDG_CONFIG_HOME").empty() ? home + ".config/linzora" : Slash(Env("XDG_CONFIG_HOME")) + "linzora");
    users_.push_back(Env("XDG_CACHE_HOME").empty() ? home + ".cache/linzora" : Slash(Env("XDG_CACHE_HOME")) + "linzora");
    if (!Env("XDG_RUNTIME_DIR").empty()) users_.push_back(Slash(Env("XDG_RUNTIME_DIR")) + "linzora");
    users_.push_back(tmp + "linzora-" + uid);
    for (const std::string& f : users_) List(f, before_);
    std::string pattern = tmp + "linzora-tests-XXXXXX";
    if (::mkdtemp(pattern.data())) root_ = Slash(pattern);
    // The temporary folder is open to all as /tmp is (tests act as another user in it).
    if (!root_.empty()) ::chmod(pattern.c_str(), 0755);
    PointAtOwnFolders();
  }
  ~TUserFoldersGuard() override {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  void OnTestStart(const testing::TestInfo&) override { PointAtOwnFolders(); }
  void CheckUsersFolders(const testing::TestInfo& test) {
    TSnapshot now;
    for (const std::string& f : users_) List(f, now);
    if (now == before_) return;
    for (const auto& [name, state] : now) {
      const auto it = before_.find(name);
      if (it == before_.end() || !(it->second == state))
        ADD_FAILURE() << test.test_suite_name() << "." << test.name() << " wrote into a folder of the user's: " << name;
    }
    for (const auto& [name, state] : before_)
      if (!now.count(name)) ADD_FAILURE() << test.name() << " removed a file of the user's: " << name;
    before_ = std::move(now);  // one failure per change
  }
  void OnTestEnd(const testing::TestInfo& test) override {
    CheckUsersFolders(test);
    EmptyOwnFolders();
  }

 private:
  // The temporary folder stays (objects of a whole test program may keep files there), but not the
  // program's hand-overs in it; the settings store reads its folder afresh.
  void EmptyOwnFolders() {
    if (root_.empty()) return;
    std::error_code ec;
    for (const char* folder : {"home", "config", "cache", "runtime"}) {
      std::vector<fs::path> left;
      for (fs::directory_iterator it(root_ + folder, ec), end; !ec && it != end; it.increment(ec)) left.push_back(it->path());
      for (const fs::path& p : left) fs::remove_all(p, ec);
    }
    fs::remove_all(root_ + "tmp/linzora-" + std::to_string(::getuid()), ec);
    ResetSettingsStoreForTests();
  }
  void PointAtOwnFolders() {
    if (root_.empty()) return;
    const struct {
      const char* variable;
      const char* folder;
      mode_t mode;
    } own[] = {{"HOME", "home", 0700},         {"XDG_CONFIG_HOME", "config", 0700}, {"XDG_CACHE_HOME", "cache", 0700},
               {"XDG_RUNTIME_DIR", "runtime", 0700}, {"TMPDIR", "tmp", 01777}};
    for (const auto& o : own) {
      const std::string path = root_ + o.folder;
      if (::mkdir(path.c_str(), 0700) == 0) ::chmod(path.c_str(), o.mode);
      ::setenv(o.variable, path.c_str(), 1);
    }
    ::unsetenv("LINZORA_CONFIG_DIR");
  }
  std::vector<std::string> users_;
  TSnapshot before_;
  std::string root_;
};

// Before main: the program's units read the environment when first used.
const bool guard_installed = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new TUserFoldersGuard);
  return true;
}();

}  // namespace
