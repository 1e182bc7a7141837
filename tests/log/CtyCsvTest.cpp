#include "CtyCsv.h"
#include "LogTestSupport.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <sys/stat.h>

namespace mivra {
namespace {

using test::kRealCtyCsv;
using test::writeFile;

QStringList patternsOf(const std::vector<DxccRow>& rows)
{
    QStringList patterns;
    for (const DxccRow& row : rows)
        patterns << row.pattern;
    return patterns;
}

TEST(CtyCsv, OrdersExactCallsFirstThenLongerPrefixesAndStripsAnnotations)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cty.csv"));
    writeFile(path,
              "DL,Fed. Rep. of Germany,230,EU,14,28,51.00,-10.00,-1.0,DA DL(14)[28] DL0XYZ =DL0ABC<51/10> =DL1X/P{x};\n"
              "*TA1,European Turkey,390,EU,20,39,41.02,-28.97,-2.0,TA1 =TA1BX/LH;\n"
              "\n"
              "OK,Czech Republic,503,EU,15,28,50.00,-16.00,-1.0,OK OL~+1~ DL0XYZ =DL0ABC;\n"
              "VP8,Falkland, Islands,141,SA,13,16,-51.63,58.72,3.0,VP8 =VP8LP;\n");
    QString error;
    const std::vector<DxccRow> rows = readCtyCsv(path, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    // Repeated patterns keep the first entity's row; the WAE-only entity is left out.
    const QStringList expected = {u"DL0ABC"_qs, u"DL1X/P"_qs, u"VP8LP"_qs, u"DL0XYZ*"_qs, u"VP8*"_qs,
                                  u"DA*"_qs,    u"DL*"_qs,    u"OK*"_qs,   u"OL*"_qs};
    EXPECT_EQ(patternsOf(rows), expected);

    struct Case {
        const char* pattern;
        const char* entity;
        int adif;
    };
    const Case cases[] = {
        {"DL0ABC", "DL Fed. Rep. of Germany", 230},
        {"DL0XYZ*", "DL Fed. Rep. of Germany", 230},
        {"OL*", "OK Czech Republic", 503},
        {"VP8LP", "VP8 Falkland, Islands", 141},
    };
    for (const Case& c : cases) {
        const auto it = std::find_if(rows.begin(), rows.end(),
                                     [&](const DxccRow& r) { return r.pattern == QLatin1String(c.pattern); });
        ASSERT_NE(it, rows.end()) << c.pattern;
        EXPECT_EQ(it->entity, QLatin1String(c.entity)) << c.pattern;
        EXPECT_EQ(it->adifNumber, c.adif) << c.pattern;
    }
}

TEST(CtyCsv, ReportsUnreadableAndDamagedFiles)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray content; // empty: the file is not written
        const char* expectedInError;
    };
    const Case cases[] = {
        {"missing.csv", {}, "missing.csv"},
        {"short.csv", "DL,Germany,230,EU;\n", "line 1"},
        {"adif.csv", "OK,Czech Republic,503,EU,15,28,50.00,-16.00,-1.0,OK;\nDL,Germany,x,EU,14,28,51,-10,-1,DL;\n",
         "line 2"},
        {"empty.csv", "\n", "no entities"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        if (!c.content.isEmpty())
            writeFile(path, c.content);
        QString error;
        EXPECT_TRUE(readCtyCsv(path, &error).empty()) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.expectedInError))) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(path)) << c.name << ": " << error.toStdString();
    }
}

// A FIFO or a device as the prefix file of a new log is refused at once, by name; no log is made.
TEST(CtyCsv, NoRegularFileIsRefusedWhenALogIsMade)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("cty.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        QString error;
        const QString log = dir.filePath(QStringLiteral("backup.sqlite"));
        EXPECT_FALSE(LogDatabase::open(log, path, &error));
        EXPECT_EQ(error, QStringLiteral("Cannot create the log %1: Cannot read the DXCC prefix file %2: it is not a "
                                        "regular file")
                             .arg(log, path));
        EXPECT_FALSE(QFileInfo::exists(log));
    }
}

TEST(CtyCsv, RealFileGivesAnOrderedCleanTable)
{
    QString error;
    const std::vector<DxccRow> rows = readCtyCsv(kRealCtyCsv, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_GE(rows.size(), 20000u);

    static const QRegularExpression forbidden(QStringLiteral(R"([\s()\[\]<>{}~;=,])"));
    QSet<QString> patterns;
    QHash<QString, QString> entityByKey;
    bool inPrefixes = false;
    qsizetype lastPrefixLength = std::numeric_limits<qsizetype>::max();
    for (const DxccRow& row : rows) {
        ASSERT_FALSE(row.pattern.isEmpty());
        EXPECT_FALSE(row.pattern.contains(forbidden)) << row.pattern.toStdString();
        EXPECT_FALSE(patterns.contains(row.pattern)) << "repeated " << row.pattern.toStdString();
        patterns.insert(row.pattern);
        EXPECT_FALSE(row.entity.startsWith(u'*')) << row.entity.toStdString();

        const bool isPrefix = row.pattern.endsWith(u'*');
        if (isPrefix) {
            inPrefixes = true;
            EXPECT_LE(row.pattern.size(), lastPrefixLength) << row.pattern.toStdString();
            lastPrefixLength = row.pattern.size();
        } else {
            EXPECT_FALSE(inPrefixes) << "exact call after the prefixes: " << row.pattern.toStdString();
        }

        // No two entities share their first 8 characters.
        const QString key = row.entity.left(8);
        const auto it = entityByKey.constFind(key);
        if (it == entityByKey.constEnd())
            entityByKey.insert(key, row.entity);
        else
            EXPECT_EQ(*it, row.entity) << "shared key " << key.toStdString();
    }
    EXPECT_GE(entityByKey.size(), 330);
    EXPECT_TRUE(patterns.contains(u"DL*"_qs));
    EXPECT_TRUE(patterns.contains(u"7O/DL7ZM"_qs)); // listed as =7O/DL7ZM(37)[48]
}

} // namespace
} // namespace mivra
