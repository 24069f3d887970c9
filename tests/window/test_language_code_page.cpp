// Settings > Language: the chooser lists every language known, takes a language named without its
// country, and sets the code page 8-bit texts are read in; the next run reads them so.
#include <QComboBox>

#include "shell/qt/language_chooser.h"
#include "shell/settings/language_choice.h"
#include "window/settings_dialog_road.h"
#include "window/window_test_support.h"

namespace {

constexpr int kLanguageMenuItem = 62;

class LanguageCodePage : public SettingsDialogRoad {};

TEST_F(LanguageCodePage, AnEightBitCorpusIsReadInTheChosenCodePage) {
  Start();
  // "Wielki świat." in ISO-8859-2: "ś" is byte 0xB6, which Windows-1250 reads as a pilcrow.
  HandOverTexts({dir.Write(u"texts/polish.txt", "Wielki \xB6wiat.\n")});
  struct Case {
    const char* typed;
    int code_page;
    int32_t lcid;
    int lines;  // of "świat"
  };
  const Case cases[] = {
      {"Polish", 0, 0x0415, 0},  // the language's own code page, Windows-1250
      {"Polish", 28592, 0x0415, 1},
      {"Russian", 0, 0x0419, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ThroughTheMenu<TLanguageChooser>(kLanguageMenuItem,
                                               [&](TLanguageChooser& d) {
                                                 EXPECT_GE(d.Combo()->findText(QStringLiteral("Russian (Russia)")), 0);
                                                 EXPECT_GT(d.Combo()->count(), 50);
                                                 d.Combo()->setEditText(QString::fromLatin1(c.typed));
                                                 d.CodePages()->setCurrentIndex(d.CodePages()->findData(c.code_page));
                                                 d.show();
                                                 if (c.code_page) SettingsShot(d, "language_code_page");
                                                 d.accept();
                                               }),
              int(QDialog::Accepted))
        << c.typed;
    ASSERT_TRUE(WaitUntil([&] { return GetTextSettings().LCID() == c.lcid; })) << c.typed;
    EXPECT_EQ(LinesFor(u"\u015Bwiat"), c.lines) << c.typed << " " << c.code_page;
  }
}

}  // namespace
