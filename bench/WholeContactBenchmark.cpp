// ADIF import and export of files that carry the whole contact: 100,000 records of some 60 fields
// as an online logbook writes them, beside the same values put into the same layout (logtab and
// logfields) and dumped from it through the SQLite C API, as the sqlite3 shell's .import and a
// dump do.

#include "AdifExport.h"
#include "AdifImport.h"
#include "ImportTiming.h"
#include "LogDatabase.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

const mivra::OwnStation kOwn{QStringLiteral("OK1ABC"), QStringLiteral("JO70FD")};
// The columns an import writes, and the other fields beside them.
const char* const kColumns
    = "ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop, DXCC, QRB,"
      " QTF, QSLman, Freq, FreqRx";
constexpr int kColumnCount = 19;

QByteArray field(const char* name, const QByteArray& value)
{
    return '<' + QByteArray(name) + ':' + QByteArray::number(value.size()) + '>' + value + '\n';
}

// Records as an online logbook's download has them: lower-case names, every station and
// confirmation field, its own application fields.
void writeLogbookFile(const QString& path, int records)
{
    static const char* const calls[] = {"W1AW",  "K3LR",  "VE3XN",  "JA1NUT", "DL1ABC", "OK1KHL", "N0AX",   "ZL2IFB",
                                        "G4BAO", "OH2BH", "VK3FUR", "PY2XB",  "LU1AA",  "ZS6AA",  "EA3XYZ", "I2ABC"};
    static const char* const bands[][3]
        = {{"20m", "14.074", "FT8"}, {"40m", "7.0255", "CW"},  {"2m", "144.174", "FT8"}, {"15m", "21.2855", "SSB"},
           {"6m", "50.313", "FT8"},  {"70cm", "432.2", "SSB"}, {"80m", "3.573", "FT8"},  {"10m", "28.0745", "CW"}};
    QRandomGenerator random(26);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write("QRZLogbook download for ok1abc\nRecords: " + QByteArray::number(records) + '\n'
               + field("ADIF_VER", "3.1.1") + field("PROGRAMID", "QRZLogbook") + "<eoh>\n");
    QByteArray out;
    for (int i = 0; i < records; ++i) {
        const char* call = calls[random.bounded(16)];
        const auto& band = bands[random.bounded(8)];
        // One record a minute, on every third day from 2010 on.
        const QByteArray date = QDate(2010, 1, 1).addDays(i / 1440 * 3).toString(u"yyyyMMdd"_qs).toLatin1();
        const QByteArray time = QTime(0, 0).addSecs(i % 1440 * 60 + i % 60).toString(u"HHmmss"_qs).toLatin1();
        const QByteArray number = QByteArray::number(i);
        const QByteArray grid = QByteArray(1, char('A' + random.bounded(18))) + char('A' + random.bounded(18))
                                + char('0' + random.bounded(10)) + char('0' + random.bounded(10))
                                + char('a' + random.bounded(24)) + char('a' + random.bounded(24));
        const bool digital = std::strcmp(band[2], "FT8") == 0;
        out += field("app_qrzlog_logid", QByteArray::number(900000000 + i));
        out += field("app_qrzlog_status", i % 3 ? "N" : "C");
        out += field("band", band[0]) + field("band_rx", band[0]);
        out += field("call", QByteArray(call) + (i % 7 ? "" : "/P"));
        out += field("cont", "EU") + field("country", "Federal Republic of Germany");
        out += field("cqz", "14") + field("distance", QByteArray::number(100 + random.bounded(9000)));
        out += field("dxcc", "230") + field("email", "op" + number + "@example.net");
        out += field("eqsl_qsl_rcvd", "N") + field("eqsl_qsl_sent", "N");
        out += field("freq", band[1]) + field("freq_rx", band[1]) + field("gridsquare", grid);
        out += field("ituz", "28") + field("lat", "N052 31.250") + field("lon", "E013 24.500");
        out += field("lotw_qsl_rcvd", i % 3 ? "N" : "Y") + field("lotw_qsl_sent", "Y");
        out += field("lotw_qslsdate", date) + field("mode", band[2]);
        out += field("my_city", "Praha") + field("my_country", "Czech Republic") + field("my_cq_zone", "15");
        out += field("my_gridsquare", "JO70fd") + field("my_itu_zone", "28") + field("my_lat", "N050 07.500");
        out += field("my_lon", "E014 27.500") + field("my_name", "Jan Novak") + field("my_rig", "IC-7610");
        out += field("my_antenna", "Yagi 5 el") + field("my_state", "PR") + field("my_cnty", "Praha");
        out += field("name", "Operator " + number) + field("operator", "OK1ABC");
        out += field("qrzcom_qso_upload_date", date) + field("qrzcom_qso_upload_status", "Y");
        out += field("qsl_rcvd", "N") + field("qsl_sent", "N") + field("qso_date", date);
        out += field("qso_date_off", date) + field("qth", "Berlin") + field("state", "BE");
        out += field("cnty", "Berlin") + field("age", "55") + field("rx_pwr", "100");
        out += field("rst_rcvd", digital ? "-10" : "599") + field("rst_sent", digital ? "-12" : "579");
        out += field("station_callsign", "OK1ABC") + field("time_off", time) + field("time_on", time);
        out += field("tx_pwr", "100") + field("sfi", "140") + field("k_index", "2") + field("a_index", "7");
        out += field("comment", "tnx qso " + number) + field("qsl_via", i % 5 ? "" : "LOTW");
        out += field("clublog_qso_upload_status", "Y") + field("hrdlog_qso_upload_status", "N");
        out += field("hamlogeu_qso_upload_status", "N");
        out += "<eor>\n";
        if (out.size() > (1 << 20))
            file.write(std::exchange(out, QByteArray()));
    }
    file.write(out);
}

