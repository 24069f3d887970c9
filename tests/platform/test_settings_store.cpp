// The settings file: its format, damage, failed writes and sharing between store objects and
// processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_store.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> FileBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void PutFileBytes(const UString& name, const std::vector<uint8_t>& bytes) {
  std::ofstream out(ToFsPath(name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int32_t ReadInt(TSettingsStore& s, std::string_view name, int32_t def = -1) {
  int32_t v = 0;
  return s.ReadFixed(name, &v, sizeof v) ? v : def;
}

bool WriteInt(TSettingsStore& s, std::string_view name, int32_t v) { return s.Write(name, &v, sizeof v); }

TSettingsStore::TBlocks SampleBlocks() {
  TSettingsStore::TBlocks b;
  b["alpha"] = {1, 2, 3};
  b["beta.7"] = std::vector<uint8_t>(300, 0xAB);
  b["empty-ish"] = {0};
  return b;
}

}  // namespace

TEST(SettingsStoreFormat, RoundTripKeepsEveryBlock) {
  const auto blocks = SampleBlocks();
  const auto bytes = TSettingsStore::Serialize(blocks);
  ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "LZSETTNG");
  EXPECT_EQ(bytes[8], 1);   // format version
  EXPECT_EQ(bytes[12], 3);  // block count
  TSettingsStore::TBlocks back;
  ASSERT_TRUE(TSettingsStore::Parse(bytes, back));
  EXPECT_EQ(back, blocks);
  TSettingsStore::TBlocks none;
  ASSERT_TRUE(TSettingsStore::Parse(TSettingsStore::Serialize(none), back));
  EXPECT_TRUE(back.empty());
}

TEST(SettingsStoreFormat, DamageIsRefused) {
  const auto good = TSettingsStore::Serialize(SampleBlocks());
  TSettingsStore::TBlocks out;
  std::string why;
  // Every truncation.
  for (size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_FALSE(TSettingsStore::Parse(std::vector<uint8_t>(good.begin(), good.begin() + cut), out)) << cut;
    EXPECT_TRUE(out.empty());
  }
  // Every single changed byte is caught (by the magic or the checksum).
  for (size_t i = 0; i < good.size(); ++i) {
    auto bad = good;
    bad[i] ^= 0x5A;
    EXPECT_FALSE(TSettingsStore::Parse(bad, out)) << i;
  }
  // Sound checksums over inconsistent contents: version, block count and blocks as given (name,
  // length claimed, bytes there), then the CRC-32 of all of it.
  struct TBlock {
    std::string name;
    uint32_t len;
    size_t real;
  };
  auto file = [](uint32_t version, uint32_t count, std::vector<TBlock> blocks, bool stray = false) {
    std::vector<uint8_t> b = {'L', 'Z', 'S', 'E', 'T', 'T', 'N', 'G'};
    auto put32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(version);
    put32(count);
    for (const TBlock& k : blocks) {
      b.push_back(static_cast<uint8_t>(k.name.size()));
      b.insert(b.end(), k.name.begin(), k.name.end());
      put32(k.len);
      b.insert(b.end(), k.real, 0x11);
    }
    if (stray) b.push_back(0);  // a stray byte after the last block
    put32(static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), b.data(), static_cast<uInt>(b.size()))));
    return b;
  };
  ASSERT_TRUE(TSettingsStore::Parse(file(1, 1, {{"ok", 2, 2}}), out));  // the helper makes sound files
  EXPECT_FALSE(TSettingsStore::Parse(file(2, 1, {{"ok", 2, 2}}), out, &why));
  EXPECT_EQ(why, "unknown format version");
  EXPECT_FALSE(TSettingsStore::Parse(file(1, 2, {{"twice", 1, 1}, {"twice", 1, 1}}), out, &why));
  EXPECT_EQ(why, "block named twice");
  for (const auto& bad : {file(1, 1000000, {{"ok", 2, 2}}),  // more blocks than bytes
                          file(1, 1, {{"ok", 0x7FFFFFFF, 2}}),  // longer than the file
                          file(1, 1, {{"bad name", 1, 1}}), file(1, 1, {{"", 1, 1}}),
                          file(1, 1, {{"ok", 1, 1}}, true)}) {
    EXPECT_FALSE(TSettingsStore::Parse(bad, out));
  }
  EXPECT_TRUE(out.empty());
  std::vector<uint8_t> garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 31 + 7);
  EXPECT_FALSE(TSettingsStore::Parse(garbage, out, &why));
  EXPECT_EQ(why, "not a settings file");
}

TEST(SettingsStoreFormat, BadNamesAreRefused) {
  EXPECT_TRUE(TSettingsStore::ValidBlockName("conc_settings") && TSettingsStore::ValidBlockName("lists.1.2"));
  for (const std::string& bad : {std::string(), std::string("has space"), std::string(65, 'a')})
    EXPECT_FALSE(TSettingsStore::ValidBlockName(bad)) << bad;
  TempFolder tmp;
  TSettingsStore s(tmp.Path());
  EXPECT_FALSE(s.Write("bad/name", "x", 1));
  EXPECT_FALSE(FileExists(s.FileName()));
}

