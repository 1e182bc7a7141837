// Prints where the main window and the QSL window place their named controls, one line each:
//   WINDOW NAME LEFT TOP WIDTH HEIGHT
// in pixels of the window (WINDOW is main or qsl; a control of an array gets NAME.INDEX). The windows
// are built as the program builds them, from their layout tables, on a log in a temporary folder, so
// the driven scripts click where the program puts a control instead of restating its numbers.
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
#include "Messages.h"
#include "QslWindow.h"
#include "StationSettings.h"

#include <QApplication>
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
    qsl::QslWindow qslWindow(
        {*log, settings, settingsFile, messages, {dir.path()}, [&dir] { return qsl::makeCardOutput(dir.path()); }});
    printPlaces("qsl", qslWindow);
    return 0;
}
