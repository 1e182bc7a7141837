#include "GeneratedLog.h"

#include <QDate>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTime>

#include <sqlite3.h>

#include <map>

namespace mivra::bench {

namespace {

const QString kCtyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");

} // namespace

GeneratedLog::GeneratedLog(int contacts)
{
    QString error;
    log = LogDatabase::open(dir.filePath(QStringLiteral("backup.sqlite")), kCtyCsv, &error);
    if (!log)
        qFatal("cannot create the log: %s", qPrintable(error));
    log->asterix();

    static const char* const prefixes[] = {"DL", "DK", "DJ", "OK", "OL", "SP", "G", "F", "I", "PA",
                                           "ON", "OE", "HB9", "OZ", "SM", "LA", "YL", "S5", "9A", "HA"};
    static const char* const bands[] = {"144", "144", "144", "144", "432", "432", "1296", "50",
                                        "2320", "10368", "3600", "14200"};
    QRandomGenerator random(20240601);
    QSqlDatabase db = log->database();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                  " Comment, QSL, Prop, DXCC, QRB, QTF)"
                                  " VALUES (?, ?, ?, ?, '59', '59', ?, 'SSB', 'Op', '', ?, 'T', '', ?, ?)"));
    auto letter = [&] { return QChar(u'A' + random.bounded(26)); };
    auto digit = [&] { return QChar(u'0' + random.bounded(10)); };
    for (int i = 0; i < contacts; ++i) {
        const QDate day = QDate(2014, 1, 1).addDays(random.bounded(3650));
        insert.addBindValue(day.toString(Qt::ISODate));
        insert.addBindValue(QTime(random.bounded(24), random.bounded(60)).toString(QStringLiteral("HH:mm")));
        insert.addBindValue(QLatin1String(prefixes[random.bounded(int(std::size(prefixes)))]) + digit() + letter()
                            + letter() + letter());
        insert.addBindValue(QString(QChar(u'I' + random.bounded(3))) + QChar(u'M' + random.bounded(4)) + digit()
                            + digit() + QChar(u'A' + random.bounded(24)) + QChar(u'A' + random.bounded(24)));
        insert.addBindValue(QLatin1String(bands[random.bounded(int(std::size(bands)))]));
        insert.addBindValue(QString(QChar(random.bounded(2) ? u'Q' : u'N')));
        insert.addBindValue(double(random.bounded(1000)));
        insert.addBindValue(double(random.bounded(360)));
        if (!insert.exec())
            qFatal("cannot fill the log");
    }
    db.commit();
    if (sqlite3_open_v2(qPrintable(log->path()), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        qFatal("cannot open the log through the C API");
}

GeneratedLog::~GeneratedLog()
{
    sqlite3_close(raw);
}

GeneratedLog& logOf(int contacts)
{
    static std::map<int, std::unique_ptr<GeneratedLog>> logs;
    auto& entry = logs[contacts];
    if (!entry)
        entry = std::make_unique<GeneratedLog>(contacts);
    return *entry;
}

} // namespace mivra::bench
