// Prints where the main window and the QSL window place their named controls, one line each:
//   WINDOW NAME LEFT TOP WIDTH HEIGHT
// in pixels of the window (WINDOW is main or qsl; a control of an array gets NAME.INDEX). The windows
// are built as the program builds them, from their layout tables, on a log in a temporary folder, so
// the driven scripts click where the program puts a control instead of restating its numbers.
// Also the cells of the log grid's first rows ("grid ROW.COLUMN ...", rows from 1, in pixels of the
// main window) and the entries of its context menu ("menu Card_received_(Q) ...", in pixels of the
// menu, spaces as "_").
#include "AppContext.h"
#include "BackgroundBackups.h"
#include "BackgroundWork.h"
#include "CardOutput.h"
#include "Clock.h"
#include "CtyCsv.h"
#include "DataFolder.h"
#include "LiveMapOptions.h"
#include "LogDatabase.h"
#include "MainWindow.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "QslWindow.h"
#include "StationSettings.h"

#include "LogGrid.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace mivra;

namespace {

class NoMessages : public Messages {
public:
    void inform(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool ask(QWidget*, const QString&) override { return false; }
};

void printPlaces(const char* windowName, const QWidget& window)
{
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        if (const QVariant index = widget->property("index"); index.isValid())
            name += QLatin1Char('.') + index.toString();
        const QPoint at = widget->mapTo(&window, QPoint(0, 0));
        std::printf("%s %s %d %d %d %d\n", windowName, qPrintable(name), at.x(), at.y(), widget->width(),
                    widget->height());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(MainWindowLayout::font());
    QTemporaryDir dir;
    QString error;
    const auto log = LogDatabase::open(dir.filePath(kLogFileName), kCtyCsvPath, &error);
    if (!dir.isValid() || !log) {
        std::fprintf(stderr, "no log to build the windows on: %s\n", qPrintable(error));
        return 1;
    }
    StationSettings settings;
    LiveMapOptions live;
    NoMessages messages;
    SystemClock clock;
    const QString settingsFile = dir.filePath(kSettingsFileName);
    BackgroundWork work;
    BackgroundBackups backups(log->path(), &work);
    AppContext context{*log, settings, live, settingsFile, dir.path(), messages, clock, work, backups};

    MainWindow mainWindow(context);
    printPlaces("main", mainWindow);

    // The grid as it shows three contacts.
    for (int day = 1; day <= 3; ++day) {
        Contact qso;
        qso.date = QStringLiteral("2026-05-0%1").arg(day);
        qso.callsign = QStringLiteral("OK1AB%1").arg(day);
        if (!log->saveQso(qso, &error)) {
            std::fprintf(stderr, "no contacts for the grid: %s\n", qPrintable(error));
            return 1;
        }
    }
    mainWindow.reloadLogView();
    mainWindow.show();
    QApplication::processEvents();
    const LogGrid& grid = *mainWindow.grid();
    const QAbstractItemModel& rows = *grid.view()->model();
    for (int row = 0; row < rows.rowCount(); ++row) {
        for (int column = 0; column < rows.columnCount(); ++column) {
            const QRect cell = grid.view()->visualRect(rows.index(row, column));
            const QPoint at = grid.view()->viewport()->mapTo(&mainWindow, cell.topLeft());
            std::printf("grid %d.%s %d %d %d %d\n", row + 1, qPrintable(grid.columnName(column)), at.x(), at.y(),
                        cell.width(), cell.height());
        }
    }
    QMenu menu;
    menu.addActions(grid.view()->actions());
    menu.ensurePolished();
    menu.adjustSize();
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        const QRect entry = menu.actionGeometry(action);
        QString name = action->text();
        name.replace(QLatin1Char(' '), QLatin1Char('_'));
        std::printf("menu %s %d %d %d %d\n", qPrintable(name), entry.x(), entry.y(), entry.width(), entry.height());
    }
    mainWindow.hide();
    qsl::QslWindow qslWindow(
        {*log, settings, settingsFile, messages, {dir.path()}, [&dir] { return qsl::makeCardOutput(dir.path()); }});
    printPlaces("qsl", qslWindow);
    return 0;
}
