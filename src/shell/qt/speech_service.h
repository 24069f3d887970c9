// The desktop's speech engine behind the window's speaker interface (list_commands.h): Qt's
// text-to-speech with the engine named, or the first one installed. No engine installed, or
// one that fails to start, leaves HasEngine false and Speak answering false.
#pragma once

#include <QString>
#include <memory>

#include "shell/grid_tools/list_commands.h"

class QTextToSpeech;

class TQtSpeechService : public TSpeechService {
 public:
  // An empty name takes the first engine installed.
  explicit TQtSpeechService(const QString& engine = QString());
  ~TQtSpeechService() override;
  bool HasEngine() const override;
  bool Speak(UStringView text) override;

 private:
  std::unique_ptr<QTextToSpeech> speech_;
};
