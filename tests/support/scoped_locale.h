// The user's locale as the environment names it, for one test: counts are grouped by the
// separator of the locale the environment names, so a test that reads them names its own.
#pragma once

#include <cstdlib>
#include <string>

class ScopedLocale {
 public:
  explicit ScopedLocale(const char* locale) {
    if (const char* old = std::getenv("LC_ALL")) had_ = true, old_ = old;
    setenv("LC_ALL", locale, 1);
  }
  ~ScopedLocale() {
    if (had_) setenv("LC_ALL", old_.c_str(), 1);
    else unsetenv("LC_ALL");
  }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};
