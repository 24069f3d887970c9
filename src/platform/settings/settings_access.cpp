#include "platform/settings/settings_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_defaults.h"
#include "platform/settings/settings_store.h"

// Each record or value is one block of the store, under a name that is part of the file format:
// a name, once used, keeps its meaning. Names beginning "session." hold hand-over values that
// SetAllDefaults clears when the suite starts again. A new value needs a name here and two
// one-line functions built from the helpers below.

namespace {

// Made by EnsureSettingsStoreReady (or on first use) under the lock; read through the atomic
// pointer so that a worker's Get costs no lock.
std::mutex g_store_mutex;
std::unique_ptr<TSettingsStore> g_store;
std::atomic<TSettingsStore*> g_store_ready{nullptr};

TSettingsStore& Store() { return SharedSettingsStore(); }

constexpr int kTools = 32;
constexpr const char* kSessionPrefix = "session.";

bool ValidTool(int tool) { return tool >= 0 && tool < kTools; }

std::string Key(const char* base, int n) { return std::string(base) + "." + std::to_string(n); }
std::string Key(const char* base, int n, int m) { return Key(base, n) + "." + std::to_string(m); }

// Whole records: a block of exactly the record's size, else the record's defaults.
template <typename R>
R LoadRecord(std::string_view name, R (*defaults)()) {
  R r;
  if (!Store().ReadFixed(name, r.bytes, R::kSize)) r = defaults();
  return r;
}
template <typename R>
void SaveRecord(std::string_view name, const R& r) {
  Store().Write(name, r.bytes, R::kSize);
}
// One field of a stored record, changed under the store's lock.
template <typename R>
void ChangeRecord(std::string_view name, R (*defaults)(), const std::function<void(R&)>& change) {
  Store().Update(name, [&](std::vector<uint8_t>& b) {
    R r;
    if (b.size() == R::kSize) std::memcpy(r.bytes, b.data(), R::kSize);
    else r = defaults();
    change(r);
    b.assign(r.bytes, r.bytes + R::kSize);
  });
}

// Single values: a block of exactly sizeof(T) bytes, else the default.
template <typename T>
T GetValue(std::string_view name, T def) {
  T v;
  return Store().ReadFixed(name, &v, sizeof v) ? v : def;
}
template <typename T>
void SetValue(std::string_view name, T v) {
  Store().Write(name, &v, sizeof v);
}
bool GetBool(std::string_view name, bool def) { return GetValue<uint8_t>(name, def ? 1 : 0) != 0; }
void SetBool(std::string_view name, bool v) { SetValue<uint8_t>(name, v ? 1 : 0); }

// Texts: UTF-16LE code units followed by one zero unit (so an empty text is still a block).
std::vector<uint8_t> EncodeText(UStringView s) {
  std::vector<uint8_t> b;
  b.reserve(2 * s.size() + 2);
  for (char16_t c : s) {
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}
bool DecodeText(const std::vector<uint8_t>& b, size_t from, UString& out) {
  if (b.size() < from + 2 || (b.size() - from) % 2 != 0 || b[b.size() - 1] != 0 || b[b.size() - 2] != 0) {
    return false;
  }
  out.clear();
  for (size_t i = from; i + 2 < b.size(); i += 2) out.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
  return true;
}
UString GetText(std::string_view name, UStringView def) {
  std::vector<uint8_t> b;
  UString s;
  if (Store().Find(name, b) && DecodeText(b, 0, s)) return s;
  return UString(def);
}
void SetText(std::string_view name, UStringView v) {
  const std::vector<uint8_t> b = EncodeText(v);
  Store().Write(name, b.data(), b.size());
}

// A row of flags in one block (menu items, tools, columns), each with its own default.
using TFlagDefault = bool (*)(int);
bool GetFlag(std::string_view name, int count, int index, TFlagDefault def) {
  if (index < 0 || index >= count) return false;
  std::vector<uint8_t> b;
  if (Store().Find(name, b) && b.size() == static_cast<size_t>(count)) return b[static_cast<size_t>(index)] != 0;
  return def(index);
}
// Sets flags (index, value) of a block in one update of the store; indices outside it are passed over.
void SetFlags(std::string_view name, int count, const std::vector<std::pair<int, bool>>& flags, TFlagDefault def) {
  if (std::none_of(flags.begin(), flags.end(), [&](const auto& f) { return f.first >= 0 && f.first < count; })) return;
  Store().Update(name, [&](std::vector<uint8_t>& b) {
    if (b.size() != static_cast<size_t>(count)) {
      b.assign(static_cast<size_t>(count), 0);
      for (int i = 0; i < count; ++i) b[static_cast<size_t>(i)] = def(i) ? 1 : 0;
    }
    for (const auto& [index, v] : flags)
      if (index >= 0 && index < count) b[static_cast<size_t>(index)] = v ? 1 : 0;
  });
}
void SetFlag(std::string_view name, int count, int index, bool v, TFlagDefault def) {
  SetFlags(name, count, {{index, v}}, def);
}
// Every flag of a block in one read of the store.
template <size_t N>
std::array<bool, N> AllFlags(std::string_view name, TFlagDefault def) {
  std::array<bool, N> flags{};
  std::vector<uint8_t> b;
  const bool stored = Store().Find(name, b) && b.size() == N;
  for (size_t i = 0; i < N; ++i) flags[i] = stored ? b[i] != 0 : def(static_cast<int>(i));
  return flags;
}
bool AllOff(int) { return false; }
bool ColumnDefault(int) { return settings_defaults::kDefaultColumnVisible; }
bool ProcedureDefault(int) { return settings_defaults::kCarryoutProcedure; }

UString WithDelimiter(UString folder) { return folder.empty() ? folder : IncludeTrailingPathDelimiter(folder); }

UString HomeFolder() {
  const char* home = std::getenv("HOME");
  return (home && *home) ? IncludeTrailingPathDelimiter(Utf8ToUtf16(home)) : UString();
}

}  // namespace

// --- the store itself -------------------------------------------------------------------------

UString SettingsFolderFromEnvironment() {
  if (const char* dir = std::getenv("LINZORA_CONFIG_DIR"); dir && *dir) {
    return IncludeTrailingPathDelimiter(Utf8ToUtf16(dir));
  }
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    return IncludeTrailingPathDelimiter(Utf8ToUtf16(xdg)) + u"linzora/";
  }
  const UString home = HomeFolder();
  if (!home.empty()) return home + u".config/linzora/";
  return SystemTempFolder() + u"linzora-config-" + IntToUStr(static_cast<int64_t>(::getuid())) + u"/";
}

