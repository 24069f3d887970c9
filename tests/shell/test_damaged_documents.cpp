// Documents this program wrote (a ".cnc" and a ".lst"), cut short or with bytes flipped, read
// into a document that already holds a result, as opening a file does: each is refused or read,
// never a crash. A refusal leaves the held document (byte for byte as it saves, with its width,
// language and name) and the user's settings as they were, and so does the diagnosis that tells
// a file cut short from a damaged one. The number of mutations is bounded to keep the test fast.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "concordance/document_test_support.h"
#include "platform/settings/settings_access.h"
#include "shell/files/document_read_failure.h"
#include "wordlist/word_list_document.h"

namespace {

using document_test::ScopedSettings;

constexpr int kMutationsPerFile = 160;

// What a refused read must leave alone: the user's settings and the last file of each tool.
struct TUserSettings {
  TConcSettingsRec32 conc = GetConcSaveRec();
  TTextsett_rec32 text = GetTextSettings();
  TWordlist_settings_rec words = GetWordlistSettings();
  UString last_concordance = GetLastMainToolFileName(kToolConcordancer);
  UString last_word_list = GetLastMainToolFileName(kToolWordLister);

  bool operator==(const TUserSettings& o) const {
    return std::memcmp(conc.bytes, o.conc.bytes, sizeof conc.bytes) == 0 &&
           std::memcmp(text.bytes, o.text.bytes, sizeof text.bytes) == 0 &&
           std::memcmp(words.bytes, o.words.bytes, sizeof words.bytes) == 0 &&
           last_concordance == o.last_concordance && last_word_list == o.last_word_list;
  }
  // Each record written only when it differs: every write reaches the disk.
  void PutBack() const {
    const TUserSettings now;
    if (std::memcmp(now.conc.bytes, conc.bytes, sizeof conc.bytes) != 0) SetConcSaveRec(conc);
    if (std::memcmp(now.text.bytes, text.bytes, sizeof text.bytes) != 0) SetTextSettings(text);
    if (std::memcmp(now.words.bytes, words.bytes, sizeof words.bytes) != 0) SetWordlistSettings(words);
    if (now.last_concordance != last_concordance) SetLastMainToolFileName(kToolConcordancer, last_concordance);
    if (now.last_word_list != last_word_list) SetLastMainToolFileName(kToolWordLister, last_word_list);
  }
};

// What a held document is, as far as anyone can see it.
struct THeldState {
  std::string saved;
  bool unicode = true;
  TLCID lcid = 0;
  int code_page = 0;
  UString file_name;
  bool operator==(const THeldState& o) const {
    return saved == o.saved && unicode == o.unicode && lcid == o.lcid && code_page == o.code_page &&
           file_name == o.file_name;
  }
};

THeldState StateOf(TTessorineholder& doc) {
  TMemoryStream m;
  EXPECT_TRUE(doc.StartSaveToFile(m, u"x", 0, 0, 96) && doc.SaveToStream(m));
  return {std::string(m.Data().begin(), m.Data().end()), doc.Unicode(), doc.LCID(), doc.CodePage(),
          doc.SourceTextFilename};
}

struct TMutationCount {
  int cuts_refused = 0;  // every cut is refused
  int flips_refused = 0;
  int read = 0;
};

// Cuts and flips `bytes` kMutationsPerFile times (fixed seed) and reads each into a document made
// by `make_held`, which after a read that succeeded holds that result instead; a refusal is then
// diagnosed in an empty document of the tool (`make_empty`).
using TMakeDocument = std::function<std::unique_ptr<TTessorineholder>()>;
TMutationCount MutateAndRead(const std::string& bytes, uint8_t tool, TempFolder& dir, const char16_t* name,
                             const TMakeDocument& make_held, const TMakeDocument& make_empty) {
  TMutationCount count;
  TUserSettings user;  // as the test set them; making the held result may change them
  std::unique_ptr<TTessorineholder> held = make_held();
  user.PutBack();
  held->SourceTextFilename = u"/results/held";
  (void)StateOf(*held);  // the first save raises the versions it writes
  THeldState before = StateOf(*held);
  std::mt19937 rng(2024);
  for (int i = 0; i < kMutationsPerFile; ++i) {
    std::string damaged = bytes;
    std::string what;
    if (i % 2 == 0) {
      damaged.resize(rng() % bytes.size());
      what = "cut at " + std::to_string(damaged.size());
    } else {
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < flips; ++k) {
        const size_t at = rng() % bytes.size();
        damaged[at] = static_cast<char>(damaged[at] ^ (1 + rng() % 255));
        what += "flip at " + std::to_string(at) + " ";
      }
    }
    const UString file = dir.Write(name, damaged);
    if (held->ReadWholeFromFile(file, tool).first) {
      ++count.read;  // a whole read may change the user's settings: those are the ones to keep now
      user = TUserSettings();
      (void)StateOf(*held);
      before = StateOf(*held);
      continue;
    }
    ++(i % 2 == 0 ? count.cuts_refused : count.flips_refused);
    EXPECT_TRUE(StateOf(*held) == before) << what;
    EXPECT_TRUE(TUserSettings() == user) << what;
    std::unique_ptr<TTessorineholder> empty = make_empty();
    EXPECT_NE(WhyDocumentDidNotRead(*empty, file, tool), TReadFailure::Missing) << what;
    EXPECT_TRUE(TUserSettings() == user) << what << " (diagnosis)";
  }
  return count;
}

}  // namespace

