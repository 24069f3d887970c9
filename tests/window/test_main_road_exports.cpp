// Exports and the print preview of the main window after a run over the sample texts in a
// 1600 x 1000 window, as a fresh user meets them: the save-as dialog's fields, the files it
// writes, and the preview's sheets in both orientations (screenshots under exports/).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontComboBox>
#include <QTableWidget>
#include <QLineEdit>
#include <QPrinter>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QPrintPreviewWidget>
#include <cstring>
#include <fstream>
#include <iterator>

#include "concordance/lines/concordance_list.h"
#include "model/export_test_support.h"
#include "model/export/list_export.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/zip/zip_forge.h"
#include <QRegularExpression>

#include "shell/qt/page_list.h"
#include "shell/qt/print_preview.h"
#include "shell/qt/vx_grid.h"
#include "shell/grid_tools/save_as_rules.h"
#include "shell/qt/colour_settings_dialog.h"
#include "shell/qt/settings_dialogs.h"
#include "window/settings_dialog_road.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"
#include "windows/save_as_dialog.h"

namespace {

using TFields = std::vector<UString>;

class MainRoadExports : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    Main().resize(1600, 1000);
    std::vector<UString> texts;
    const QDir samples(QStringLiteral(LINZORA_SAMPLES_DIR));
    for (const QString& f : samples.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name))
      texts.push_back(FromQString(samples.filePath(f)));
    HandOverTexts(texts);
    RunFromWizard(u"the");
    ASSERT_NE(Main().Doc(), nullptr);
    ASSERT_GT(Main().Doc()->fConcordanceList->Count(), 100);
    Wizard().hide();
  }
  // Chooses Save As (menu tag) on the current page; the dialog, once shown, is looked at by
  // check, given the file name and confirmed.
  void SaveAs(int tag, const UString& file, const std::function<void(TSaveAsTxtDlgFeb2012&)>& check) {
    bool answered = false;
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
      auto* dialog = qobject_cast<TSaveAsTxtDlgFeb2012*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      check(*dialog);
      dialog->FileEdit()->setText(ToQString(file));
      dialog->OKClick();
      answered = true;
    });
    timer->start();
    Main().HandleMenuCommand(tag, u"");
    WaitUntil([&] { return answered && FileExists(file); });
    EXPECT_TRUE(answered);
  }
  TScriptedFileDialogs files;
  static constexpr int kTagSaveAsText = 2;
  static constexpr int kTagSaveAsSpreadsheet = 28;
};

}  // namespace

