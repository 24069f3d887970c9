#include "shell/main_window/main_window_rules.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_store.h"
#include "platform/settings/settings_access.h"

int ResolveSaveAnswer(int answer, const std::function<bool()>& save, int yes_result) {
  if (answer != mrYes) return answer;
  return save && save() ? yes_result : mrCancel;
}

std::function<bool(UStringView)> Utf8ConversionQuestion() {
  auto for_all = std::make_shared<int>(0);  // mrYesToAll or mrNoToAll once given
  return [for_all](UStringView file_name) {
    if (*for_all != 0) return *for_all == mrYesToAll;
    const int answer = VXDialog(TVXDialog::OKtoSaveXInUnicode, {UString(file_name)});
    if (answer == mrYesToAll || answer == mrNoToAll) {
      *for_all = answer;
      SetTextConversionOptions(GetTextConversionOptions() & ~uint32_t(4));
    }
    return answer == mrYes || answer == mrYesToAll;
  };
}

int NumberDisplayOfTag(int tag) {
  switch (tag) {
    case kTagPercent: return 2;
    case kTagPerThousand: return 3;
    case kTagPerMillion: return 4;
    case kTagNumbersDefault: return 0;
    default: return -1;
  }
}

int NumberDisplayTagOfValue(uint8_t stored) {
  switch (stored) {
    case 1:
    case 2: return kTagPercent;
    case 3: return kTagPerThousand;
    case 4: return kTagPerMillion;
    default: return kTagNumbersDefault;
  }
}

bool AutoSaveMayRun(const TAutoSaveState& s) {
  return s.has_data && s.has_own_name && !s.job_running && !s.exporting;
}

int AutoSaveIntervalMs(int minutes, bool has_data) {
  if (!has_data || minutes <= 0) return 0;
  // A day at most: a larger stored value is damage, not a wish.
  return std::min(minutes, 24 * 60) * 60 * 1000;
}

UString PageCaption(UStringView list_type_name, UStringView file_name) {
  UString file = file_name.empty() ? VXRes(TVXRes::VXUnsaved) : ExtractFileName(file_name);
  return UString(list_type_name) + u" (" + file + u")";
}

UString SaveQuestionName(UStringView list_type_name, UStringView file_name) {
  if (!TrimU(file_name).empty()) return ExtractFileName(file_name);
  UString kind = AsciiLower(list_type_name);
  if (kind.empty()) kind = u"results";
  return u"the unsaved " + kind;
}

UString MergedCaption(UStringView current_name, UStringView merged_name) {
  return ChangeFileExt(current_name, u"") + u" " + VXRes(TVXRes::VXAnd) + u" " + ExtractFileName(merged_name);
}

bool SameFile(UStringView a, UStringView b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec) && !ec) return true;
  // Names of files that do not exist (yet) still compare by their normal form.
  const auto ca = std::filesystem::weakly_canonical(ToFsPath(a), ec);
  if (ec) return false;
  const auto cb = std::filesystem::weakly_canonical(ToFsPath(b), ec);
  return !ec && ca == cb;
}

bool FolderIsWritable(UStringView folder) {
  if (folder.empty() || !DirectoryExists(folder)) return false;
  const UString probe = UniqueTempName(folder, u"lz_write_probe_", u".tmp");
  {
    std::ofstream out(ToFsPath(probe));
    if (!out) return false;
  }
  std::error_code ec;
  std::filesystem::remove(ToFsPath(probe), ec);
  return true;
}

std::optional<int32_t> RelativeEntropyBasisFromText(UStringView text) {
  const UString t = TrimU(text);
  if (t.empty() || t.size() > 9) return std::nullopt;
  int32_t v = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') return std::nullopt;
    v = v * 10 + (c - u'0');
  }
  if (v < 2) return std::nullopt;
  return v;
}

TGoToRow GoToRowPlan(int row, int row_count) {
  TGoToRow plan;
  if (row > 11) plan.top = row - 10;
  plan.current = std::max(1, std::min(row + 1, row_count - 1));
  return plan;
}

std::vector<TToolbarPlacement> ArrangeToolbarControls(const std::vector<TToolbarControl>& controls,
                                                      int image_height, int pixels_per_inch, int& panel_height,
                                                      int& right_edge) {
  panel_height = static_cast<int>(std::lround(1.8 * image_height));
  const int gap = pixels_per_inch / 12;
  std::vector<TToolbarPlacement> out;
  out.reserve(controls.size());
  int left = 0;
  for (const TToolbarControl& c : controls) {
    TToolbarPlacement p;
    p.left = left;
    p.width = c.width;
    switch (c.kind) {
      case TToolbarControl::Button: p.height = panel_height; break;
      case TToolbarControl::KeepsHeight: p.height = c.height; break;
      case TToolbarControl::Other: p.height = static_cast<int>(std::lround(0.9 * panel_height)); break;
    }
    if (c.kind != TToolbarControl::Button)
      p.top = static_cast<int>(std::lround((panel_height - p.height) / 2.0));
    out.push_back(p);
    left += c.width + gap;
  }
  right_edge = left;
  return out;
}

