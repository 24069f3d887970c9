#include "shell/qt/concordance_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt/media_settings_dialog.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/word_cloud_settings_dialog.h"
#include "shell/qt/word_list_collocates_dialog.h"
#include "shell/qt/settings_dialogs.h"

TConcordanceSettingsDialog::TConcordanceSettingsDialog(uint8_t tool, QWidget* parent) : QDialog(parent), tool_(tool) {
  setWindowTitle(QStringLiteral("Concordance settings"));
  const TConcordanceSettingsChoice now = CurrentConcordanceSettings(tool);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  auto* collocates = new QGroupBox(QStringLiteral("Collocates"), this);
  auto* c = new QFormLayout(collocates);
  colloc_left_ = SettingsSpin(collocates, 0, kMostCollocateHorizon, now.colloc_left);
  colloc_right_ = SettingsSpin(collocates, 0, kMostCollocateHorizon, now.colloc_right);
  min_frequency_ = SettingsSpin(collocates, 1, 65535, now.min_collocate_frequency);
  min_length_ = SettingsSpin(collocates, 1, 255, now.min_collocate_length);
  case_sensitive_ = new QCheckBox(QStringLiteral("Letter case counts"), collocates);
  case_sensitive_->setChecked(now.collocates_case_sensitive);
  stop_list_ = new QCheckBox(QStringLiteral("Leave out stop-list words"), collocates);
  stop_list_->setChecked(now.collocate_stop_list);
  zero_positions_ = new QCheckBox(QStringLiteral("Show 0 where a position has none"), collocates);
  zero_positions_->setChecked(now.collocate_zero_positions);
  // Wider than the rules allow: a value too big is named in the refusal, not clamped unseen.
  min_texts_ = SettingsSpin(collocates, 1, 9999, now.min_collocate_texts);
  together_ = new QCheckBox(QStringLiteral("Count all search words together"), collocates);
  together_->setToolTip(QStringLiteral("one row a word, whichever search word it stood near"));
  together_->setChecked(now.search_words_together);
  keep_numbers_ = new QCheckBox(QStringLiteral("Keep numbers as they stand"), collocates);
  keep_numbers_->setToolTip(QStringLiteral("otherwise every word holding a digit counts as #"));
  keep_numbers_->setChecked(now.keep_numbers);
  c->addRow(QStringLiteral("Horizon, words to the left"), colloc_left_);
  c->addRow(QStringLiteral("Horizon, words to the right"), colloc_right_);
  c->addRow(QStringLiteral("Least frequency"), min_frequency_);
  c->addRow(QStringLiteral("Least length (letters)"), min_length_);
  c->addRow(QStringLiteral("Least number of texts"), min_texts_);
  c->addRow(case_sensitive_);
  c->addRow(stop_list_);
  c->addRow(zero_positions_);
  c->addRow(together_);
  c->addRow(keep_numbers_);
  grid->addWidget(collocates, 0, 0);

  auto* lines = new QGroupBox(QStringLiteral("Lines"), this);
  auto* l = new QFormLayout(lines);
  line_characters_ = SettingsSpin(lines, 20, 32000, now.characters_per_line);
  context_stop_ = new QComboBox(lines);
  for (int i = 0; i < kContextStops; ++i) context_stop_->addItem(ToQString(ContextStopCaption(i)));
  context_stop_->setCurrentIndex(now.context_stop);
  lines_per_word_ = SettingsSpin(lines, 0, 0x7FFFFFFE, now.lines_per_search_word);
  lines_per_word_->setSpecialValueText(QStringLiteral("no limit"));
  skip_punctuation_ = new QCheckBox(QStringLiteral("Skip punctuation between words"), lines);
  skip_punctuation_->setChecked(now.skip_punctuation);
  remove_duplicates_ = new QCheckBox(QStringLiteral("Remove duplicate lines after a run"), lines);
  remove_duplicates_->setChecked(now.remove_duplicates);
  close_hits_ = SettingsSpin(lines, -1, 99999, now.close_hits_gap);
  close_hits_->setSpecialValueText(QStringLiteral("off"));
  close_hits_->setSuffix(QStringLiteral(" words"));
  close_hits_->setToolTip(QStringLiteral("a hit this close after the line before it gives no line of its own"));
  l->addRow(QStringLiteral("Characters per line"), line_characters_);
  l->addRow(QStringLiteral("Context word search"), context_stop_);
  l->addRow(QStringLiteral("Lines per search word"), lines_per_word_);
  l->addRow(skip_punctuation_);
  l->addRow(QStringLiteral("Close hits within"), close_hits_);
  l->addRow(remove_duplicates_);
  grid->addWidget(lines, 0, 1);

  auto* sampling = new QGroupBox(QStringLiteral("Sampling and plot"), this);
  auto* s = new QFormLayout(sampling);
  sampling_ = new QCheckBox(QStringLiteral("Keep a sample of the hits"), sampling);
  sampling_->setChecked(now.sampling);
  sampling_range_ = SettingsSpin(sampling, 2, 65535, std::max(2, now.sampling_range));
  sampling_range_->setEnabled(now.sampling);
  connect(sampling_, &QCheckBox::toggled, sampling_range_, &QSpinBox::setEnabled);
  s->addRow(sampling_);
  s->addRow(QStringLiteral("One hit in"), sampling_range_);
  plot_by_text_ = new QCheckBox(QStringLiteral("Plot: a text's rows together"), sampling);
  plot_by_text_->setToolTip(QStringLiteral("otherwise the rows of one search word follow each other"));
  plot_by_text_->setChecked(now.plot_rows_by_text);
  s->addRow(plot_by_text_);
  grid->addWidget(sampling, 1, 0);

  auto* output = new QGroupBox(QStringLiteral("Text output"), this);
  auto* o = new QFormLayout(output);
  text_characters_ = SettingsSpin(output, 0, 32000, now.text_output_characters);
  text_characters_->setSpecialValueText(QStringLiteral("whole lines"));
  sw_marker_ = new QLineEdit(ToQString(now.search_word_marker), output);
  context_marker_ = new QLineEdit(ToQString(now.context_word_marker), output);
  o->addRow(QStringLiteral("Characters of a line"), text_characters_);
  o->addRow(QStringLiteral("Before the search word"), sw_marker_);
  o->addRow(QStringLiteral("Before the first context word"), context_marker_);
  grid->addWidget(output, 1, 1);

  auto* run = new QGroupBox(QStringLiteral("After and during a run"), this);
  auto* r = new QFormLayout(run);
  text_file_details_ = new QCheckBox(QStringLiteral("Write the text files' details to a text file"), run);
  text_file_details_->setChecked(now.save_text_file_details);
  user_filter_ = new QCheckBox(QStringLiteral("Pass every line through my filter library"), run);
  user_filter_->setChecked(now.user_filter);
  user_filter_library_ = new QLineEdit(ToQString(now.user_filter_library), run);
  user_filter_library_->setPlaceholderText(QStringLiteral("a library file; a bare name is looked for in the settings' folder"));
  r->addRow(text_file_details_);
  r->addRow(user_filter_);
  r->addRow(QStringLiteral("Filter library"), user_filter_library_);
  multi_word_tag_ = new QLineEdit(ToQString(now.multi_word_tag), run);
  multi_word_tag_->setPlaceholderText(QStringLiteral("e.g. <mwu>: the words up to </mwu> count as one"));
  r->addRow(QStringLiteral("Multi-word unit tag"), multi_word_tag_);
  grid->addWidget(run, 2, 0, 1, 2);

  auto* more = new QHBoxLayout;
  media_ = SubDialogButton<TMediaSettingsDialog>(QStringLiteral("Media..."));
  word_cloud_ = SubDialogButton<TWordCloudSettingsDialog>(QStringLiteral("Word cloud and plot..."));
  word_list_ = SubDialogButton<TWordListCollocatesDialog>(QStringLiteral("Collocates of a word list..."));
  for (QPushButton* b : {media_, word_cloud_, word_list_}) more->addWidget(b);
  more->addStretch();
  layout->addLayout(more);

  AddOkCancel(this, layout);
}

