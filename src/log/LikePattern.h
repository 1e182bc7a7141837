#pragma once

#include <QString>

namespace mivra {

// Text for LIKE ... ESCAPE '\' in which %, _ and \ match themselves.
QString likeLiteral(const QString& text);

// The LIKE pattern "text%" (escape character \): texts that begin with text, taken literally.
QString literalPrefixPattern(const QString& text);

} // namespace mivra
