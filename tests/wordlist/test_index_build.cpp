// Building a corpus index from small texts counted by hand: types, places, chains, markers.
#include "../model/text_reader_test_support.h"
#include "wordlist/index_test_support.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

class IndexBuild : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  ScopedSettings settings;
  TempFolder tmp;
};

TEST_F(IndexBuild, Smoke) {
  auto doc = NewDoc();
  const UString a = tmp.Write(u"a.txt", "The cat sat. The dog ran, the cat hid.");
  const UString b = tmp.Write(u"b.txt", "A cat and a dog.");
  ASSERT_TRUE(BuildIndex(*doc, tmp.Path() + u"corpus", {a, b})) << Utf16ToUtf8(doc->LastFailure());
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(tmp.Path() + u"corpus.tokens").first) << Utf16ToUtf8(reader->LastFailure());
  TIndexHandler* index = reader->IndexHandler();
  ASSERT_NE(index, nullptr);
  auto contexts = index->ListOfAllContextsToAWord(u"cat");
  EXPECT_EQ(contexts->Count(), 3);
  for (const auto& c : contexts->items) printf("%d %d %d %08x\n", c.index_place, c.data.file_number, c.data.file_byte_position, c.data.word_type_number);
  auto phrase = index->AllContextsOf(u"the cat");
  EXPECT_EQ(phrase->holders.size(), 2u);
  for (int i = 0; i < reader->GetWordlistByListType(kListIndexWordlist)->Count(); ++i) {
    auto* r = reader->GetWordlistByListType(kListIndexWordlist)->Row(i);
    printf("%s %d %d\n", Utf16ToUtf8(r->data.word).c_str(), r->data.frequency, r->data.n_texts);
  }
}

}  // namespace
