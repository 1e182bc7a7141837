#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace mivra {

// The values of a statement's rows, stepped on a thread of its own and handed over a batch at a
// time as plain bytes: on a big read, stepping SQLite and making the rows' texts each take about
// half the time. Values keep their SQLite type; texts are UTF-8.
class RowFeed {
public:
    // The rows of one hand-over, every row with the same number of columns.
    class Batch {
    public:
        void clear(int columns);
        void addRow(sqlite3_stmt* statement);
        int rows() const { return m_columns ? int(m_cells.size()) / m_columns : 0; }

        qint64 integer(int row, int column) const { return cell(row, column).integer; }
        QString text(int row, int column) const;
        // A number stored as one, or a text that reads as one; nothing for NULL or other text.
        std::optional<double> number(int row, int column) const;
        int columns() const { return m_columns; }

    private:
        struct Cell {
            int type = 0; // SQLITE_INTEGER, _FLOAT, _TEXT, _BLOB or _NULL
            qint64 integer = 0;
            double real = 0;
            std::size_t offset = 0; // of a text's bytes
            int size = 0;
        };
        const Cell& cell(int row, int column) const { return m_cells[std::size_t(row * m_columns + column)]; }

        int m_columns = 0;
        std::vector<Cell> m_cells;
        std::string m_bytes;
    };

    // Steps `statement` to its end; `each` is called on this thread for every row (by its batch
    // and row number) and returns false to stop. False when SQLite failed, with its message.
    // The connection is the stepping thread's meanwhile: `each` must not use it (it is opened
    // without SQLite's own locking). `quiet`, called after each batch with the stepping held
    // still, may: a progress dialog that lets events through belongs there.
    static bool read(sqlite3_stmt* statement, const std::function<bool(const Batch&, int row)>& each, QString* error,
                     const std::function<void()>& quiet = {});
};

} // namespace mivra
