#pragma once

#include "AppContext.h"
#include "EdiExport.h"
#include "LogRow.h"

#include <QObject>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace mivra {

class WorkerThread;

// The grid's exchange entries: ADIF export of the rows in view, ADIF import, EDI export of the
// selected band. Each asks for a file, shows a progress dialog on long runs and reports the result.
// The import runs on a worker thread of its own, on a connection of its own to the log.
class ExchangeActions : public QObject {
    Q_OBJECT
public:
    // Asks for a file: caption, suggested path, filter, and whether it is to be written.
    using FileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& path,
                                              const QString& filter, bool save)>;
    // Lets the user complete the EDI header and span (band and defaults filled in); false on cancel.
    using EdiAsker = std::function<bool(QWidget* parent, EdiOptions* options)>;

    // rowsInView gives the grid's band and search, ownStation the own callsign and locator as the
    // window shows them, reload refreshes the grid after an import.
    ExchangeActions(AppContext& context, QWidget* window, std::function<LogSelection()> rowsInView,
                    std::function<OwnStation()> ownStation, std::function<void()> reload);
    ~ExchangeActions() override;

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setEdiAsker(EdiAsker asker) { m_askEdi = std::move(asker); }

    void exportAdif();
    // Starts the import; its result is told when it has been committed or refused.
    void importAdif();
    // A LoTW or eQSL download: confirms contacts of the log, adds none. importAdif takes such a
    // file, known by its header, the same way.
    void importConfirmations();
    void exportEdi();
    // An import is under way: the window leaves the log to it (no view that holds the log open,
    // no write of its own) until importFinished.
    bool isImporting() const;

signals:
    // The import is about to write on its own connection.
    void importStarted();
    void importFinished();

private:
    // False, after a message, when file is the log, one of its files or the settings file.
    bool writableTarget(const QString& file);
    // The span an EDI export is offered when no contest says it.
    void offerLastDay(const LogSelection& view, const QDateTime& now, EdiOptions* options) const;
    void importFile(bool confirmationsOnly);
    void showImportProgress(qint64 done, qint64 total);
    // The file into the log once its copy is made; backupNote is told with the result.
    void importAfterBackup(const QString& logPath, const QString& file, const OwnStation& own,
                           bool confirmationsOnly, const QString& backupNote);
    // Ends an import: the window has the log again and is told message.
    void finishImport(const QString& message);
    AppContext& m_ctx;
    QWidget* m_window;
    std::function<LogSelection()> m_rowsInView;
    std::function<OwnStation()> m_ownStation;
    std::function<void()> m_reload;
    FileChooser m_chooseFile;
    EdiAsker m_askEdi;
    WorkerThread* m_importer;
    std::unique_ptr<QProgressDialog> m_importProgress;
    bool m_importing = false;
    bool m_updatingProgress = false; // inside the dialog's setValue(), which lets events through
};

} // namespace mivra
