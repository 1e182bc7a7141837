#include "AdifExport.h"
#include "WholeFile.h"

#include "AdifFields.h"
#include "AdifFile.h"
#include "LogDatabase.h"
#include "LogRows.h"
#include "SerialReport.h"
#include "Version.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>

namespace mivra {

namespace {

// A text field: its ASCII form, and the exact text in an application field when they differ.
void textField(adif::AdifWriter& writer, const QString& name, const QString& appName, const QString& text)
{
    const QString trimmed = text.trimmed();
    const bool plain = std::all_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return c >= u' ' && c < u'\x7f'; });
    const QString ascii = plain ? trimmed : adif::asciiText(trimmed);
    writer.add(name, ascii);
    if (ascii != trimmed)
        writer.add(appName, adif::percentEncoded(text), 'S');
}

} // namespace

AdifRecordWriter::AdifRecordWriter(const OwnStation& own, const QDateTime& created,
                                   std::function<int(const QString&)> dxccNumber)
    : m_ownCall(adif::asciiText(own.callsign.trimmed().toUpper()))
    , m_myGrid(adif::asciiText(own.locator.trimmed().toUpper().left(8)))
    , m_myGridExt(adif::asciiText(own.locator.trimmed().toUpper().mid(8, 2)))
    , m_dxccNumber(std::move(dxccNumber))
{
    m_writer.header(QStringLiteral("ADIF export of the Mivra log"),
                    {{u"ADIF_VER"_qs, u"3.1.4"_qs},
                     {u"PROGRAMID"_qs, u"Mivra"_qs},
                     {u"PROGRAMVERSION"_qs, QString::fromLatin1(kProgramVersion)},
                     {u"CREATED_TIMESTAMP"_qs, created.toUTC().toString(u"yyyyMMdd HHmmss"_qs)}});
}

const BandInfo& AdifRecordWriter::bandOf(const QString& band)
{
    auto known = m_bands.find(band);
    if (known == m_bands.end())
        known = m_bands.emplace(band, bandOfValue(band)).first;
    return known->second;
}

const AdifRecordWriter::ModeFields& AdifRecordWriter::modeOf(const QString& mode)
{
    auto known = m_modes.find(mode);
    if (known == m_modes.end()) {
        ModeFields fields{adif::modeOfText(mode)};
        fields.exact = mode.trimmed() == (fields.mode.submode.isEmpty() ? fields.mode.mode : fields.mode.submode);
        known = m_modes.emplace(mode, fields).first;
    }
    return known->second;
}

const AdifRecordWriter::PropFields& AdifRecordWriter::propOf(const QString& prop)
{
    auto known = m_props.find(prop);
    if (known == m_props.end()) {
        PropFields fields{adif::propModeOfCode(prop)};
        fields.exact = prop.trimmed() == adif::propCodeOfMode(fields.propMode);
        known = m_props.emplace(prop, fields).first;
    }
    return known->second;
}

