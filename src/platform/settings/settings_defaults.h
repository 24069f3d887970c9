// What a new user starts with: the value of every record and single setting that the settings
// store does not hold yet (or holds damaged). settings_defaults.cpp lists them in one table.
#pragma once

#include <cstdint>

#include "platform/settings/settings_records.h"

TConcSettingsRec32 DefaultConcSettings();
Tfixed_lang_details32 DefaultLanguage();
TTextsett_rec32 DefaultTextSettings();
TWordlist_settings_rec DefaultWordlistSettings();
TWordlistIndexSettingsRec DefaultWordlistIndexSettings();
TKeywordsSettingsRec32 DefaultKeywordsSettings();
TPlotSettingsRec DefaultPlotSettings();
TClipboardSettingsRec DefaultClipboardSettings();
TMediaMarkersRec DefaultMediaMarkers();
TWordCloudSettingsRec DefaultWordCloudSettings();
TRulerPlotWordCloudFeaturesRec DefaultRulerPlotWordCloudFeatures();
TTagPreferencesRec DefaultTagPreferences();
TCollocateScriptSettingsRec DefaultCollocateScriptSettings();
TKollaxaMutualChecks DefaultKollaxaMutualChecks();
TMovingWindowSettingsRec DefaultMovingWindowSettings();
TDetailedConsistencySettingsRec DefaultDetailedConsistencySettings();
TPrinterRec DefaultPrinterRec();
TPrinterPrefsRec DefaultPrinterPrefs();
// Word-handling colour `index` of a visual style (even styles light, odd ones dark): 0 plain text,
// 1 the search word, 2 a tag without a colour of its own, 3 a word with its tag (and the search
// word among coloured words), 4 any other marked word, 5 and 6 words left and right of the search
// word, 7 a highlighted collocate; the others plain.
TWordHandlingColourRec DefaultWordHandlingColour(int32_t style, int32_t index);
TLemmaMatchStopSettingsRec DefaultLemmaMatchStopSettings();

// Single settings.
namespace settings_defaults {
inline constexpr uint8_t kDisplayWordsPerMillion = 0;     // numbers shown as they are
inline constexpr int32_t kIgnoreTagsSpan = 1000;          // characters a tag may span
inline constexpr int32_t kConcCharactersForTextOnly = 0;  // characters of a line in text output (0: whole)
inline constexpr uint32_t kTextConversionOptions = 4 | 8; // may ask, and asks, about UTF-8 texts
inline constexpr bool kRandomising = false;
inline constexpr uint16_t kRandomRange = 10;              // one hit in ten when sampling
inline constexpr uint8_t kTimeLinePlotBase = 0;           // undefined: the user is asked first
inline constexpr uint8_t kTimeLinePlotBaseRounding = 0;
inline constexpr int32_t kCutStartOfTextLine = 0;         // no line starts are cut
inline constexpr bool kDefaultColumnVisible = true;
inline constexpr bool kCarryoutProcedure = true;          // every optional step runs
inline constexpr uint32_t kPercentColourAtZero = 0x00808080;    // grey for small shares
inline constexpr uint32_t kPercentColourAtHundred = 0x000000C0; // dark red for whole ones
inline constexpr const char16_t* kSearchWordTextMarker = u"*";   // before the search word
inline constexpr const char16_t* kContextWordTextMarker = u"+";  // before the first context word
inline constexpr const char16_t* kVersionText = u"0.1";
// The suite's temporary folder: this prefix and the user's id, in the system's temporary folder.
inline constexpr const char16_t* kTempFolderPrefix = u"linzora-";
// Menu items checked for a new user (the status bar).
bool MenuItemCheckedByDefault(int tag);
}  // namespace settings_defaults
