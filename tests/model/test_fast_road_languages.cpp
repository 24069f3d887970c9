// The fast road on German, Russian and Czech prose: texts made from word lists of each language,
// with the hard cases of real prose mixed in (abbreviations and initials before capitals,
// ordinals, decimal commas, hyphenated compounds, the language's quotes, dashes, the ellipsis,
// apostrophes, no-break, soft and zero-width characters, paragraph ends, CR LF lines, letters
// beyond the basic plane, combining accents, mark-up holding letters beyond ASCII), and words
// beyond ASCII at every place of a block of 64 around the 2 MiB cuts. Each text is written in
// UTF-8, in UTF-8 with a signature and in the language's 8-bit code pages, and read under the
// default settings, with apostrophes at word ends and with hyphens parting words: the chunks,
// the concordance streams on one worker and on eight, and the word lists equal the full road's.
// So do they for texts that turn beyond ASCII at the first cut, and for dense UTF-8 prose with
// sequences that are not UTF-8. How many chunks the pass judged (at once, on demand, as bytes,
// beyond ASCII) is printed, so that the share left to the full road can be seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fast_road_test_support.h"
#include "../concordance/worker_test_support.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/worker_tag_handler.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "text_reader_test_support.h"
#include "wordlist/word_list_document.h"

using namespace text_reader_test;
using namespace fast_road_test;

