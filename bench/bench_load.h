// The machine's load: benchmarks print it beside their figures, the machine being shared.
#pragma once

#include <cstdio>

// The load average of the last minute; -1 when it cannot be read.
inline double LoadNow() {
  double load = -1;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = -1;
    std::fclose(f);
  }
  return load;
}
