#pragma once

#include "LogRow.h"

#include <QByteArray>

namespace mivra {

class LogDatabase;

struct AdifImportResult {
    bool ok = false;
    QString error; // why nothing was imported
    int imported = 0;
    int skipped = 0;      // equal to a stored contact, or to an earlier record of the file
    int confirmed = 0;    // equal to a stored contact and confirming it (ReceivedConfirmation)
    QStringList refusals; // one line per refused record, naming its position
    QStringList notes;    // one line per record stored other than the file has it

    // "Imported 12, skipped 3 (already in the log), refused 1." and the first refusals.
    QString summary(int refusalsShown = 10) const;
};

// Adds the records of an .adi document to the log, in one transaction, record by record as
// they are read. Each record becomes a
// row with its DXCC entity from the log's own lookup and QRB and QTF from MY_GRIDSQUARE or,
// without it, the own locator. Records equal to a stored contact (callsign, band, date, time to
// the minute) are skipped; records without callsign, date or time, or with an invalid locator,
// are refused. A record equal to a stored contact that says a confirmation came confirms that
// contact by its kind: a paper card (QSL_RCVD Y) moves its state to T or Q, LOTW_QSL_RCVD and
// EQSL_QSL_RCVD Y fill their own columns and leave the paper state alone. Progress counts bytes.
AdifImportResult importAdif(LogDatabase& log, const QByteArray& document, const OwnStation& own,
                            const Progress& progress = {});

// The same for a file, read without holding it in memory.
AdifImportResult importAdifFile(LogDatabase& log, const QString& filePath, const OwnStation& own,
                                const Progress& progress = {});

} // namespace mivra
