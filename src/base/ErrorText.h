#pragma once

#include <QString>

namespace mivra {

// The error style of the program's units: a function that can fail returns false (or an empty
// optional, or a result whose ok is false) and, when the caller passed a place for it, a message
// for the operator that says what failed and names the file or field. Callers show or print it.
inline void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace mivra
