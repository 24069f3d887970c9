#include "concordance/commands/source_text_page.h"

#include <algorithm>

#include "concordance/lines/character_scans.h"
#include "concordance/lines/concordance_list.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/text/text_services.h"

namespace {

constexpr TTessorineList kConcordanceListKind = 10;
constexpr int64_t kLargestShownText = int64_t{0xFFFFFFFF};

// Collects a whole text as the run's reader decodes it: the new characters of each chunk with
// their file bytes. No tag handler: the page shows the mark-up as it stands in the file.
class TWholeTextReader : public TBufferProcessor {
 public:
  TWholeTextReader(TTextReadRun& run, const TChosenFileDetailsFullRec& chosen, UString& text,
                   std::vector<uint32_t>& bytes)
      : TBufferProcessor(nullptr, [](const TFileHandledRec&, bool) {}, [](bool) {}, nullptr, chosen,
                         kConcordanceListKind, run.Settings().text_settings.PrecomposedCharacters(), false, true,
                         &run),
        text_(text),
        bytes_(bytes) {}

  bool SetupTheBuffer() override {
    if (!TBufferProcessor::SetupTheBuffer()) return false;
    // The page shows all of the text: its header and texts the selection would pass over too.
    Cutting_Header = false;
    fCheckingBetween = false;
    return true;
  }

  bool ProcessAChunkOfFile(int32_t) override {
    const int32_t from = ChunkStartIndex();
    const int32_t n = Length();
    text_.append(Text() + from, static_cast<size_t>(std::max(0, n - from)));
    for (int32_t i = from; i < n; ++i) bytes_.push_back(static_cast<uint32_t>(FileByteOf(i)));
    return true;
  }

 private:
  UString& text_;
  std::vector<uint32_t>& bytes_;
};

}  // namespace

void TSourceTextOfFile::Clear() {
  name_.clear();
  text_.clear();
  failure_.clear();
  bytes_.clear();
}

bool TSourceTextOfFile::Read(UStringView full_name, const TTextReadSnapshot& snapshot) {
  failure_.clear();
  if (!FileExists(full_name)) {
    failure_ = UString(full_name) + u" was not found";
    return false;
  }
  const int64_t size = FileSizeU(full_name);
  if (size >= kLargestShownText) {
    failure_ = UString(full_name) + u" is too large to show (" + IntToUStr(size) + u" bytes)";
    return false;
  }
  UString text;
  std::vector<uint32_t> bytes;
  if (size > 0) {
    TTextReadRun run(snapshot);
    TChosenFileDetailsFullRec chosen;
    chosen.rec.filename = ExtractFileName(full_name);
    chosen.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(full_name));
    chosen.rec.size = size;
    chosen.rec.wanted = kWantedFound;
    chosen.rec.jumps = std::make_shared<TJumpList>();
    TWholeTextReader reader(run, chosen, text, bytes);
    if (!reader.SetupTheBuffer() || !reader.ReadAndProcess()) {
      failure_ = UString(full_name) + u" could not be read to its end";
      return false;
    }
  }
  name_ = UString(full_name);
  text_ = std::move(text);
  bytes_ = std::move(bytes);
  return true;
}

int64_t TSourceTextOfFile::CharacterAtByte(int64_t byte) const {
  if (byte < 0 || byte >= kLargestShownText) return -1;
  const auto it = std::lower_bound(bytes_.begin(), bytes_.end(), static_cast<uint32_t>(byte));
  if (it == bytes_.end() || *it != static_cast<uint32_t>(byte)) return -1;
  return it - bytes_.begin();
}

TLineSource SourceTextOfLine(const TConcordanceList& lines, int index) {
  TLineSource s;
  const TConcordanceEntry* line = lines.Line(index);
  if (!line) return s;
  const TConcordanceLineData& d = line->Data();
  s.valid = true;
  s.file_number = d.filename_num_original;
  s.full_name = lines.SourceFileName(d.filename_num_original);
  s.byte_position = d.byte_position;
  s.hit_characters = std::max(0, d.hit_characters);
  const TLineTextWide shown_text(line->Text());
  const UStringView shown = shown_text;
  const size_t start = static_cast<size_t>(std::clamp<int32_t>(line->SearchWordStart(), 0,
                                                               static_cast<int32_t>(shown.size())));
  s.hit_text = UString(shown.substr(start, static_cast<size_t>(line->HitWidthInLine())));
  return s;
}

TSourceHitPlace PlaceOfHit(const TSourceTextOfFile& text, int64_t byte_position, UStringView hit_text) {
  TSourceHitPlace p;
  const int64_t at = text.CharacterAtByte(byte_position);
  if (at < 0 || hit_text.empty()) return p;
  // The hit as its line shows it: a phrase over a line end takes more characters in its text.
  const int32_t length = TextUnitsShownAs(UStringView(text.Text()).substr(static_cast<size_t>(at)), hit_text,
                                          SameUnitFolded);
  if (length <= 0) return p;
  p.found = true;
  p.start = at;
  p.length = length;
  return p;
}

int SourceTextFontSize(int settings_points, int smallest_points) { return std::max(settings_points, smallest_points); }

bool GridKeyTogglesSearchWord(int list_type, int key) { return list_type == kConcordanceListKind && key == kKeySpaceBar; }
