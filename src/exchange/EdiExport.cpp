#include "EdiExport.h"
#include "WholeFile.h"

#include "AdifFields.h"
#include "BandPlan.h"
#include "ContestLog.h"
#include "ContestScore.h"
#include "EdiReport.h"
#include "LogDatabase.h"

#include <QDir>
#include <QSaveFile>

namespace mivra {

namespace {

int modeCode(const QString& mode)
{
    const QString m = mode.trimmed().toUpper();
    if (m == u"SSB"_qs || m == u"USB"_qs || m == u"LSB"_qs)
        return 1;
    if (m == u"CW"_qs)
        return 2;
    if (m == u"AM"_qs)
        return 5;
    if (m == u"FM"_qs)
        return 6;
    if (m == u"RTTY"_qs)
        return 7;
    if (m == u"SSTV"_qs)
        return 8;
    if (m == u"ATV"_qs)
        return 9;
    return 0;
}

// A value on one line in ASCII, without the field separator; German umlauts as ae, oe, ue.
QString lineText(const QString& text)
{
    QString german = text.trimmed();
    const std::pair<char16_t, const char*> umlauts[]
        = {{u'ä', "ae"}, {u'ö', "oe"}, {u'ü', "ue"}, {u'Ä', "Ae"}, {u'Ö', "Oe"}, {u'Ü', "Ue"}};
    for (const auto& [umlaut, spelt] : umlauts)
        german.replace(QChar(umlaut), QLatin1String(spelt));
    QString ascii = adif::asciiText(german);
    ascii.replace(u';', u',');
    return ascii;
}

// SAntH holds two heights, above ground and above sea level, parted by ';' ("12;580"); a ';'
// beyond the first is text and becomes ','.
QString antennaHeightText(const QString& text)
{
    const qsizetype at = text.indexOf(u';');
    if (at < 0)
        return lineText(text);
    return lineText(text.left(at)) + u';' + lineText(text.mid(at + 1));
}

} // namespace

QString ediBandText(const QString& bandValue)
{
    const Band* band = bandWithValue(bandValue);
    return band && band->ediText ? QString::fromLatin1(band->ediText) : QString();
}

QByteArray ediDocument(const std::vector<LogRow>& rows, const EdiOptions& options, QString* error)
{
    const QString bandText = ediBandText(options.bandValue);
    if (bandText.isEmpty()) {
        *error = QStringLiteral(
                     "EDI logs are for one band from 50 MHz up (50, 70, 144, 432, 1296 ... 122250); %1 is not one.")
                     .arg(options.bandValue);
        return {};
    }
    // Where the contacts were made from: their own locator, else the settings'. One file, one place.
    const QString settingsLocator = options.own.locator.trimmed().toUpper();
    QStringList places;
    for (const LogRow& row : rows) {
        const QString place = row.myLocator.trimmed().isEmpty() ? settingsLocator : row.myLocator.trimmed().toUpper();
        if (!places.contains(place.left(6)))
            places << place.left(6);
    }
    if (places.size() > 1) {
        *error = QStringLiteral("The contacts of this contest were made from %1 locators (%2); an EDI file holds one "
                                "location. Export the contacts of each location on its own.")
                     .arg(places.size())
                     .arg(places.join(u", "_qs));
        return {};
    }
    const QString ownLocator = places.isEmpty() ? settingsLocator : places.front();
    if (ediDistance(ownLocator, ownLocator) < 0) {
        *error = QStringLiteral("The own locator \"%1\" is not a 6-character locator; set it in the settings.")
                     .arg(ownLocator);
        return {};
    }

    const ContestScore score = scoreContest(rows, ownLocator);
    QStringList records;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LogRow& row = rows[i];
        const ScoredContact& scored = score.contacts[i];
        const QString call = row.callsign.trimmed().toUpper();
        const QString grid = row.locator.trimmed().toUpper();
        const EdiReport sent = ediReport(row.rsts, row.mode);
        const EdiReport received = ediReport(row.rstr, row.mode);
        if (!sent.error.isEmpty() || !received.error.isEmpty()) {
            *error = QStringLiteral("The contact with %1 at %2 UTC cannot go into the EDI log: %3. Mend it in the log.")
                         .arg(call, row.time.toString(u"yyyy-MM-dd HH:mm"_qs),
                              sent.error.isEmpty() ? received.error : sent.error);
            return {};
        }

        records << QStringList{row.time.toString(u"yyMMdd"_qs),
                               row.time.toString(u"HHmm"_qs),
                               lineText(call),
                               QString::number(modeCode(row.mode)),
                               lineText(sent.rst),
                               lineText(sent.serial),
                               lineText(received.rst),
                               lineText(received.serial),
                               QString(),
                               lineText(grid.left(6)),
                               QString::number(scored.points),
                               QString(),
                               scored.newSquare ? u"N"_qs : QString(),
                               scored.newEntity ? u"N"_qs : QString(),
                               scored.duplicate ? u"D"_qs : QString()}
                       .join(u';');
    }
    const int valid = score.validContacts;
    const qint64 points = score.points;
    QString best;
    if (score.best >= 0) {
        const LogRow& row = rows[std::size_t(score.best)];
        best = QStringLiteral("%1;%2;%3")
                   .arg(lineText(row.callsign.trimmed().toUpper()), row.locator.trimmed().toUpper().left(6))
                   .arg(score.contacts[std::size_t(score.best)].points);
    }

