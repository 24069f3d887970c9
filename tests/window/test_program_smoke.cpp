// The program as a user starts it: the hand-over plays another tool, then "linzora -F /log"
// runs the follow-up search offscreen; its log names the run's line count.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <string>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"

namespace {

QProcessEnvironment SmokeEnvironment(const TempFolder& dir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("LINZORA_CONFIG_DIR"), QString::fromStdString(Utf16ToUtf8(dir.Path() + u"config")));
  env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(Utf16ToUtf8(dir.Path())));
  return env;
}

// The user's settings in the program's folder, as the settings commands leave them: the samples
// hold a UTF-8 text with a signature, and a program run offscreen has no one to answer whether it
// is saved as Unicode, so the question is turned off the way "No to all" turns it off.
void TurnOffTheUtf8Question(const TempFolder& dir) {
  const char* before = std::getenv("LINZORA_CONFIG_DIR");
  const std::string kept = before ? before : "";
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  SetTextConversionOptions(GetTextConversionOptions() & ~uint32_t(4));
  ResetSettingsStoreForTests();
  if (before) setenv("LINZORA_CONFIG_DIR", kept.c_str(), 1);
  else unsetenv("LINZORA_CONFIG_DIR");
}

TEST(ProgramSmoke, HandOverThenFollowUpSearchLogsItsLines) {
  TempFolder dir;
  TurnOffTheUtf8Question(dir);
  QProcess handover;
  handover.setProcessEnvironment(SmokeEnvironment(dir));
  handover.start(QStringLiteral(LINZORA_HANDOVER_PROGRAM), {QStringLiteral(LINZORA_SAMPLES_DIR), QStringLiteral("river")});
  ASSERT_TRUE(handover.waitForFinished(30000));
  ASSERT_EQ(handover.exitCode(), 0) << handover.readAllStandardError().toStdString();

  const QString log = QString::fromStdString(Utf16ToUtf8(dir.Path() + u"run.log"));
  QProcess program;
  program.setProcessEnvironment(SmokeEnvironment(dir));
  program.start(QStringLiteral(LINZORA_PROGRAM), {QStringLiteral("-F"), QStringLiteral("/log"), log});
  ASSERT_TRUE(program.waitForStarted(10000));
  QElapsedTimer clock;
  clock.start();
  QByteArray text;
  while (clock.elapsed() < 60000) {
    QFile f(log);
    if (f.open(QIODevice::ReadOnly)) text = f.readAll();
    if (text.contains("concordance run ended:")) break;
    QTest::qWait(100);
  }
  program.kill();
  program.waitForFinished(5000);
  EXPECT_TRUE(text.contains("concordance run ended: 91 lines")) << text.right(2000).toStdString();
}

TEST(ProgramSmoke, HandOverNamesAMissingFolder) {
  TempFolder dir;
  QProcess handover;
  handover.setProcessEnvironment(SmokeEnvironment(dir));
  handover.start(QStringLiteral(LINZORA_HANDOVER_PROGRAM), {QStringLiteral("/no/such/corpus"), QStringLiteral("river")});
  ASSERT_TRUE(handover.waitForFinished(30000));
  EXPECT_EQ(handover.exitCode(), 1);
  EXPECT_TRUE(handover.readAllStandardError().contains("/no/such/corpus"));
}

}  // namespace