TEST(SettingsStore, MissingFolderGivesDefaultsAndIsMadeOnWrite) {
  TempFolder tmp;
  const UString folder = tmp.Path() + u"not/yet/here";
  TLogCapture log(tmp.Path());
  TSettingsStore s(folder);
  EXPECT_EQ(ReadInt(s, "x"), -1);
  EXPECT_TRUE(s.BlockNames().empty());
  EXPECT_EQ(log.Lines(), 1);  // one line for the missing file, not one per read
  EXPECT_EQ(ReadInt(s, "y"), -1);
  EXPECT_EQ(log.Lines(), 1);
  ASSERT_TRUE(WriteInt(s, "x", 42));
  EXPECT_TRUE(FileExists(folder + u"/settings.dat"));
  TSettingsStore again(folder);
  EXPECT_EQ(ReadInt(again, "x"), 42);
}

TEST(SettingsStore, DamagedFilesGiveDefaultsAndAreKeptAside) {
  TempFolder tmp;
  {
    TSettingsStore s(tmp.Path());
    ASSERT_TRUE(WriteInt(s, "x", 7));
    ASSERT_TRUE(WriteInt(s, "y", 8));
  }
  const UString file = tmp.Path() + u"settings.dat";
  const auto good = FileBytes(file);
  auto flipped = good;
  flipped[good.size() / 2] ^= 1;
  // Empty, truncated, checksum cut, wrong checksum, garbage.
  const std::vector<std::vector<uint8_t>> damaged = {{}, {good.begin(), good.begin() + good.size() / 2},
                                                     {good.begin(), good.end() - 1}, flipped,
                                                     std::vector<uint8_t>(777, 0xEE)};
  for (size_t k = 0; k < damaged.size(); ++k) {
    PutFileBytes(file, damaged[k]);
    DeleteFileU(file + u".damaged");
    TLogCapture log(tmp.Path());
    TSettingsStore s(tmp.Path());
    EXPECT_EQ(ReadInt(s, "x"), -1) << k;
    EXPECT_EQ(ReadInt(s, "y"), -1) << k;
    EXPECT_EQ(log.Lines(), 1) << k;
    EXPECT_EQ(FileBytes(file + u".damaged"), damaged[k]) << k;
    // The next write replaces the damaged file with a sound one.
    ASSERT_TRUE(WriteInt(s, "x", 9));
    TSettingsStore again(tmp.Path());
    EXPECT_EQ(ReadInt(again, "x"), 9);
    EXPECT_EQ(ReadInt(again, "y"), -1);
  }
}

TEST(SettingsStore, BlocksOfTheWrongSizeOrUnknownAreKept) {
  TempFolder tmp;
  TSettingsStore::TBlocks blocks;
  blocks["a.later.tool"] = {9, 8, 7, 6, 5};
  blocks["rec"] = {1, 2};
  blocks["other"] = {5, 0, 0, 0};
  PutFileBytes(tmp.Path() + u"settings.dat", TSettingsStore::Serialize(blocks));
  TLogCapture log(tmp.Path());
  TSettingsStore r(tmp.Path());
  EXPECT_EQ(ReadInt(r, "rec"), -1);  // wants 4 bytes: the caller's default
  EXPECT_EQ(ReadInt(r, "rec"), -1);
  EXPECT_EQ(log.Lines(), 1);         // logged once
  EXPECT_EQ(ReadInt(r, "other"), 5);  // the rest of the file is sound
  // The odd block stays in the file until it is written again.
  ASSERT_TRUE(WriteInt(r, "third", 3));
  std::vector<uint8_t> raw;
  TSettingsStore again(tmp.Path());
  ASSERT_TRUE(again.Find("rec", raw));
  EXPECT_EQ(raw, std::vector<uint8_t>({1, 2}));
  ASSERT_TRUE(WriteInt(again, "rec", 11));
  EXPECT_EQ(ReadInt(again, "rec"), 11);
  // Blocks of later tools survive the writes.
  TSettingsStore::TBlocks back;
  ASSERT_TRUE(TSettingsStore::Parse(FileBytes(again.FileName()), back));
  EXPECT_EQ(back["a.later.tool"], blocks["a.later.tool"]);
  EXPECT_EQ(back.size(), 4u);
}

