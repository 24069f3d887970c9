// A rich-text document built in memory: runs of text in colours (and bold), lines ended by paragraph
// marks, one font at one size. Document() gives the file's bytes: 7-bit RTF with a colour
// table, every character above 127 as \uN? (N signed 16-bit, so a pair stays a pair), tabs as
// \tab, and "\", "{", "}" escaped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"

class TRtfWriter {
 public:
  explicit TRtfWriter(int font_size_points = 12, UStringView font_name = u"Arial");
  // colour: BGR, or -1 for the automatic colour.
  void Insert(UStringView text, int32_t colour = -1, bool bold = false);
  // Ends the current line (the CR LF of the text inserted).
  void EndLine();
  int LineCount() const { return lines_ + (line_open_ ? 1 : 0); }
  std::string Document() const;
  // A long document written as it is made: every colour declared first, then Header(), then
  // TakeBody() after each piece, then "}".
  void DeclareColour(int32_t colour) { ColourIndex(colour); }
  std::string Header() const;
  std::string TakeBody();

 private:
  int ColourIndex(int32_t colour);
  std::string body_;
  std::vector<int32_t> colours_;
  int font_size_;
  UString font_name_;
  int current_colour_ = 0;
  bool current_bold_ = false;
  int lines_ = 0;
  bool line_open_ = false;
};
