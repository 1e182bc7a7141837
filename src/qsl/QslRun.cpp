#include "QslRun.h"

#include "ErrorText.h"
#include "QslFormats.h"
#include "SqliteConnection.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include <utility>

namespace mivra::qsl {

namespace {

constexpr int kListedCallsigns = 100;
constexpr int kListedErrors = 3;

QString listOf(const QStringList& callsigns)
{
    QString list = callsigns.mid(0, kListedCallsigns).join(QStringLiteral(", "));
    if (callsigns.size() > kListedCallsigns)
        list += QStringLiteral(" and %1 more").arg(callsigns.size() - kListedCallsigns);
    return list;
}

} // namespace

std::vector<CardRows> groupCards(const std::vector<RunRow>& rows)
{
    std::vector<CardRows> cards;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (cards.empty() || cards.back().size() == std::size_t(CardTemplate::kLines)
            || cards.back().back().callsign != rows[i].callsign)
            cards.emplace_back();
        cards.back().push_back(rows[i]);
    }
    return cards;
}

void fillCard(CardFields& card, const CardRows& rows)
{
    int line = 1;
    for (const RunRow& row : rows) {
        const QString* texts[] = {&row.date, &row.time, &row.band, &row.mode, &row.report, &row.distance, &row.heading};
        for (int column = 0; column < CardTemplate::kColumns; ++column)
            card.setCell(column, line, *texts[column]);
        card.setText(QStringLiteral("Cal"), row.callsign);
        card.setText(QStringLiteral("Label10"), row.manager);
        ++line;
    }
}

QslRun::QslRun(QSqlDatabase log, CardPrinter& printer, QLocale locale, std::function<bool()> stopRequested)
    : m_log(std::move(log))
    , m_printer(printer)
    , m_locale(std::move(locale))
    , m_stopRequested(std::move(stopRequested))
    , m_pending(m_log.databaseName())
{
}

QslRun::Read QslRun::readBatch(const QString& letter, std::vector<RunRow>* rows)
{
    rows->clear();
    QSqlQuery query(m_log);
    query.setForwardOnly(true);
    // QSL and Callsign compare without regard to case (their collation), so the index on both
    // serves the batch in the run's order: the first card comes without reading the whole state.
    QString statement = QStringLiteral("SELECT ID, Date, GMT, Callsign, Band, mode, rsts, QRB, QTF, QSLman, QSL"
                                       " FROM logtab WHERE QSL = :letter");
    if (m_started)
        statement += QStringLiteral(" AND (Callsign, ID) > (:call, :id)");
    statement += QStringLiteral(" ORDER BY Callsign, ID LIMIT %1").arg(kBatchRows + 1);
    if (!query.prepare(statement))
        return Read::Failed;
    // No letter ("Cancel Print") stands for the empty state, never for NULL.
    query.bindValue(QStringLiteral(":letter"), letter.isNull() ? QString(QLatin1String("")) : letter);
    if (m_started) {
        query.bindValue(QStringLiteral(":call"), m_lastCallsign);
        query.bindValue(QStringLiteral(":id"), m_lastId);
    }
    if (!query.exec())
        return Read::Failed;
    while (query.next()) {
        RunRow row;
        row.id = query.value(0).toLongLong();
        row.date = formatDate(valueText(query.value(1), m_locale));
        row.time = formatTime(valueText(query.value(2), m_locale));
        row.callsign = valueText(query.value(3), m_locale);
        row.band = formatBand(valueText(query.value(4), m_locale), m_locale);
        row.mode = prefixMode(valueText(query.value(5), m_locale));
        row.report = valueText(query.value(6), m_locale);
        row.distance = valueText(query.value(7), m_locale);
        row.heading = valueText(query.value(8), m_locale);
        row.manager = valueText(query.value(9), m_locale);
        row.state = valueText(query.value(10), m_locale);
        rows->push_back(std::move(row));
    }
    if (query.lastError().isValid())
        return Read::Failed;
    if (rows->empty())
        return Read::End;

    // A batch ends with a whole station, so its cards are those one pass would make; a station
    // with more rows than a batch is cut after 1,000 rows, a whole number of cards.
    if (int(rows->size()) > kBatchRows) {
        const QString nextCallsign = rows->back().callsign;
        rows->pop_back();
        if (rows->back().callsign == nextCallsign) {
            std::size_t start = rows->size();
            while (start > 0 && (*rows)[start - 1].callsign == nextCallsign)
                --start;
            if (start > 0)
                rows->resize(start);
        }
    }
    m_started = true;
    m_lastCallsign = rows->back().callsign;
    m_lastId = rows->back().id;
    return Read::Rows;
}

