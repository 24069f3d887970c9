#include "shell/qt/index_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

namespace {

constexpr int kMostCount = 0x7FFFFFFF;

QCheckBox* Tick(QWidget* parent, const char* caption, bool on) {
  auto* c = new QCheckBox(QString::fromLatin1(caption), parent);
  c->setChecked(on);
  return c;
}

}  // namespace

TIndexSettingsDialog::TIndexSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Index"));
  const TIndexSettingsChoice now = CurrentIndexSettings();
  auto* layout = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns);

  auto* left = new QVBoxLayout;
  auto* words = new QGroupBox(QStringLiteral("Words"), this);
  auto* w = new QFormLayout(words);
  min_type_frequency_ = SettingsSpin(words, 0, kMostCount, now.min_type_frequency);
  exclude_hash_ = Tick(words, "Leave out words and clusters with #", now.exclude_hash);
  recount_ = Tick(words, "Recount running words from the word list", now.recount_running_words);
  w->addRow(QStringLiteral("Least frequency of a type"), min_type_frequency_);
  w->addRow(exclude_hash_);
  w->addRow(recount_);
  left->addWidget(words);
  auto* frames = new QGroupBox(QStringLiteral("Phrase frames"), this);
  auto* f = new QFormLayout(frames);
  frames_off_ = Tick(frames, "No phrase frames", now.phrase_frames_off);
  frame_frequency_ = SettingsSpin(frames, 1, kMostCount, std::max(1, now.phrase_frame_min_frequency));
  f->addRow(frames_off_);
  f->addRow(QStringLiteral("Least frequency"), frame_frequency_);
  left->addWidget(frames);
  left->addStretch();
  columns->addLayout(left);

  auto* clusters = new QGroupBox(QStringLiteral("Clusters"), this);
  auto* c = new QFormLayout(clusters);
  smallest_ = SettingsSpin(clusters, 2, 8, now.cluster_smallest);
  largest_ = SettingsSpin(clusters, 2, 8, now.cluster_largest);
  cluster_frequency_ = SettingsSpin(clusters, 1, kMostCount, std::max(1, now.cluster_min_frequency));
  cluster_texts_ = SettingsSpin(clusters, 1, kMostCount, std::max(1, now.cluster_min_texts));
  seconds_ = SettingsSpin(clusters, 0, kMostCount, now.cluster_seconds_per_word);
  seconds_->setSpecialValueText(QStringLiteral("no limit"));
  stop_at_ = new QComboBox(clusters);
  for (int i = 0; i < kIndexClusterStops; ++i) stop_at_->addItem(ToQString(IndexClusterStopCaption(i)));
  stop_at_->setCurrentIndex(now.cluster_stop_at);
  per_text_ = Tick(clusters, "One tree per text", now.clusters_per_text);
  positions_ = Tick(clusters, "Keep positions", now.keep_positions);
  dispersion_ = Tick(clusters, "Compute dispersion", now.dispersion);
  stop_list_ = Tick(clusters, "Apply the stop list", now.apply_stop_list);
  drop_plain_ = Tick(clusters, "Do not save clusters without *", now.drop_plain);
  drop_starred_ = Tick(clusters, "Do not save clusters with *", now.drop_starred);
  c->addRow(QStringLiteral("Smallest (words)"), smallest_);
  c->addRow(QStringLiteral("Largest (words)"), largest_);
  c->addRow(QStringLiteral("Least frequency"), cluster_frequency_);
  c->addRow(QStringLiteral("Least number of texts"), cluster_texts_);
  c->addRow(QStringLiteral("Seconds a word may take"), seconds_);
  c->addRow(QStringLiteral("Clusters stop at"), stop_at_);
  for (QCheckBox* t : {per_text_, positions_, dispersion_, stop_list_, drop_plain_, drop_starred_}) c->addRow(t);
  columns->addWidget(clusters);

  auto* relationships = new QGroupBox(QStringLiteral("Relationships"), this);
  auto* r = new QFormLayout(relationships);
  rel_span_ = SettingsSpin(relationships, 1, kMostRelationshipSpan, std::clamp(now.relationship_span, 1, kMostRelationshipSpan));
  rel_left_and_right_ = Tick(relationships, "Count to the left as well", now.relationship_left_and_right);
  rel_min_joint_ = SettingsSpin(relationships, 1, kMostCount, std::max(1, now.relationship_min_joint_frequency));
  rel_min_texts_ = SettingsSpin(relationships, 1, kMostCount, std::max(1, now.relationship_min_texts));
  rel_stop_list_ = new QComboBox(relationships);
  for (int i = 0; i < kRelationshipStopListOptions; ++i) rel_stop_list_->addItem(ToQString(RelationshipStopListCaption(i)));
  rel_stop_list_->setCurrentIndex(now.relationship_stop_list < kRelationshipStopListOptions ? now.relationship_stop_list : 0);
  rel_omit_same_ = Tick(relationships, "Leave out a word paired with itself", now.relationship_omit_same_word);
  rel_both_ways_ = Tick(relationships, "List each pair both ways", now.relationship_both_ways);
  rel_all_must_pass_ = Tick(relationships, "A pair passes every threshold (otherwise any one)", now.relationship_all_must_pass);
  r->addRow(QStringLiteral("Span (words each side)"), rel_span_);
  r->addRow(rel_left_and_right_);
  r->addRow(QStringLiteral("Least joint frequency"), rel_min_joint_);
  r->addRow(QStringLiteral("Least texts of a pair"), rel_min_texts_);
  r->addRow(QStringLiteral("Stop list removes a pair"), rel_stop_list_);
  for (QCheckBox* t : {rel_omit_same_, rel_both_ways_, rel_all_must_pass_}) r->addRow(t);
  columns->addWidget(relationships);

  AddOkCancel(this, layout);
}

TIndexSettingsChoice TIndexSettingsDialog::Choice() const {
  TIndexSettingsChoice c;
  c.min_type_frequency = min_type_frequency_->value();
  c.exclude_hash = exclude_hash_->isChecked();
  c.recount_running_words = recount_->isChecked();
  c.cluster_smallest = smallest_->value();
  c.cluster_largest = largest_->value();
  c.cluster_min_frequency = cluster_frequency_->value();
  c.cluster_min_texts = cluster_texts_->value();
  c.cluster_seconds_per_word = seconds_->value();
  c.cluster_stop_at = stop_at_->currentIndex();
  c.clusters_per_text = per_text_->isChecked();
  c.keep_positions = positions_->isChecked();
  c.dispersion = dispersion_->isChecked();
  c.apply_stop_list = stop_list_->isChecked();
  c.drop_plain = drop_plain_->isChecked();
  c.drop_starred = drop_starred_->isChecked();
  c.phrase_frames_off = frames_off_->isChecked();
  c.phrase_frame_min_frequency = frame_frequency_->value();
  c.relationship_span = rel_span_->value();
  c.relationship_left_and_right = rel_left_and_right_->isChecked();
  c.relationship_min_joint_frequency = rel_min_joint_->value();
  c.relationship_min_texts = rel_min_texts_->value();
  c.relationship_stop_list = rel_stop_list_->currentIndex();
  c.relationship_omit_same_word = rel_omit_same_->isChecked();
  c.relationship_both_ways = rel_both_ways_->isChecked();
  c.relationship_all_must_pass = rel_all_must_pass_->isChecked();
  return c;
}

void TIndexSettingsDialog::accept() {
  if (Refused(u"Index", ApplyIndexSettings(Choice()))) return;
  QDialog::accept();
}
