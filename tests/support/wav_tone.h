// A generated sound for the media tests: a mono 16-bit sine tone at 8 kHz as a WAV file's bytes.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

inline std::string WavTone(int seconds, int hertz = 440) {
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [](std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  };
  const uint32_t rate = 8000, samples = rate * static_cast<uint32_t>(seconds);
  std::string w = "RIFF";
  put32(w, 36 + samples * 2);
  w += "WAVEfmt ";
  put32(w, 16);
  put16(w, 1);
  put16(w, 1);
  put32(w, rate);
  put32(w, rate * 2);
  put16(w, 2);
  put16(w, 16);
  w += "data";
  put32(w, samples * 2);
  for (uint32_t i = 0; i < samples; ++i)
    put16(w, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * M_PI * hertz / rate))));
  return w;
}
