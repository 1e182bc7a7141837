#include "QslTestSupport.h"

#include "TemplateLog.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>

namespace mivra::qsl::test {

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

void LogTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("backup.sqlite"));
    ASSERT_TRUE(mivra::test::copyTemplateLog(QStringLiteral("/usr/share/hamradio-files/cty.csv"), file));
    QString error;
    m_log = LogDatabase::open(file, QString(), &error);
    ASSERT_TRUE(m_log) << error.toStdString();
}

qint64 LogTest::addContact(const QString& callsign, const QString& qsl, const QString& date, const QString& band)
{
    QSqlQuery insert(m_log->database());
    insert.prepare(QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, rsts, Band, mode, QSL, QRB, QTF)"
                                  " VALUES (?, '09:05', ?, '59', ?, 'SSB', ?, 482, 256)"));
    for (const QString& value : {date, callsign, band, qsl})
        insert.addBindValue(value);
    EXPECT_TRUE(insert.exec());
    return insert.lastInsertId().toLongLong();
}

QString LogTest::state(qint64 id) const
{
    QSqlQuery query(m_log->database());
    query.prepare(QStringLiteral("SELECT QSL FROM logtab WHERE ID = ?"));
    query.addBindValue(id);
    return query.exec() && query.next() ? query.value(0).toString() : QStringLiteral("<none>");
}

int LogTest::rowsWithState(const QString& state) const
{
    QSqlQuery query(m_log->database());
    query.prepare(QStringLiteral("SELECT count(*) FROM logtab WHERE QSL = ? COLLATE BINARY"));
    query.addBindValue(state);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

QString assetsFolder()
{
    return QStringLiteral(MIVRA_ASSETS_DIR);
}

std::vector<PdfWord> pdfWords(const QString& pdf)
{
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<PdfWord> words;
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        words.push_back({match.captured(5), match.captured(1).toDouble(), match.captured(2).toDouble(),
                         match.captured(3).toDouble(), match.captured(4).toDouble()});
    }
    return words;
}

int pdfPages(const QString& pdf)
{
    static const QRegularExpression pages(QStringLiteral(R"(^Pages:\s+(\d+))"), QRegularExpression::MultilineOption);
    return pages.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

} // namespace mivra::qsl::test
