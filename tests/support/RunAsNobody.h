#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <iostream>
#include <unistd.h>

namespace mivra::test {

// File permissions do not bind root, and CI runs the tests as root. There a permission test runs
// again in a copy of this test program as the user nobody, alone, and its result is checked here.
// Returns true when that copy ran the test (the caller returns); false when the caller is not root
// and runs the test body itself.
inline bool ranAsNobody()
{
    if (geteuid() != 0)
        return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2")
                               .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("TMPDIR"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                            QStringLiteral("--clear-groups"), self, filter});
    const bool finished = child.waitForFinished(120000);
    const QString output = QString::fromUtf8(child.readAll());
    const bool passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                        && output.contains(QLatin1String("[  PASSED  ] 1 test."))
                        && !output.contains(QLatin1String("[  SKIPPED ]"));
    if (passed)
        std::cout << "ran as nobody: passed" << std::endl;
    else
        ADD_FAILURE() << "as nobody: " << output.toStdString();
    return true;
}

} // namespace mivra::test
