#include "model/export/rtf_writer.h"

#include <cstdio>

namespace {

void AppendEscaped(std::string& out, UStringView text) {
  for (char16_t c : text) {
    if (c == u'\\' || c == u'{' || c == u'}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\t') {
      out += "\\tab ";
    } else if (c == u'\r' || c == u'\n') {
      out += "\\line ";
    } else if (c >= 0x20 && c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
  }
}

}  // namespace

TRtfWriter::TRtfWriter(int font_size_points, UStringView font_name)
    : font_size_(font_size_points), font_name_(font_name) {}

int TRtfWriter::ColourIndex(int32_t colour) {
  if (colour < 0 || colour > 0xFFFFFF) return 0;
  for (size_t i = 0; i < colours_.size(); ++i)
    if (colours_[i] == colour) return static_cast<int>(i) + 1;
  colours_.push_back(colour);
  return static_cast<int>(colours_.size());
}

void TRtfWriter::Insert(UStringView text, int32_t colour, bool bold) {
  if (text.empty()) return;
  if (bold != current_bold_) {
    body_ += bold ? "\\b " : "\\b0 ";
    current_bold_ = bold;
  }
  const int index = ColourIndex(colour);
  if (index != current_colour_) {
    body_ += "\\cf" + std::to_string(index) + " ";
    current_colour_ = index;
  }
  AppendEscaped(body_, text);
  line_open_ = true;
}

void TRtfWriter::EndLine() {
  body_ += "\\par\n";
  ++lines_;
  line_open_ = false;
}

std::string TRtfWriter::Document() const { return Header() + body_ + "}"; }

std::string TRtfWriter::TakeBody() {
  std::string out;
  out.swap(body_);
  return out;
}

std::string TRtfWriter::Header() const {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil ";
  AppendEscaped(out, font_name_);
  out += ";}}\n{\\colortbl ;";
  for (int32_t c : colours_) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "\\red%d\\green%d\\blue%d;", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    out += buf;
  }
  out += "}\n\\f0\\fs" + std::to_string(font_size_ * 2) + " ";
  return out;
}
