#include "CtyCsv.h"

#include "ErrorText.h"
#include "WholeFile.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace mivra {

namespace {

// Fields of a cty.csv line: prefix, name, ADIF number, continent, CQ zone, ITU zone,
// latitude, longitude, UTC offset, pattern list.
constexpr int kFieldCount = 10;

} // namespace

std::vector<DxccRow> readCtyCsv(const QString& path, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    // Some 400 entities in a few hundred kilobytes.
    constexpr qint64 kMaxBytes = qint64(16) << 20;
    QByteArray bytes;
    QString reason;
    if (!readRegularFile(path, kMaxBytes, &bytes, &reason)) {
        setError(error, QStringLiteral("Cannot read the DXCC prefix file %1: %2").arg(shownPath, reason));
        return {};
    }

    // Zone, continent and position overrides that may follow a prefix or call.
    static const QRegularExpression annotation(QStringLiteral(R"(\([^)]*\)|\[[^\]]*\]|<[^>]*>|\{[^}]*\}|~[^~]*~)"));
    static const QRegularExpression spaces(QStringLiteral(R"(\s+)"));

    std::vector<DxccRow> exactCalls;
    std::vector<DxccRow> prefixes;
    int lineNumber = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        ++lineNumber;
        const QString line = QString::fromUtf8(QByteArrayView(bytes).sliced(at, end - at)).trimmed();
        at = end + 1;
        if (line.isEmpty())
            continue;
        // A name could hold a comma, so the numeric fields are counted from the end.
        const QStringList fields = line.split(QLatin1Char(','));
        const qsizetype count = fields.size();
        bool adifOk = false;
        const int adif = count >= kFieldCount ? fields.at(count - 8).trimmed().toInt(&adifOk) : 0;
        if (!adifOk) {
            setError(error,
                     QStringLiteral("The DXCC prefix file %1 is damaged at line %2").arg(shownPath).arg(lineNumber));
            return {};
        }
        const QString primary = fields.at(0).trimmed();
        if (primary.startsWith(QLatin1Char('*')))
            continue; // WAE-only entity, not a DXCC entity
        const QString entity
            = primary + QLatin1Char(' ') + fields.mid(1, count - kFieldCount + 1).join(QLatin1Char(',')).trimmed();

        QString list = fields.at(count - 1);
        list.remove(annotation);
        list.remove(QLatin1Char(';'));
        for (const QString& token : list.split(spaces, Qt::SkipEmptyParts)) {
            if (token.startsWith(QLatin1Char('='))) {
                if (token.size() > 1)
                    exactCalls.push_back({adif, token.mid(1), entity});
            } else {
                prefixes.push_back({adif, token + QLatin1Char('*'), entity});
            }
        }
    }

    std::stable_sort(prefixes.begin(), prefixes.end(),
                     [](const DxccRow& a, const DxccRow& b) { return a.pattern.size() > b.pattern.size(); });

    std::vector<DxccRow> rows;
    rows.reserve(exactCalls.size() + prefixes.size());
    QSet<QString> seen;
    for (auto* group : {&exactCalls, &prefixes}) {
        for (DxccRow& row : *group) {
            const QString key = row.pattern.toUpper();
            if (seen.contains(key))
                continue;
            seen.insert(key);
            rows.push_back(std::move(row));
        }
    }
    if (rows.empty())
        setError(error, QStringLiteral("The DXCC prefix file %1 holds no entities").arg(shownPath));
    return rows;
}

} // namespace mivra