bool QslRun::cardPrinted(const CardRows& rows, QString* error)
{
    std::vector<QslStateChange> changes;
    for (const RunRow& row : rows) {
        const QString advanced = advancedState(row.state);
        if (advanced != row.state)
            changes.push_back({row.id, row.state, advanced});
    }
    if (m_unstored.empty())
        m_sinceStored.start();
    m_unstored.insert(m_unstored.end(), changes.begin(), changes.end());
    m_unstoredCallsigns << rows.back().callsign;
    // A change that cannot be recorded (a full disk) is stored at once, with those before it.
    QString recordError;
    const bool recorded = changes.empty() || m_pending.record(changes, &recordError);
    if (recorded && m_unstoredCallsigns.size() < kCardsPerCommit && m_sinceStored.elapsed() < kMsPerCommit)
        return true;
    return storePrinted(error);
}

bool QslRun::storePrinted(QString* error)
{
    if (m_unstoredCallsigns.isEmpty())
        return true;
    const QStringList callsigns = std::exchange(m_unstoredCallsigns, {});
    const std::vector<QslStateChange> changes = std::exchange(m_unstored, {});
    const QString cards = callsigns.size() == 1 ? QStringLiteral("The card for %1 was printed, but its QSL state")
                                                : QStringLiteral("The cards for %1 were printed, but their QSL states");
    QString reason;
    // Not on disk: stored, they could claim a card that a power cut took; so they are not stored.
    if (!m_printer.output().syncPrinted(&reason)) {
        m_pending.clear();
        setError(error, cards.arg(listOf(callsigns))
                            + QStringLiteral(" cannot be stored: the cards cannot be written "
                                             "to the disk (%1), so no further card was printed.")
                                  .arg(reason));
        return false;
    }
    SqliteConnection db = SqliteConnection::borrowed(m_log);
    if (!storeQslStateChanges(db, changes, &reason)) {
        setError(error, cards.arg(listOf(callsigns))
                            + QStringLiteral(" cannot be stored now, so no further card was printed: %1. They are "
                                             "stored when the log is opened next.")
                                  .arg(reason));
        return false;
    }
    m_pending.clear();
    m_rowsStored += int(changes.size());
    return true;
}

RunResult QslRun::printCardsInState(const QString& QSLFilter, CardFields& card)
{
    RunResult result;
    m_started = false;
    card.setText(QStringLiteral("Label4"),
                 QSLFilter == QLatin1String("T") ? QStringLiteral("TNX QSL") : QStringLiteral("PSE QSL"));
    card.setText(QStringLiteral("Label1"), QSLFilter == QLatin1String("B")
                                               ? QStringLiteral("Confirming heard Beacon:")
                                               : QStringLiteral("Confirming 2-way QSO with:"));

    // What a killed run left is stored before this one reads its rows.
    QString recoverError;
    SqliteConnection db = SqliteConnection::borrowed(m_log);
    if (!PendingQslStates::recover(db, m_log.databaseName(), &recoverError))
        result.messages << QStringLiteral("The QSL states of cards printed before cannot be stored: ") + recoverError;

    std::vector<RunRow> rows;
    QStringList printErrors;
    bool storeFailed = false;
    m_rowsStored = 0;
    while (!storeFailed && !result.stopped) {
        const Read read = readBatch(QSLFilter, &rows);
        if (read == Read::End)
            break;
        if (read == Read::Failed) {
            result.messages << QStringLiteral("No new Recorset available");
            break;
        }
        result.rowsRead += int(rows.size());
        for (const CardRows& cardRows : groupCards(rows)) {
            fillCard(card, cardRows);
            QString printError;
            if (m_printer.printCard(card, &printError)) {
                ++result.cardsPrinted;
                QString error;
                if (!cardPrinted(cardRows, &error)) {
                    result.messages << error;
                    storeFailed = true;
                }
            } else {
                result.notPrinted << cardRows.back().callsign;
                if (printErrors.size() < kListedErrors && !printErrors.contains(printError))
                    printErrors << printError;
            }
            card.clearCard();
            if (storeFailed)
                break;
            if (m_stopRequested && m_stopRequested()) {
                result.stopped = true;
                break;
            }
        }
    }
    card.clearCard();
    QString storeError;
    if (!storeFailed && !storePrinted(&storeError))
        result.messages << storeError;
    result.rowsAdvanced = m_rowsStored;

    if (!m_printer.missingBitmaps().isEmpty())
        result.messages << missingBitmapsMessage(m_printer.missingBitmaps());
    if (!result.notPrinted.isEmpty())
        result.messages << QStringLiteral("These cards were not printed and keep their QSL state: %1\n%2")
                               .arg(listOf(result.notPrinted), printErrors.join(u'\n'));
    if (result.cardsPrinted > 0) {
        const QString done = m_printer.output().doneMessage(result.cardsPrinted);
        if (!done.isEmpty())
            result.messages.prepend(done);
    }
    return result;
}

} // namespace mivra::qsl
