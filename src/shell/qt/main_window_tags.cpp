// What the concordancer's window does with the document's tags after a run or an open (the
// tag colour chooser, tags as prefixes, the tool bar's tag buttons), and the two short reports
// the Breakdown command gives on the plot and text-name pages.
#include <QToolButton>

#include "concordance/commands/concordance_commands.h"
#include "concordance/commands/list_reports.h"
#include "concordance/views/plot_list.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/tool_bar.h"

namespace {
constexpr int kTagTagsAsPrefix = 220;
}  // namespace

void TFormLinzora::BuildTagButtons() {
  const std::pair<QToolButton**, std::pair<const char*, int>> buttons[] = {
      {&undefined_tags_button_, {"AdvGlowButtonUndefinedTags", kTagHideUndefined}},
      {&tag_file_tags_button_, {"AdvGlowButtonTagFileTags", kTagHideTagFileTags}},
  };
  for (const auto& [button, what] : buttons) {
    *button = new QToolButton(ToolbarPanel());
    (*button)->setObjectName(QString::fromLatin1(what.first));
    (*button)->setAutoRaise(true);
    (*button)->hide();
    const int tag = what.second;
    // The button clicks its menu item, which keeps the check mark and the store in step.
    connect(*button, &QToolButton::clicked, this, [this, tag] {
      if (QAction* item = Menus()->ActionOfTag(tag)) item->trigger();
    });
  }
}

void TFormLinzora::FitTagButtons() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!undefined_tags_button_ || !tag_file_tags_button_) return;
  const bool tags = doc && !doc->fArrayOfSavedTags.empty();
  if (tags) {
    tag_buttons_ = TagButtonCaptions(*doc);
    undefined_tags_button_->setText(ToQString(tag_buttons_.undefined_tags));
    tag_file_tags_button_->setText(ToQString(tag_buttons_.tag_file_tags));
  }
  undefined_tags_button_->setVisible(tags);
  tag_file_tags_button_->setVisible(tags);
  ArrangeToolbarControls(*ToolbarPanel());
}

void TFormLinzora::AfterDocumentShown() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc) return;
  FitTagButtons();
  ShowTagColourChooser();
  // Tags kept in the lines but not yet shown before their words: the user may have them so.
  if (doc->fArrayOfSavedTags.empty() || GetTagsWanted() <= 0) return;
  if (GetTagVisibility() == kTagDisplayPrefix || GetMenuItemChecked(kTagTagsAsPrefix)) return;
  if (!IsYes(VXDialog(TVXDialog::TreatTagsAsPrefixInQ, {list_type_as_string(kListCollocates)}))) return;
  SetTagVisibility(kTagDisplayPrefix);
  // The menu's own item: the document, the check marks and the grid follow.
  HandleMenuCommand(kTagTagsAsPrefix, u"");
}

void TFormLinzora::ShowPlotStatistics() {
  T_WholeLinzoraHolder* doc = Doc();
  auto* plot = doc ? dynamic_cast<TConcPlotList*>(doc->fConcPlotList.get()) : nullptr;
  if (!plot) return;
  ShowInListViewer(VXRes(TVXRes::VXPlotPositions), VXRes(TVXRes::VXSection), PlotStatisticsText(*plot));
}

void TFormLinzora::ShowBreakdownOfList() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !doc->fConcordanceList) return;
  ShowInListViewer(VXRes(TVXRes::VXBreakdownOfResults), VXRes(TVXRes::VXSearchWord),
                   BreakdownOfList(*doc->fConcordanceList, doc->TypedSearchWords()));
}