TSettingsStore& SharedSettingsStore() {
  if (TSettingsStore* ready = g_store_ready.load(std::memory_order_acquire)) return *ready;
  std::lock_guard<std::mutex> hold(g_store_mutex);
  if (!g_store) {
    g_store = std::make_unique<TSettingsStore>(SettingsFolderFromEnvironment());
    g_store_ready.store(g_store.get(), std::memory_order_release);
  }
  return *g_store;
}

void EnsureSettingsStoreReady() { SharedSettingsStore(); }

void ResetSettingsStoreForTests() {
  std::lock_guard<std::mutex> hold(g_store_mutex);
  g_store_ready.store(nullptr, std::memory_order_release);
  g_store.reset();
}

TSettingsReadHold::TSettingsReadHold() { TSettingsStore::HoldReadsOnThisThread(true); }
TSettingsReadHold::~TSettingsReadHold() { TSettingsStore::HoldReadsOnThisThread(false); }

bool SetupVXbufSharing() {
  TSettingsStore& store = Store();
  const bool ok = ForceDirectories(store.Folder());
  if (!ok) AddToLogFile(u"settings store: cannot make the folder " + store.Folder());
  store.ReloadIfChanged();
  return ok;
}

void SetAllDefaults() { Store().RemoveBlocksWithPrefix(kSessionPrefix); }

// --- whole records ----------------------------------------------------------------------------

