#include "RowFeed.h"

#include "BatchQueue.h"

#include <sqlite3.h>

#include <mutex>
#include <thread>

namespace mivra {

namespace {

constexpr int kBatchRows = 1024;

} // namespace

void RowFeed::Batch::clear(int columns)
{
    m_columns = columns;
    m_cells.clear();
    m_bytes.clear();
}

void RowFeed::Batch::addRow(sqlite3_stmt* statement)
{
    for (int column = 0; column < m_columns; ++column) {
        Cell cell;
        cell.type = sqlite3_column_type(statement, column);
        switch (cell.type) {
        case SQLITE_INTEGER:
            cell.integer = sqlite3_column_int64(statement, column);
            cell.real = double(cell.integer);
            break;
        case SQLITE_FLOAT:
            cell.real = sqlite3_column_double(statement, column);
            cell.integer = sqlite3_column_int64(statement, column);
            break;
        case SQLITE_NULL:
            break;
        default: {
            const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            cell.size = sqlite3_column_bytes(statement, column);
            cell.offset = m_bytes.size();
            if (bytes)
                m_bytes.append(bytes, std::size_t(cell.size));
        }
        }
        m_cells.push_back(cell);
    }
}

QString RowFeed::Batch::text(int row, int column) const
{
    const Cell& value = cell(row, column);
    switch (value.type) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QString::number(value.integer);
    case SQLITE_FLOAT: {
        // As SQLite writes a real as text: 15 digits, and "176.0" rather than "176".
        QString real = QString::number(value.real, 'g', 15);
        if (!real.contains(u'.') && !real.contains(u'e') && !real.contains(u"inf") && !real.contains(u"nan"))
            real += u".0";
        return real;
    }
    default:
        return QString::fromUtf8(m_bytes.data() + value.offset, value.size);
    }
}

std::optional<double> RowFeed::Batch::number(int row, int column) const
{
    const Cell& value = cell(row, column);
    switch (value.type) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return value.real;
    default: {
        const QString trimmed = text(row, column).trimmed();
        bool ok = false;
        const double result = trimmed.toDouble(&ok);
        return ok && !trimmed.isEmpty() ? std::optional<double>(result) : std::nullopt;
    }
    }
}

bool RowFeed::read(sqlite3_stmt* statement, const std::function<bool(const Batch&, int)>& each, QString* error,
                   const std::function<void()>& quiet)
{
    const int columns = sqlite3_column_count(statement);
    // Filled batches go one way; read ones come back to be filled again, so that their room is
    // made and freed on the stepping thread alone.
    BatchQueue<Batch> filled(4);
    BatchQueue<Batch> empty(8);
    int step = SQLITE_DONE;
    // Held while a batch is stepped, and by `quiet`; never while waiting on a queue.
    std::mutex steppingHeld;
    std::thread stepping([&] {
        do {
            Batch batch = empty.tryTake().value_or(Batch());
            batch.clear(columns);
            {
                const std::lock_guard<std::mutex> held(steppingHeld);
                while (batch.rows() < kBatchRows && (step = sqlite3_step(statement)) == SQLITE_ROW)
                    batch.addRow(statement);
            }
            if (batch.rows() > 0 && !filled.put(std::move(batch)))
                break;
        } while (step == SQLITE_ROW);
        filled.finish();
    });
    bool wanted = true;
    while (wanted) {
        std::optional<Batch> batch = filled.take();
        if (!batch)
            break;
        for (int row = 0; wanted && row < batch->rows(); ++row)
            wanted = each(*batch, row);
        empty.put(std::move(*batch));
        if (wanted && quiet) {
            const std::lock_guard<std::mutex> held(steppingHeld);
            quiet();
        }
    }
    filled.stop();
    stepping.join();
    if (wanted && step != SQLITE_DONE && step != SQLITE_ROW) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement)));
        return false;
    }
    return true;
}

} // namespace mivra
