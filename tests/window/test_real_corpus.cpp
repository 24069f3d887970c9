// Every page, dialog and export of the main window after a run over a real corpus in a 1600 x
// 1000 window: the bundled samples and a generated corpus of 200 dated texts with mark-up. Each
// is grabbed into <screenshots>/real_corpus/ (a text file beside each set says what the
// window's title and status bar said), and what a linguist would notice first is checked: pages
// that show rows, headings that say what the cells hold, columns wide enough for their words.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>

#include "concordance/views/timeline_list.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_files.h"
#include "platform/zip/zip_forge.h"
#include "shell/qt/vx_grid.h"
#include "window/modal_answers.h"
#include "window/real_corpus_support.h"
#include "model/lists/search_conditions.h"
#include "platform/runtime/vx_resources.h"
#include "windows/conditions_window.h"
#include "windows/extra_details_window.h"
#include "windows/one_text_viewer.h"
#include "windows/save_as_dialog.h"
#include "windows/word_cloud_options_dialog.h"
#include "windows/word_cloud_window.h"
#include "windows/sort_dialog.h"
#include "windows/timeline_settings_dialog.h"
#include "windows/timeline_view.h"

namespace {

// An exported file as a reader sees it: text files decoded, a workbook's sheets and shared
// strings as their XML.
QString ExportedText(const UString& file) {
  if (EndsWithU(file, u".xlsx")) {
    TZipForge zip;
    zip.SetFileName(file);
    if (!zip.OpenArchive(TZipOpenMode::Read)) return QStringLiteral("(not a zip archive)");
    QString out;
    for (size_t i = 0; i < zip.Members().size(); ++i) {
      const TZipMemberInfo& m = zip.Members()[i];
      if (m.name.find(u"sheet") == UString::npos && m.name.find(u"sharedStrings") == UString::npos) continue;
      TMemoryStream s;
      if (!zip.ExtractToStream(static_cast<int32_t>(i), s)) continue;
      const std::vector<uint8_t>& d = s.Data();
      QString xml = QString::fromUtf8(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size()));
      xml.replace(QStringLiteral("<row"), QStringLiteral("\n<row"));
      out += QStringLiteral("=== ") + ToQString(m.name) + QStringLiteral("\n") + xml.left(60000) + QStringLiteral("\n");
    }
    return out;
  }
  UString text;
  if (!ReadTextFile(file, text, 64 << 20, 1252, true)) return QStringLiteral("(cannot be read)");
  return ToQString(text);
}

