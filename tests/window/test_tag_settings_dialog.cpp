// The Tags settings through the program's own Settings menu: the controller stand-in's dialog
// shows what is stored, and what it stores changes the next concordance as the readers say.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <random>

#include "model/reading/tag_lists.h"
#include "shell/files/file_dialogs.h"
#include "shell/qt/tag_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kTagsMenuItem = 64;

class TagSettingsRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    news = dir.Write(u"corpus/news.txt",
                     "<genre=news> The river rose. <note>A river note.</note> <body>By the river a <w NN>cat sat."
                     "</body> After the river.\n");
    diary = dir.Write(u"corpus/diary.txt", "<genre=diary> My river walk.\n");
    HandOverTexts({news, diary});
  }
  int ThroughTheMenu(const std::function<void(TTagSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TTagSettingsDialog>(kTagsMenuItem, fill);
  }
  // The section number of each line, in text order.
  std::vector<int> SectionsOfLines(UStringView words) {
    RunFromWizard(words);
    std::vector<std::pair<int64_t, int>> by_place;
    if (T_WholeLinzoraHolder* doc = Main().Doc())
      for (int i = 0; i < doc->fConcordanceList->Count(); ++i) {
        const TConcordanceEntry& entry = *doc->fConcordanceList->Line(i);
        const TConcordanceLineData& line = entry.Data();
        by_place.emplace_back(line.filename_num_original * (int64_t{1} << 40) + line.byte_position,
                              entry.UnitNumber(kUnitSection));
      }
    std::sort(by_place.begin(), by_place.end());
    std::vector<int> out;
    for (const auto& p : by_place) out.push_back(p.second);
    return out;
  }
  UString news, diary;
};

}  // namespace

TEST_F(TagSettingsRoad, EachGroupChangesTheNextConcordance) {
  ASSERT_EQ(LinesFor(u"river"), 5);
  ASSERT_EQ(LinesFor(u"<w NN>cat"), 0);

  // Mark-up: the note's span is gone, the word-class tag is kept and found with its word.
  ASSERT_EQ(ThroughTheMenu([](TTagSettingsDialog& d) {
              d.ExcludeBox()->setPlainText(QStringLiteral("<note>*</note>"));
              d.KeepBox()->setPlainText(QStringLiteral("<w *>"));
              d.show();
              SettingsShot(d, "tags_markup");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetTagsExcludeWanted(), 1);
  EXPECT_EQ(LinesFor(u"river"), 4);
  EXPECT_EQ(LinesFor(u"<w NN>cat"), 1);

  // The dialog opens on what is stored.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    EXPECT_EQ(d.ExcludeBox()->toPlainText(), QStringLiteral("<note>*</note>"));
    EXPECT_EQ(d.KeepBox()->toPlainText(), QStringLiteral("<w *>"));
    d.reject();
  });

  // Texts: only those holding the string are read.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.Tabs()->setCurrentIndex(2);
    d.SelectTexts()->setChecked(true);
    d.TextsWithBox()->setPlainText(QStringLiteral("<genre=diary>"));
    d.show();
    SettingsShot(d, "tags_texts");
    d.accept();
  });
  EXPECT_EQ(LinesFor(u"river"), 1);

  // Parts of texts: only the body is read.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.SelectTexts()->setChecked(false);
    d.TextsWithBox()->clear();
    d.Tabs()->setCurrentIndex(3);
    d.PartsOnly()->setChecked(true);
    d.PartsTable()->setItem(0, 0, new QTableWidgetItem(QStringLiteral("<body>")));
    d.PartsTable()->setItem(0, 1, new QTableWidgetItem(QStringLiteral("</body>")));
    d.show();
    SettingsShot(d, "tags_parts");
    d.accept();
  });
  // The news is read from <body> to </body> (1 of its 3 lines left); the diary has no body and
  // stays whole.
  EXPECT_EQ(LinesFor(u"river"), 2);
}

TEST_F(TagSettingsRoad, AMarkerIsFoundAndAHeaderIsCut) {
  const std::vector<int> sections_before = SectionsOfLines(u"river");
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.Tabs()->setCurrentIndex(1);
    d.MarkerBox(6)->setText(QStringLiteral("<body>"));
    d.show();
    SettingsShot(d, "tags_markers");
    d.accept();
  });
  EXPECT_EQ(GetTextSettings().MarkerText(20), u"<body>");
  // The marker starts a second section in the news: its two last lines (of four) lie in it.
  EXPECT_EQ(sections_before, (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_EQ(SectionsOfLines(u"river"), (std::vector<int>{1, 1, 2, 2, 1}));

  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.MarkerBox(6)->clear();
    d.HeaderBox()->setText(QStringLiteral("<body>"));
    d.accept();
  });
  EXPECT_EQ(GetEndOfTextHeader(), u"<body>");
  EXPECT_EQ(LinesFor(u"river"), 3);  // news after its body's start (2), the diary whole (1)
}