bool AdifRecordWriter::write(const LogRow& row, QStringList* leftOut)
{
    adif::AdifWriter& writer = m_writer;
    if (!row.time.isValid()) {
        leftOut->append(
            QStringLiteral("%1 on %2 %3: the date or time cannot be read").arg(row.callsign, row.date, row.gmt));
        return false;
    }
    textField(writer, u"CALL"_qs, kAppCallUtf8, row.callsign.trimmed().toUpper());
    const QDate day = row.time.date();
    const QTime time = row.time.time();
    // Digits written in place: yyyyMMdd, and HHmm or HHmmss.
    const auto digits = [](std::initializer_list<int> numbers) {
        QString text(qsizetype(numbers.size()) * 2, Qt::Uninitialized);
        QChar* out = text.data();
        for (const int n : numbers) {
            *out++ = QChar(char16_t(u'0' + n / 10 % 10));
            *out++ = QChar(char16_t(u'0' + n % 10));
        }
        return text;
    };
    writer.add(u"QSO_DATE"_qs, digits({day.year() / 100, day.year() % 100, day.month(), day.day()}));
    writer.add(u"TIME_ON"_qs, time.second() ? digits({time.hour(), time.minute(), time.second()})
                                            : digits({time.hour(), time.minute()}));

    const BandInfo& band = bandOf(row.band);
    writer.add(u"BAND"_qs, band.name);
    if (row.frequencyMHz)
        writer.add(u"FREQ"_qs, adif::numberText(*row.frequencyMHz, 6));
    else if (band.frequency)
        writer.add(u"FREQ"_qs, adif::numberText(*band.frequency, 6));
    if (band.name.isEmpty() || band.frequency)
        writer.add(kAppBand, adif::asciiText(row.band.trimmed()), 'S');

    const ModeFields& mode = modeOf(row.mode);
    writer.add(u"MODE"_qs, mode.mode.mode);
    writer.add(u"SUBMODE"_qs, mode.mode.submode);
    if (!mode.exact)
        writer.add(kAppMode, adif::percentEncoded(row.mode), 'S');

    QString sentSerial;
    QString receivedSerial;
    writer.add(u"RST_SENT"_qs, adif::asciiText(splitReport(row.rsts, row.mode, &sentSerial)));
    writer.add(u"STX_STRING"_qs, sentSerial);
    writer.add(u"RST_RCVD"_qs, adif::asciiText(splitReport(row.rstr, row.mode, &receivedSerial)));
    writer.add(u"SRX_STRING"_qs, receivedSerial);

    const QString grid = row.locator.trimmed().toUpper();
    writer.add(u"GRIDSQUARE"_qs, adif::asciiText(grid.left(8)));
    writer.add(u"GRIDSQUARE_EXT"_qs, adif::asciiText(grid.mid(8, 2)));
    writer.add(u"MY_GRIDSQUARE"_qs, m_myGrid);
    writer.add(u"MY_GRIDSQUARE_EXT"_qs, m_myGridExt);
    writer.add(u"STATION_CALLSIGN"_qs, m_ownCall);
    textField(writer, u"NAME"_qs, kAppNameUtf8, row.name);
    textField(writer, u"COMMENT"_qs, kAppCommentUtf8, row.comment);

    const PropFields& prop = propOf(row.prop);
    writer.add(u"PROP_MODE"_qs, prop.propMode);
    if (!prop.exact)
        writer.add(kAppProp, adif::percentEncoded(row.prop), 'S');

    if (row.qrb)
        writer.add(u"DISTANCE"_qs, adif::numberText(*row.qrb, 1));
    if (!row.dxcc.isEmpty()) {
        // The same few entities come again and again.
        auto known = m_entities.find(row.dxcc);
        if (known == m_entities.end())
            known = m_entities.emplace(row.dxcc, m_dxccNumber(row.dxcc)).first;
        if (known->second > 0)
            writer.add(u"DXCC"_qs, QString::number(known->second));
    }
    // The entity text is the primary prefix, a space and the name.
    const qsizetype space = row.dxcc.indexOf(u' ');
    writer.add(u"COUNTRY"_qs, adif::asciiText(space > 0 ? row.dxcc.mid(space + 1) : row.dxcc));
    textField(writer, u"QSL_VIA"_qs, kAppQslViaUtf8, row.qslVia.value_or(QString()));

    const adif::QslStates qsl = adif::qslStatesOfLetter(row.qsl);
    writer.add(u"QSL_SENT"_qs, qsl.sent);
    writer.add(u"QSL_RCVD"_qs, qsl.received);
    writer.add(kAppQsl, adif::percentEncoded(row.qsl), 'S');
    writer.endRecord();
    return true;
}

AdifExportResult exportAdif(LogDatabase& log, const LogSelection& selection, const OwnStation& own,
                            const QString& filePath, const QDateTime& created, const Progress& progress)
{
    AdifExportResult result;
    QSaveFile file(filePath);
    const auto notWritten = [&](const QString& reason) {
        result.error
            = QStringLiteral("The file %1 cannot be written: %2").arg(QDir::toNativeSeparators(filePath), reason);
        result.written = 0;
        result.leftOut.clear();
        return result;
    };
    if (!file.open(QIODevice::WriteOnly))
        return notWritten(file.errorString());
    qint64 total = 0;
    if (progress) {
        const int count = log.countLogView(selection.bandPattern);
        total = count > 0 ? count : 0;
    }

    // Written in pieces of about a megabyte as the rows are read; the file appears only whole.
    constexpr qsizetype kPiece = 1 << 20;
    AdifRecordWriter writer(own, created, [&log](const QString& entity) { return log.dxccNumber(entity); });
    qint64 done = 0;
    bool writeFailed = false;
    QString writeError;
    QString error;
    const bool read = visitLogRows(
        log, selection,
        [&](const LogRow& row) {
            if (writer.write(row, &result.leftOut))
                ++result.written;
            if (progress && ++done % 1000 == 0)
                progress(done, std::max(total, done));
            if (writer.pending() >= kPiece)
                writeFailed = !writeToSaveFile(file, writer.take(), &writeError);
            return !writeFailed;
        },
        &error);
    if (!read && !writeFailed) {
        file.cancelWriting();
        result = AdifExportResult();
        result.error = QStringLiteral("The log cannot be read: %1").arg(error);
        return result;
    }
    if (writeFailed || !writeToSaveFile(file, writer.take(), &writeError) || !commitSaveFile(file, &writeError))
        return notWritten(writeError);
    result.ok = true;
    return result;
}

} // namespace mivra
