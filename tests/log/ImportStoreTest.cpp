#include "ImportStore.h"
#include "LogTestSupport.h"

#include <QTimeZone>

namespace mivra {
namespace {

using test::column0;
using test::execAll;

QDateTime at(int hour, int minute)
{
    return QDateTime(QDate(2026, 6, 6), QTime(hour, minute), QTimeZone::utc());
}

// What an import of few records (looked up in the log) and one of many (looked up in the keys in
// memory, the indexes rebuilt at the end) take for a contact already stored: the same, whatever
// case, spaces, seconds or date form the stored row has.
TEST(ImportStore, BothLookUpsFindTheSameStoredContacts)
{
    struct Stored {
        const char* callsign;
        const char* date;
        const char* gmt;
        const char* band;
    };
    const std::vector<Stored> regular = {
        {"DL1AA", "2026-06-06", "12:00:30", "144"}, // seconds: the same minute as 1200
        {"OK1A", "2026-06-06", "12:01", "144.300"}, // a frequency in the band
        {"OK2BB", "06.06.2026", "12:02", "144"},    // the older date form
    };
    const std::vector<Stored> typedElsewhere = {
        {" dl1aa", "2026-06-06", "12:00:30", "144"},
        {"OK1A ", "2026-06-06", "12:01", "144.300"},
        {"ok2bb", "06.06.2026", "12:02", "144"},
    };
    for (const auto& [name, stored] :
         {std::pair{"as the log writes them", regular}, std::pair{"as other programs wrote them", typedElsewhere}}) {
        for (const qint64 records : {qint64(3), qint64(20000)}) {
            SCOPED_TRACE(std::string(name) + ", records " + std::to_string(records));
            QTemporaryDir dir;
            auto log = test::createSmallLog(dir);
            ASSERT_TRUE(log);
            QStringList rows;
            for (const Stored& row : stored)
                rows << QStringLiteral(
                            "INSERT INTO logtab (Callsign, Date, GMT, Band, QSL) VALUES ('%1', '%2', '%3', '%4', 'Y')")
                            .arg(QLatin1String(row.callsign), QLatin1String(row.date), QLatin1String(row.gmt),
                                 QLatin1String(row.band));
            execAll(*log, rows);

            ImportStore store(*log);
            QString error;
            ASSERT_TRUE(store.begin(records, &error)) << error.toStdString();
            const struct {
                const char* call;
                int minute;
                const char* band;
                qint64 id;
            } duplicates[] = {{"DL1AA", 0, "144", 1}, {"OK1A", 1, "144", 2}, {"OK2BB", 2, "144.3", 3}};
            for (const auto& record : duplicates) {
                const std::optional<ImportStore::Match> match = store.match(
                    QLatin1String(record.call), QLatin1String(record.band), at(12, record.minute), &error);
                ASSERT_TRUE(match) << record.call << " " << error.toStdString();
                EXPECT_EQ(match->id, record.id) << record.call;
            }
            // Another minute, another band or another station is a new contact.
            EXPECT_FALSE(store.match(u"DL1AA"_qs, u"144"_qs, at(12, 3), &error));
            EXPECT_FALSE(store.match(u"DL1AA"_qs, u"432"_qs, at(12, 0), &error));
            EXPECT_FALSE(store.match(u"DL1AB"_qs, u"144"_qs, at(12, 0), &error));
            // A record stored earlier in the same import is found too.
            Contact added;
            added.callsign = u"OK3CC"_qs;
            added.date = u"2026-06-06"_qs;
            added.gmt = u"12:05"_qs;
            added.band = u"144"_qs;
            ASSERT_TRUE(store.insert(added, &error)) << error.toStdString();
            EXPECT_TRUE(store.match(u"OK3CC"_qs, u"144"_qs, at(12, 5), &error));
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            ASSERT_TRUE(store.commit(&error)) << error.toStdString();
        }
    }
}

// The indexes a big import drops are made again inside its transaction: when that fails (a unique
// index the imported rows break), nothing is imported and the indexes are as they were.
TEST(ImportStore, AFailedIndexRebuildLeavesNothingImported)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    execAll(*log, {u"INSERT INTO logtab (Callsign, Date, GMT, Band) VALUES ('DL1AA', '2026-06-01', '10:00', '144')"_qs,
                   u"CREATE UNIQUE INDEX logtab_one_per_call ON logtab (Callsign)"_qs});
    const QString indexes = u"SELECT name || ': ' || sql FROM sqlite_master WHERE type = 'index' ORDER BY name"_qs;
    const QStringList before = column0(*log, indexes);
    ASSERT_TRUE(before.join(u'|').contains(u"logtab_one_per_call"_qs));
    {
        ImportStore store(*log);
        QString error;
        ASSERT_TRUE(store.begin(20000, &error)) << error.toStdString();
        EXPECT_FALSE(column0(*log, indexes).join(u'|').contains(u"logtab_one_per_call"_qs))
            << "a big import into a small log keeps its indexes up";
        for (const char* gmt : {"10:00", "11:00"}) {
            Contact contact;
            contact.callsign = u"OK1XX"_qs;
            contact.date = u"2026-06-02"_qs;
            contact.gmt = QLatin1String(gmt);
            contact.band = u"144"_qs;
            ASSERT_TRUE(store.insert(contact, &error)) << error.toStdString();
        }
        EXPECT_FALSE(store.commit(&error));
        EXPECT_TRUE(error.contains(u"UNIQUE"_qs)) << error.toStdString();
    }
    EXPECT_EQ(column0(*log, u"SELECT Callsign FROM logtab"_qs), QStringList{u"DL1AA"_qs});
    EXPECT_EQ(column0(*log, indexes), before);
    EXPECT_EQ(column0(*log, u"PRAGMA integrity_check"_qs), QStringList{u"ok"_qs});
}

} // namespace
} // namespace mivra
