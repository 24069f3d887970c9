// The languages the user has set up, one of them the main language, kept in a plain text file of
// sections:
//
//   [English]
//   language name=English (United States)
//   sort as in=1033
//   preference=main language
//   ...
//
// One section per language, one line per key in a fixed order, an empty line after each. The
// file is written as UTF-16 LE with a byte-order mark and LF line ends; it is read in any of the
// usual encodings (byte-order mark, else a UTF-16 guess, else strict UTF-8, else Windows-1252)
// with LF, CR LF or CR line ends.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

class TStream;

// The preference of a language (`Tlang_preference`).
using Tlang_preference = uint8_t;
inline constexpr Tlang_preference kLangNotInstalled = 0;
inline constexpr Tlang_preference kLangAvailable = 1;
inline constexpr Tlang_preference kLangAlternative = 2;
inline constexpr Tlang_preference kLangMain = 3;

class TLinguaTessorHolder {
 public:
  TLinguaTessorHolder() { data.Clear(); }
  explicit TLinguaTessorHolder(const Tfixed_lang_details32& d) : data(d) {}
  Tfixed_lang_details32 data;
};

class TLinguaTessor {
 public:
  TLinguaTessor() = default;
  TLinguaTessor(const TLinguaTessor&) = delete;
  TLinguaTessor& operator=(const TLinguaTessor&) = delete;

  // Index of the current language; -1 for none.
  int32_t CurrentLangNum = -1;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Appends a copy of the record; answers its index.
  int32_t AddALanguage(const Tfixed_lang_details32& alang);
  // Frees every language; no current language.
  void Clear();
  // Index of the language of that name (case ignored), or -1.
  int32_t IndexOfLanguageName(UStringView aname) const;
  // Removes the language when it is there. The main language is looked for again; when none is
  // main but some remain, the first becomes main and current.
  bool RemoveALanguage(UStringView aname);
  // Gives the language the preference; a new main language makes the old main ones alternative.
  void SetLangPreference(UStringView aname, Tlang_preference apreference);
  // The current language := the first main language, or -1.
  void SetCurrentNumToPreferred();

  // Replaces the list with the languages of the file, sorted by preference (main first) and then
  // by name, and makes the first main language current. False, with the list as it was, when
  // the file cannot be read or is not text.
  bool LoadedFromFile(UStringView filename);
  // Reads from the stream's position to its end, as LoadedFromFile does.
  bool LoadedFromStream(TStream& stream);
  // Writes every language in list order; the previous file survives a failed write.
  bool SavedToFile(UStringView filename) const;
  // The file's text (byte-order mark included), as SavedToFile writes it.
  bool SavedToStream(TStream& stream) const;

  // A copy of the record at the index; an all-zero record outside the list.
  Tfixed_lang_details32 GetALanguage(int32_t index) const;
  // Every language name, joined by tabs.
  UString AllNamesTabbed() const;

 private:
  std::vector<std::unique_ptr<TLinguaTessorHolder>> items_;
};

// The platform's name of a locale identifier ("English (United States)"); empty when unknown.
UString LanguageNameOfLCID(int32_t lcid);
// "main language", "alternative language", "available language" or
// "language not installed in system" (also for values above 3).
UString LangPreferenceAsString(Tlang_preference p);

// The process's list of languages, empty with no current language until it is loaded.
TLinguaTessor& GlobalLinguaTessor();
// The locale identifiers of every language the platform knows, in the platform's order.
std::span<const int32_t> KnownLocaleIdentifiers();
