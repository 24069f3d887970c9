// The word-list tool's program (linzora_wordlist) run from a window test, in this process's
// settings and hand-over folders.
#pragma once

#include <QProcess>
#include <QStringList>

// Its exit code (-1 when it did not end); its standard error into *err, its output into *out.
inline int RunWordlistTool(const QStringList& args, QByteArray* err = nullptr, QByteArray* out = nullptr) {
  QProcess tool;
  tool.start(QStringLiteral(LINZORA_WORDLIST_PROGRAM), args);
  if (!tool.waitForFinished(120000)) return -1;
  if (err) *err = tool.readAllStandardError();
  if (out) *out = tool.readAllStandardOutput();
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}