TEST(SettingsStore, AFailedWriteLeavesThePreviousFile) {
  TempFolder tmp;
  TSettingsStore s(tmp.Path());
  ASSERT_TRUE(WriteInt(s, "x", 1));
  const auto before = FileBytes(s.FileName());
  s.SetFailWritesForTests(true);
  EXPECT_FALSE(WriteInt(s, "x", 2));
  EXPECT_FALSE(WriteInt(s, "y", 3));
  EXPECT_EQ(FileBytes(s.FileName()), before);
  EXPECT_EQ(FindFiles(tmp.Path(), u"*.tmp").size(), 0u);  // no temporary file left behind
  EXPECT_EQ(ReadInt(s, "x"), 2);  // this process keeps what it set
  TSettingsStore other(tmp.Path());
  EXPECT_EQ(ReadInt(other, "x"), 1);
  EXPECT_EQ(ReadInt(other, "y"), -1);
  // Once writing works again, what was kept reaches the file even with an unchanged value.
  s.SetFailWritesForTests(false);
  ASSERT_TRUE(WriteInt(s, "x", 2));
  EXPECT_EQ(ReadInt(other, "x"), 2);
  EXPECT_EQ(ReadInt(other, "y"), 3);
}

TEST(SettingsStore, TwoStoresOnOneFolderSeeEachOthersWrites) {
  TempFolder tmp;
  TSettingsStore a(tmp.Path());
  TSettingsStore b(tmp.Path());
  // Quick writes of the same size: each is seen, however close together.
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(WriteInt(a, "n", i));
    ASSERT_EQ(ReadInt(b, "n"), i);
  }
  // Each writes its own block from a stale copy: neither change is lost.
  TSettingsStore c(tmp.Path());
  ASSERT_TRUE(WriteInt(a, "from_a", 1));
  ASSERT_TRUE(WriteInt(c, "from_c", 2));
  EXPECT_EQ(ReadInt(b, "from_a"), 1);
  EXPECT_EQ(ReadInt(b, "from_c"), 2);
  // Removing the file is noticed too.
  ASSERT_TRUE(DeleteFileU(a.FileName()));
  EXPECT_EQ(ReadInt(b, "n"), -1);
}

// While a thread holds its reads, it reads the store as last loaded: another store's write is
// seen only after the hold, and on other threads at once. A write through the held store itself
// still takes in the other's blocks first.
TEST(SettingsStore, HeldReadsLookNotAtTheFile) {
  TempFolder tmp;
  TSettingsStore a(tmp.Path());
  TSettingsStore b(tmp.Path());
  ASSERT_TRUE(WriteInt(a, "n", 1));
  ASSERT_EQ(ReadInt(b, "n"), 1);
  {
    TSettingsStore::HoldReadsOnThisThread(true);
    ASSERT_TRUE(WriteInt(a, "n", 2));
    EXPECT_EQ(ReadInt(b, "n"), 1);
    int32_t elsewhere = -1;
    std::thread([&] { elsewhere = ReadInt(b, "n"); }).join();
    EXPECT_EQ(elsewhere, 2);
    ASSERT_TRUE(WriteInt(a, "m", 5));
    ASSERT_TRUE(WriteInt(b, "k", 7));
    EXPECT_EQ(ReadInt(b, "m"), 5);
    TSettingsStore::HoldReadsOnThisThread(false);
  }
  EXPECT_EQ(ReadInt(b, "n"), 2);
  EXPECT_EQ(ReadInt(a, "k"), 7);
}

TEST(SettingsStore, UpdatesFromTwoProcessesAreNotLost) {
  TempFolder tmp;
  constexpr int kEach = 40;
  auto bump = [&](TSettingsStore& s, const char* name) {
    for (int i = 0; i < kEach; ++i) {
      s.Update(name, [](std::vector<uint8_t>& b) {
        int32_t n = 0;
        if (b.size() == 4) std::memcpy(&n, b.data(), 4);
        ++n;
        b.resize(4);
        std::memcpy(b.data(), &n, 4);
      });
    }
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TSettingsStore s(tmp.Path());
    bump(s, "shared");
    bump(s, "child_only");
    _exit(0);
  }
  TSettingsStore s(tmp.Path());
  bump(s, "shared");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadInt(s, "shared"), 2 * kEach);
  EXPECT_EQ(ReadInt(s, "child_only"), kEach);
}

TEST(SettingsStore, RemovingBlocksByPrefix) {
  TempFolder tmp;
  TSettingsStore s(tmp.Path());
  ASSERT_TRUE(WriteInt(s, "session.a", 1));
  ASSERT_TRUE(WriteInt(s, "session.b", 2));
  ASSERT_TRUE(WriteInt(s, "kept", 3));
  EXPECT_TRUE(s.RemoveBlocksWithPrefix("session."));
  TSettingsStore again(tmp.Path());
  EXPECT_EQ(again.BlockNames(), std::vector<std::string>({"kept"}));
  // An update that empties a block removes it.
  ASSERT_TRUE(s.Update("kept", [](std::vector<uint8_t>& b) { b.clear(); }));
  EXPECT_TRUE(again.BlockNames().empty());
}