TConcSettingsRec32 GetConcSaveRec() { return LoadRecord("conc_settings", DefaultConcSettings); }
void SetConcSaveRec(const TConcSettingsRec32& rec) { SaveRecord("conc_settings", rec); }
TTextsett_rec32 GetTextSettings() { return LoadRecord("text_settings", DefaultTextSettings); }
void SetTextSettings(const TTextsett_rec32& rec) { SaveRecord("text_settings", rec); }
TWordlist_settings_rec GetWordlistSettings() { return LoadRecord("wordlist_settings", DefaultWordlistSettings); }
void SetWordlistSettings(const TWordlist_settings_rec& rec) { SaveRecord("wordlist_settings", rec); }
TWordlistIndexSettingsRec GetWordlistIndexSettings() {
  return LoadRecord("wordlist_index_settings", DefaultWordlistIndexSettings);
}
void SetWordlistIndexSettings(const TWordlistIndexSettingsRec& rec) { SaveRecord("wordlist_index_settings", rec); }
TKeywordsSettingsRec32 GetKeywordsSettings() { return LoadRecord("keywords_settings", DefaultKeywordsSettings); }
void SetKeywordsSettings(const TKeywordsSettingsRec32& rec) { SaveRecord("keywords_settings", rec); }
UString GetKeywordsSettingsReferenceCorpus() { return GetKeywordsSettings().ReferenceCorpus(); }
void SetKeywordsSettingsReferenceCorpus(UStringView file_name) {
  ChangeRecord<TKeywordsSettingsRec32>("keywords_settings", DefaultKeywordsSettings,
                                       [&](TKeywordsSettingsRec32& r) { r.SetReferenceCorpus(file_name); });
}
TPlotSettingsRec GetPlotSettings() { return LoadRecord("plot_settings", DefaultPlotSettings); }
void SetPlotSettings(const TPlotSettingsRec& rec) { SaveRecord("plot_settings", rec); }
TClipboardSettingsRec GetClipboardSettings() { return LoadRecord("clipboard_settings", DefaultClipboardSettings); }
void SetClipboardSettings(const TClipboardSettingsRec& rec) { SaveRecord("clipboard_settings", rec); }
TMediaMarkersRec GetMediaMarkers() { return LoadRecord("media_markers", DefaultMediaMarkers); }
void SetMediaMarkers(const TMediaMarkersRec& rec) { SaveRecord("media_markers", rec); }
TWordCloudSettingsRec GetWordCloudSettings() { return LoadRecord("word_cloud_settings", DefaultWordCloudSettings); }
void SetWordCloudSettings(const TWordCloudSettingsRec& rec) { SaveRecord("word_cloud_settings", rec); }
TRulerPlotWordCloudFeaturesRec GetRulerPlotWordCloudFeatures() {
  return LoadRecord("ruler_plot_cloud", DefaultRulerPlotWordCloudFeatures);
}
void SetRulerPlotWordCloudFeatures(const TRulerPlotWordCloudFeaturesRec& rec) { SaveRecord("ruler_plot_cloud", rec); }
TTagPreferencesRec GetTagPreferences() { return LoadRecord("tag_preferences", DefaultTagPreferences); }
void SetTagPreferences(const TTagPreferencesRec& rec) { SaveRecord("tag_preferences", rec); }
TCollocateScriptSettingsRec GetCollocateScriptSettings() {
  return LoadRecord("collocate_filter", DefaultCollocateScriptSettings);
}
void SetCollocateScriptSettings(const TCollocateScriptSettingsRec& rec) { SaveRecord("collocate_filter", rec); }
TKollaxaMutualChecks GetKollaxaMutualChecks() { return LoadRecord("association_checks", DefaultKollaxaMutualChecks); }
void SetKollaxaMutualChecks(const TKollaxaMutualChecks& rec) { SaveRecord("association_checks", rec); }
TMovingWindowSettingsRec GetMovingWindowSettings() { return LoadRecord("moving_window", DefaultMovingWindowSettings); }
void SetMovingWindowSettings(const TMovingWindowSettingsRec& rec) { SaveRecord("moving_window", rec); }
TDetailedConsistencySettingsRec GetDetailedConsistencySettings() {
  return LoadRecord("detailed_consistency", DefaultDetailedConsistencySettings);
}
void SetDetailedConsistencySettings(const TDetailedConsistencySettingsRec& rec) {
  SaveRecord("detailed_consistency", rec);
}
TPrinterRec GetPrinterRec() { return LoadRecord("printer", DefaultPrinterRec); }
void SetPrinterRec(const TPrinterRec& rec) { SaveRecord("printer", rec); }
TPrinterPrefsRec GetPrinterPrefs() { return LoadRecord("printer_prefs", DefaultPrinterPrefs); }
void SetPrinterPrefs(const TPrinterPrefsRec& rec) { SaveRecord("printer_prefs", rec); }
int32_t GetGlobalStyleNumber() { return GetValue<int32_t>("shell.style", 0); }
void SetGlobalStyleNumber(int32_t style) { SetValue<int32_t>("shell.style", style); }
TWordHandlingColourRec GetWordHandling4ColourRecAndTypeface(int32_t style, int32_t index) {
  TWordHandlingColourRec r;
  if (!Store().ReadFixed(Key("word_handling_colour", style, index), r.bytes, TWordHandlingColourRec::kSize))
    r = DefaultWordHandlingColour(style, index);
  return r;
}
void SetWordHandling4ColourRecAndTypeface(int32_t style, int32_t index, const TWordHandlingColourRec& rec) {
  Store().Write(Key("word_handling_colour", style, index), rec.bytes, TWordHandlingColourRec::kSize);
}

// --- single fields of the concordance settings --------------------------------------------------

namespace {
void ChangeConc(const std::function<void(TConcSettingsRec32&)>& change) {
  ChangeRecord<TConcSettingsRec32>("conc_settings", DefaultConcSettings, change);
}
}  // namespace

