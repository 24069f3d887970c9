// The real-corpus window tests: a corpus a linguist meets (a few hundred dated texts with mark-up,
// megabytes of prose) made on the spot, the main window at full size, and grabs of what it shows
// into <screenshots>/real_corpus/.
#pragma once

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/qt/page_list.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

// A corpus of dated English-like texts: each text a title and paragraphs of sentences in <p> and
// <s> mark-up, drawn from a fixed vocabulary with a few frequent words and a long tail, so that
// collocates, clusters and patterns have the shape they have in real prose. Text i is dated
// (its file's last-write time) first_year + i * years_per_text; the same seed gives the same
// bytes.
struct TDatedCorpus {
  std::vector<UString> names;
  int64_t bytes = 0;
};

inline TDatedCorpus WriteDatedCorpus(const UString& folder, int texts, int first_year, double years_per_text,
                                     int bytes_per_text = 11000) {
  static const char* const kFrequent[] = {"the", "the", "the", "of", "of", "and", "and", "to", "to", "a", "in", "in",
                                          "that", "is", "was", "it", "for", "on", "be", "by", "as", "with", "this",
                                          "which", "at", "from", "have", "not", "are", "has", "his", "their"};
  static const char* const kContent[] = {
      "government", "people", "country", "minister", "council", "parliament",
      "public", "policy", "money", "report", "law", "state", "house", "members", "power", "office", "city",
      "trade", "river", "bridge", "school", "church", "market", "war", "peace", "land", "work", "time", "year",
      "new", "old", "great", "local", "national", "general", "free", "own", "whole", "proposed", "present",
      "made", "said", "taken", "given", "found", "called", "shown", "asked", "decided", "agreed", "refused",
      "duty", "question", "committee", "board", "tax", "rates", "roads", "harbour", "railway", "mill", "farm",
      "workers", "wages", "prices", "colonies", "governor", "court", "judge", "election", "vote", "party"};
  static const char* const kPhrases[] = {"the government of the day", "the local government board",
                                         "a member of the government", "the government has decided",
                                         "in the opinion of the government"};
  QDir().mkpath(ToQString(folder));
  TDatedCorpus out;
  uint64_t seed = 0x2545F4914F6CDD1DULL;
  auto next = [&seed](uint32_t n) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((seed >> 33) % n);
  };
  auto word = [&] {
    const uint32_t r = next(100);
    if (r < 55) return std::string(kFrequent[next(std::size(kFrequent))]);
    return std::string(kContent[next(std::size(kContent))]);
  };
  for (int t = 0; t < texts; ++t) {
    std::string body = "<text n=\"" + std::to_string(t + 1) + "\">\n<head>Report " + std::to_string(t + 1) +
                       " on the " + word() + " and the " + word() + "</head>\n";
    while (static_cast<int>(body.size()) < bytes_per_text) {
      body += "<p>";
      const int sentences = 3 + static_cast<int>(next(5));
      for (int s = 0; s < sentences; ++s) {
        std::string sentence;
        const int words = 8 + static_cast<int>(next(16));
        for (int w = 0; w < words; ++w) {
          std::string piece = next(40) == 0 ? std::string(kPhrases[next(std::size(kPhrases))]) : word();
          if (w == 0) piece[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(piece[0])));
          sentence += (w ? " " : "") + piece;
          if (w + 1 < words && next(12) == 0) sentence += ",";
        }
        body += "<s>" + sentence + ".</s> ";
      }
      body += "</p>\n";
    }
    body += "</text>\n";
    char name[32];
    std::snprintf(name, sizeof name, "report_%03d.txt", t + 1);
    const UString path = IncludeTrailingPathDelimiter(folder) + Utf8ToUtf16(name);
    QFile f(ToQString(path));
    if (!f.open(QIODevice::WriteOnly)) continue;
    f.write(body.data(), static_cast<qint64>(body.size()));
    f.close();
    // The text's date is its file's last-write time.
    const double year = first_year + t * years_per_text;
    const auto since_1970 = std::chrono::seconds(static_cast<int64_t>((year - 1970.0) * 365.2425 * 86400.0));
    std::error_code ec;
    std::filesystem::last_write_time(
        ToFsPath(path), std::filesystem::file_time_type::clock::from_sys(std::chrono::sys_seconds(since_1970)), ec);
    out.names.push_back(path);
    out.bytes += static_cast<int64_t>(body.size());
  }
  return out;
}

// A text file (or any text) shown as it reads, for a screenshot: monospaced, first lines only.
inline QImage TextScreenshot(const QString& text, const QString& name, int width = 1400, int height = 900) {
  QPlainTextEdit view;
  view.setReadOnly(true);
  view.setLineWrapMode(QPlainTextEdit::NoWrap);
  view.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view.setPlainText(text.left(200000));
  view.resize(width, height);
  view.show();
  DeliverPendingEvents();
  QImage shot = SaveScreenshot(view, name);
  view.hide();
  return shot;
}

class RealCorpusTest : public MainRoadTest {
 protected:
  static constexpr int kWidth = 1600;
  static constexpr int kHeight = 1000;
  static QString Folder() { return QStringLiteral("real_corpus"); }
  QImage Shot(QWidget& w, const QString& name) { return SaveScreenshot(w, Folder() + QStringLiteral("/") + name); }

  // The window at full size, texts chosen in the chooser the wizard opens, the word typed, OK.
  void RunThroughWizard(const std::vector<UString>& folders, const std::vector<std::pair<UString, UString>>& zip_members,
                        UStringView word) {
    TFormLinzora& w = Start();
    w.resize(kWidth, kHeight);
    ASSERT_GT(ChooseTextsThroughWizard(folders, zip_members), 0);
    Wizard().SearchBox()->setCurrentText(ToQString(word));
    Wizard().CheckAndStoreChoices();
    Wizard().ButtonOKClick();
    ASSERT_TRUE(WaitUntil([&] { return w.Doc() != nullptr && !w.RunActive() && w.HasData(); }, 120000));
    w.resize(kWidth, kHeight);
    DeliverPendingEvents();
  }
  int TabOf(const QString& caption) {
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t)
      if (tabs->tabText(t) == caption) return t;
    return -1;
  }
  // Turns to a page and lets it compute and paint; nullptr when there is no such page.
  QWidget* TurnTo(const QString& caption) {
    const int t = TabOf(caption);
    if (t < 0) return nullptr;
    Main().Pages()->Tabs()->setCurrentIndex(t);
    DeliverPendingEvents();
    return Main().Pages()->Tabs()->widget(t);
  }
  // What the window says beside a grab: its title and the status bar's panels.
  QString WindowState() {
    QString s = QStringLiteral("title: ") + Main().windowTitle() + QStringLiteral("\n");
    for (int p = 0; p < TVXStatusBar::kPanels; ++p)
      if (!Main().Status()->PanelText(p).isEmpty())
        s += QStringLiteral("panel %1: %2\n").arg(p).arg(Main().Status()->PanelText(p));
    return s;
  }
};