namespace {

// --- the languages ---------------------------------------------------------------------------

struct TLanguage {
  const char* name;
  int32_t lcid;
  uint16_t code_page;                         // the language's 8-bit code page
  std::vector<const char*> words;             // the most frequent first
  std::vector<const char*> names;             // capitalised words after abbreviations, initials, ordinals
  std::vector<const char*> initials;          // a capital and a full stop
  std::vector<const char*> abbreviations;
  std::vector<const char*> compounds;
  std::vector<std::pair<const char*, const char*>> quotes;
  std::vector<const char*> apostrophes;       // words holding ' or ’
  std::vector<const char*> units;             // after a number and a no-break space
  std::vector<const char*> combining;         // letters written as a base and a combining mark
  std::vector<const char*> tagged;            // mark-up with letters beyond ASCII inside
  const char* headline;                       // the text's first line
  const char* rare;                           // put in now and then
  const char* capitals;                       // a word in capitals, ẞ in German
  const char* phrase;                         // two words beyond ASCII, put in now and then
  const char* sweep[2];                       // beyond ASCII: one and two bytes more in UTF-8 than units
  const char* filler[2];                      // ASCII, of five and six characters
  // Searched for together: a frequent word beyond ASCII, the rare word, a name after
  // abbreviations and initials, a wildcard; then the phrase.
  const char16_t* searched;
  const char16_t* searched_phrase;
};

const TLanguage kGerman = {
    "German", 0x0407, 1252,
    {"die", "der", "und", "in", "den", "von", "zu", "das", "mit", "sich", "des", "auf", "für", "ist", "im", "dem",
     "nicht", "ein", "eine", "als", "auch", "es", "an", "werden", "aus", "er", "hat", "dass", "sie", "nach", "wird",
     "bei", "einer", "um", "am", "sind", "noch", "wie", "einem", "über", "einen", "so", "zum", "war", "haben", "nur",
     "oder", "aber", "vor", "zur", "bis", "mehr", "durch", "man", "sein", "wurde", "können", "müssen", "würde",
     "wäre", "hätte", "schon", "während", "später", "früher", "natürlich", "außerdem", "gemäß", "schön", "groß",
     "größer", "fünf", "zwölf", "dreißig", "heißt", "weiß", "Jahr", "Zeit", "Straße",
     "Stadt", "Haus", "Mädchen", "Jäger", "Bär", "Öl", "Übung", "Ärger", "Größe", "Fußball", "Fluss", "Brücke",
     "Tür", "Schlüssel", "Küche", "Mühle", "Löwe", "Höhe", "Gebäude", "Gespräch", "Frühstück", "Grüße", "Gemüse",
     "Käse", "Bücher", "Wörter", "Äpfel", "Söhne", "Füße", "Öffnung", "Überraschung", "Ähnlichkeit", "Spaß",
     "Köln", "München", "Düsseldorf", "Österreich", "Zürich", "Bürger", "Bürgermeister"},
    {"Müller", "Schröder", "Jürgen", "Köhler", "Böhm", "Weiß", "Schmidt", "Günther", "Krüger", "Berlin", "Ölmühle",
     "Oktober", "März", "Übersicht"},
    {"Ö.", "Ä.", "Ü.", "J.", "K.", "A."},
    {"z.B.", "d.h.", "Dr.", "Nr.", "bzw.", "usw.", "St.", "u.a.", "ca.", "vgl.", "Jh.", "Prof.", "Str.", "z. B.",
     "z.\u00A0B.", "u.\u00A0a."},
    {"Müller-Lüdenscheid", "Baden-Württemberg", "E-Mail", "Nord-Süd-Gefälle", "Max-Planck-Straße",
     "Schleswig-Holstein", "Öko-Bürger", "Bürger-Initiative"},
    {{"„", "“"}, {"‚", "‘"}, {"»", "«"}, {"“", "”"}, {"\"", "\""}},
    {"geht's", "gibt’s", "Hans’", "hab'", "Grass’", "wie’s"},
    {"km", "€", "%", "kg", "Uhr"},
    {"Mu\u0308ller", "Bu\u0308rger", "Cafe\u0301", "scho\u0308n", "U\u0308bermaß", "A\u0308rger"},
    {"<b>Straße</b>", "<i>Bürger</i>", "<b>Öl</b>", "<w pos=\"NN\">Mühle</w>", "<p n=\"ü\">"},
    "Über die Stadt Köln und ihre Bürger",
    "Übermaß",
    "GROẞE",
    "schöne Grüße",
    {"für", "Größe"},
    {"Hotel", "Arbeit"},
    u"über/Übermaß/Müller/Bürg*",
    u"schöne Grüße",
};

const TLanguage kRussian = {
    "Russian", 0x0419, 1251,
    {"и", "в", "не", "на", "я", "что", "он", "с", "это", "а", "как", "по", "но", "они", "к", "у", "же", "вы",
     "за", "бы", "из", "её", "мы", "от", "о", "так", "всё", "его", "для", "было", "был", "только", "уже", "или",
     "если", "ещё", "когда", "даже", "нет", "мой", "свой", "какой", "такой", "который", "этот", "весь", "год",
     "человек", "время", "дело", "жизнь", "день", "рука", "работа", "слово", "место", "лицо", "друг", "глаз",
     "вопрос", "дом", "сторона", "страна", "мир", "случай", "голова", "ребёнок", "сила", "конец", "вид", "система",
     "часть", "город", "женщина", "деньги", "земля", "машина", "вода", "отец", "проблема", "час", "право", "нога",
     "решение", "дверь", "история", "власть", "закон", "война", "голос", "тысяча", "книга", "ночь",
     "окно", "утро", "ёлка", "зелёный", "объём", "подъезд", "район", "край", "музей", "герой", "чай",
     "йогурт", "большой", "хороший", "новый", "первый", "последний", "русский", "можно", "нужно", "сейчас", "здесь",
     "тоже", "потом", "очень", "всегда", "конечно", "сегодня", "стол", "столица"},
    {"Москва", "Петров", "Иванов", "Пушкин", "Ленина", "Гагарина", "Толстой", "Ёлкин", "Чехов", "Январь", "Йошкар-Ола"},
    {"Ж.", "Ё.", "Щ.", "Ю.", "А.", "Й."},
    {"т.е.", "т.д.", "т.п.", "г.", "ул.", "др.", "см.", "им.", "проф.", "стр.", "т. е.", "тыс.", "руб.", "т.\u00A0д."},
    {"северо-запад", "Ростов-на-Дону", "кто-нибудь", "по-русски", "Йошкар-Ола", "сине-зелёный", "Санкт-Петербург"},
    {{"«", "»"}, {"„", "“"}, {"“", "”"}, {"\"", "\""}},
    {"д’Артаньян", "О’Коннор", "Д'Аламбер", "О'Нил"},
    {"км", "кг", "%", "руб."},
    {"\u043C\u043E\u0438\u0306", "\u0435\u0308\u043B\u043A\u0430", "\u0437\u0435\u043B\u0435\u0308\u043D\u044B\u0439",
     "\u043A\u0440\u0430\u0438\u0306", "\u0449\u0435\u0308\u043B\u043E\u0447\u044C"},
    {"<b>Ёлка</b>", "<i>столица</i>", "<b>й</b>", "<w pos=\"С\">город</w>", "<p n=\"ё\">"},
    "О городе Москве и его жителях",
    "щёлочь",
    "ЁЛКА",
    "большой город",
    {"и", "да"},
    {"12345", "123456"},
    u"ещё/щёлочь/Москва/стол*",
    u"большой город",
};

const TLanguage kCzech = {
    "Czech", 0x0405, 1250,
    {"a", "se", "v", "na", "je", "že", "to", "s", "z", "do", "o", "k", "i", "jako", "ale", "pro", "by", "po",
     "jsem", "jsou", "byl", "být", "který", "která", "které", "když", "už", "jen", "také", "tak", "až", "při",
     "jeho", "její", "než", "mezi", "více", "může", "bude", "říká", "řekl", "český", "česká", "rok", "den",
     "člověk", "život", "práce", "země", "doba", "dům", "ruka", "oko", "věc",
     "řeč", "řeka", "řada", "řízení", "škola", "šaty", "šest", "žena", "žádný", "čas", "část", "číslo", "čtyři",
     "dítě", "dívka", "děti", "dveře", "ďábel", "ťukat", "kůň", "můj", "půl", "úřad", "úterý", "účet", "údaj",
     "hodně", "dobrý", "malý", "velký", "nový", "první", "další", "stát", "vláda", "zákon", "peníze", "otázka",
     "místo", "cesta", "přítel", "příběh", "hlavní", "pátek", "sobota", "neděle", "týden", "Praha", "Brno",
     "Ostrava", "Plzeň", "město", "městský"},
    {"Novák", "Dvořák", "Svoboda", "Černá", "Procházka", "Kučera", "Růžička", "Šťastný", "Praha", "Národní",
     "Ústí", "Řím"},
    {"Č.", "Ř.", "Š.", "Ž.", "Ú.", "J."},
    {"tzn.", "např.", "č.", "ul.", "atd.", "tj.", "Ing.", "Dr.", "str.", "resp.", "tzv.", "mj.", "apod.", "p.",
     "č.\u00A0p."},
    {"Frýdek-Místek", "česko-slovenský", "Brno-střed", "Praha-Žižkov", "Ústí-Řeka", "Sedlec-Prčice"},
    {{"„", "“"}, {"‚", "‘"}, {"»", "«"}, {"\"", "\""}},
    {"rock’n’roll", "O'Brien", "d’Artagnan", "Ch’ti"},
    {"km", "Kč", "%", "kg"},
    {"me\u030Csto", "Dvor\u030Ca\u0301k", "c\u030Ceska\u0301", "z\u030Cena", "r\u030Ceka"},
    {"<b>Řeka</b>", "<i>město</i>", "<b>ů</b>", "<w pos=\"N\">žena</w>", "<p n=\"č\">"},
    "O městě Plzni a jeho obyvatelích",
    "řeřicha",
    "ŽLUŤOUČKÝ",
    "hlavní město",
    {"město", "čtyři"},
    {"kniha", "sestra"},
    u"může/řeřicha/Novák/měst*",
    u"hlavní město",
};

// --- the prose -------------------------------------------------------------------------------

enum TOdd { kOddNowhere, kOddInSecondChunk, kOddThroughout };
// The pieces put in where TOdd says: soft hyphens, zero-width spaces, letters beyond the basic
// plane (one as an initial too), letters written with a combining mark, compounds joined by the
// hyphen U+2010 or U+2011.
enum TOddKinds : unsigned {
  kSoftHyphens = 1,
  kZeroWidthSpaces = 2,
  kBeyondThePlane = 4,
  kCombiningMarks = 8,
  kUnicodeHyphens = 16,
  kAllOdd = 31
};

// What lies across each 2 MiB mark: words beyond ASCII at every place of a block of 64, or a
// run of 40,000 characters without a line end or a blank, which begins far enough back that the
// cut is looked for inside it: words joined by no-break spaces, by dashes, by quotes or by soft
// hyphens, one long word, letters beyond the basic plane, or a long tag whose attribute holds
// words beyond ASCII. Each mark after the first takes the next shape.
enum TCut { kCutSweep, kCutNoBreakSpaces, kCutDashes, kCutQuotes, kCutOneWord, kCutSoftHyphens, kCutBeyondThePlane,
            kCutLongTag, kCutShapes };

// The bytes of a text in one encoding: 0 UTF-8, else a code page. A piece the code page lacks a
// character of is left out.
class TProse {
 public:
  TProse(const TLanguage& lang, int code_page, uint32_t seed) : lang_(lang), code_page_(code_page), rng_(seed) {}

