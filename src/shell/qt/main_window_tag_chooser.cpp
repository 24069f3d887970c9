#include "shell/qt/main_window_tag_chooser.h"

#include "windows/tag_colour_chooser.h"

QWidget* NewTagColourChooser(QWidget* parent) { return new TFormTagColourChooser(parent); }

void FillTagColourChooser(QWidget* chooser, QObject* owner, const std::vector<TChooserTag>& tags, int font_size) {
  auto* form = qobject_cast<TFormTagColourChooser*>(chooser);
  if (!form) return;
  std::vector<TTagColourEntry> entries;
  entries.reserve(tags.size());
  for (const TChooserTag& t : tags) {
    TTagColourEntry e;
    e.label = t.label;
    e.description = t.description;
    e.colour = t.colour;
    e.second_colour = t.background;
    e.hidden = t.hidden;
    entries.push_back(std::move(e));
  }
  form->CopyTagsFrom(owner, entries, font_size);
}
