#include "AdifExport.h"
#include "WholeFile.h"

#include "AdifContact.h"

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
void textField(adif::AdifFieldSink& writer, const QString& name, const QString& appName, const QString& text)
{
    const QString trimmed = text.trimmed();
    const bool plain = std::all_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return c >= u' ' && c < u'\x7f'; });
    const QString ascii = plain ? trimmed : adif::asciiText(trimmed);
    writer.add(name, ascii, 0);
    if (ascii != trimmed)
        writer.add(appName, adif::percentEncoded(text), 'S');
}

// Digits written in place: yyyyMMdd, and HHmm or HHmmss.
QString digits(std::initializer_list<int> numbers)
{
    QString text(qsizetype(numbers.size()) * 2, Qt::Uninitialized);
    QChar* out = text.data();
    for (const int n : numbers) {
        *out++ = QChar(char16_t(u'0' + n / 10 % 10));
        *out++ = QChar(char16_t(u'0' + n % 10));
    }
    return text;
}

} // namespace

AdifRecordWriter::AdifRecordWriter(const OwnStation& own, const QDateTime& created,
                                   std::function<int(const QString&)> dxccNumber)
    : m_ownCall(adif::asciiText(own.callsign.trimmed().toUpper()))
    , m_myGrid(adif::asciiText(own.locator.trimmed().toUpper().left(8)))
    , m_myGridExt(adif::asciiText(own.locator.trimmed().toUpper().mid(8, 2)))
    , m_dxccNumber(std::move(dxccNumber))
    , m_stationAfter(int(columnFieldsOf(u"MyGrid"_qs) - columnFields().data()))
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