// The file, and a log holding it, made once for every benchmark of a size.
struct WholeLog {
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<mivra::LogDatabase> log;
    sqlite3* raw = nullptr;

    explicit WholeLog(int records)
        : file(dir.filePath(QStringLiteral("logbook.adi")))
    {
        writeLogbookFile(file, records);
        log = mivra::bench::emptyLog(dir);
        const mivra::AdifImportResult result = mivra::importAdifFile(*log, file, kOwn);
        if (!result.ok || result.imported != records)
            qFatal("cannot import the logbook: %s", qPrintable(result.summary()));
        sqlite3_open(dir.filePath(QStringLiteral("backup.sqlite")).toUtf8().constData(), &raw);
    }
    ~WholeLog() { sqlite3_close(raw); }
};

WholeLog& wholeLog(int records)
{
    static std::map<int, std::unique_ptr<WholeLog>> logs;
    auto& entry = logs[records];
    if (!entry)
        entry = std::make_unique<WholeLog>(records);
    return *entry;
}

// Every contact with its other fields, tab-separated in time order, as a dump gives them.
void rawDump(sqlite3* db, const std::string& path)
{
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db,
                       (std::string("SELECT ") + kColumns
                        + ", fields FROM logtab LEFT JOIN logfields USING (ID) ORDER BY Date, GMT, ID")
                           .c_str(),
                       -1, &rows, nullptr);
    std::FILE* file = std::fopen((path + ".new").c_str(), "wb");
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int i = 0; i <= kColumnCount; ++i) {
            if (i)
                std::fputc('\t', file);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, i));
            if (text)
                std::fputs(text, file);
        }
        std::fputc('\n', file);
    }
    sqlite3_finalize(rows);
    // On disk before it takes the place of the last one, as the export's file is.
    std::fflush(file);
    ::fsync(fileno(file));
    std::fclose(file);
    std::rename((path + ".new").c_str(), path.c_str());
}

void BM_ExportWholeAdif(benchmark::State& state)
{
    WholeLog& whole = wholeLog(int(state.range(0)));
    const QString file = whole.dir.filePath(QStringLiteral("export.adi"));
    for (auto _ : state) {
        const mivra::AdifExportResult result
            = mivra::exportAdif(*whole.log, {}, kOwn, file, QDateTime::currentDateTimeUtc());
        if (!result.ok || result.written != state.range(0))
            state.SkipWithError("export failed");
    }
    state.counters["records"] = double(state.range(0));
}

void BM_ExportWholeAdifRaw(benchmark::State& state)
{
    WholeLog& whole = wholeLog(int(state.range(0)));
    const std::string path = whole.dir.filePath(QStringLiteral("dump.tsv")).toStdString();
    for (auto _ : state)
        rawDump(whole.raw, path);
    state.counters["records"] = double(state.range(0));
}

void BM_ImportWholeAdif(benchmark::State& state)
{
    mivra::bench::timeAdifImport(state, wholeLog(int(state.range(0))).file, kOwn);
}

// The dumped values into an empty log of the same layout and indexes: one prepared insert per
// table in one transaction, as the sqlite3 shell's .import does.
void BM_ImportWholeAdifRaw(benchmark::State& state)
{
    WholeLog& whole = wholeLog(int(state.range(0)));
    const std::string path = whole.dir.filePath(QStringLiteral("import.tsv")).toStdString();
    rawDump(whole.raw, path);
    mivra::bench::timeRawImport(state, path, kColumns, kColumnCount, true);
}

void wholeSizes(benchmark::internal::Benchmark* b)
{
    b->Arg(100000)->ArgNames({"records"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_ExportWholeAdif)->Apply(wholeSizes);
BENCHMARK(BM_ExportWholeAdifRaw)->Apply(wholeSizes);
BENCHMARK(BM_ImportWholeAdif)->Apply(wholeSizes)->Iterations(2);
BENCHMARK(BM_ImportWholeAdifRaw)->Apply(wholeSizes)->Iterations(2);
