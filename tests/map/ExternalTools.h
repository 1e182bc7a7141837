#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace mivra::test {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

inline ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {-1, process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

// xmllint --noout: 0 when the file is well-formed XML.
inline bool xmlWellFormed(const QString& path, QString* output)
{
    const ToolRun run = runTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    *output = run.output;
    return run.exitCode == 0;
}

// The features GDAL's ogrinfo reads from every layer of the file; -1 when it cannot open it.
inline int ogrFeatureCount(const QString& path)
{
    const ToolRun run = runTool(QStringLiteral("ogrinfo"), {QStringLiteral("-ro"), QStringLiteral("-al"),
                                                            QStringLiteral("-so"), path});
    if (run.exitCode != 0)
        return -1;
    int total = 0;
    const QRegularExpression count(QStringLiteral("Feature Count: (\\d+)"));
    for (auto match = count.globalMatch(run.output); match.hasNext();)
        total += match.next().captured(1).toInt();
    return total;
}

} // namespace mivra::test
