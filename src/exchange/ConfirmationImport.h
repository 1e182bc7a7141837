#pragma once

#include "LogRow.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace mivra {

class LogDatabase;

// An online confirmation service whose downloads confirm contacts of the log.
enum class ConfirmationService { Lotw, Eqsl };

// The service a file's header names (a LoTW status report, an eQSL inbox download); nothing when
// the file is not one or cannot be read.
std::optional<ConfirmationService> confirmationServiceOfFile(const QString& filePath);

// The mode group a service matches by: "CW", "PHONE", "IMAGE" or "DATA", any mode text.
QString modeGroupOf(const QString& mode);

struct ConfirmationImportResult {
    bool ok = false;
    QString error; // why nothing was confirmed
    ConfirmationService service = ConfirmationService::Lotw;
    int records = 0;
    int confirmed = 0;          // contacts newly confirmed by the service
    int alreadyConfirmed = 0;   // matching contacts the service had confirmed before
    int notConfirmations = 0;   // records that confirm nothing (a LoTW record without QSL_RCVD Y)
    QStringList unmatched;      // one line per record that matches no contact
    QString unmatchedFile;      // where they are listed; empty when none
    QString unmatchedFileError; // why they are not listed although the contacts were confirmed
    QStringList refusals;       // records without callsign, band, date or time

    // "LoTW: 11 contacts confirmed, ..." naming the records that match no contact.
    QString summary(int linesShown = 10) const;
};

// Confirms the contacts of the log that the records of a service's download stand for, in one
// transaction: the same callsign and band, the same mode group, and a time within 30 minutes
// (the nearest one). A matching contact gets LOTW_QSL_RCVD (or EQSL_QSL_RCVD) Y with the date the
// record gives, else today's; its paper state is left alone. Records that match no contact are
// never added: they are named in the result and listed in a text file beside the log.
// service: the service the file is from; nothing to tell it from the header.
ConfirmationImportResult importConfirmations(LogDatabase& log, const QString& filePath,
                                             std::optional<ConfirmationService> service, const QDate& today);

} // namespace mivra