class RealCorpus : public RealCorpusTest {
 protected:
  // Grabs every page in tab order (the time-line computed first), the sort dialog, the save-as
  // dialog in each format with what it wrote, and the print preview both ways.
  void GrabEverything(const QString& prefix) {
    TFormLinzora& w = Main();
    QString states;
    auto shot = [&](QWidget& widget, const QString& name) {
      states += QStringLiteral("--- ") + name + QStringLiteral("\n") + WindowState();
      return Shot(widget, prefix + QStringLiteral("_") + name);
    };
    struct TPage {
      const char* caption;
      const char* name;
    } pages[] = {{"Concordance", "concordance"}, {"Collocates", "collocates"}, {"Plot", "plot"},
                 {"Patterns", "patterns"},       {"Clusters", "clusters"},     {"Timeline", "timeline_before"},
                 {"Filenames", "filenames"},     {"Notes", "notes"}};
    for (const TPage& p : pages) {
      QWidget* page = TurnTo(QString::fromLatin1(p.caption));
      ASSERT_NE(page, nullptr) << p.caption;
      const QImage img = shot(w, QString::fromLatin1(p.name));
      EXPECT_GT(ColoursIn(img), 4) << p.caption;
    }

    // Compute > Time-line: the settings dialog, then the page again and the notes.
    TurnTo(QStringLiteral("Timeline"));
    ActOnNextModal([&](QDialog& d) {
      auto& settings = static_cast<TFormTimelineSettings&>(d);
      settings.Basis()->setCurrentIndex(settings.Basis()->findText(QStringLiteral("year")));
      Shot(d, prefix + QStringLiteral("_timeline_settings"));
      settings.OKClick();
    });
    w.HandleMenuCommand(58, u"");
    DeliverPendingEvents();
    shot(w, QStringLiteral("timeline"));
    ExpectTimelinePeriodsLabelled(prefix);
    // By decade too.
    ActOnNextModal([&](QDialog& d) {
      auto& settings = static_cast<TFormTimelineSettings&>(d);
      settings.Basis()->setCurrentIndex(settings.Basis()->findText(QStringLiteral("decade")));
      settings.OKClick();
    });
    w.HandleMenuCommand(58, u"");
    DeliverPendingEvents();
    shot(w, QStringLiteral("timeline_decade"));
    ExpectTimelinePeriodsLabelled(prefix + QStringLiteral(" by decade"));
    TurnTo(QStringLiteral("Notes"));
    shot(w, QStringLiteral("notes_after_timeline"));

    // The sort dialog, from the line column's heading.
    TurnTo(QStringLiteral("Concordance"));
    ASSERT_NE(windows->sort, nullptr);
    WhenShown(windows->sort, [&] {
      Shot(*windows->sort, prefix + QStringLiteral("_sort_dialog"));
      windows->sort->SetModalResult(mrCancel);
    });
    w.ConcordanceGrid()->horizontalHeader()->sectionClicked(0);
    DeliverPendingEvents();

    // Save as, each format, from the concordance and the collocates pages.
    const char* const kExt[] = {"txt", "xml", "xlsx", "rtf"};
    for (const char* caption : {"Concordance", "Collocates", "Timeline"}) {
      TurnTo(QString::fromLatin1(caption));
      for (int format = kSaveAsPlainText; format <= kSaveAsRichText; ++format) {
        const QString base = prefix + QStringLiteral("_save_as_") + QString::fromLatin1(caption).toLower() +
                             QStringLiteral("_") + QString::fromLatin1(kExt[format]);
        const UString file = dir.Path() + FromQString(base) + u"." + Utf8ToUtf16(kExt[format]);
        ActOnNextModal([&, format, caption](QDialog& d) {
          auto& dlg = static_cast<TSaveAsTxtDlgFeb2012&>(d);
          dlg.Format()->setCurrentIndex(format);
          dlg.FileEdit()->setText(ToQString(file));
          // The time-line's periods under their dates: the heading line shows them.
          if (QString::fromLatin1(caption) == QStringLiteral("Timeline")) dlg.WithHeadings()->setChecked(true);
          DeliverPendingEvents();
          Shot(dlg, base);
          dlg.OKClick();
        });
        w.HandleMenuCommand(79, u"");
        DeliverPendingEvents();
        ASSERT_TRUE(WaitUntil([&] { return FileExists(file); })) << base.toStdString();
        TextScreenshot(ExportedText(file), Folder() + QStringLiteral("/") + base + QStringLiteral("_file"));
      }
    }

    // The print preview of the lines, portrait and landscape.
    TurnTo(QStringLiteral("Concordance"));
    w.PreviewGrid(w.ConcordanceGrid());
    TVXFormPrintPreview* preview = w.PrintPreview();
    ASSERT_NE(preview, nullptr);
    preview->resize(1200, 900);
    for (bool landscape : {false, true}) {
      preview->SetLandscape(landscape);
      DeliverPendingEvents();
      Shot(*preview, prefix + (landscape ? QStringLiteral("_print_preview_landscape") : QStringLiteral("_print_preview_portrait")));
    }
    preview->hide();

    GrabViewers(prefix);

    QFile f(ScreenshotFile(Folder() + QStringLiteral("/") + prefix + QStringLiteral("_window.txt")));
    if (f.open(QIODevice::WriteOnly)) f.write(states.toUtf8());
  }
  // Each row of the time-line page labels its periods below its bars, inside its cell: every
  // period while a line of the label font fits a period, none overlapping, the label strip
  // leaving the bars at least half the cell.
  void ExpectTimelinePeriodsLabelled(const QString& prefix) {
    TVX_Grid* grid = Main().Pages()->GridOfTab(TabOf(QStringLiteral("Timeline")));
    ASSERT_NE(grid, nullptr);
    const QFontMetrics metrics(TimelineLabelFont(grid->font()));
    int view_column = -1;
    for (int v = 0; v < grid->Model().columnCount(); ++v)
      if (grid->Model().Source().ListColumnOfView(v) == 6) view_column = v;
    ASSERT_GE(view_column, 0);
    int rows_with_periods = 0;
    for (int row = 0; row < grid->Model().rowCount(); ++row) {
      const QModelIndex index = grid->Model().index(row, view_column);
      const TGrid_data_rec& cell = grid->Model().CellAt(index);
      if (cell.kind != kCellTimeline || cell.timeline_segments.empty()) continue;
      ++rows_with_periods;
      const QRect strip = grid->visualRect(index).adjusted(1, 2, -1, -2);
      const std::vector<TTimelineLabel> labels = TimelineLabels(cell, strip.width(), metrics);
      const size_t periods = cell.timeline_segments.size();
      if (strip.width() / static_cast<int>(periods) > metrics.height()) {
        EXPECT_EQ(labels.size(), periods) << prefix.toStdString() << " row " << row;
      }
      ASSERT_FALSE(labels.empty());
      EXPECT_LE(labels.front().box.height(), strip.height() / 2) << prefix.toStdString();
      for (size_t i = 1; i < labels.size(); ++i) EXPECT_GT(labels[i].box.left(), labels[i - 1].box.right());
      EXPECT_LE(labels.back().box.right(), strip.width() - 1);
    }
    EXPECT_GT(rows_with_periods, 0) << prefix.toStdString();
    // Copied (the Copy command, its format dialog answered), each period's hits stand under its
    // date in the heading line.
    TurnTo(QStringLiteral("Timeline"));
    grid->setCurrentIndex(grid->Model().index(0, view_column));
    grid->selectRow(0);
    QApplication::clipboard()->clear();
    ActOnNextModal([](QDialog& d) { static_cast<TVXDialogForm&>(d).SetModalResult(mrOK); });
    Main().HandleMenuCommand(22, u"");
    DeliverPendingEvents();
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 2) << prefix.toStdString();
    const QStringList heads = lines[0].split(QLatin1Char('\t')), cells = lines[1].split(QLatin1Char('\t'));
    const TGrid_data_rec& first = grid->Model().CellAt(grid->Model().index(0, view_column));
    ASSERT_FALSE(first.timeline_date_headings.empty());
    const qsizetype at = heads.indexOf(ToQString(first.timeline_date_headings[0]));
    ASSERT_GE(at, 0) << lines[0].toStdString();
    ASSERT_EQ(heads.size(), cells.size()) << prefix.toStdString();
    for (size_t p = 0; p < first.timeline_segments.size(); ++p) {
      EXPECT_EQ(heads[at + static_cast<qsizetype>(p)], ToQString(first.timeline_date_headings[p]));
      EXPECT_EQ(cells[at + static_cast<qsizetype>(p)], QString::number(first.timeline_segments[p].first));
    }
  }
  // The viewers over the same run: the word clouds of the collocates and clusters, the first
  // line's text at its hit (its file name double-clicked) and the texts that hold the search word.
  void GrabViewers(const QString& prefix) {
    TFormLinzora& w = Main();
    TurnTo(QStringLiteral("Collocates"));
    ActOnNextModal([&](QDialog& d) {
      auto& options = static_cast<TFormWordCloudOptions&>(d);
      Shot(options, prefix + QStringLiteral("_word_cloud_options"));
      options.SetModalResult(mrOK);  // the total, as the cloud takes it without a choice
    });
    w.HandleMenuCommand(179, u"");
    DeliverPendingEvents();
    TFormWordCloud* cloud = w.WordCloudWindow();
    ASSERT_NE(cloud, nullptr);
    cloud->resize(1100, 900);
    EXPECT_GE(cloud->Cloud().Draws().size(), 20u) << prefix.toStdString();
    Shot(*cloud, prefix + QStringLiteral("_word_cloud_collocates"));
    TurnTo(QStringLiteral("Clusters"));
    w.HandleMenuCommand(179, u"");
    DeliverPendingEvents();
    Shot(*cloud, prefix + QStringLiteral("_word_cloud_clusters"));
    cloud->hide();

    TurnTo(QStringLiteral("Concordance"));
    TVX_Grid* lines = w.ConcordanceGrid();
    emit lines->doubleClicked(lines->Model().index(0, 12));
    DeliverPendingEvents();
    TFormOneTextFileShower& viewer = w.TextViewer();
    viewer.resize(1300, 850);
    DeliverPendingEvents();
    EXPECT_FALSE(viewer.View()->textCursor().selectedText().isEmpty()) << prefix.toStdString();
    Shot(viewer, prefix + QStringLiteral("_text_viewer_at_hit"));
    viewer.hide();

    w.HandleMenuCommand(6, u"");
    DeliverPendingEvents();
    TFormExtraDetails* details = w.ExtraDetailsWindow();
    ASSERT_NE(details, nullptr);
    details->resize(900, 600);
    EXPECT_GT(details->List()->count(), 1) << prefix.toStdString();
    Shot(*details, prefix + QStringLiteral("_find_files"));
    details->hide();

    GrabConditions(prefix);
  }
  // Find all on the lines, by a number column: the hits are counted, marked and the first shown.
  void GrabConditions(const QString& prefix) {
    TFormLinzora& w = Main();
    TurnTo(QStringLiteral("Concordance"));
    TVX_Grid* lines = w.ConcordanceGrid();
    TVXBaseDataClass& list = *lines->List();
    list.UnmatchAll();
    w.HandleMenuCommand(170, u"");
    DeliverPendingEvents();
    auto* form = qobject_cast<TFormTestWhether*>(w.ConditionsForm());
    ASSERT_NE(form, nullptr);
    form->resize(700, 360);
    int column = -1;
    UString heading;
    for (const TGrid_head32& h : list.grid_headings)
      if (h.visible && h.numeric && h.column_number > 0 && column < 0) column = h.column_number, heading = h.heading;
    ASSERT_GT(column, 0);
    ActOnNextModal([&](QDialog& d) {
      auto& editor = static_cast<TFormSearchRequirements&>(d);
      editor.DataColumn()->setCurrentIndex(editor.DataColumn()->findData(column));
      editor.Condition()->setCurrentIndex(editor.Condition()->findData(int(kSeekGreater)));
      editor.InputText()->setEditText(QStringLiteral("100"));
      Shot(editor, prefix + QStringLiteral("_condition_editor"));
      editor.OKClick();
    });
    form->EditRequirement(0);
    form->FindAllButton()->click();
    DeliverPendingEvents();
    int marked = 0;
    for (int i = 0; i < list.Count(); ++i) marked += list.GetMatched(i) ? 1 : 0;
    EXPECT_GT(marked, 0) << prefix.toStdString() << " " << Utf16ToUtf8(heading);
    EXPECT_EQ(FromQString(form->HitsLabel()->text()), VXResFmt(TVXRes::VXNHits, {IntToUStr(marked)}));
    Shot(*form, prefix + QStringLiteral("_conditions_find_all"));
    Shot(w, prefix + QStringLiteral("_conditions_hits_marked"));
    form->hide();
    list.UnmatchAll();
    lines->ListChanged();
  }
};

TEST_F(RealCorpus, SamplesEveryPageDialogAndExport) {
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  RunThroughWizard({samples}, {{samples + u"winter_walk.zip", u"winter_walk.txt"}}, u"river");
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 91);
  GrabEverything(QStringLiteral("samples"));
}

TEST_F(RealCorpus, GeneratedDatedCorpusEveryPageDialogAndExport) {
  const TDatedCorpus corpus = WriteDatedCorpus(dir.Path() + u"corpus", 200, 1950, 0.35);
  ASSERT_EQ(corpus.names.size(), 200u);
  ASSERT_GE(corpus.bytes, 2'000'000);
  RunThroughWizard({dir.Path() + u"corpus"}, {}, u"government");
  ASSERT_GT(Main().Doc()->fConcordanceList->Count(), 1000);
  GrabEverything(QStringLiteral("generated"));
}

}  // namespace
