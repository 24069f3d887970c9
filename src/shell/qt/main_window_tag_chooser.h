// The main window's road to the tag colour chooser. The chooser's entry record and the
// document's colour-table record share a name, so the chooser is reached from this unit alone,
// with the tags handed over in a record of their own.
#pragma once

#include <QObject>
#include <QWidget>
#include <vector>

#include "platform/rtl/ustring.h"

struct TChooserTag {
  UString label;
  UString description;
  int64_t colour = 0;
  int64_t background = -1;
  bool hidden = false;
};

QWidget* NewTagColourChooser(QWidget* parent);
// The chooser's list filled again; its tick changes are posted to owner as 0x140D.
void FillTagColourChooser(QWidget* chooser, QObject* owner, const std::vector<TChooserTag>& tags, int font_size);
