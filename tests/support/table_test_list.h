// A small result list with real entries for the grid-tool tests: column 0 the row number, 1 a
// word, 2 a text, 3 and 4 numbers, 5 a file name. Set rows with AddRow.
#pragma once

#include <cmath>

#include "model/lists/result_list_base.h"

class TTableRow : public TVXBaseListObject {
 public:
  using TVXBaseListObject::TVXBaseListObject;
  UString word, text, file;
  double a = 0, b = 0;
  UString GetAWordAsString(int column) const override { return column == 1 ? word : UString(); }
  UString MainWordOnly() const override { return word; }
};

class TTableList : public TVXBaseDataClass {
 public:
  TTableList() : TVXBaseDataClass(nullptr, &MakeRow, 0, 5, 0) {
    SetHeadings({u"N", u"Word", u"Text", u"A", u"B", u"File"});
  }
  static TVXBaseListObject* MakeRow(TVXBaseDataClass& list) { return new TTableRow(&list, nullptr); }
  int AddRow(UStringView word, UStringView text, double a, double b, UStringView file = u"one.txt") {
    auto* r = new TTableRow(this, nullptr);
    r->word = UString(word);
    r->text = UString(text);
    r->a = a;
    r->b = b;
    r->file = UString(file);
    return Add(r);
  }
  TTableRow* Row(int i) const { return static_cast<TTableRow*>(Get(i)); }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override {
    TVXBaseDataClass::DrawgridDataRec(col, row, cell, kind_of_display);
    if (row < 1 || col < 1 || col > 5) return;
    const TTableRow* r = Row(row - 1);
    if (!r) return;
    switch (col) {
      case 1: cell.text = r->word; cell.has_text = true; break;
      case 2: cell.text = r->text; cell.has_text = true; break;
      case 5: cell.text = r->file; cell.has_text = true; break;
      default: {
        const double v = col == 3 ? r->a : r->b;
        cell.has_number = true;
        cell.number.value = static_cast<float>(v);
        cell.number.is_real = v != std::floor(v);
        break;
      }
    }
  }
};
