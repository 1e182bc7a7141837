#include "QslRun.h"

#include "LikePattern.h"
#include "QslFormats.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

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
{
}

QslRun::Read QslRun::readBatch(const QString& letter, std::vector<RunRow>* rows)
{
    rows->clear();
    QSqlQuery query(m_log);
    query.setForwardOnly(true);
    QString statement = QStringLiteral("SELECT ID, Date, GMT, Callsign, Band, mode, rsts, QRB, QTF, QSLman, QSL"
                                       " FROM logtab WHERE QSL LIKE :letter ESCAPE '\\'");
    if (m_started)
        statement += QStringLiteral(" AND (Callsign > :call OR (Callsign = :call AND ID > :id))");
    statement += QStringLiteral(" ORDER BY Callsign, ID LIMIT %1").arg(kBatchRows + 1);
    if (!query.prepare(statement))
        return Read::Failed;
    query.bindValue(QStringLiteral(":letter"), likeLiteral(letter));
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

bool QslRun::storeStates(const CardRows& rows, QString* error)
{
    if (!m_log.transaction()) {
        *error = m_log.lastError().text();
        return false;
    }
    QSqlQuery update(m_log);
    // The date the card went out stays with the contact: the export says QSL_SENT Y with it.
    bool ok = update.prepare(QStringLiteral("UPDATE logtab SET QSL = ?, QslSdate = ? WHERE ID = ?"));
    const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        const QString advanced = advancedState(rows[i].state);
        if (advanced == rows[i].state)
            continue;
        update.addBindValue(advanced);
        update.addBindValue(today);
        update.addBindValue(rows[i].id);
        ok = update.exec();
    }
    if (ok && m_log.commit())
        return true;
    *error = update.lastError().isValid() ? update.lastError().text() : m_log.lastError().text();
    m_log.rollback();
    return false;
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

    std::vector<RunRow> rows;
    QStringList printErrors;
    bool storeFailed = false;
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
                if (!storeStates(cardRows, &error)) {
                    result.messages << QStringLiteral("The card for %1 was printed, but its QSL state cannot be "
                                                      "stored, so no further card was printed: %2")
                                           .arg(cardRows.back().callsign, error);
                    storeFailed = true;
                } else {
                    for (const RunRow& row : cardRows)
                        result.rowsAdvanced += advancedState(row.state) != row.state ? 1 : 0;
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