namespace {

std::atomic<bool> run_started_flag{false};

constexpr const char* kAskSaveBlock = "main.ask_save_modified";
constexpr const char* kAutoSaveBlock = "main.autosave_minutes";
constexpr const char* kStartupBlock = "main.startup_options";
constexpr const char* kKeyPressBlock = "main.keypress_modes";
constexpr const char* kDialogOptionBlock = "main.open_save_dialog";
constexpr const char* kPrintPageBlock = "main.print_page";

template <typename T>
T ReadValue(const char* block, T fallback) {
  T v{};
  return SharedSettingsStore().ReadFixed(block, &v, sizeof v) ? v : fallback;
}
template <typename T>
void WriteValue(const char* block, T v) {
  SharedSettingsStore().Write(block, &v, sizeof v);
}

// Block names take letters, digits, '.', '_' and '-' only: other characters of a form's name
// become '_'.
std::string GeometryBlock(UStringView form_name) {
  std::string name = "form.geometry.";
  for (char16_t c : form_name) {
    if (name.size() >= TSettingsStore::kMaxNameLength) break;
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    name.push_back(ok ? static_cast<char>(c) : '_');
  }
  return name;
}

}  // namespace

void SetRunStartedFlag(bool value) { run_started_flag = !value; }
bool RunStartedFlag() { return run_started_flag; }

bool GetAskWhetherToSaveModifiedData() { return ReadValue<uint8_t>(kAskSaveBlock, 1) != 0; }
void SetAskWhetherToSaveModifiedData(bool on) { WriteValue<uint8_t>(kAskSaveBlock, on ? 1 : 0); }
int32_t GetAutoSaveMinutes() { return std::max<int32_t>(0, ReadValue<int32_t>(kAutoSaveBlock, 0)); }
void SetAutoSaveMinutes(int32_t minutes) { WriteValue<int32_t>(kAutoSaveBlock, std::max<int32_t>(0, minutes)); }
uint8_t GetStartupOptions() { return ReadValue<uint8_t>(kStartupBlock, 0); }
void SetStartupOptions(uint8_t options) { WriteValue<uint8_t>(kStartupBlock, options); }

uint8_t GetKeyPressMode(uint8_t tool) {
  if (tool >= 32) return 0;
  std::array<uint8_t, 32> modes{};
  if (!SharedSettingsStore().ReadFixed(kKeyPressBlock, modes.data(), modes.size())) return 0;
  return modes[tool] <= 2 ? modes[tool] : 0;
}
void SetKeyPressMode(uint8_t tool, uint8_t mode) {
  if (tool >= 32 || mode > 2) return;
  SharedSettingsStore().Update(kKeyPressBlock, [&](std::vector<uint8_t>& bytes) {
    bytes.resize(32, 0);
    bytes[tool] = mode;
  });
}

// Kept in the tag preferences, where the documents read how their lines show tags.
uint8_t GetTagVisibility() { return GetTagPreferences().TagDisplay(); }
void SetTagVisibility(uint8_t v) {
  TTagPreferencesRec prefs = GetTagPreferences();
  prefs.SetTagDisplay(v);
  SetTagPreferences(prefs);
}
uint8_t GetOpenAndSaveDialogOption() { return ReadValue<uint8_t>(kDialogOptionBlock, 0); }
void SetOpenAndSaveDialogOption(uint8_t v) { WriteValue<uint8_t>(kDialogOptionBlock, v); }

std::optional<std::array<int32_t, 4>> GetFormGeometry(UStringView form_name) {
  std::array<int32_t, 4> r{};
  if (!SharedSettingsStore().ReadFixed(GeometryBlock(form_name), r.data(), sizeof r)) return std::nullopt;
  if (r[2] <= 0 || r[3] <= 0) return std::nullopt;
  return r;
}
void SetFormGeometry(UStringView form_name, const std::array<int32_t, 4>& rect) {
  SharedSettingsStore().Write(GeometryBlock(form_name), rect.data(), sizeof rect);
}

TPrintPageRec DefaultPrintPageRec() {
  TPrintPageRec r;
  r.Clear();
  r.SetPageSize(21000, 29700);
  r.SetMargins({1500, 1500, 1500, 1500});
  return r;
}

TPrintPageRec GetPrintPageRec() {
  TPrintPageRec r;
  if (!SharedSettingsStore().ReadFixed(kPrintPageBlock, r.bytes, sizeof r.bytes) || r.PageWidth() <= 0 ||
      r.PageHeight() <= 0)
    return DefaultPrintPageRec();
  return r;
}

void SetPrintPageRec(const TPrintPageRec& rec) {
  SharedSettingsStore().Write(kPrintPageBlock, rec.bytes, sizeof rec.bytes);
}

UString PrintDialogTitle(int32_t pages) {
  if (pages <= 10) return VXResFmt(TVXRes::VXNManyX, {IntToUStr(pages), VXRes(TVXRes::VXPages)});
  return VXResFmt(TVXRes::VXBewareAllPagesEqualsNPagesToPrint, {IntToUStr(pages)});
}