void SetConcSaveRecSearchword(UStringView text) { ChangeConc([&](auto& r) { r.SetSearchWord(text); }); }
void SetConcSaveRecContextword(UStringView text) { ChangeConc([&](auto& r) { r.SetContextWord(text); }); }
void SetConcSaveRecExclusionword(UStringView text) { ChangeConc([&](auto& r) { r.SetExclusionWord(text); }); }
void SetConcSaveRecContextStopAt(uint8_t stop) { ChangeConc([&](auto& r) { r.SetContextStop(stop); }); }
void SetConcSaveRecDisplayOptions(uint8_t options) { ChangeConc([&](auto& r) { r.SetDisplayOptions(options); }); }
void SetConcSaveRecHideOptions(uint8_t options) { ChangeConc([&](auto& r) { r.SetHideOptions(options); }); }
void SetConcSaveRecColouringOptions(uint8_t options) {
  ChangeConc([&](auto& r) { r.SetColouringOptions(options); });
}
void SetConcSaveRecClusterSettingsToLeft(int16_t reach) { ChangeConc([&](auto& r) { r.SetClusterReachLeft(reach); }); }
void SetConcSaveRecClusterSettingsToRight(int16_t reach) {
  ChangeConc([&](auto& r) { r.SetClusterReachRight(reach); });
}
void SetConcSaveRecClusterSettingsMinFreq(int32_t frequency) {
  const auto f = static_cast<uint16_t>(std::clamp<int32_t>(frequency, 0, 0xFFFF));
  ChangeConc([&](auto& r) { r.SetClusterMinFrequency(f); });
}
void SetConcSaveRecClusterNMIn(int16_t words) { ChangeConc([&](auto& r) { r.SetClusterSizeMin(words); }); }
void SetConcSaveRecClusterNMax(int16_t words) { ChangeConc([&](auto& r) { r.SetClusterSizeMax(words); }); }
void SetConcSaveRecCollocatesCaseSensitive(bool on) {
  ChangeConc([&](auto& r) { r.SetCollocatesCaseSensitive(on); });
}
void SetConcSaveRecSWPadded(bool on) { ChangeConc([&](auto& r) { r.SetSearchWordPadded(on); }); }
void SetConcSaveRecSkipPunctuation(bool on) { ChangeConc([&](auto& r) { r.SetSkipPunctuation(on); }); }
void SetConcSaveRecWithContext(bool on) { ChangeConc([&](auto& r) { r.SetContextWordsWanted(on); }); }
Tdouble_smallint_type GetConcSaveRecContextHorizons() { return GetConcSaveRec().ContextHorizons(); }
Tdouble_smallint_type GetConcSaveRecCollocHorizons() { return GetConcSaveRec().CollocHorizons(); }
UString GetConcordanceSWFilename() { return GetText("conc_sw_file", u""); }
void SetConcordanceSWFilename(UStringView file_name) { SetText("conc_sw_file", file_name); }
UString GetModifyInitials() { return GetText("modify_initials", u""); }
void SetModifyInitials(UStringView initials) { SetText("modify_initials", initials); }
bool GetAskWhetherToSaveRunConcData() { return GetBool("ask_save_run_conc_data", true); }
void SetAskWhetherToSaveRunConcData(bool ask) { SetValue<uint8_t>("ask_save_run_conc_data", ask ? 1 : 0); }
bool GetDeadKeyListCustomised() { return GetBool("dead_keys_customised", false); }
void SetDeadKeyListCustomised(bool on) { SetValue<uint8_t>("dead_keys_customised", on ? 1 : 0); }
uint32_t GetKeyboardChoice() { return GetValue<uint32_t>("keyboard_choice", 0); }
void SetKeyboardChoice(uint32_t layout) { SetValue<uint32_t>("keyboard_choice", layout); }

// --- lemma, match and stop lists --------------------------------------------------------------

TLemmaMatchStopSettingsRec GetLemmaMatchStopSettings(uint8_t tool, uint8_t kind) {
  if (!ValidTool(tool) || kind >= kLemmaMatchStopKinds) return DefaultLemmaMatchStopSettings();
  return LoadRecord(Key("lists", tool, kind), DefaultLemmaMatchStopSettings);
}
void SetLemmaMatchStopSettings(uint8_t tool, uint8_t kind, const TLemmaMatchStopSettingsRec& rec) {
  if (ValidTool(tool) && kind < kLemmaMatchStopKinds) SaveRecord(Key("lists", tool, kind), rec);
}
TLemmaListSettingsRec GetLemmaListSettings(uint8_t tool) { return GetLemmaMatchStopSettings(tool, 0); }
TMatchListSettingsRec GetMatchListSettings(uint8_t tool) { return GetLemmaMatchStopSettings(tool, 1); }
TStopListSettingsRec GetStopListSettings(uint8_t tool) { return GetLemmaMatchStopSettings(tool, 2); }
UString GetLemmaMatchStopFilename(uint8_t tool, uint8_t kind) {
  return GetLemmaMatchStopSettings(tool, kind).FileName();
}
bool GetLemmaMatchStopWanted(uint8_t tool, uint8_t kind) { return GetLemmaMatchStopSettings(tool, kind).Activated(); }

// --- folders and files ---------------------------------------------------------------------------