TEST(DamagedDocuments, MutatedConcordancesAreRefusedOrReadAndARefusalChangesNothing) {
  ScopedSettings settings;
  current_tool_var = kToolConcordancer;
  TempFolder dir;
  const std::vector<UString> texts = {
      dir.Write(u"a.txt", "the old man and the sea. the dog ran to the old boat."),
      dir.Write(u"b.txt", document_test::Utf16Bytes(u"a dog and an old cat \u05D0. the old dog slept.", true, true)),
      dir.Write(u"c.txt", "nothing here at all.")};
  document_test::TRunDone written = document_test::RunConcordance({texts, u"old\ndog"});
  ASSERT_TRUE(written.found);
  const std::string bytes = document_test::SavedBytes(*written.doc);
  TConcSettingsRec32 user = GetConcSaveRec();
  user.SetWantedPerSearchWord(4321);
  SetConcSaveRec(user);
  SetLastMainToolFileName(kToolConcordancer, dir.Path() + u"kept.cnc");
  // The held result: another search, saved and opened.
  document_test::TRunDone other = document_test::RunConcordance({{texts[0]}, u"the"});
  ASSERT_TRUE(other.found);
  const std::string held_bytes = document_test::SavedBytes(*other.doc);
  const TMutationCount count = MutateAndRead(
      bytes, kToolConcordancer, dir, u"mutated.cnc",
      [&] {
        std::unique_ptr<T_WholeLinzoraHolder> held = document_test::NewDocument();
        EXPECT_TRUE(document_test::ReadBack(*held, held_bytes));
        return std::unique_ptr<TTessorineholder>(std::move(held));
      },
      [] { return std::unique_ptr<TTessorineholder>(document_test::NewDocument()); });
  EXPECT_EQ(count.cuts_refused, kMutationsPerFile / 2);
  EXPECT_GT(count.flips_refused, 0);
}

TEST(DamagedDocuments, MutatedWordListsAreRefusedOrReadAndARefusalChangesNothing) {
  ScopedSettings settings;
  current_tool_var = kToolConcordancer;
  TempFolder dir;
  auto make = [](const char16_t* word, int32_t frequency) {
    auto doc = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false,
                                                       nullptr, nullptr);
    doc->Words().AddRow({1, frequency, 0.0f, word, u"", u""});
    doc->Words().AddRow({2, 3, 0.5f, u"DOG", u"", u""});
    TOne_text_stats_rec rec;
    rec.name = u"/texts/a.txt";
    doc->Stats().Add(new TStatsEntry(rec, false, &doc->Stats()));
    TKeywordRecord k{};
    k.frequency = frequency;
    k.keyness = 6.9f;
    doc->Keywords().AddRow(k, word);
    doc->fNotes.Add(u"made by hand");
    return doc;
  };
  std::unique_ptr<T_WholeWordlistHolder> written = make(u"\u0416\u0418\u0417\u041D\u042C", 12);
  written->SetUnicode(false);  // 8-bit text in the document's code page
  TMemoryStream m;
  ASSERT_TRUE(written->StartSaveToFile(m, u"w.lst", 0, 0, 96) && written->SaveToStream(m));
  const std::string bytes(m.Data().begin(), m.Data().end());
  TWordlist_settings_rec user = GetWordlistSettings();
  user.SetRatioBasis(777);
  SetWordlistSettings(user);
  const TMutationCount count = MutateAndRead(bytes, kToolWordLister, dir, u"mutated.lst", [&] {
    return std::unique_ptr<TTessorineholder>(make(u"KEEP", 7));
  }, [] {
    return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr,
                                                   nullptr);
  });
  EXPECT_EQ(count.cuts_refused, kMutationsPerFile / 2);
  EXPECT_GT(count.flips_refused, 0);
}