// A fresh store keeps 0 characters of a line for text output: the dialog says the lines go out
// whole, its rows run from 1 to the last line as the grid numbers them, and the file holds each
// line whole, as the list has it, with the text markers. The workbook's note agrees.
TEST_F(MainRoadExports, AFreshUsersConcordanceExportHoldsWholeLines) {
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  TConcordanceList& lines = *Main().Doc()->fConcordanceList;
  const int count = lines.TotalRowCount();
  const UString txt = dir.Path() + u"lines.txt";
  SaveAs(kTagSaveAsText, txt, [&](TSaveAsTxtDlgFeb2012& d) {
    EXPECT_EQ(d.Characters()->text(), QStringLiteral("whole lines"));
    EXPECT_EQ(FromQString(d.RowsEdit()->text()), u"0,1-" + IntToUStr(count));
    SaveScreenshot(d, QStringLiteral("exports/save_as_concordance"));
  });
  const std::vector<TFields> rows = TextExportFields(txt);
  ASSERT_EQ(static_cast<int>(rows.size()), count + 1);
  // A line written as text carries the text markers (the default marker before the search word).
  Main().Doc()->text_output = true;
  for (int r = 1; r <= count; ++r) {
    TGrid_data_rec cell;
    lines.DrawgridDataRec(1, r, cell, 0);
    ASSERT_GT(rows[static_cast<size_t>(r)].size(), 1u);
    ASSERT_EQ(Utf16ToUtf8(rows[static_cast<size_t>(r)][1]), Utf16ToUtf8(cell.text)) << "line " << r;
    const UString marker = GetConc_SW_TXT_Marker();
    const size_t at = cell.text.find(marker);
    ASSERT_NE(at, UString::npos) << "line " << r;
    EXPECT_EQ(ToQString(cell.text.substr(at + marker.size(), 3)).toLower(), QStringLiteral("the")) << "line " << r;
  }
  Main().Doc()->text_output = false;
  EXPECT_EQ(GetConcCharactersForTextOnly(), 0);

  const UString xlsx = dir.Path() + u"lines.xlsx";
  SaveAs(kTagSaveAsSpreadsheet, xlsx, [](TSaveAsTxtDlgFeb2012&) {});
  TZipForge zip;
  zip.SetFileName(xlsx);
  ASSERT_TRUE(zip.OpenArchive());
  TMemoryStream m;
  ASSERT_TRUE(zip.ExtractToStream(zip.FindMember(u"xl/worksheets/sheet1.xml"), m));
  const std::string sheet(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  EXPECT_NE(sheet.find("(" + Utf16ToUtf8(VXRes(TVXRes::VXWholeLinesSavedPerEntry)) + ")"), std::string::npos);
}

// The search word of an export takes the colour Settings > Colours gives the search word of the
// lines, and a rich-text export the font of Settings > Font, as the lines on screen do.
TEST_F(MainRoadExports, ExportsTakeTheSearchWordColourAndTheFontTheSettingsGive) {
  ASSERT_EQ(ThroughTheMenu<TColourSettingsDialog>(60,
                                                  [](TColourSettingsDialog& d) {
                                                    QTableWidget* words = d.WordColours();
                                                    ASSERT_TRUE(words->item(0, 0)->text().startsWith(
                                                        QStringLiteral("Search word")));
                                                    words->item(0, 1)->setText(QStringLiteral("#FF8000"));
                                                    d.accept();
                                                  }),
            int(QDialog::Accepted));
  ASSERT_EQ(ThroughTheMenu<TFontSettingsDialog>(61,
                                                [](TFontSettingsDialog& d) {
                                                  d.FontBox()->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
                                                  d.SizeBox()->setValue(14);
                                                  d.accept();
                                                }),
            int(QDialog::Accepted));
  const QString family = QFontInfo(QFont(QStringLiteral("DejaVu Serif"))).family();
  ASSERT_NE(TurnTo("Concordance"), nullptr);

  const UString rtf = dir.Path() + u"lines.rtf";
  SaveAs(kTagSaveAsText, rtf, [](TSaveAsTxtDlgFeb2012& d) {
    d.Format()->setCurrentIndex(kSaveAsRichText);
    d.RowsEdit()->setText(QStringLiteral("1-5"));
  });
  std::ifstream in(Utf16ToUtf8(rtf), std::ios::binary);
  const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The colour table holds the orange chosen (RGB 255, 128, 0) and no red; the lines' search word
  // is written in it, in the font and size chosen.
  const size_t table = doc.find("{\\colortbl ;");
  ASSERT_NE(table, std::string::npos);
  const std::string colours = doc.substr(table, doc.find('}', table) - table);
  EXPECT_NE(colours.find("\\red255\\green128\\blue0;"), std::string::npos) << colours;
  EXPECT_EQ(colours.find("\\red255\\green0\\blue0;"), std::string::npos) << colours;
  EXPECT_NE(doc.find("{\\f0\\fnil " + family.toStdString() + ";}"), std::string::npos) << doc.substr(0, 200);
  EXPECT_NE(doc.find("\\fs28 "), std::string::npos) << doc.substr(0, 200);

  const UString xlsx = dir.Path() + u"lines.xlsx";
  SaveAs(kTagSaveAsSpreadsheet, xlsx, [](TSaveAsTxtDlgFeb2012& d) { d.RowsEdit()->setText(QStringLiteral("1-5")); });
  TZipForge zip;
  zip.SetFileName(xlsx);
  ASSERT_TRUE(zip.OpenArchive());
  // The runs of the lines stand in the sheet or among the shared strings, as the writer chose.
  std::string strings;
  for (const char16_t* member : {u"xl/worksheets/sheet1.xml", u"xl/sharedStrings.xml"}) {
    TMemoryStream m;
    if (zip.ExtractToStream(zip.FindMember(member), m))
      strings.append(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  }
  EXPECT_NE(strings.find("FFFF8000"), std::string::npos) << strings.substr(0, 600);
  EXPECT_EQ(strings.find("FFFF0000"), std::string::npos) << strings.substr(0, 600);
}

// "Separate thousands" ticked, the numbers of the text export (the texts' sizes in bytes) are in
// groups of three; unticked, plain digits.
TEST_F(MainRoadExports, SeparateThousandsIsWhatTheTextExportWrites) {
  ASSERT_NE(TurnTo("Filenames"), nullptr);
  auto is_grouped = [](const UString& f) {
    const QString s = ToQString(f);
    return s.contains(QLatin1Char(',')) && QRegularExpression(QStringLiteral("^\\d{1,3}(,\\d{3})+$")).match(s).hasMatch();
  };
  auto is_long_plain = [](const UString& f) {
    return QRegularExpression(QStringLiteral("^\\d{4,}$")).match(ToQString(f)).hasMatch();
  };
  for (const bool ticked : {true, false}) {
    const UString txt = dir.Path() + (ticked ? u"grouped.txt" : u"plain.txt");
    SaveAs(kTagSaveAsText, txt, [ticked](TSaveAsTxtDlgFeb2012& d) { d.Thousands()->setChecked(ticked); });
    int grouped = 0, plain = 0;
    for (const TFields& row : TextExportFields(txt))
      for (size_t k = 1; k < row.size(); ++k) {
        grouped += is_grouped(row[k]) ? 1 : 0;
        plain += is_long_plain(row[k]) ? 1 : 0;
      }
    EXPECT_GT(ticked ? grouped : plain, 0) << ticked;
    EXPECT_EQ(ticked ? plain : grouped, 0) << ticked;
  }
}

// The collocates as text: the rows typed in the dialog are the rows written, every row has the
// heading row's fields, and the counts are there.
TEST_F(MainRoadExports, CollocatesAsTextHaveTheirNumbersUnderTheirHeadings) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  ASSERT_GT(grid->List()->TotalRowCount(), 5);
  const UString txt = dir.Path() + u"collocates.txt";
  SaveAs(kTagSaveAsText, txt, [](TSaveAsTxtDlgFeb2012& d) {
    EXPECT_TRUE(d.WithNumbers()->isChecked());  // the row numbers' column goes too
    d.RowsEdit()->setText(QStringLiteral("0,1-5"));
  });
  const std::vector<TFields> rows = TextExportFields(txt);
  ASSERT_EQ(rows.size(), 6u);
  for (size_t r = 1; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
    EXPECT_EQ(rows[r][0], IntToUStr(static_cast<int64_t>(r)));
    for (size_t k = 4; k < 8; ++k) EXPECT_FALSE(rows[r][k].empty()) << Utf16ToUtf8(rows[0][k]) << " row " << r;
  }
}

// The preview of the concordance: in either orientation every sheet's columns fit its paper, the
// sheets print as pages of their own, the caption names the list; Close and Escape close it.
TEST_F(MainRoadExports, PreviewOfTheConcordanceFitsItsSheets) {
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  Main().SetFileDialogs(&files);
  Main().PreviewGrid(grid);
  TVXFormPrintPreview* p = Main().PrintPreview();
  ASSERT_NE(p, nullptr);
  p->resize(1000, 900);
  for (const bool landscape : {true, false}) {
    const char* name = landscape ? "landscape" : "portrait";
    p->SetLandscape(landscape);
    QApplication::processEvents();
    const TGridPagePlan& plan = p->Plan();
    EXPECT_EQ(p->PageCount(), plan.PageCount() * plan.BandCount()) << name;
    const double width = p->Printer().pageRect(QPrinter::DevicePixel).width() * 96.0 / p->Printer().resolution();
    for (int32_t band = 0; band < plan.BandCount(); ++band) {
      int32_t used = 0;
      for (const int32_t c : plan.ColumnsOfSheet(band)) used += plan.drawn_widths[static_cast<size_t>(c)];
      // The plan's widths are the grid's, drawn at the plan's scale.
      EXPECT_LE(used * plan.scale, width) << name << " band " << band;
    }
    EXPECT_TRUE(p->windowTitle().contains(QStringLiteral("Concordance"))) << name;
    EXPECT_TRUE(p->windowTitle().contains(QString::fromLatin1(name))) << name;
    SaveScreenshot(*p, QStringLiteral("exports/print_preview_") + QString::fromLatin1(name));
    if (plan.BandCount() > 1) {
      p->SendCommand(kPreviewNextPage);
      SaveScreenshot(*p, QStringLiteral("exports/print_preview_") + QString::fromLatin1(name) + QStringLiteral("_2"));
      p->SendCommand(kPreviewPreviousPage);
    }
    const UString pdf = dir.Path() + UString(name, name + std::strlen(name)) + u".pdf";
    files.answers = {pdf};  // no printer: into a PDF file
    dialogs.Script({mrYes});              // more than ten pages
    p->SendCommand(kPreviewPrint);
    EXPECT_EQ(PdfPageCount(ToQString(pdf)), p->PageCount()) << name;
  }
  p->CloseButton()->click();
  EXPECT_FALSE(p->isVisible());
  p->show();
  QTest::keyClick(p->PreviewWidget(), Qt::Key_Escape);  // from a control inside
  EXPECT_FALSE(p->isVisible());
}