  // About `bytes` bytes of sentences; `crlf`: lines end in CR LF. `odd`: where the pieces of
  // `odd_kinds` come now and then. `plain_until`: up to that byte, each piece beyond ASCII is
  // written as an ASCII word. `cut`: what lies across the first 2 MiB mark.
  std::string Make(size_t bytes, bool signature, bool crlf, TOdd odd, size_t plain_until = 0,
                   TCut cut = kCutSweep) {
    plain_until_ = plain_until;
    out_ = signature ? "\xEF\xBB\xBF" : "";
    eol_ = crlf ? "\r\n" : "\n";
    Put(lang_.headline);
    Put(eol_ + eol_);
    size_t next_mark = size_t(kMiB2);
    while (out_.size() < bytes) {
      odd_ = odd == kOddThroughout ||
             (odd == kOddInSecondChunk && out_.size() > size_t(kMiB2) + 50000 && out_.size() < size_t(kMiB2) + 200000);
      const size_t from_mark = out_.size() % size_t(kMiB2);
      if (out_.size() + 30000 >= next_mark) {
        if (cut != kCutSweep) RunWithoutBlanks(cut);
        cut = static_cast<TCut>((cut + 1) % kCutShapes);
        next_mark += size_t(kMiB2);
      }
      if (out_.size() > 4000 && (from_mark > size_t(kMiB2) - 3500 || from_mark < 1200)) Sweep();
      else if (rng_() % 4000 == 0) Sweep();
      Sentence();
      const unsigned after = rng_() % 20;
      Put(after < 17 ? " " : after < 19 ? eol_ : eol_ + eol_);
    }
    return out_;
  }

 private:
  const char* Pick(const std::vector<const char*>& v) { return v[rng_() % v.size()]; }

  // Frequent words first: the k-th word is taken about as often as k to the power -2/3.
  UString Word() {
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    const size_t n = lang_.words.size();
    return Utf8ToUtf16(lang_.words[std::min(n - 1, static_cast<size_t>(double(n) * u * u * u))]);
  }

