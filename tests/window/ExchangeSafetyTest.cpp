#include "AppTestSupport.h"

#include "ExchangeActions.h"
#include "LogGrid.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QProgressDialog>
#include <QTableView>
#include <QThread>
#include <QTimer>

namespace mivra::test {
namespace {

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

class ExchangeSafetyTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL7ABC"), QStringLiteral("JO62QM"));
        addContact(QStringLiteral("2026-06-06"), QStringLiteral("DL1AA"), QStringLiteral("JO62RN"),
                   QStringLiteral("144"), QStringLiteral("14:05"));
        openWindow();
        m_window->exchangeActions()->setFileChooser(
            [this](QWidget*, const QString&, const QString&, const QString&, bool) { return nextFile; });
    }
    void trigger(const QString& caption)
    {
        for (QAction* action : m_window->grid()->view()->actions()) {
            if (action->text() == caption) {
                action->trigger();
                // An import ends on its worker thread.
                EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isBusy(); }, 20000));
                QCoreApplication::processEvents(); // what it has to tell
                return;
            }
        }
        ADD_FAILURE() << "no entry " << caption.toStdString();
    }
    QString nextFile;
};

} // namespace

TEST_F(ExchangeSafetyTest, AnExportOntoTheLogOrTheSettingsIsRefusedAndWritesNothing)
{
    ASSERT_TRUE(QFile::link(logFile(), m_dir.filePath(QStringLiteral("log.adi"))));
    const QByteArray logBefore = hashOf(logFile());
    const QByteArray settingsBefore = hashOf(settingsFile());
    for (const QString& target : {logFile(), m_dir.filePath(QStringLiteral("./log.adi")), settingsFile(),
                                  logFile() + QStringLiteral("-journal")}) {
        m_messages.informed.clear();
        nextFile = target;
        trigger(QStringLiteral("Export ADIF..."));
        ASSERT_EQ(m_messages.informed.size(), 1) << target.toStdString();
        EXPECT_TRUE(m_messages.informed.last().contains(QStringLiteral("nothing was written")))
            << m_messages.informed.last().toStdString();
        EXPECT_EQ(hashOf(logFile()), logBefore) << target.toStdString();
        EXPECT_EQ(hashOf(settingsFile()), settingsBefore) << target.toStdString();
    }
    EXPECT_FALSE(QFile::exists(logFile() + QStringLiteral("-journal")));
}

TEST_F(ExchangeSafetyTest, AnImportFromTheMenuIsBackedUpFirst)
{
    nextFile = m_dir.filePath(QStringLiteral("new.adi"));
    QFile adi(nextFile);
    ASSERT_TRUE(adi.open(QIODevice::WriteOnly));
    adi.write("<CALL:5>OK2AB<QSO_DATE:8>20260607<TIME_ON:4>0800<BAND:2>2m<EOR>");
    adi.close();
    // The import waits for its copy, and says so meanwhile.
    QStringList progressTexts;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QProgressDialog* progress : m_window->findChildren<QProgressDialog*>())
            if (!progressTexts.contains(progress->labelText()))
                progressTexts << progress->labelText();
    });
    watch.start(1);
    trigger(QStringLiteral("Import ADIF..."));
    watch.stop();
    ASSERT_FALSE(progressTexts.isEmpty());
    EXPECT_TRUE(progressTexts.first().startsWith(QStringLiteral("Backing up the log before importing")))
        << progressTexts.join(u'|').toStdString();
    EXPECT_EQ(m_messages.informed.size(), 1);
    const QStringList copies
        = QDir(m_dir.filePath(QStringLiteral("backups"))).entryList({QStringLiteral("backup-*-import.sqlite.zst")});
    ASSERT_EQ(copies.size(), 1);
    const QString plain = m_dir.filePath(QStringLiteral("copy.sqlite"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("zstd"),
                                {u"-q"_qs, u"-d"_qs, m_dir.filePath(u"backups/"_qs + copies.first()), u"-o"_qs, plain}),
              0);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copy"));
    db.setDatabaseName(plain);
    ASSERT_TRUE(db.open());
    {
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT count(*) FROM logtab")) && query.next());
        EXPECT_EQ(query.value(0).toInt(), 1) << "the copy holds the log from before the import";
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("copy"));
}

TEST_F(ExchangeSafetyTest, AnImportEndingWhileItsProgressIsShownEndsCleanly)
{
    nextFile = m_dir.filePath(QStringLiteral("many.adi"));
    QFile adi(nextFile);
    ASSERT_TRUE(adi.open(QIODevice::WriteOnly));
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        adi.write(QStringLiteral("<CALL:7>OK%1<QSO_DATE:8>20260607<TIME_ON:4>0800<BAND:2>2m<EOR>\n")
                      .arg(10000 + i)
                      .toLatin1());
    adi.close();
    QAction* import = nullptr;
    for (QAction* action : m_window->grid()->view()->actions())
        if (action->text() == QStringLiteral("Import ADIF..."))
            import = action;
    ASSERT_TRUE(import);
    import->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const auto dialogs = m_window->findChildren<QProgressDialog*>();
            return !dialogs.isEmpty() && dialogs.first()->labelText().startsWith(QStringLiteral("Reading"));
        },
        20000));
    // The window's thread is held until the import has committed: its progress and its end then
    // wait in one queue, and the progress shown lets the end through.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("watch"));
    db.setDatabaseName(logFile());
    ASSERT_TRUE(db.open());
    int rows = 0;
    for (int wait = 0; wait < 2000 && rows <= count; ++wait) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT count(*) FROM logtab")) && query.next())
            rows = query.value(0).toInt();
        QThread::msleep(10);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("watch"));
    ASSERT_EQ(rows, count + 1);
    QThread::msleep(200); // the worker hands its result over
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_window->isBusy(); }, 20000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window->findChildren<QProgressDialog*>().isEmpty());
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed.first().contains(QString::number(count)))
        << m_messages.informed.first().toStdString();
}

} // namespace mivra::test
