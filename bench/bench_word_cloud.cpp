// Our word cloud on the 200 most frequent words of a word list made from a text (a given one, or
// generated English-like prose): the list is made with the word-list machinery, the words go to a
// TSV file for the comparison script, and DisplayTheWords is timed on a 1000 x 700 picture in the
// given font, best of five. Usage:
//   bench_word_cloud --font FILE.ttf [--text FILE] [--tsv OUT] [--png OUT] [--repeat N]
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "shell/qt/qt_application.h"
#include "shell/qt/word_cloud_painter.h"
#include "platform/text/text_services.h"
#include "wordlist/word_list_document.h"

namespace {

std::string GeneratedText(size_t bytes) {
  static const char* frequent[] = {"the", "the", "the", "of", "of", "and", "and", "to", "to", "a", "in", "in",
                                   "that", "is", "was", "it", "for", "on", "be", "by", "as", "with", "this"};
  static const char* content[] = {"government", "people", "country", "minister", "council", "parliament", "public",
                                  "policy", "money", "report", "law", "state", "house", "members", "power", "office",
                                  "city", "trade", "river", "bridge", "school", "church", "market", "war", "peace",
                                  "land", "work", "time", "year", "new", "old", "great", "local", "national",
                                  "general", "free", "question", "committee", "board", "tax", "rates", "roads",
                                  "harbour", "railway", "mill", "farm", "workers", "wages", "prices", "colonies",
                                  "governor", "court", "judge", "election", "vote", "party", "water", "morning"};
  std::string out;
  uint64_t seed = 42;
  while (out.size() < bytes) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const uint32_t r = static_cast<uint32_t>(seed >> 33);
    if (r % 100 < 55) out += frequent[r % std::size(frequent)];
    else {
      // A long tail: content words, and rarer made-up ones.
      static const char* endings[] = {"", "s", "ed", "ing", "er", "ly", "ness", "ism"};
      // Zipf-like: low k far more often than high k.
      const uint32_t span = static_cast<uint32_t>(std::size(content) * std::size(endings));
      const uint32_t k = static_cast<uint32_t>((static_cast<uint64_t>(r / 7 % 1000) * (r / 7 % 1000) * span) / 1000000);
      out += std::string(content[k % std::size(content)]) + endings[k / std::size(content)];
    }
    out += (r % 17 == 0) ? ".\n" : " ";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetUpQtApplication();
  std::string font, text_file, tsv, png;
  int repeat = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--font")) font = argv[i + 1];
    else if (!std::strcmp(argv[i], "--text")) text_file = argv[i + 1];
    else if (!std::strcmp(argv[i], "--tsv")) tsv = argv[i + 1];
    else if (!std::strcmp(argv[i], "--png")) png = argv[i + 1];
    else if (!std::strcmp(argv[i], "--repeat")) repeat = std::atoi(argv[i + 1]);
  }
  QString family = QStringLiteral("DejaVu Sans");
  if (!font.empty()) {
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(font));
    if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty()) family = QFontDatabase::applicationFontFamilies(id).front();
  }
  if (text_file.empty()) {
    text_file = "/tmp/linzora_bench_cloud_" + std::to_string(::getpid()) + ".txt";
    std::ofstream(text_file) << GeneratedText(4 << 20);
  }
  // The word list, as the word-list tool makes it.
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc.WordlistSettings.SetMinFrequency(1);
  doc.WordlistSettings.SetMinWordLength(1);
  doc.WordlistSettings.SetMaxWordLength(50);
  TChosenFileDetailsFullRec text;
  const UString name = Utf8ToUtf16(text_file);
  text.folder = name.substr(0, name.rfind(u'/') + 1);
  text.rec.filename = name.substr(name.rfind(u'/') + 1);
  if (!doc.MadeOneFileWordlist(text)) {
    std::printf("the word list could not be made from %s\n", text_file.c_str());
    return 1;
  }
  std::vector<std::pair<UString, int32_t>> words;
  for (int i = 0; i < doc.Words().Count(); ++i)
    words.emplace_back(doc.Words().Row(i)->data.word, doc.Words().CorrectFreq(i, false));
  std::stable_sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  if (words.size() > 200) words.resize(200);
  if (!tsv.empty()) {
    std::ofstream out(tsv);
    for (const auto& [w, f] : words) out << Utf16ToUtf8(LowerCaseU(w)) << '\t' << f << '\n';
  }
  double best = 1e18;
  size_t placed = 0;
  QImage kept;
  for (int r = 0; r < repeat; ++r) {
    TMyCloudTXTList list;
    for (const auto& [w, f] : words) list.Add(LowerCaseU(w), f);
    TWordCloud cloud(1000, 700, [&list](TWordFreqAndSourceNum& rec) { list.GetNextCloudDatum(rec); });
    cloud.fListItemsCount = list.Count();
    QImage image(1000, 700, QImage::Format_RGB32);
    QElapsedTimer t;
    t.start();
    DisplayFramingRect(cloud, image);
    DisplayTheWords(cloud, image, family);
    best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
    placed = 0;
    for (const TCloudWordDraw& d : cloud.Draws()) placed += d.redraw ? 0 : 1;
    kept = image;
  }
  if (!png.empty()) kept.save(QString::fromStdString(png));
  std::printf("ours: %.2f ms (best of %d), %zu of %zu words placed, font %s\n", best, repeat, placed, words.size(),
              family.toStdString().c_str());
  return 0;
}
