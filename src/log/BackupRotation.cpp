#include "BackupRotation.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace mivra {

namespace {

// A copy dated further ahead than this was made while the clock was set ahead.
constexpr qint64 kFutureSlackSeconds = 10 * 60;

const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

} // namespace

QString backupCopyName(const QDateTime& time, bool beforeImport)
{
    return QStringLiteral("backup-%1%2.sqlite.zst")
        .arg(time.toUTC().toString(kTimeFormat), beforeImport ? QStringLiteral("-import") : QString());
}

std::optional<BackupCopy> parseBackupCopyName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^backup-(\\d{8}-\\d{6})(-import)?\\.sqlite(\\.zst)?$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    QDateTime time = QDateTime::fromString(match.captured(1), kTimeFormat);
    if (!time.isValid())
        return std::nullopt;
    time.setTimeSpec(Qt::UTC);
    BackupCopy copy;
    copy.name = fileName;
    copy.time = time;
    copy.beforeImport = match.hasCaptured(2);
    return copy;
}

bool isPartialCopyName(const QString& fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.backup-\\d{8}-\\d{6}(-import)?\\.sqlite(\\.zst)?\\.[A-Za-z0-9]{6}(-journal)?$"));
    return pattern.match(fileName).hasMatch();
}

QStringList BackupRotation::copiesToRemove(std::vector<BackupCopy> copies) const
{
    const QDateTime latestReal = nowUtc.addSecs(kFutureSlackSeconds);
    const auto isFuture = [&](const BackupCopy& copy) { return copy.time > latestReal; };
    std::sort(copies.begin(), copies.end(), [&](const BackupCopy& a, const BackupCopy& b) {
        if (isFuture(a) != isFuture(b))
            return !isFuture(a);
        return a.time != b.time ? a.time > b.time : a.name > b.name;
    });

    QSet<QString> always;
    if (!justMade.isEmpty())
        always.insert(justMade);
    if (!copies.empty())
        always.insert(copies.front().name);
    const auto lastImport
        = std::find_if(copies.begin(), copies.end(), [](const BackupCopy& copy) { return copy.beforeImport; });
    if (lastImport != copies.end())
        always.insert(lastImport->name);

    qint64 used = 0;
    for (const BackupCopy& copy : copies)
        used += always.contains(copy.name) ? copy.bytes : 0;

    const QDateTime yearAgo = nowUtc.addYears(-1);
    QSet<QString> monthsKept;
    bool overBudget = false;
    QStringList removed;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const BackupCopy& copy = copies[i];
        const QString month = copy.time.toString(QStringLiteral("yyyyMM"));
        const bool counted
            = i < std::size_t(kNewestKept) || (!isFuture(copy) && copy.time >= yearAgo && !monthsKept.contains(month));
        if (counted)
            monthsKept.insert(month);
        if (always.contains(copy.name))
            continue;
        // Older copies go once one no longer fits: a newer copy is worth more than an older one.
        overBudget = overBudget || (counted && used + copy.bytes > budgetBytes);
        if (!counted || overBudget) {
            removed << copy.name;
            continue;
        }
        used += copy.bytes;
    }
    return removed;
}

BackupBudget backupBudget(const QString& setting, qint64 logBytes)
{
    BackupBudget budget;
    budget.bytes = qint64(BackupBudget::kDefaultTimesLog) * logBytes;
    const QString text = setting.trimmed();
    if (text.isEmpty())
        return budget;
    static const QRegularExpression pattern(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*(x|kb|mb|gb)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (match.hasMatch()) {
        const double number = match.captured(1).toDouble();
        const QString unit = match.captured(2).toLower();
        const double factor = unit == u"x"_qs    ? double(logBytes)
                              : unit == u"kb"_qs ? 1e3
                              : unit == u"mb"_qs ? 1e6
                              : unit == u"gb"_qs ? 1e9
                                                 : 1.0;
        const double bytes = number * factor;
        if (bytes < 9e18) {
            budget.bytes = qint64(bytes);
            return budget;
        }
    }
    budget.problem = QStringLiteral("The backup budget \"%1\" in mivra.ini ([backups] budget) is not understood: "
                                    "write it as 5x (times the log's size), 800 MB or 2 GB. Five times the log's "
                                    "size is kept meanwhile.")
                         .arg(text);
    return budget;
}

} // namespace mivra