template <typename Dialog>
QPushButton* TConcordanceSettingsDialog::SubDialogButton(const QString& caption) {
  auto* b = new QPushButton(caption, this);
  connect(b, &QPushButton::clicked, this, [this] {
    Dialog d(this);
    RunSubDialog(d);
  });
  return b;
}

void TConcordanceSettingsDialog::RunSubDialog(QDialog& d) {
  if ((run_sub_ ? run_sub_(d) : d.exec()) == QDialog::Accepted) sub_settings_changed_ = true;
}

TConcordanceSettingsChoice TConcordanceSettingsDialog::Choice() const {
  TConcordanceSettingsChoice c;
  c.colloc_left = colloc_left_->value();
  c.colloc_right = colloc_right_->value();
  c.min_collocate_frequency = min_frequency_->value();
  c.min_collocate_length = min_length_->value();
  c.collocates_case_sensitive = case_sensitive_->isChecked();
  c.collocate_stop_list = stop_list_->isChecked();
  c.collocate_zero_positions = zero_positions_->isChecked();
  c.min_collocate_texts = min_texts_->value();
  c.search_words_together = together_->isChecked();
  c.keep_numbers = keep_numbers_->isChecked();
  c.close_hits_gap = close_hits_->value();
  c.multi_word_tag = FromQString(multi_word_tag_->text().trimmed());
  c.plot_rows_by_text = plot_by_text_->isChecked();
  c.characters_per_line = line_characters_->value();
  c.context_stop = context_stop_->currentIndex();
  c.lines_per_search_word = lines_per_word_->value();
  c.skip_punctuation = skip_punctuation_->isChecked();
  c.remove_duplicates = remove_duplicates_->isChecked();
  c.sampling = sampling_->isChecked();
  c.sampling_range = sampling_range_->value();
  c.text_output_characters = text_characters_->value();
  c.search_word_marker = FromQString(sw_marker_->text());
  c.context_word_marker = FromQString(context_marker_->text());
  c.save_text_file_details = text_file_details_->isChecked();
  c.user_filter = user_filter_->isChecked();
  c.user_filter_library = FromQString(user_filter_library_->text().trimmed());
  return c;
}

void TConcordanceSettingsDialog::accept() {
  if (Refused(u"Concordance settings", ApplyConcordanceSettings(tool_, Choice()))) return;
  QDialog::accept();
}