UString GetUserReadWriteFolder() {
  const UString folder = WithDelimiter(GetText("user_folder", Store().Folder()));
  if (!folder.empty()) ForceDirectories(folder);
  return folder;
}
void SetUserReadWriteFolder(UStringView folder) { SetText("user_folder", folder); }
UString GetDefaultFolder(uint8_t kind) {
  const UString home = HomeFolder();
  const UString def = home.empty() ? GetUserReadWriteFolder() : home;
  return ValidTool(kind) ? WithDelimiter(GetText(Key("default_folder", kind), def)) : def;
}
void SetDefaultFolder(uint8_t kind, UStringView folder) {
  if (ValidTool(kind)) SetText(Key("default_folder", kind), folder);
}
UString GetLastOpenedFolder(uint8_t tool) {
  return ValidTool(tool) ? GetText(Key("last_opened_folder", tool), u"") : UString();
}
void SetLastOpenedFolder(uint8_t tool, UStringView folder) {
  if (ValidTool(tool)) SetText(Key("last_opened_folder", tool), folder);
}
UString GetTempFolder() {
  // A settings folder of its own (LINZORA_CONFIG_DIR) keeps its hand-overs apart as well: the
  // tools started with it hand their texts to one another, never to the user's other programs.
  if (const char* dir = std::getenv("LINZORA_CONFIG_DIR"); dir && *dir) {
    const UString config = IncludeTrailingPathDelimiter(Utf8ToUtf16(dir));
    ForceDirectories(config);
    const UString folder = config + u"temp/";
    ::mkdir(Utf16ToUtf8(ExcludeTrailingPathDelimiter(folder)).c_str(), 0700);
    return folder;
  }
  const UString folder = SystemTempFolder() + settings_defaults::kTempFolderPrefix +
                         IntToUStr(static_cast<int64_t>(::getuid())) + u"/";
  // This user's alone from the start: hand-over files are written here.
  ForceDirectories(SystemTempFolder());
  ::mkdir(Utf16ToUtf8(ExcludeTrailingPathDelimiter(folder)).c_str(), 0700);
  return folder;
}
UString GetTempZipFolder() {
  const UString folder = GetTempFolder() + u"zip/";
  ForceDirectories(folder);
  return folder;
}
UString GetLastMainToolFileName(uint8_t tool) {
  return ValidTool(tool) ? GetText(Key("last_main_file", tool), u"") : UString();
}
void SetLastMainToolFileName(uint8_t tool, UStringView file_name) {
  if (ValidTool(tool)) SetText(Key("last_main_file", tool), file_name);
}
UString GetLastUsedFile(uint8_t kind) { return GetText(Key("last_used_file", kind), u""); }
void SetLastUsedFile(uint8_t kind, UStringView file_name) { SetText(Key("last_used_file", kind), file_name); }
bool GetUseUserFilter() { return GetBool("use_user_filter", false); }
void SetUseUserFilter(bool on) { SetBool("use_user_filter", on); }
UString GetUserDLLFileName() { return GetText("user_filter_file", u""); }
UString GetUserDLLFullName() {
  const UString name = GetUserDLLFileName();
  if (name.empty() || name[0] == u'/') return name;
  return WithDelimiter(Store().Folder()) + name;
}
void SetUserDLLFileName(UStringView file_name) { SetText("user_filter_file", file_name); }
bool GetLogging() { return GetBool("logging", false); }
void SetLogging(bool on) { SetBool("logging", on); }
UString GetTheLogFilename() { return GetText("log_file", u""); }
void SetTheLogFilename(UStringView file_name) { SetText("log_file", file_name); }
UString GetVersionInfo() { return settings_defaults::kVersionText; }

// --- menus and display ---------------------------------------------------------------------------