  static UString Capitalised(UString w, int32_t lcid) {
    if (!w.empty() && (w[0] < 0xD800 || w[0] > 0xDFFF)) {
      const UString first = UpperCaseU(w.substr(0, 1), static_cast<TLCID>(lcid));
      if (first.size() == 1) w[0] = first[0];
    }
    return w;
  }

  // Appends the piece in the text's encoding, or nothing where the code page lacks one of its
  // characters.
  void Put(const UString& piece) {
    auto it = cache_.find(piece);
    if (it == cache_.end()) {
      std::string bytes;
      bool ok = true;
      if (code_page_ == 0) {
        bytes = Utf16ToUtf8(piece);
      } else {
        bytes = EncodeCodePage(piece, code_page_);
        ok = DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), code_page_) == piece;
      }
      it = cache_.emplace(piece, std::make_pair(ok, bytes)).first;
    }
    if (!it->second.first) return;
    if (out_.size() < plain_until_ && std::any_of(piece.begin(), piece.end(), [](char16_t u) { return u >= 0x80; })) {
      out_ += lang_.filler[piece.size() % 2];
      return;
    }
    out_ += it->second.second;
  }
  void Put(const std::string& utf8) { Put(Utf8ToUtf16(utf8)); }
  void Put(const char* utf8) { Put(Utf8ToUtf16(utf8)); }

  // A word beyond ASCII after ASCII fillers, 64 times at one place further on each time (in units;
  // with the second word, in UTF-8 bytes too).
  void Sweep() {
    for (const char* w : lang_.sweep) {
      const size_t units = Utf8ToUtf16(w).size();
      const char* filler = lang_.filler[units % 2 == 0 ? 0 : 1];  // the piece is odd in units
      for (int k = 0; k < 64; ++k) {
        Put(filler);
        Put(" ");
        Put(w);
        Put(" ");
      }
    }
  }

  void RunWithoutBlanks(TCut cut) {
    static const char* kJoiners[] = {"", "\u00A0", "\u2014", "\u00BB\u00AB", "", "\u00AD", "", " "};
    if (cut == kCutLongTag) Put("<b title=\"");
    for (size_t units = 0; units < 40000;) {
      const UString w = cut == kCutBeyondThePlane ? u"\U0001D400" : Word();
      Put(w);
      Put(kJoiners[cut]);
      units += w.size() + 1;
    }
    if (cut == kCutLongTag) Put("\">");
  }

  void Sentence() {
    const int32_t lcid = lang_.lcid;
    const bool quoted = rng_() % 12 == 0;
    const auto& quote = lang_.quotes[rng_() % lang_.quotes.size()];
    if (quoted) Put(quote.first);
    const int n = 3 + static_cast<int>(rng_() % 14);
    for (int k = 0; k < n; ++k) {
      const unsigned r = rng_() % 1000;
      if (k > 0) Put(r >= 180 && r < 230 ? ", " : " ");
      UString w = Word();
      if (r < 30) {  // an abbreviation, then a capital
        Put(Pick(lang_.abbreviations));
        Put(" ");
        w = Utf8ToUtf16(Pick(lang_.names));
      } else if (r < 45) {  // an initial
        Put(Pick(lang_.initials));
        Put(rng_() % 4 == 0 ? "\u00A0" : " ");
        w = Utf8ToUtf16(Pick(lang_.names));
      } else if (r < 60) {  // an ordinal before a capital
        Put(std::to_string(1 + rng_() % 31) + ". ");
        w = Capitalised(rng_() % 2 ? Word() : Utf8ToUtf16(Pick(lang_.names)), lcid);
      } else if (r < 75) {
        w = Utf8ToUtf16(std::to_string(rng_() % 100) + "," + std::to_string(rng_() % 100));
      } else if (r < 95) {
        w = Utf8ToUtf16(Pick(lang_.compounds));
      } else if (r < 105) {
        const auto& q = lang_.quotes[rng_() % lang_.quotes.size()];
        Put(q.first);
        Put(Word());
        Put(" ");
        Put(Word());
        Put(q.second);
        continue;
      } else if (r < 115) {
        w = Utf8ToUtf16(Pick(lang_.apostrophes));
      } else if (r < 125) {
        Put(std::to_string(1 + rng_() % 500) + "\u00A0");
        w = Utf8ToUtf16(Pick(lang_.units));
      } else if (r < 130) {  // a soft hyphen inside a word
        if (Odd(kSoftHyphens) && w.size() >= 4) w.insert(w.size() / 2, 1, u'\u00AD');
      } else if (r < 134) {
        if (Odd(kZeroWidthSpaces)) {
          Put(w);
          Put("\u200B");
          w = Word();
        }
      } else if (r < 137) {
        const unsigned shape = rng_() % 4;
        if (Odd(kBeyondThePlane) && shape == 0) {
          w = rng_() % 2 ? u"\U0001D400" : u"\U0001D400" + Word();
        } else if (Odd(kBeyondThePlane) && shape == 1) {  // as an initial
          Put(u"\U0001D400.");
          Put(rng_() % 2 ? " " : "\u00A0");
          w = Utf8ToUtf16(Pick(lang_.names));
        } else if (Odd(kUnicodeHyphens) && shape >= 2) {  // joined by U+2010 or the no-break U+2011
          w = Utf8ToUtf16(Pick(lang_.compounds));
          std::replace(w.begin(), w.end(), u'-', rng_() % 2 ? u'\u2010' : u'\u2011');
        }
      } else if (r < 143) {
        Put(Pick(lang_.tagged));
      } else if (r < 147) {
        if (Odd(kCombiningMarks)) w = Utf8ToUtf16(Pick(lang_.combining));
      } else if (r < 149) {
        w = Utf8ToUtf16(lang_.rare);
      } else if (r < 151) {
        w = Utf8ToUtf16(lang_.capitals);
      } else if (r < 153) {
        w = Utf8ToUtf16(lang_.phrase);
      } else if (r < 172) {
        const unsigned d = rng_() % 4;
        Put(d == 0 ? "–" : d == 1 ? "—" : d == 2 ? "– " : "— ");
      } else if (r < 177) {
        Put(std::to_string(1900 + rng_() % 100) + "–" + std::to_string(2000 + rng_() % 25));
        continue;
      } else if (r < 180) {
        Put("…");
      }
      Put(k == 0 ? Capitalised(w, lcid) : w);
    }
    static const char* kEnds[] = {".", ".", ".", ".", "?", "!", "…", "...", "?!", ":"};
    const char* end = kEnds[rng_() % std::size(kEnds)];
    if (quoted && rng_() % 2) {
      Put(quote.second);
      Put(end);
    } else {
      Put(end);
      if (quoted) Put(quote.second);
    }
  }

  const TLanguage& lang_;
  const int code_page_;
  std::mt19937 rng_;
  std::string out_, eol_;
  bool Odd(TOddKinds kind) const { return odd_ && (odd_kinds & kind) != 0; }

 public:
  unsigned odd_kinds = kAllOdd;

 private:
  bool odd_ = false;
  size_t plain_until_ = 0;
  std::map<UString, std::pair<bool, std::string>> cache_;
};

