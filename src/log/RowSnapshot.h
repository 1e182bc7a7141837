#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace mivra {

// One logtab row exactly as it is stored: every column's name and value, ID among them.
struct RowSnapshot {
    qint64 id = 0;
    QStringList columns;
    QVariantList values;

    // The value of a column by name, any case; an invalid QVariant when the row has no such column.
    QVariant value(const QString& column) const
    {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
                return values.value(i);
        }
        return {};
    }
};

} // namespace mivra
