#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace mivra {

class SqliteConnection;

// One prepared statement on a SqliteConnection, finalized with this object. Parameters and
// columns count as SQLite counts them: parameters from 1, columns from 0.
class SqliteStatement {
public:
    enum class Type { Integer, Float, Text, Blob, Null };

    SqliteStatement() = default;
    // Prepares sql; isPrepared() and error() tell how that went. persistent: kept for many runs.
    SqliteStatement(const SqliteConnection& connection, const QString& sql, bool persistent = false);
    ~SqliteStatement();

    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isPrepared() const { return m_statement != nullptr; }
    // SQLite's message for the last failure of the statement or its connection.
    QString error() const;

    // A null text is bound as the empty text; bindNull() binds NULL.
    void bindText(int index, const QString& text);
    // UTF-8 bytes, copied.
    void bindUtf8(int index, QByteArrayView bytes);
    // UTF-8 that SQLite reads where it is: bytes must stay unchanged until the statement has run.
    void bindStaticUtf8(int index, const std::string& bytes);
    void bindInteger(int index, qint64 value);
    void bindReal(int index, double value);
    void bindReal(int index, const std::optional<double>& value); // NULL when empty
    void bindNull(int index);

    // Runs the statement to its next row: true with a row, false at the end or on a failure.
    bool step();
    // The last step failed (rather than reaching the end).
    bool failed() const { return m_lastStep != kRow && m_lastStep != kDone; }
    // Runs a statement without rows to its end; false when it failed.
    bool run();
    // Ready to run again with new bindings.
    void reset();

    int columnCount() const;
    Type type(int column) const;
    bool isNull(int column) const { return type(column) == Type::Null; }
    qint64 integer(int column) const;
    double real(int column) const;
    // A number stored as one, or a text that reads as one; nothing for NULL or other text.
    std::optional<double> number(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView utf8(int column) const;

    sqlite3_stmt* handle() const { return m_statement; }

private:
    static constexpr int kRow = 100;  // SQLITE_ROW
    static constexpr int kDone = 101; // SQLITE_DONE
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_prepareError; // why the statement could not be prepared
    int m_lastStep = kDone;
};

} // namespace mivra