// --- the cases -------------------------------------------------------------------------------

struct TEncoding {
  const char* name;
  int code_page;  // 0: UTF-8
  bool signature;
  TCut cut;             // across the first 2 MiB mark of the long text
  unsigned odd_kinds;   // in the second chunk of the long text
};

enum TVariant { kDefaults, kApostrophesAtWordEnd, kHyphensPartWords };
const char* const kVariantNames[] = {"default settings", "' and ’ inside and at the end of words",
                                     "hyphens part words"};
const char* const kVariantShortNames[] = {"defaults", "apostrophes", "hyphens"};

// What the pass did with the chunks of one language, encoding and variant of the settings.
struct TShare {
  int chunks = 0, fast = 0, beyond_ascii = 0;            // read at once
  int demand_fast = 0, as_bytes = 0, demand_beyond = 0;  // on demand
};

class FastRoadLanguages : public TWorkerTest {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }

  static void UseLanguage(const TLanguage& lang, int code_page, TVariant variant, bool precomposed) {
    TTextsett_rec32 t = GetTextSettings();
    Tfixed_lang_details32 l = t.Language();
    l.SetLCID(lang.lcid);
    l.SetWindowsCodePage(static_cast<uint16_t>(code_page != 0 ? code_page : lang.code_page));
    l.SetExtraSymbols(variant == kApostrophesAtWordEnd ? u"'\u2019" : u"");
    l.SetSymbolsAtWordEnd(variant == kApostrophesAtWordEnd);
    l.SetHyphenBreaksWord(variant == kHyphensPartWords);
    t.SetLanguage(l);
    t.SetPrecomposedCharacters(precomposed);
    SetTextSettings(t);
  }

  // In each encoding: a text of several chunks (plain UTF-8: three, else two) whose second chunk
  // holds now and then characters the pass may stop at (of the kinds the encoding names), a
  // small text, one of 200,000 bytes without such characters and one of 25,000 bytes with all of
  // them throughout. Under the default settings the chunks, concordances and word lists of all
  // four are compared; under the other variants the chunks of the long text (plain UTF-8 only)
  // and of the short ones, and the concordances and word lists of the short ones.
  void ExpectBothRoadsAlike(const TLanguage& lang, std::initializer_list<TEncoding> encodings) {
    std::vector<std::pair<std::string, std::array<TShare, 3>>> shares;
    uint32_t seed = 1;
    for (const TEncoding& enc : encodings) {
      SCOPED_TRACE(enc.name);
      const bool crlf = enc.signature || enc.code_page % 2 == 1;
      struct Text {
        size_t bytes;
        TOdd odd;
        bool crlf;
      };
      const Text texts[] = {{enc.code_page == 0 && !enc.signature ? 4350000u : 2200000u, kOddInSecondChunk, crlf},
                            {1 + seed * 997 % 3000, kOddNowhere, crlf},
                            {200000, kOddNowhere, !crlf},
                            {25000, kOddThroughout, !crlf}};
      std::vector<UString> files;
      for (size_t i = 0; i < std::size(texts); ++i) {
        TProse prose(lang, enc.code_page, 100 * seed + static_cast<uint32_t>(i));
        if (i == 0) prose.odd_kinds = enc.odd_kinds;
        const std::string bytes = prose.Make(texts[i].bytes, enc.signature, texts[i].crlf, texts[i].odd, 0, enc.cut);
        files.push_back(tmp_.Write(Utf8ToUtf16(std::string(lang.name) + "_" + std::to_string(seed) + "_" +
                                               std::to_string(i) + ".txt"),
                                   bytes));
      }
      const std::vector<UString> short_files(files.begin() + 1, files.end());
      ++seed;
      std::array<TShare, 3> shares_of_variants;
      for (const TVariant variant : {kDefaults, kApostrophesAtWordEnd, kHyphensPartWords}) {
        SCOPED_TRACE(kVariantNames[variant]);
        const bool widely = variant == kDefaults;
        const bool composing = widely && enc.signature;
        TShare& share = shares_of_variants[variant];
        UseLanguage(lang, enc.code_page, variant, false);
        // The long texts are read under every variant in plain UTF-8, under the defaults only in
        // the other encodings.
        const bool plain_utf8 = enc.code_page == 0 && !enc.signature;
        for (const UString& file : widely || plain_utf8 ? files : short_files) {
          SCOPED_TRACE(Utf16ToUtf8(ExtractFileName(file)));
          const std::vector<TChunkRecord> full = ReadChunks(file, true, false, false);
          const std::vector<TChunkRecord> fast = ReadChunks(file, false, false, false);
          const std::vector<TChunkRecord> demand = ReadChunks(file, false, true, false);
          ExpectSameChunks(fast, full);
          ExpectSameChunks(demand, full);
          // The text was read in the encoding it was written in.
          EXPECT_EQ(full.at(0).seen.text.substr(0, 8), Utf8ToUtf16(lang.headline).substr(0, 8));
          for (const TChunkRecord& r : fast) {
            ++share.chunks;
            share.fast += r.fast;
            share.beyond_ascii += r.beyond_ascii;
          }
          for (const TChunkRecord& r : demand) {
            share.demand_fast += r.fast;
            share.as_bytes += r.as_bytes;
            share.demand_beyond += r.beyond_ascii;
          }
          // Letters written with a combining mark, composed as they are read.
          if (composing) {
            SCOPED_TRACE("composed");
            ExpectSameChunks(ReadChunks(file, false, true, true), ReadChunks(file, true, false, true));
          }
        }
        const std::vector<UString>& searched = widely ? files : short_files;
        std::vector<UStringView> searches = {lang.searched};
        if (widely) searches.push_back(lang.searched_phrase);
        for (const UStringView items : searches) {
          SCOPED_TRACE(Utf16ToUtf8(items));
          const std::vector<uint8_t> full = ConcordanceStream(searched, items, true, 1);
          EXPECT_EQ(ConcordanceStream(searched, items, false, 1), full);
          if (items == lang.searched) {
            EXPECT_EQ(ConcordanceStream(searched, items, false, 8), full);
          }
        }
        for (const bool case_sensitive : {false, true}) {
          if (case_sensitive && !widely) continue;
          SCOPED_TRACE(testing::Message() << "case-sensitive " << case_sensitive);
          const std::string full = WordListOf(searched, true, case_sensitive);
          EXPECT_EQ(WordListOf(searched, false, case_sensitive), full);
        }
        if (composing) {
          SCOPED_TRACE("composed");
          UseLanguage(lang, enc.code_page, variant, true);
          const std::vector<uint8_t> full = ConcordanceStream(files, lang.searched, true, 1);
          EXPECT_EQ(ConcordanceStream(files, lang.searched, false, 1), full);
        }
      }
      for (const TShare& share : shares_of_variants) EXPECT_GE(share.chunks, 3);
      shares.emplace_back(enc.name, shares_of_variants);
    }
    // The share the pass judged, for whoever reads the test's output: of the chunks read at once,
    // those judged fast (and of those, the ones beyond ASCII); of those read on demand, those
    // judged fast and those read as bytes; under each variant of the settings.
    for (const auto& [name, of_variants] : shares) {
      std::string line = std::string(lang.name) + ", " + name + ":";
      for (int v = 0; v < 3; ++v) {
        const TShare& s = of_variants[v];
        char part[160];
        std::snprintf(part, sizeof part, " %s %d/%d fast (%d beyond ASCII), on demand %d fast, %d as bytes;",
                      kVariantShortNames[v], s.fast, s.chunks, s.beyond_ascii, s.demand_fast, s.as_bytes);
        line += part;
      }
      std::printf("[ share    ] %s\n", line.c_str());
      RecordProperty(std::string(lang.name) + " " + name, line);
    }
  }
};

