#include "shell/qt/speech_service.h"

#include <QTextToSpeech>

#include "platform/rtl/ustring.h"

namespace {
QString ToQ(UStringView s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

TQtSpeechService::TQtSpeechService(const QString& engine) {
  const QStringList engines = QTextToSpeech::availableEngines();
  QString chosen = engine;
  if (chosen.isEmpty() && !engines.isEmpty()) chosen = engines.front();
  // Qt falls back on an engine of its own choice for a name it does not know: only an engine
  // that is installed is taken.
  if (chosen.isEmpty() || !engines.contains(chosen)) return;
  speech_ = std::make_unique<QTextToSpeech>(chosen);
  if (speech_->state() == QTextToSpeech::Error) speech_.reset();
}

TQtSpeechService::~TQtSpeechService() = default;

bool TQtSpeechService::HasEngine() const { return speech_ != nullptr; }

bool TQtSpeechService::Speak(UStringView text) {
  if (!speech_) return false;
  speech_->say(ToQ(text));
  return speech_->state() != QTextToSpeech::Error;
}