const AdifRecordWriter::ModeFields& AdifRecordWriter::modeOf(const QString& mode, const QString& report)
{
    auto known = m_modes.find(mode);
    if (known != m_modes.end())
        return known->second;
    ModeFields fields{adif::modeOfText(mode)};
    fields.exact = !fields.mode.mode.isEmpty()
                   && mode.trimmed() == (fields.mode.submode.isEmpty() ? fields.mode.mode : fields.mode.submode);
    if (fields.mode.mode.isEmpty()) {
        // No ADIF mode: the nearest one, and the text in our own field. Kept for the next row
        // unless the report chose it.
        const adif::ModeInfo phone = adif::nearestModeOfText(mode, u"59"_qs);
        if (phone.mode != adif::nearestModeOfText(mode, u"599"_qs).mode) {
            m_nearestMode = ModeFields{adif::nearestModeOfText(mode, report), false};
            return m_nearestMode;
        }
        fields.mode = phone;
    }
    return m_modes.emplace(mode, fields).first->second;
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

void AdifRecordWriter::writeColumn(int columnIndex, const LogRow& row, adif::AdifFieldSink& writer)
{
    const FieldColumn column = columnFields()[std::size_t(columnIndex)].id;
    if (column == FieldColumn::Callsign) {
        textField(writer, u"CALL"_qs, kAppCallUtf8, row.callsign.trimmed().toUpper());
    } else if (column == FieldColumn::Date) {
        const QDate day = row.time.date();
        writer.add(u"QSO_DATE"_qs, digits({day.year() / 100, day.year() % 100, day.month(), day.day()}), 0);
    } else if (column == FieldColumn::Time) {
        const QTime time = row.time.time();
        writer.add(u"TIME_ON"_qs,
                   time.second() ? digits({time.hour(), time.minute(), time.second()})
                                 : digits({time.hour(), time.minute()}),
                   0);
    } else if (column == FieldColumn::Band) {
        const BandInfo& band = bandOf(row.band);
        writer.add(u"BAND"_qs, band.name, 0);
        const QString frequency = row.frequencyMHz ? adif::numberText(*row.frequencyMHz, 6)
                                  : band.frequency ? adif::numberText(*band.frequency, 6)
                                                   : QString();
        writer.add(u"FREQ"_qs, frequency, 0);
        // Our band text, unless FREQ gives it back.
        if (band.name.isEmpty() || (band.frequency && !(row.frequencyMHz && frequency == row.band.trimmed())))
            writer.add(kAppBand, adif::asciiText(row.band.trimmed()), 'S');
    } else if (column == FieldColumn::FrequencyRx) {
        if (row.frequencyRxMHz)
            writer.add(u"FREQ_RX"_qs, adif::numberText(*row.frequencyRxMHz, 6), 0);
    } else if (column == FieldColumn::Mode) {
        const ModeFields& mode = modeOf(row.mode, row.rsts);
        writer.add(u"MODE"_qs, mode.mode.mode, 0);
        writer.add(u"SUBMODE"_qs, mode.mode.submode, 0);
        if (!mode.exact)
            writer.add(kAppMode, adif::percentEncoded(row.mode), 'S');
    } else if (column == FieldColumn::ReportSent || column == FieldColumn::ReportReceived) {
        const bool sent = column == FieldColumn::ReportSent;
        QString serial;
        const QString report = splitReport(sent ? row.rsts : row.rstr, row.mode, &serial);
        writer.add(sent ? u"RST_SENT"_qs : u"RST_RCVD"_qs, adif::asciiText(report), 0);
        writer.add(sent ? u"STX_STRING"_qs : u"SRX_STRING"_qs, serial, 0);
    } else if (column == FieldColumn::Locator) {
        const QString grid = row.locator.trimmed().toUpper();
        writer.add(u"GRIDSQUARE"_qs, adif::asciiText(grid.left(8)), 0);
        writer.add(u"GRIDSQUARE_EXT"_qs, adif::asciiText(grid.mid(8, 2)), 0);
    } else if (column == FieldColumn::OwnLocator) {
        // The contact's own locator where it has one, else the settings'.
        const QString grid = row.myLocator.trimmed().toUpper();
        if (grid.isEmpty()) {
            writer.add(u"MY_GRIDSQUARE"_qs, m_myGrid, 0);
            writer.add(u"MY_GRIDSQUARE_EXT"_qs, m_myGridExt, 0);
        } else {
            writer.add(u"MY_GRIDSQUARE"_qs, adif::asciiText(grid.left(8)), 0);
            writer.add(u"MY_GRIDSQUARE_EXT"_qs, adif::asciiText(grid.mid(8, 2)), 0);
        }
    } else if (column == FieldColumn::Name) {
        textField(writer, u"NAME"_qs, kAppNameUtf8, row.name);
    } else if (column == FieldColumn::Comment) {
        textField(writer, u"COMMENT"_qs, kAppCommentUtf8, row.comment);
    } else if (column == FieldColumn::Propagation) {
        const PropFields& prop = propOf(row.prop);
        writer.add(u"PROP_MODE"_qs, prop.propMode, 0);
        if (!prop.exact)
            writer.add(kAppProp, adif::percentEncoded(row.prop), 'S');
    } else if (column == FieldColumn::Distance) {
        if (row.qrb)
            writer.add(u"DISTANCE"_qs, adif::numberText(*row.qrb, 1), 0);
    } else if (column == FieldColumn::Entity) {
        if (!row.dxcc.isEmpty()) {
            // The same few entities come again and again.
            auto known = m_entities.find(row.dxcc);
            if (known == m_entities.end())
                known = m_entities.emplace(row.dxcc, m_dxccNumber(row.dxcc)).first;
            if (known->second > 0)
                writer.add(u"DXCC"_qs, QString::number(known->second), 0);
        }
        // The entity text is the primary prefix, a space and the name.
        const qsizetype space = row.dxcc.indexOf(u' ');
        writer.add(u"COUNTRY"_qs, adif::asciiText(space > 0 ? row.dxcc.mid(space + 1) : row.dxcc), 0);
    } else if (column == FieldColumn::QslVia) {
        textField(writer, u"QSL_VIA"_qs, kAppQslViaUtf8, row.qslVia.value_or(QString()));
    } else if (column == FieldColumn::Qsl) {
        const adif::QslStates qsl = adif::qslStatesOfLetter(row.qsl);
        // A printed card went out even where the state has moved on to no card.
        const QString sentDate = adif::adifDateOfStored(row.qslSentDate);
        writer.add(u"QSL_SENT"_qs, !sentDate.isEmpty() && qsl.sent == u"N"_qs ? u"Y"_qs : qsl.sent, 0);
        writer.add(u"QSL_RCVD"_qs, qsl.received, 0);
        writer.add(u"QSLSDATE"_qs, sentDate, 0);
        writer.add(u"QSLRDATE"_qs, adif::adifDateOfStored(row.qslReceivedDate), 0);
        writer.add(kAppQsl, adif::percentEncoded(row.qsl), 'S');
    } else if (column == FieldColumn::LotwReceived) {
        writer.add(u"LOTW_QSL_RCVD"_qs, adif::asciiText(row.lotwReceived.trimmed().toUpper()), 0);
        writer.add(u"LOTW_QSLRDATE"_qs, adif::adifDateOfStored(row.lotwReceivedDate), 0);
    } else if (column == FieldColumn::EqslReceived) {
        writer.add(u"EQSL_QSL_RCVD"_qs, adif::asciiText(row.eqslReceived.trimmed().toUpper()), 0);
        writer.add(u"EQSL_QSLRDATE"_qs, adif::adifDateOfStored(row.eqslReceivedDate), 0);
    } else if (column == FieldColumn::Identity) {
        writer.add(u"APP_MIVRA_UUID"_qs, adif::identityOf(row.uuid), 'S');
    } else if (column == FieldColumn::Position) {
        writer.add(u"APP_MIVRA_POSITION"_qs, adif::asciiText(row.position.trimmed()), 'S');
    }
}

void AdifRecordWriter::writeStation(const std::vector<OtherFieldView>& other, adif::AdifFieldSink& sink)
{
    // The record's own station callsign where it has one, else the one of the settings.
    const auto has = [&other](const char* name) {
        return std::any_of(other.begin(), other.end(),
                           [name](const OtherFieldView& field) { return field.name == QLatin1String(name); });
    };
    if (!has("STATION_CALLSIGN"))
        sink.add(u"STATION_CALLSIGN"_qs, m_ownCall, 0);
}

bool AdifRecordWriter::write(const LogRow& row, QStringList* leftOut)
{
    if (!row.time.isValid()) {
        leftOut->append(
            QStringLiteral("%1 on %2 %3: the date or time cannot be read").arg(row.callsign, row.date, row.gmt));
        return false;
    }
    writeFields(row, m_writer);
    m_writer.endRecord();
    return true;
}

void AdifRecordWriter::writeFields(const LogRow& row, adif::AdifFieldSink& sink)
{
    const auto columns = columnFields();
    const int count = int(columns.size());
    if (row.otherFields.isEmpty()) {
        for (int column = 0; column < count; ++column) {
            writeColumn(column, row, sink);
            if (column == m_stationAfter)
                writeStation({}, sink);
        }
        return;
    }
    // The fields the record had: those of a column go out as they were while the column still
    // says what they say, the others as they are.
    std::vector<OtherFieldView>& other = m_otherFields;
    decodeOtherFields(row.otherFields, &other);
    m_columnOf.resize(other.size());
    bool anyOfColumns = false;
    for (std::size_t i = 0; i < other.size(); ++i) {
        m_columnOf[i] = columnFieldsIndexOfAdif(other[i].name);
        anyOfColumns = anyOfColumns || m_columnOf[i] >= 0;
    }
    adif::AdifFieldList kept;
    for (int column = 0; column < count; ++column) {
        kept.clear();
        for (std::size_t i = 0; anyOfColumns && i < other.size(); ++i) {
            if (m_columnOf[i] == column)
                kept.insert(other[i].name.toString(), other[i].value.toString(), other[i].type);
        }
        if (!kept.isEmpty() && adif::fieldsGiveColumn(column, kept, row)) {
            for (const adif::AdifFieldList::Field& field : kept)
                sink.addExact(field.name, field.text, field.type);
        } else {
            writeColumn(column, row, sink);
        }
        if (column == m_stationAfter)
            writeStation(other, sink);
    }
    for (std::size_t i = 0; i < other.size(); ++i) {
        if (m_columnOf[i] < 0)
            sink.addExact(other[i].name, other[i].value, other[i].type);
    }
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
    // Read before the rows: while they are read, the connection is the reading thread's.
    const QHash<QString, int> entityNumbers = log.dxccNumbers();
    AdifRecordWriter writer(own, created,
                            [&entityNumbers](const QString& entity) { return entityNumbers.value(entity, 0); });
    qint64 done = 0;
    bool writeFailed = false;
    QString writeError;
    QString error;
    LogSelection wholeContacts = selection;
    wholeContacts.otherFields = true;
    const bool read = visitLogRows(
        log, wholeContacts,
        [&](const LogRow& row) {
            if (writer.write(row, &result.leftOut))
                ++result.written;
            ++done;
            if (writer.pending() >= kPiece)
                writeFailed = !writeToSaveFile(file, writer.take(), &writeError);
            return !writeFailed;
        },
        &error,
        [&] {
            if (progress)
                progress(done, std::max(total, done));
        });
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
