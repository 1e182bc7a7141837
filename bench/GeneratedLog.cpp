#include "GeneratedLog.h"

#include <QDate>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTime>

#include <benchmark/benchmark.h>

#include <iterator>
#include <map>

namespace mivra::bench {

namespace {

const QString kCtyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");

struct Prefix {
    const char* prefix;
    const char* entity;
};

} // namespace

GeneratedLog::GeneratedLog(int contacts)
{
    QString error;
    log = LogDatabase::open(dir.filePath(QStringLiteral("backup.sqlite")), kCtyCsv, &error);
    if (!log)
        qFatal("cannot create the log: %s", qPrintable(error));
    log->switchPatternsToRunningForm();

    static const Prefix prefixes[] = {
        {"DL", "DL Fed. Rep. of Germany"}, {"DK", "DL Fed. Rep. of Germany"}, {"DJ", "DL Fed. Rep. of Germany"},
        {"OK", "OK Czech Republic"},       {"OL", "OK Czech Republic"},       {"SP", "SP Poland"},
        {"G", "G England"},                {"F", "F France"},                 {"I", "I Italy"},
        {"PA", "PA Netherlands"},          {"ON", "ON Belgium"},              {"OE", "OE Austria"},
        {"HB9", "HB Switzerland"},         {"OZ", "OZ Denmark"},              {"SM", "SM Sweden"},
        {"LA", "LA Norway"},               {"YL", "YL Latvia"},               {"S5", "S5 Slovenia"},
        {"9A", "9A Croatia"},              {"HA", "HA Hungary"}};
    static const char* const bands[] = {"144", "144", "144", "144", "432", "432", "1296", "50",
                                        "2320", "10368", "3600", "14200"};
    static const char* const qsl[] = {"Q", "Q", "N", "Y", "D"};
    static const char* const props[] = {"Tr", "Tr", "Tr", "Tr", "Es", "Rs", "Au", "Ms", ""};
    QRandomGenerator random(20240601);
    QSqlDatabase db = log->database();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                  " Comment, QSL, Prop, DXCC, QRB, QTF)"
                                  " VALUES (?, ?, ?, ?, '59', '59', ?, 'SSB', 'Op', '', ?, ?, ?, ?, ?)"));
    auto letter = [&] { return QChar(u'A' + random.bounded(26)); };
    auto digit = [&] { return QChar(u'0' + random.bounded(10)); };
    auto pick = [&](const auto& list) { return list[random.bounded(int(std::size(list)))]; };
    for (int i = 0; i < contacts; ++i) {
        const QDate day = QDate(2014, 1, 1).addDays(random.bounded(3650));
        const Prefix& prefix = pick(prefixes);
        insert.addBindValue(day.toString(Qt::ISODate));
        insert.addBindValue(QTime(random.bounded(24), random.bounded(60)).toString(QStringLiteral("HH:mm")));
        insert.addBindValue(QLatin1String(prefix.prefix) + digit() + letter() + letter() + letter());
        insert.addBindValue(QString(QChar(u'I' + random.bounded(3))) + QChar(u'M' + random.bounded(4)) + digit()
                            + digit() + QChar(u'A' + random.bounded(24)) + QChar(u'A' + random.bounded(24)));
        insert.addBindValue(QLatin1String(pick(bands)));
        insert.addBindValue(QLatin1String(pick(qsl)));
        insert.addBindValue(QLatin1String(pick(props)));
        insert.addBindValue(QLatin1String(prefix.entity));
        insert.addBindValue(double(random.bounded(1000)));
        insert.addBindValue(double(random.bounded(360)));
        if (!insert.exec())
            qFatal("cannot fill the log");
    }
    db.commit();
    if (sqlite3_open_v2(qPrintable(log->path()), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        qFatal("cannot open the log through the C API");
}

GeneratedLog::~GeneratedLog()
{
    sqlite3_close(raw);
}

namespace {

std::map<int, std::unique_ptr<GeneratedLog>>& logs()
{
    static std::map<int, std::unique_ptr<GeneratedLog>> made;
    return made;
}

} // namespace

GeneratedLog& logOf(int contacts)
{
    auto& entry = logs()[contacts];
    if (!entry)
        entry = std::make_unique<GeneratedLog>(contacts);
    return *entry;
}

void releaseLogs()
{
    logs().clear();
}

std::vector<int> logSizes()
{
    std::vector<int> sizes{10000, 100000};
    if (!qEnvironmentVariableIsEmpty("MIVRA_BENCH_MILLION"))
        sizes.push_back(1000000);
    return sizes;
}

int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The logs hold database connections: closed here, not after Qt's registry is gone at exit.
    releaseLogs();
    return 0;
}

} // namespace mivra::bench
