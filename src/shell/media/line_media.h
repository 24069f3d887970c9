// The media of a concordance line as the media settings find it (shell/media_markers.h) and a
// player plays it: the concordance commands' TLineMedia over the store and the disk.
//
// Per request: FindMediaForConcordanceLine is asked for each of the line's texts in turn (its tag
// context, the line, then the mark MediaMarkBeforeHit finds in its source text); the first found
// leaves the media file and its stretch in the store (temporary URL, start and duration), and
// PlayLinkedMedia hands that stretch to the player.
#pragma once

#include <functional>

#include "concordance/commands/analysis_commands.h"

class TStoredLineMedia : public TLineMedia {
 public:
  // play(file, start ms, duration ms): false when the file cannot be played.
  using TPlayer = std::function<bool(const UString& file, int64_t start_ms, int64_t duration_ms)>;
  explicit TStoredLineMedia(TPlayer play) : play_(std::move(play)) {}

  TLineMediaLookup FindMediaForConcordanceLine(UStringView text, UStringView file_name, int widening) override;
  // Only for marks written in the texts (method 0); the text read as the viewer reads it.
  UString MediaMarkBeforeHit(UStringView file_name, int64_t byte) override;
  bool PlayLinkedMedia(const UString& file) override;

 private:
  TPlayer play_;
};