// Square brackets made mark-up hide what they hold, as angle brackets do.
TEST_F(TagSettingsRoad, NewMarkUpBracketsHideWhatTheyHold) {
  HandOverTexts({dir.Write(u"corpus/notes.txt", "The [river] flows by the river. [gloss: river bank]\n")});
  ASSERT_EQ(LinesFor(u"river"), 3);
  ThroughTheMenu([](TTagSettingsDialog& d) {
    EXPECT_EQ(d.MarkupBox()->text(), QStringLiteral("<>"));  // as stored
    d.MarkupBox()->setText(QStringLiteral("<> []"));
    d.accept();
  });
  EXPECT_EQ(LinesFor(u"river"), 1);
}

TEST_F(TagSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  const TTextsett_rec32 before = GetTextSettings();
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.KeepBox()->setPlainText(QStringLiteral("<w *>"));
    d.HeaderBox()->setText(QStringLiteral("<body>"));
    d.reject();
  });
  EXPECT_EQ(GetTagsWanted(), 0);
  EXPECT_EQ(GetEndOfTextHeader(), u"");
  EXPECT_TRUE(GetTextSettings().SameBytes(before));

  dialogs.Clear();
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.KeepBox()->setPlainText(QStringLiteral("<w *>\nhead"));
    d.Tabs()->setCurrentIndex(3);
    d.CutLineStart()->setValue(-2);
    d.PartsTable()->setItem(1, 0, new QTableWidgetItem(QStringLiteral("<quote>")));
    d.accept();  // refused: it stays open with everything typed
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(d.KeepBox()->toPlainText(), QStringLiteral("<w *>\nhead"));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  const UString said = dialogs.Asked()[0].text;
  EXPECT_NE(said.find(u"Tags to keep, line 2"), UString::npos) << Utf16ToUtf8(said);
  EXPECT_NE(said.find(u"Parts of texts, pair 1"), UString::npos) << Utf16ToUtf8(said);
  EXPECT_EQ(GetTagsWanted(), 0);
  EXPECT_EQ(GetCutStartOfTextLine(), 0);
  EXPECT_EQ(LinesFor(u"river"), 5);
}

