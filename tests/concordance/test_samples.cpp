// The bundled sample corpus: each text is in the encoding its README names, and the whole folder
// (zip member included) gives the concordance the README promises.
#include <gtest/gtest.h>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/text/text_files.h"

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

class TSampleDocument : public TConcordanceListDocument {};

}  // namespace

TEST(SampleCorpus, EachTextDecodesAsItsReadmeSays) {
  struct Case {
    const char16_t* file;
    TTextBytesKind kind;
    const char16_t* phrase;  // characters that only the right decoding gives
  };
  const Case cases[] = {
      {u"river_spring.txt", TTextBytesKind::Utf8, u"The River in Spring"},
      {u"town_and_river.txt", TTextBytesKind::Utf8, u"Ren\u00e9e"},
      {u"ferry_letters.txt", TTextBytesKind::Utf16LE, u"Dear Margaret"},
      {u"flood_report.txt", TTextBytesKind::Utf16BE, u"Report on the Flood"},
      {u"hallam_mill.txt", TTextBytesKind::CodePage, u"\u00a39 a year, and the mill\u2019s"},
      {u"bridge_walk.txt", TTextBytesKind::Utf8, u"<s>This walk begins"},
      {u"fishing_notes.txt", TTextBytesKind::Utf8, u"&amp;"},
      {u"autumn_on_the_river.txt", TTextBytesKind::Utf8, u"Evening at the Weir"},
      {u"river_words.txt", TTextBytesKind::Utf8, u"swirl hole"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.file));
    UString text;
    TTextBytesKind kind{};
    ASSERT_TRUE(ReadTextFile(kSamples + c.file, text, 1 << 20, 1252, false, &kind));
    EXPECT_EQ(kind, c.kind);
    EXPECT_NE(text.find(c.phrase), UString::npos);
    EXPECT_EQ(text.find(u'\uFFFD'), UString::npos);
  }
}

TEST(SampleCorpus, TheFolderGivesTheRiverConcordance) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_EQ(chosen.AddedFolderContents(kSamples, u"*.txt", false, true), 10);  // nine files, one member
  std::vector<TChosenFileDetailsFullRec> texts;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) texts.push_back(chosen.GetFullFileDetails(i));

  TSampleDocument doc;
  TConcordanceList list(nullptr, &doc);
  const TConcordanceRunResult result = RunTextsIntoList(texts, u"river", list);
  ASSERT_EQ(result.texts.size(), 10u);
  for (const TTextRunOutcome& t : result.texts) EXPECT_TRUE(t.read_ok);
  EXPECT_EQ(list.Count(), 91);  // every text has the word; counted by hand with grep -iw
}
