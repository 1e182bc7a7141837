#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace mivra {

// One contact exactly as it is stored: every column's name and value of its logtab row, ID among
// them, and its other fields (logfields; a null QVariant when it has none).
struct RowSnapshot {
    qint64 id = 0;
    QStringList columns;
    QVariantList values;
    QVariant otherFields;

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