TEST_F(FastRoadLanguages, GermanProseEqualsTheFullRoads) {
  ExpectBothRoadsAlike(kGerman, {{"UTF-8", 0, false, kCutSweep, kBeyondThePlane},
                                 {"UTF-8 with a signature", 0, true, kCutDashes, kCombiningMarks},
                                 {"ISO-8859-15", 28605, false, kCutNoBreakSpaces, kSoftHyphens}});
}

TEST_F(FastRoadLanguages, RussianProseEqualsTheFullRoads) {
  ExpectBothRoadsAlike(kRussian, {{"UTF-8", 0, false, kCutQuotes, kZeroWidthSpaces},
                                  {"UTF-8 with a signature", 0, true, kCutBeyondThePlane, kCombiningMarks},
                                  {"Windows-1251", 1251, false, kCutSoftHyphens, kSoftHyphens},
                                  {"KOI8-R", 20866, false, kCutSweep, kAllOdd}});
}

TEST_F(FastRoadLanguages, CzechProseEqualsTheFullRoads) {
  ExpectBothRoadsAlike(kCzech, {{"UTF-8", 0, false, kCutLongTag, kUnicodeHyphens},
                                {"UTF-8 with a signature", 0, true, kCutSoftHyphens, kCombiningMarks | kBeyondThePlane},
                                {"Windows-1250", 1250, false, kCutOneWord, kSoftHyphens}});
}

