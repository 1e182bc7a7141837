#include "SqliteStatement.h"

#include "SqliteConnection.h"

#include <sqlite3.h>

#include <utility>

namespace mivra {

static_assert(SQLITE_ROW == 100 && SQLITE_DONE == 101);

SqliteStatement::SqliteStatement(const SqliteConnection& connection, const QString& sql, bool persistent)
    : m_db(connection.handle())
{
    if (!connection.isOpen()) {
        m_prepareError = connection.errorMessage();
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(m_db, text.constData(), int(text.size()), persistent ? SQLITE_PREPARE_PERSISTENT : 0,
                           &m_statement, nullptr)
        != SQLITE_OK) {
        m_prepareError = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(other.m_db)
    , m_statement(std::exchange(other.m_statement, nullptr))
    , m_prepareError(std::move(other.m_prepareError))
    , m_lastStep(other.m_lastStep)
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_db = other.m_db;
        m_statement = std::exchange(other.m_statement, nullptr);
        m_lastStep = other.m_lastStep;
        m_prepareError = std::move(other.m_prepareError);
    }
    return *this;
}

QString SqliteStatement::error() const
{
    if (!m_statement)
        return m_prepareError.isEmpty() ? QStringLiteral("the log is not an open SQLite database") : m_prepareError;
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

void SqliteStatement::bindText(int index, const QString& text)
{
    sqlite3_bind_text16(m_statement, index,
                        text.isNull() ? static_cast<const void*>(u"") : static_cast<const void*>(text.utf16()),
                        int(text.size() * 2), SQLITE_TRANSIENT);
}

void SqliteStatement::bindUtf8(int index, QByteArrayView bytes)
{
    sqlite3_bind_text(m_statement, index, bytes.isNull() ? "" : bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindStaticUtf8(int index, const std::string& bytes)
{
    sqlite3_bind_text(m_statement, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
}

void SqliteStatement::bindInteger(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bindReal(int index, double value)
{
    sqlite3_bind_double(m_statement, index, value);
}

void SqliteStatement::bindReal(int index, const std::optional<double>& value)
{
    if (value)
        sqlite3_bind_double(m_statement, index, *value);
    else
        sqlite3_bind_null(m_statement, index);
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
}

bool SqliteStatement::step()
{
    m_lastStep = m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE;
    return m_lastStep == SQLITE_ROW;
}

bool SqliteStatement::run()
{
    while (step()) { }
    return !failed();
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    m_lastStep = SQLITE_DONE;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

SqliteStatement::Type SqliteStatement::type(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Float;
    case SQLITE_BLOB:
        return Type::Blob;
    case SQLITE_NULL:
        return Type::Null;
    default:
        return Type::Text;
    }
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::optional<double> SqliteStatement::number(int column) const
{
    switch (type(column)) {
    case Type::Null:
        return std::nullopt;
    case Type::Integer:
    case Type::Float:
        return real(column);
    default: {
        const QString trimmed = text(column).trimmed();
        bool ok = false;
        const double value = trimmed.toDouble(&ok);
        return ok && !trimmed.isEmpty() ? std::optional<double>(value) : std::nullopt;
    }
    }
}

QString SqliteStatement::text(int column) const
{
    const auto* value = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
    return value ? QString::fromUtf16(value, sqlite3_column_bytes16(m_statement, column) / 2) : QString();
}

QByteArrayView SqliteStatement::utf8(int column) const
{
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return value ? QByteArrayView(value, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
}

} // namespace mivra
