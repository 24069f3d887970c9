// The tag colour chooser: the mark-up tags of the current tag set, each in its own colours, with
// a tick box per tag. Every change of ticks is posted to the owner as message 0x140D (see
// shell/tag_colour_rules.h): a box's own index when that box changed, whatever entry is
// selected; all or none from the two buttons; and a reset when the window is hidden.
#pragma once

#include <QPointer>
#include <vector>

#include "shell/qt/form_base.h"
#include "shell/settings/tag_colour_rules.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

class TFormTagColourChooser : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TFormTagColourChooser(QWidget* parent = nullptr);
  // Fills the list; a tag whose colour is not a colour is drawn in the defaults and said once.
  void CopyTagsFrom(QObject* owner, const std::vector<TTagColourEntry>& tags, int font_size);
  void SetCheckListboxHeight(int font_size);
  void SelectAll(bool ticked);
  void ToggleDescriptions();
  bool ShowingDescriptions() const { return descriptions_; }

  QListWidget* List() const { return list_; }
  QPushButton* AllButton() const { return all_; }
  QPushButton* NoneButton() const { return none_; }
  int ItemHeight() const { return item_height_; }

 protected:
  void FormShow() override;
  void hideEvent(QHideEvent* e) override;

 private:
  void Post(const TTagChooserMessage& m);
  void ShowTexts();
  void BoxChanged(QListWidgetItem* item);
  QPointer<QObject> owner_;
  std::vector<TTagColourEntry> tags_;
  QListWidget* list_ = nullptr;
  QPushButton* all_ = nullptr;
  QPushButton* none_ = nullptr;
  QPushButton* describe_ = nullptr;
  bool descriptions_ = false;
  bool filling_ = false;
  int item_height_ = 16;
};