bool GetMenuItemChecked(int tag) {
  return GetFlag("menu_checked", kMenuTags, tag, settings_defaults::MenuItemCheckedByDefault);
}
void SetMenuItemChecked(int tag, bool checked) {
  SetFlag("menu_checked", kMenuTags, tag, checked, settings_defaults::MenuItemCheckedByDefault);
}
std::array<bool, kMenuTags> GetAllMenuCheckStates() {
  return AllFlags<kMenuTags>("menu_checked", settings_defaults::MenuItemCheckedByDefault);
}
uint8_t GetDisplayWordsPerMillion() {
  return GetValue<uint8_t>("display_per_million", settings_defaults::kDisplayWordsPerMillion);
}
void SetDisplayWordsPerMillion(uint8_t mode) { SetValue<uint8_t>("display_per_million", mode); }
bool GetShouldColourPercentages() { return GetBool("colour_percentages", false); }
void SetShouldColourPercentages(bool on) { SetBool("colour_percentages", on); }
uint32_t GetAPercentageColour(int32_t percent) {
  uint32_t ends[2] = {settings_defaults::kPercentColourAtZero, settings_defaults::kPercentColourAtHundred};
  if (!Store().ReadFixed("percentage_colours", ends, sizeof ends)) {
    ends[0] = settings_defaults::kPercentColourAtZero;
    ends[1] = settings_defaults::kPercentColourAtHundred;
  }
  const uint32_t p = static_cast<uint32_t>(std::clamp<int32_t>(percent, 0, 100));
  uint32_t colour = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t a = (ends[0] >> shift) & 0xFF;
    const uint32_t b = (ends[1] >> shift) & 0xFF;
    colour |= ((a * (100 - p) + b * p + 50) / 100) << shift;
  }
  return colour;
}
void SetPercentageColours(uint32_t at_zero, uint32_t at_hundred) {
  const uint32_t ends[2] = {at_zero & 0xFFFFFF, at_hundred & 0xFFFFFF};
  Store().Write("percentage_colours", ends, sizeof ends);
}
std::array<bool, kDefaultVisibilityColumns> GetAllDefaultColumnVisible(uint8_t list_type) {
  return AllFlags<kDefaultVisibilityColumns>(Key("column_visible", list_type), ColumnDefault);
}
void SetDefaultColumnsVisible(uint8_t list_type, const std::vector<std::pair<int, bool>>& columns) {
  SetFlags(Key("column_visible", list_type), kDefaultVisibilityColumns, columns, ColumnDefault);
}
uint8_t GetTimeLinePlotBase() { return GetValue<uint8_t>("timeline_base", settings_defaults::kTimeLinePlotBase); }
void SetTimeLinePlotBase(uint8_t base) { SetValue<uint8_t>("timeline_base", base); }
uint8_t GetTimeLinePlotBaseRounding() {
  return GetValue<uint8_t>("timeline_rounding", settings_defaults::kTimeLinePlotBaseRounding);
}
void SetTimeLinePlotBaseRounding(uint8_t rounding) { SetValue<uint8_t>("timeline_rounding", rounding); }
int32_t GetConcCharactersForTextOnly() {
  return GetValue<int32_t>("conc_text_characters", settings_defaults::kConcCharactersForTextOnly);
}
void SetConcCharactersForTextOnly(int32_t characters) { SetValue<int32_t>("conc_text_characters", characters); }
UString GetConc_SW_TXT_Marker() { return GetText("conc_sw_marker", settings_defaults::kSearchWordTextMarker); }
void SetConc_SW_TXT_Marker(UStringView marker) { SetText("conc_sw_marker", marker); }
UString GetConc_Context_W_TXT_Marker() {
  return GetText("conc_context_marker", settings_defaults::kContextWordTextMarker);
}
void SetConc_Context_W_TXT_Marker(UStringView marker) { SetText("conc_context_marker", marker); }

// --- processing choices -------------------------------------------------------------------------

bool GetCutLowCase() { return GetBool("wordlist_cut_low_case", false); }
void SetCutLowCase(bool on) { SetBool("wordlist_cut_low_case", on); }
bool GetExactWordLength() { return GetBool("wordlist_exact_word_length", false); }
void SetExactWordLength(bool on) { SetBool("wordlist_exact_word_length", on); }
int32_t GetWordListDispersionDivisions() {
  const int32_t n = GetValue<int32_t>("wordlist_dispersion_divisions", 8);
  return (n < 1 || n > 100) ? 8 : n;
}
void SetWordListDispersionDivisions(int32_t n) { SetValue<int32_t>("wordlist_dispersion_divisions", n); }
bool GetLemmaHeadWordFreqOnly() { return GetBool("wordlist_lemma_head_freq_only", false); }
void SetLemmaHeadWordFreqOnly(bool on) { SetBool("wordlist_lemma_head_freq_only", on); }
bool GetLemmaOmitHeadWordInWordlist() { return GetBool("wordlist_lemma_omit_head", false); }
void SetLemmaOmitHeadWordInWordlist(bool on) { SetBool("wordlist_lemma_omit_head", on); }
bool GetFastMinimalProcessing(uint8_t tool) { return GetFlag("fast_minimal", kTools, tool, AllOff); }
void SetFastMinimalProcessing(uint8_t tool, bool on) { SetFlag("fast_minimal", kTools, tool, on, AllOff); }
bool GetRemoveDuplicatesAutomatically(uint8_t tool) { return GetFlag("remove_duplicates", kTools, tool, AllOff); }
void SetRemoveDuplicatesAutomatically(uint8_t tool, bool on) {
  SetFlag("remove_duplicates", kTools, tool, on, AllOff);
}
bool GetPostProcessSaveFilenames() { return GetBool("save_file_names_after_run", false); }
void SetPostProcessSaveFilenames(bool on) { SetBool("save_file_names_after_run", on); }
bool GetRandomising() { return GetBool("randomising", settings_defaults::kRandomising); }
void SetRandomising(bool on) { SetBool("randomising", on); }
uint16_t GetRandomRange() { return GetValue<uint16_t>("random_range", settings_defaults::kRandomRange); }
void SetRandomRange(uint16_t range) { SetValue<uint16_t>("random_range", range); }
bool GetMaySaveVXBufferFile(uint8_t first_text) { return first_text != 0 && GetBool("keep_buffer_copy", false); }
void SetMaySaveVXBufferFile(bool on) { SetBool("keep_buffer_copy", on); }
bool GetCarryoutProcedureTagBoolean(int tag) {
  return GetFlag("procedure_steps", kMenuTags, tag, ProcedureDefault);
}
void SetCarryoutProcedureTagBoolean(int tag, bool on) {
  SetFlag("procedure_steps", kMenuTags, tag, on, ProcedureDefault);
}
bool GetRestrictTo3LetterExtensions() { return GetBool("restrict_3_letter_extensions", false); }
void SetRestrictTo3LetterExtensions(bool on) { SetBool("restrict_3_letter_extensions", on); }
bool GetUNCNetworkFilesChecking() { return GetBool("network_file_checking", false); }
void SetUNCNetworkFilesChecking(bool on) { SetBool("network_file_checking", on); }
uint32_t GetTextConversionOptions() {
  return GetValue<uint32_t>("text_conversion", settings_defaults::kTextConversionOptions);
}
void SetTextConversionOptions(uint32_t options) { SetValue<uint32_t>("text_conversion", options); }