    // The station's details; the responsible callsign is the station's own, without /P.
    EdiStation station = options.station;
    if (!options.operators.trimmed().isEmpty())
        station.insert(u"MOpe1"_qs, options.operators);
    if (station.value(u"RCall"_qs).trimmed().isEmpty())
        station.insert(u"RCall"_qs, contestStation(options.own.callsign));
    const auto detail = [&station](const QString& key) { return key + u'=' + lineText(station.value(key)); };
    // The span ends before options.to: a contest ending at midnight ends on the day before.
    const QDateTime lastMinute = options.to.toUTC().addSecs(-60);

    QStringList lines;
    lines << u"[REG1TEST;1]"_qs << u"TName="_qs + lineText(options.contestName)
          << u"TDate="_qs + options.from.toUTC().toString(u"yyyyMMdd"_qs) + u';'
                 + std::max(lastMinute, options.from.toUTC()).toString(u"yyyyMMdd"_qs)
          << u"PCall="_qs + lineText(options.own.callsign.toUpper()) << u"PWWLo="_qs + ownLocator.left(6)
          << u"PExch="_qs << detail(u"PAdr1"_qs) << u"PAdr2="_qs << u"PSect="_qs + lineText(options.section)
          << u"PBand="_qs + bandText << detail(u"PClub"_qs) << detail(u"RName"_qs)
          << u"RCall="_qs + lineText(station.value(u"RCall"_qs).toUpper()) << detail(u"RAdr1"_qs) << u"RAdr2="_qs
          << detail(u"RPoCo"_qs) << detail(u"RCity"_qs) << detail(u"RCoun"_qs) << detail(u"RPhon"_qs) << u"RHBBS="_qs
          << detail(u"MOpe1"_qs) << u"MOpe2="_qs << detail(u"STXEq"_qs) << detail(u"SPowe"_qs) << detail(u"SRXEq"_qs)
          << detail(u"SAnte"_qs) << u"SAntH="_qs + antennaHeightText(station.value(u"SAntH"_qs))
          << QStringLiteral("CQSOs=%1;1").arg(valid) << QStringLiteral("CQSOP=%1").arg(points)
          << QStringLiteral("CWWLs=%1;0;1").arg(score.squares) << u"CWWLB=0"_qs << u"CExcs=0;0;1"_qs << u"CExcB=0"_qs
          << QStringLiteral("CDXCs=%1;0;1").arg(score.entities) << u"CDXCB=0"_qs
          << QStringLiteral("CToSc=%1").arg(points) << u"CODXC="_qs + best << u"[Remarks]"_qs;
    for (const QString& remark : options.remarks)
        lines << lineText(remark);
    lines << QStringLiteral("[QSORecords;%1]").arg(records.size());
    lines << records;
    return (lines.join(u"\r\n"_qs) + u"\r\n"_qs).toLatin1();
}

EdiExportResult exportEdi(LogDatabase& log, const EdiOptions& options, const QString& filePath)
{
    EdiExportResult result;
    if (!options.from.isValid() || !options.to.isValid() || options.to <= options.from) {
        result.error = u"The contest span needs a start before its end."_qs;
        return result;
    }
    std::vector<LogRow> rows;
    QString error;
    if (!readContestRows(log, {options.bandValue, options.from, options.to}, &rows, &error)) {
        result.error = QStringLiteral("The log cannot be read: %1").arg(error);
        return result;
    }
    const QByteArray document = ediDocument(rows, options, &result.error);
    if (document.isEmpty())
        return result;
    QString reason;
    if (!writeWholeFile(filePath, document, &reason)) {
        result.error
            = QStringLiteral("The file %1 cannot be written: %2").arg(QDir::toNativeSeparators(filePath), reason);
        return result;
    }
    result.written = int(rows.size());
    result.ok = true;
    return result;
}

} // namespace mivra