namespace {

// Names the file of every open request, in turn, and keeps the requests.
class TNamedFiles : public TFileDialogs {
 public:
  bool ChooseFileToOpen(const TFileDialogRequest& r, UString& chosen) override {
    requests.push_back(r);
    if (names.empty()) return false;
    chosen = names.front();
    names.pop_front();
    return true;
  }
  bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override { return ChooseFileToOpen(r, chosen); }
  std::deque<UString> names;
  std::vector<TFileDialogRequest> requests;
};

std::string Utf16FileOf(std::u16string_view text) {
  std::string bytes("\xFF\xFE", 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace

// Each list filled from a tag file through its Load button, by the file's rules: comments, commas
// between entries, colours, a line that is no tag taken on the user's word, and at most five
// warnings for the wrong lines of a file. What is loaded changes the next concordance.
TEST_F(TagSettingsRoad, ListsLoadFromTheUsersTagFiles) {
  TNamedFiles files;
  Main().SetFileDialogs(&files);
  const UString keep = dir.Write(u"tags/keep.txt",
                                 "; tags to keep\r\n<w *> /colour=\"Dollar Green ON Cream\"\r\n<head>, </head>\r\nhead\r\n");
  const UString exclude = dir.Write(u"tags/exclude.txt", "<note>*</note>\nno closing tag\n");
  std::u16string entities = u"&amp; &\n&eacute; #233\n";
  for (int i = 0; i < 7; ++i) entities += u"bad" + IntToUStr(i) + u"\n";
  const UString entity_file = dir.Write(u"tags/entities.txt", Utf16FileOf(entities));
  dialogs.Clear();
  dialogs.Script({mrYes});  // "head": include it all the same

  ASSERT_EQ(ThroughTheMenu([&](TTagSettingsDialog& d) {
              files.names = {keep, exclude, entity_file};
              d.LoadButton(TTagFileList::Keep)->click();
              d.LoadButton(TTagFileList::Exclude)->click();
              d.LoadButton(TTagFileList::Entities)->click();
              EXPECT_EQ(d.KeepBox()->toPlainText(), QStringLiteral("<w *>\n<head>\n</head>\nhead"));
              EXPECT_EQ(d.ExcludeBox()->toPlainText(), QStringLiteral("<note>*</note>"));
              EXPECT_EQ(d.EntitiesBox()->toPlainText(), QStringLiteral("&amp; &\n&eacute; \u00E9"));
              d.show();
              SettingsShot(d, "tags_loaded");
              d.accept();
            }),
            int(QDialog::Accepted));
  ASSERT_EQ(files.requests.size(), 3u);
  EXPECT_EQ(files.requests[0].filter, u"Text files (*.txt);;All files (*)");
  // The question about "head", then five warnings of the seven wrong entity lines.
  std::vector<UString> said;
  for (const TVXQuestion& q : dialogs.Asked()) said.push_back(q.text);
  ASSERT_EQ(said.size(), 6u) << Utf16ToUtf8(AllQuestionText());
  EXPECT_NE(said[0].find(u"\"head\""), UString::npos);
  for (int i = 0; i < 5; ++i) EXPECT_NE(said[static_cast<size_t>(i) + 1].find(u"\"bad" + IntToUStr(i) + u"\""), UString::npos);

  EXPECT_EQ(GetTagsWanted(), 4);
  TTagsToKeepList stored(GetTextSettings().LCID(), GetTextSettings().WindowsCodePage());
  ASSERT_TRUE(stored.LoadFromTempFile());
  ASSERT_EQ(stored.Count(), 4);
  int32_t green = 0, cream = 0;
  ASSERT_TRUE(TagColourFromName(u"Dollar Green", green));
  ASSERT_TRUE(TagColourFromName(u"Cream", cream));
  EXPECT_EQ(stored.GetTagRec(0).foreground_colour, green);
  EXPECT_EQ(stored.GetTagRec(0).background_colour, cream);
  EXPECT_EQ(stored.Partner(1), 2);  // <head> and </head> paired
  EXPECT_EQ(GetTagsExcludeWanted(), 1);
  EXPECT_EQ(GetTagsTranslateWanted(), 2);

  // Opened again, the line taken on the user's word is kept without a refusal.
  dialogs.Clear();
  EXPECT_EQ(ThroughTheMenu([](TTagSettingsDialog& d) { d.accept(); }), int(QDialog::Accepted));
  EXPECT_TRUE(dialogs.Asked().empty()) << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(GetTagsWanted(), 4);

  EXPECT_EQ(LinesFor(u"river"), 4);
  EXPECT_EQ(LinesFor(u"<w NN>cat"), 1);
}

// A tag file that is missing, too large, binary or gives no entry is named in a message, and the
// list and what is stored stay as they were: in each of the three lists, and a binary file is
// refused as such before a line of it is read (junk would give entity lines).
TEST_F(TagSettingsRoad, ABadTagFileIsNamedAndChangesNothing) {
  TNamedFiles files;
  Main().SetFileDialogs(&files);
  const UString huge = dir.Write(u"tags/huge.txt", "<p>\n");
  ASSERT_EQ(::truncate(Utf16ToUtf8(huge).c_str(), kMostUserTagFileBytes + 1), 0);  // sparse: no time to write
  struct TCase {
    std::string what;
    UString file;
    bool binary = false;
  };
  std::vector<TCase> cases = {
      {"missing", dir.Path() + u"tags/none.txt"},
      {"too large", huge},
      {"a program", dir.Write(u"tags/program.txt", std::string("\x7F" "ELF\x02\x01\x01\0\0\0<p>\0\x03", 16)), true},
      {"UTF-16 with a zero character", dir.Write(u"tags/zero16.txt", std::string("\xFF\xFE&\0 \0\0\0x\0", 10)), true},
      {"only comments", dir.Write(u"tags/comments.txt", "; nothing here\n;\n")},
      {"a folder", dir.Path() + u"tags"},
  };
  // Random bytes as a user may pick them by mistake, with zeros and without.
  std::mt19937 rng(975);
  for (int k = 0; k < 12; ++k) {
    std::string bytes(975, '\0');
    for (char& c : bytes) c = static_cast<char>(k % 2 ? 1 + rng() % 255 : rng() % 256);
    const std::string name = "tags/random" + std::to_string(k) + ".bin";
    cases.push_back({"random bytes " + std::to_string(k), dir.Write(Utf8ToUtf16(name), bytes), true});
  }
  const std::pair<TTagFileList, QPlainTextEdit* (TTagSettingsDialog::*)() const> lists[] = {
      {TTagFileList::Keep, &TTagSettingsDialog::KeepBox},
      {TTagFileList::Exclude, &TTagSettingsDialog::ExcludeBox},
      {TTagFileList::Entities, &TTagSettingsDialog::EntitiesBox},
  };
  for (const auto& [list, box] : lists)
    for (const TCase& c : cases) {
      SCOPED_TRACE(c.what + " in list " + std::to_string(static_cast<int>(list)));
      dialogs.Clear();
      EXPECT_EQ(ThroughTheMenu([&, list = list, box = box](TTagSettingsDialog& d) {
                  (d.*box)()->setPlainText(QStringLiteral("<b>"));
                  files.names = {c.file};
                  d.LoadButton(list)->click();
                  EXPECT_EQ((d.*box)()->toPlainText(), QStringLiteral("<b>"));
                  d.reject();
                }),
                int(QDialog::Rejected));
      ASSERT_EQ(dialogs.Asked().size(), 1u) << Utf16ToUtf8(AllQuestionText());
      const UString said = dialogs.Asked()[0].text;
      EXPECT_NE(said.find(c.file), UString::npos) << Utf16ToUtf8(said);
      EXPECT_EQ(said.find(u"binary") != UString::npos, c.binary) << Utf16ToUtf8(said);
      EXPECT_EQ(GetTagsWanted(), 0);
      EXPECT_EQ(GetTagsExcludeWanted(), 0);
      EXPECT_EQ(GetTagsTranslateWanted(), 0);
    }
}
