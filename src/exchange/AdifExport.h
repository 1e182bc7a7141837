#pragma once

#include "LogRow.h"

#include "AdifFields.h"
#include "AdifFile.h"
#include "OtherFields.h"
#include "Utf16View.h"

#include <QByteArray>

#include <functional>
#include <unordered_map>
#include <vector>

namespace mivra {

class LogDatabase;

struct AdifExportResult {
    bool ok = false;
    QString error;       // why nothing was written
    int written = 0;     // records in the file
    QStringList leftOut; // rows without a readable date or time, one line each
};

// Writes rows as .adi records, header first, into a buffer the caller empties now and then.
class AdifRecordWriter {
public:
    // dxccNumber gives the entity number of an entity text (0: none).
    AdifRecordWriter(const OwnStation& own, const QDateTime& created, std::function<int(const QString&)> dxccNumber);
    // False (with a line in *leftOut) for a row without a readable date or time.
    bool write(const LogRow& row, QStringList* leftOut);
    // Every field of the contact, as write() puts them in its record: the whole contact.
    void writeFields(const LogRow& row, adif::AdifFieldSink& sink);
    // The fields that the column at this position of columnFields() gives, from the row alone.
    void writeColumn(int columnIndex, const LogRow& row, adif::AdifFieldSink& sink);
    qsizetype pending() const { return m_writer.bytes().size(); }
    QByteArray take() { return m_writer.take(); }

private:
    // What a stored band, mode or propagation text gives: a log holds only a few of each.
    struct ModeFields {
        adif::ModeInfo mode;
        bool exact = false; // MODE and SUBMODE give the text back
    };
    struct PropFields {
        QString propMode;
        bool exact = false; // PROP_MODE gives the text back
    };
    const BandInfo& bandOf(const QString& band);
    const ModeFields& modeOf(const QString& mode, const QString& report);
    // The own station's fields, unless the record's other fields hold its own.
    void writeStation(const std::vector<OtherFieldView>& other, adif::AdifFieldSink& sink);
    const PropFields& propOf(const QString& prop);

    // The standard library's hash of the characters: for texts of a few characters, far cheaper
    // per row than qHash.
    struct TextHash {
        std::size_t operator()(const QString& text) const { return std::hash<std::u16string_view>()(utf16View(text)); }
    };
    template <typename Value> using TextTable = std::unordered_map<QString, Value, TextHash>;

    adif::AdifWriter m_writer;
    QString m_ownCall;
    QString m_myGrid;
    QString m_myGridExt;
    std::function<int(const QString&)> m_dxccNumber;
    TextTable<int> m_entities;
    TextTable<BandInfo> m_bands;
    TextTable<ModeFields> m_modes;
    ModeFields m_nearestMode;
    std::vector<OtherFieldView> m_otherFields; // of the row being written
    std::vector<int> m_columnOf;               // the column of each of them, -1 for none
    // The own station follows the fields of this column (the locator).
    const int m_stationAfter;
    TextTable<PropFields> m_props;
};

// Writes the selected rows of the log to an .adi file, whole or not at all.
AdifExportResult exportAdif(LogDatabase& log, const LogSelection& selection, const OwnStation& own,
                            const QString& filePath, const QDateTime& created, const Progress& progress = {});

// The application-defined fields this program writes.
inline const QString kAppQsl = QStringLiteral("APP_MIVRA_QSL");
inline const QString kAppBand = QStringLiteral("APP_MIVRA_BAND");
inline const QString kAppMode = QStringLiteral("APP_MIVRA_MODE");
inline const QString kAppProp = QStringLiteral("APP_MIVRA_PROP");
inline const QString kAppCallUtf8 = QStringLiteral("APP_MIVRA_CALL_UTF8");
inline const QString kAppNameUtf8 = QStringLiteral("APP_MIVRA_NAME_UTF8");
inline const QString kAppCommentUtf8 = QStringLiteral("APP_MIVRA_COMMENT_UTF8");
inline const QString kAppQslViaUtf8 = QStringLiteral("APP_MIVRA_QSL_VIA_UTF8");

} // namespace mivra
