// What the progress window shows, worked out from the progress record and the clock without any
// window: the two messages, the two percentages, running words, the time taken and the time
// still to go (from the overall percentage, else this step's), and the memory in use.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"
#include "platform/settings/window_registry.h"

struct TProgressView {
  UString short_message;
  UString long_message;
  int this_percent = 0;
  int overall_percent = 0;
  UString running_words;  // "" while none are counted
  UString elapsed;        // "m:ss" or "h:mm:ss"
  UString remaining;      // "" until a percentage above 0 is known
  UString memory;         // "n MB"
};

TProgressView MakeProgressView(const TProgressRec& rec, double elapsed_seconds, int64_t resident_bytes);
// "0:05", "12:00", "1:02:03"; negative times count as 0.
UString DurationText(double seconds);
// Resident memory of this process (from /proc/self/statm); 0 when it cannot be read.
int64_t ResidentMemoryBytes();
