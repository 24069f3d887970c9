// The program as a user starts it: the hand-over plays another tool, then "linzora -F /log"
// runs the follow-up search offscreen; its log names the run's line count.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "platform/rtl/ustring.h"
#include "support/temp_folder.h"

namespace {

QProcessEnvironment SmokeEnvironment(const TempFolder& dir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("LINZORA_CONFIG_DIR"), QString::fromStdString(Utf16ToUtf8(dir.Path() + u"config")));
  env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(Utf16ToUtf8(dir.Path())));
  return env;
}

TEST(ProgramSmoke, HandOverThenFollowUpSearchLogsItsLines) {
  TempFolder dir;
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