// Texts whose first chunk is plain ASCII, the language's letters coming only near the end of
// that chunk (in the stretch where the cut is looked for, or in its look-ahead) or in the
// second one: in UTF-8, and in the language's 8-bit code page, which the reader then takes up
// for the rest of the text. Chunks, concordances on one worker and on eight, and word lists
// equal the full road's; the 8-bit text is read in its code page.
TEST_F(FastRoadLanguages, TextsTurningBeyondAsciiAtTheFirstCut) {
  struct Case {
    const TLanguage* lang;
    int code_page;
    int64_t utf8_turn, eight_bit_turn;  // bytes from the first 2 MiB mark
  };
  // Code pages other than those of the tests above: Windows-1252, ISO-8859-2, Windows-1251.
  const Case cases[] = {{&kGerman, 1252, 40000, -3000}, {&kCzech, 28592, -3000, 40000}, {&kRussian, 1251, 1000, 40000}};
  uint32_t seed = 7001;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang->name);
    UseLanguage(*c.lang, c.code_page, kDefaults, false);
    std::vector<UString> files;
    for (const int code_page : {0, c.code_page}) {
      TProse prose(*c.lang, code_page, seed++);
      const int64_t turn = code_page == 0 ? c.utf8_turn : c.eight_bit_turn;
      files.push_back(tmp_.Write(Utf8ToUtf16("turning_" + std::to_string(seed) + ".txt"),
                                 prose.Make(2500000, false, code_page != 0, kOddNowhere, size_t(kMiB2 + turn))));
    }
    int chunks = 0, fast = 0;
    for (const UString& file : files) {
      SCOPED_TRACE(Utf16ToUtf8(ExtractFileName(file)));
      const std::vector<TChunkRecord> full = ReadChunks(file, true, false, false);
      const std::vector<TChunkRecord> at_once = ReadChunks(file, false, false, false);
      ExpectSameChunks(at_once, full);
      ExpectSameChunks(ReadChunks(file, false, true, false), full);
      ASSERT_GE(full.size(), 2u);
      const UString& last = full.back().seen.text;
      EXPECT_TRUE(std::any_of(last.begin(), last.end(), [](char16_t u) { return u >= 0x80; }));
      EXPECT_EQ(last.find(u'\uFFFD'), UString::npos);
      for (const TChunkRecord& r : at_once) {
        ++chunks;
        fast += r.fast;
      }
    }
    std::printf("[ share    ] %s, turning beyond ASCII at the first cut: %d/%d fast\n", c.lang->name, fast, chunks);
    const std::vector<uint8_t> full = ConcordanceStream(files, c.lang->searched, true, 1);
    EXPECT_EQ(ConcordanceStream(files, c.lang->searched, false, 1), full);
    EXPECT_EQ(ConcordanceStream(files, c.lang->searched, false, 8), full);
    EXPECT_EQ(WordListOf(files, false, false), WordListOf(files, true, false));
  }
}

