#include "shell/files/document_read_failure.h"

#include <algorithm>

#include "model/documents/check_signature.h"
#include "platform/rtl/streams.h"

namespace {

// Zero bytes after the file's own: a reader that asks for data the file lacks gets them and goes
// on into the padding, which is how a file cut short shows itself. Counts in a file cut short
// still look sound, while the bytes they announce are missing; readers check such counts against
// the bytes left, so the padding must be there for them to try.
constexpr int64_t kMinimumPadding = 64 * 1024;

class TPaddedFileStream : public TMemoryStream {
 public:
  bool Load(TStream& file) {
    const int64_t size = file.Size();
    if (size < 0 || !file.SetPosition(0) || !SetSize(size) || !file.ReadExact(Memory(), size)) return false;
    file_size = size;
    Data().resize(static_cast<size_t>(file_size + std::max(kMinimumPadding, file_size)), 0);
    return true;
  }
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t got = TMemoryStream::Read(buffer, count);
    furthest = std::max(furthest, Position());
    return got;
  }
  int64_t file_size = 0;
  int64_t furthest = 0;
};

}  // namespace

TReadFailure WhyDocumentDidNotRead(TTessorineholder& fresh, UStringView file_name, uint8_t tool) {
  auto file = TFileStream::Open(UString(file_name), TFileMode::OpenRead);
  if (!file) return TReadFailure::Missing;
  return WhyDocumentDidNotRead(fresh, *file, tool);
}

TReadFailure WhyDocumentDidNotRead(TTessorineholder& fresh, TStream& file, uint8_t tool) {
  TPaddedFileStream s;
  if (!s.Load(file)) return TReadFailure::Missing;
  bool read = false;
  // A diagnosis changes nothing: the padded read, should it succeed, must not become the user's
  // settings or last file.
  fresh.fSecondaryRead = true;
  try {
    read = ReadAndCheckSignature(s, fresh.fCheck, tool) && fresh.ReadWholeFromStream(s);
  } catch (...) {
    read = false;
  }
  if (s.furthest > s.file_size) return TReadFailure::CutShort;
  return read ? TReadFailure::None : TReadFailure::Damaged;
}

UString ReadFailureMessageArgument(UStringView file_name, TReadFailure failure) {
  UString out(file_name);
  switch (failure) {
    case TReadFailure::None: break;
    case TReadFailure::Missing: out += u": the file cannot be opened"; break;
    case TReadFailure::CutShort:
      out += u": the file ends before its data do, so it was probably cut short (an interrupted copy or download)";
      break;
    case TReadFailure::Damaged: out += u": its data are damaged and do not fit together"; break;
  }
  return out;
}