// --- mark-up and text selection -------------------------------------------------------------------

int32_t GetIgnoreTagsSpan() { return GetValue<int32_t>("ignore_tags_span", settings_defaults::kIgnoreTagsSpan); }
void SetIgnoreTagsSpan(int32_t characters) { SetValue<int32_t>("ignore_tags_span", characters); }
int32_t GetTagsWanted() { return GetValue<int32_t>("tags_keep_wanted", 0); }
void SetTagsWanted(int32_t count) { SetValue<int32_t>("tags_keep_wanted", count); }
int32_t GetTagsExcludeWanted() { return GetValue<int32_t>("tags_exclude_wanted", 0); }
void SetTagsExcludeWanted(int32_t count) { SetValue<int32_t>("tags_exclude_wanted", count); }
int32_t GetTagsTranslateWanted() { return GetValue<int32_t>("tags_translate_wanted", 0); }
void SetTagsTranslateWanted(int32_t count) { SetValue<int32_t>("tags_translate_wanted", count); }
bool GetTagModified() { return GetBool("session.tags_keep_changed", false); }
void SetTagModified(bool changed) { SetBool("session.tags_keep_changed", changed); }
bool GetTagsExcludeModified() { return GetBool("session.tags_exclude_changed", false); }
void SetTagsExcludeModified(bool changed) { SetBool("session.tags_exclude_changed", changed); }
bool GetTagTranslateModified() { return GetBool("session.tags_translate_changed", false); }
void SetTagTranslateModified(bool changed) { SetBool("session.tags_translate_changed", changed); }
UString GetEndOfTextHeader() { return GetText("end_of_header", u""); }
void SetEndOfTextHeader(UStringView markers) { SetText("end_of_header", markers); }
int32_t GetTimesEndOfTextHeaderCut() { return GetValue<int32_t>("session.header_cuts", 0); }
void SetTimesEndOfTextHeaderCut(int32_t count) { SetValue<int32_t>("session.header_cuts", count); }
void AddOneToTimesEndOfTextHeaderCut() { AddToTimesEndOfTextHeaderCut(1); }
void AddToTimesEndOfTextHeaderCut(int32_t count) {
  if (count <= 0) return;
  Store().Update("session.header_cuts", [count](std::vector<uint8_t>& b) {
    int32_t n = 0;
    if (b.size() == sizeof n) std::memcpy(&n, b.data(), sizeof n);
    n = n > 0x7FFFFFFF - count ? 0x7FFFFFFF : n + count;
    b.resize(sizeof n);
    std::memcpy(b.data(), &n, sizeof n);
  });
}
UString GetWordlistClusterTag() { return GetText("cluster_tag", u""); }
void SetWordlistClusterTag(UStringView tag) { SetText("cluster_tag", tag); }
int32_t GetCutStartOfTextLine() {
  return GetValue<int32_t>("cut_line_starts", settings_defaults::kCutStartOfTextLine);
}
void SetCutStartOfTextLine(int32_t how) { SetValue<int32_t>("cut_line_starts", how); }
bool GetTextSelectAtAll() { return GetBool("text_select", false); }
void SetTextSelectAtAll(bool on) { SetBool("text_select", on); }
TSelectTextFile_RecW GetTextSelectAtAllString(int slot) {
  TSelectTextFile_RecW r;
  r.Clear();
  if (slot < 1 || slot > kTextSelectSlots) return r;
  return LoadRecord<TSelectTextFile_RecW>(Key("text_select_string", slot), [] {
    TSelectTextFile_RecW z;
    z.Clear();
    return z;
  });
}
void SetTextSelectAtAllString(int slot, const TSelectTextFile_RecW& rec) {
  if (slot >= 1 && slot <= kTextSelectSlots) SaveRecord(Key("text_select_string", slot), rec);
}
bool GetTextSelectingWithin() { return GetBool("text_select_within", false); }
void SetTextSelectingWithin(bool on) { SetBool("text_select_within", on); }
TSelectWithinContextW GetTextSelectWithinContext(int slot) {
  TSelectWithinContextW r;
  r.Clear();
  if (slot < 1 || slot > kTextSelectSlots) return r;
  return LoadRecord<TSelectWithinContextW>(Key("text_select_context", slot), [] {
    TSelectWithinContextW z;
    z.Clear();
    return z;
  });
}
void SetTextSelectWithinContext(int slot, const TSelectWithinContextW& rec) {
  if (slot >= 1 && slot <= kTextSelectSlots) SaveRecord(Key("text_select_context", slot), rec);
}
uint8_t SelectWithinTypeFromNumber(int slot) { return GetTextSelectWithinContext(slot).WithinType(); }