// Dense UTF-8 prose (Russian, Czech) with sequences that are not UTF-8 in its second chunk, each
// kind at many places of a block of 64 (a continuation byte alone, a lead byte cut short before a
// blank or before another lead byte, overlong forms, an encoded surrogate, a code point beyond
// U+10FFFF, a four-byte sequence cut short, bytes never in UTF-8): the text stays UTF-8, each
// such piece read as the full road reads it. Short texts with one such byte (still UTF-8) and
// with one in every 400 bytes (then read in the code page). Chunks, concordances and word lists
// equal the full road's.
TEST_F(FastRoadLanguages, DenseProseWithBytesThatAreNotUtf8) {
  static const char* kBad[] = {"\x80", "\xBF", "\xD0 ", "\xD1\xD0\xBE", "\xC0\xAF", "\xC1\x81", "\xE0\x80\xAF",
                               "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9D\x90 ", "\xF8\x88\x80\x80\x80",
                               "\xFE", "\xFF", "\xE2\x80"};
  uint32_t seed = 8001;
  for (const TLanguage* lang : {&kRussian, &kCzech}) {
    SCOPED_TRACE(lang->name);
    UseLanguage(*lang, 0, kDefaults, false);
    TProse prose(*lang, 0, seed++);
    std::string text = prose.Make(2350000, false, false, kOddNowhere);
    size_t at = size_t(kMiB2) + 20000;
    for (int k = 0; at + 100 < text.size(); ++k, at += 1013 + static_cast<size_t>(k % 64)) {
      while (at < text.size() && (static_cast<uint8_t>(text[at]) & 0xC0) == 0x80) ++at;
      text.insert(at, kBad[k % std::size(kBad)]);
    }
    std::string one_bad = TProse(*lang, 0, seed++).Make(30000, false, true, kOddNowhere);
    one_bad.insert(15000 - 15000 % 64, "\xFF");
    std::string many_bad = TProse(*lang, 0, seed++).Make(30000, false, true, kOddNowhere);
    for (size_t i = 400; i < many_bad.size(); i += 400) many_bad[i] = '\xFF';
    const std::string name(lang->name);
    const std::vector<UString> files = {tmp_.Write(Utf8ToUtf16("not_utf8_" + name + ".txt"), text),
                                        tmp_.Write(Utf8ToUtf16("one_bad_" + name + ".txt"), one_bad),
                                        tmp_.Write(Utf8ToUtf16("code_page_" + name + ".txt"), many_bad)};
    for (const UString& file : files) {
      SCOPED_TRACE(Utf16ToUtf8(ExtractFileName(file)));
      const std::vector<TChunkRecord> full = ReadChunks(file, true, false, false);
      ExpectSameChunks(ReadChunks(file, false, false, false), full);
      ExpectSameChunks(ReadChunks(file, false, true, false), full);
      SCOPED_TRACE("composed");
      ExpectSameChunks(ReadChunks(file, false, true, true), ReadChunks(file, true, false, true));
    }
    // The long text stays UTF-8, its pieces that are not read as replacement characters.
    const std::vector<TChunkRecord> long_text = ReadChunks(files[0], true, false, false);
    ASSERT_GE(long_text.size(), 2u);
    EXPECT_EQ(long_text[0].seen.text.substr(0, 8), Utf8ToUtf16(lang->headline).substr(0, 8));
    EXPECT_NE(long_text.back().seen.text.find(u'\uFFFD'), UString::npos);
    // The last is read in the code page, letters of two bytes as two characters.
    EXPECT_EQ(ReadChunks(files[1], true, false, false).at(0).seen.text.substr(0, 8),
              Utf8ToUtf16(lang->headline).substr(0, 8));
    EXPECT_NE(ReadChunks(files[2], true, false, false).at(0).seen.text.substr(0, 8),
              Utf8ToUtf16(lang->headline).substr(0, 8));
    const std::vector<uint8_t> full = ConcordanceStream(files, lang->searched, true, 1);
    EXPECT_EQ(ConcordanceStream(files, lang->searched, false, 1), full);
    EXPECT_EQ(ConcordanceStream(files, lang->searched, false, 8), full);
    EXPECT_EQ(WordListOf(files, false, false), WordListOf(files, true, false));
  }
}

// A Windows-1251 text whose first 2 MiB less 200 bytes are plain ASCII, then numbers with a
// Russian letter now and then, then Russian prose: the bytes that are not UTF-8 are fewer than
// one in a thousand of the first piece, and one pair of bytes there happens to be well-formed,
// but nearly all its bytes beyond ASCII are bad. The text is read in the language's code page,
// its Cyrillic letters as they are, not as U+FFFD, on both roads alike.
TEST_F(FastRoadLanguages, CodePageTextTurningJustBeforeTheFirstMarkIsReadInItsCodePage) {
  UseLanguage(kRussian, 1251, kDefaults, false);
  std::string text;
  while (text.size() < size_t(kMiB2) - 200) text += "word and river ";
  text.resize(size_t(kMiB2) - 200);
  // "И…" (C8 85, a well-formed pair in UTF-8), then numbers with a Russian "и" (E8) between
  // them, one byte that is not UTF-8 in 24, for 30,000 bytes; then Russian prose, "Привет, мир!
  // Это тест.", all Cyrillic.
  text += "\xC8\x85 ";
  while (text.size() < size_t(kMiB2) + 30000) text += "12345 \xE8 12345 word 123 ";
  const std::string russian = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xDD\xF2\xEE \xF2\xE5\xF1\xF2. ";
  while (text.size() < size_t(kMiB2) + 400000) text += russian;
  const UString file = tmp_.Write(u"turning_1251.txt", text);
  const std::vector<TChunkRecord> full = ReadChunks(file, true, false, false);
  ExpectSameChunks(ReadChunks(file, false, false, false), full);
  ASSERT_GE(full.size(), 2u);
  const UString& last = full.back().seen.text;
  EXPECT_EQ(last.find(u'\uFFFD'), UString::npos);
  EXPECT_NE(last.find(u"\u041F\u0440\u0438\u0432\u0435\u0442"), UString::npos);  // "Привет"
}

}  // namespace
