#include "AppTestSupport.h"

#include "CtyCsv.h"
#include "EntryRow.h"
#include "TemplateLog.h"

#include <QPushButton>
#include <QSqlQuery>

namespace mivra::test {

namespace {

// The application lives from the first test to the end of the run, and goes before Qt's own statics.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override { delete QCoreApplication::instance(); }
};

[[maybe_unused]] auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

QApplication& application()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "mivra-tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    return *qApp;
}

void MainWindowTest::SetUp()
{
    application();
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_TRUE(copyTemplateLog(kCtyCsvPath, logFile()));
    QString error;
    m_log = LogDatabase::open(logFile(), kCtyCsvPath, &error);
    ASSERT_TRUE(m_log) << error.toStdString();
}

void MainWindowTest::TearDown()
{
    m_window.reset();
    m_context.reset();
    m_backups.reset();
    m_log.reset();
}

void MainWindowTest::writeSettings(const QString& callsign, const QString& locator, int bandIndex)
{
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString text
        = QStringLiteral(
              "\"%1\"\r\n\"%2\"\r\n1\r\n1\r\n%3\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n")
              .arg(callsign, locator)
              .arg(bandIndex);
    file.write(text.toUtf8());
}

void MainWindowTest::createWindow()
{
    m_backups = std::make_unique<BackgroundBackups>(logFile(), &m_work);
    m_context = std::make_unique<AppContext>(
        AppContext{*m_log, m_settings, m_live, settingsFile(), m_dir.path(), m_messages, m_clock, m_work, *m_backups});
    m_window = std::make_unique<MainWindow>(*m_context);
}

void MainWindowTest::openWindow()
{
    createWindow();
    m_window->open();
    ASSERT_TRUE(m_window->isVisible());
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
}

void MainWindowTest::addContact(const QString& date, const QString& callsign, const QString& grid, const QString& band,
                                const QString& time)
{
    Contact qso;
    qso.date = date;
    qso.gmt = time;
    qso.callsign = callsign;
    qso.locator = grid;
    qso.band = band;
    qso.rsts = qso.rstr = QStringLiteral("59");
    qso.mode = QStringLiteral("SSB");
    qso.qsl = QStringLiteral("Y");
    qso.prop = QStringLiteral("Tr");
    QString error;
    ASSERT_TRUE(m_log->saveQso(qso, &error)) << error.toStdString();
}

QByteArray MainWindowTest::settingsBytes() const
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void MainWindowTest::settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool MainWindowTest::waitForCounters()
{
    return QTest::qWaitFor([this] { return !m_window->countersPending(); }, 10000);
}

void MainWindowTest::pressNew()
{
    QTest::keyClick(m_window->entryRow()->newButton(), Qt::Key_Return);
    settle();
}

void MainWindowTest::enterText(const char* name, const char* text)
{
    entryField(name)->setFocus();
    settle();
    QTest::keyClicks(entryField(name), QString::fromLatin1(text));
    QTest::keyClick(entryField(name), Qt::Key_Return);
    settle();
}

} // namespace mivra::test