// --- hand-over between windows and programs ------------------------------------------------------

UString GetATempString(int n) { return (n >= 0 && n < 16) ? GetText(Key("session.temp_string", n), u"") : UString(); }
void SetATempString(UStringView text, int n) {
  if (n >= 0 && n < 16) SetText(Key("session.temp_string", n), text);
}
UString GetTempURL() { return GetText("session.temp_url", u""); }
void SetTempURL(UStringView url) { SetText("session.temp_url", url); }
UString GetMyTempFilename() { return GetText("session.my_temp_file", u""); }
void SetMyTempFilename(UStringView file_name) { SetText("session.my_temp_file", file_name); }
void GetTemp2Int64(int64_t& first, int64_t& second) {
  int64_t v[2] = {0, 0};
  if (!Store().ReadFixed("session.temp_2_int64", v, sizeof v)) v[0] = v[1] = 0;
  first = v[0];
  second = v[1];
}
void SetTemp2Int64(int64_t first, int64_t second) {
  const int64_t v[2] = {first, second};
  Store().Write("session.temp_2_int64", v, sizeof v);
}
void GetTemp2Longint(int32_t& first, int32_t& second) {
  int32_t v[2] = {0, 0};
  if (!Store().ReadFixed("session.temp_2_int32", v, sizeof v)) v[0] = v[1] = 0;
  first = v[0];
  second = v[1];
}
void SetTemp2Longint(int32_t first, int32_t second) {
  const int32_t v[2] = {first, second};
  Store().Write("session.temp_2_int32", v, sizeof v);
}
uint32_t GetTempOne32char() { return GetValue<uint32_t>("session.temp_char", 0); }
void SetTempOne32char(uint32_t code) { SetValue<uint32_t>("session.temp_char", code); }

// The chosen texts: one byte available, int32 count, then the file name as a text.
void SetChosenTextFiles(bool available, UStringView file_name, int32_t count) {
  std::vector<uint8_t> b(5);
  b[0] = available ? 1 : 0;
  std::memcpy(b.data() + 1, &count, sizeof count);
  const std::vector<uint8_t> name = EncodeText(file_name);
  b.insert(b.end(), name.begin(), name.end());
  Store().Write("chosen_texts", b.data(), b.size());
}
bool GetChosenTextFiles(UString& file_name, int32_t& count) {
  file_name.clear();
  count = 0;
  std::vector<uint8_t> b;
  UString name;
  if (!Store().Find("chosen_texts", b) || b.size() < 5 || !DecodeText(b, 5, name)) return false;
  int32_t n = 0;
  std::memcpy(&n, b.data() + 1, sizeof n);
  if (b[0] == 0) return false;
  file_name = name;
  count = n;
  return true;
}
void SetNewChoiceOfTextFiles(bool is_new, bool for_every_tool) {
  if (for_every_tool) {
    Store().Update("session.new_choice", [&](std::vector<uint8_t>& b) { b.assign(kTools, is_new ? 1 : 0); });
  } else {
    SetFlag("session.new_choice", kTools, current_tool_var, is_new, AllOff);
  }
}
bool GetNewChoiceOfTextFiles(bool reset) {
  const bool is_new = GetFlag("session.new_choice", kTools, current_tool_var, AllOff);
  if (is_new && reset) SetFlag("session.new_choice", kTools, current_tool_var, false, AllOff);
  return is_new;
}
void SetSettingsAlteredByTool(uint8_t tool, bool altered) {
  if (ValidTool(tool)) SetFlag("session.altered_by_tool", kTools, tool, altered, AllOff);
}
bool GetSettingsAlteredByTool(uint8_t tool) { return GetFlag("session.altered_by_tool", kTools, tool, AllOff); }
