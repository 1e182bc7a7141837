#include "ConfirmationCount.h"

#include "IniFile.h"

namespace mivra {

QStringList confirmationCountCaptions()
{
    return {QStringLiteral("Cards (Q or T), LoTW and eQSL"), QStringLiteral("Cards (Q or T) and LoTW"),
            QStringLiteral("Cards (Q or T)"), QStringLiteral("LoTW only"), QStringLiteral("Cards marked Q only")};
}

ConfirmationCount confirmationCountOf(int index)
{
    if (index < 0 || index >= confirmationCountCaptions().size())
        return kDefaultConfirmationCount;
    return ConfirmationCount(index);
}

ConfirmationCount readConfirmationCount(const QString& iniPath)
{
    QVariantMap values;
    if (!IniFile(iniPath).readSection(QStringLiteral("confirmations"), &values, nullptr))
        return kDefaultConfirmationCount;
    bool ok = false;
    const int index = values.value(QStringLiteral("count")).toString().trimmed().toInt(&ok);
    return ok ? confirmationCountOf(index) : kDefaultConfirmationCount;
}

bool writeConfirmationCount(const QString& iniPath, ConfirmationCount count, QString* error)
{
    return IniFile(iniPath).writeSection(QStringLiteral("confirmations"),
                                         {{QStringLiteral("count"), QString::number(int(count))}}, error);
}

namespace {

// The columns compare without case (COLLATE NOCASE); LIKE as the counters always did.
const QString kCard = QStringLiteral("(QSL LIKE 'q' OR QSL LIKE 't')");
const QString kLotw = QStringLiteral("LotwRcvd = 'Y'");
const QString kEqsl = QStringLiteral("EqslRcvd = 'Y'");

} // namespace

QString confirmedCondition(ConfirmationCount count)
{
    switch (count) {
    case ConfirmationCount::CardsLotwEqsl:
        return QStringLiteral("(%1 OR %2 OR %3)").arg(kCard, kLotw, kEqsl);
    case ConfirmationCount::CardsLotw:
        return QStringLiteral("(%1 OR %2)").arg(kCard, kLotw);
    case ConfirmationCount::Cards:
        return kCard;
    case ConfirmationCount::Lotw:
        return QStringLiteral("(%1)").arg(kLotw);
    case ConfirmationCount::CardsMarkedQ:
        break;
    }
    return QStringLiteral("(QSL LIKE 'q')");
}

QString confirmationKindsExpression()
{
    return QStringLiteral("rtrim(CASE WHEN %1 THEN 'Card ' ELSE '' END || CASE WHEN %2 THEN 'LoTW ' ELSE '' END"
                          " || CASE WHEN %3 THEN 'eQSL' ELSE '' END)")
        .arg(kCard, kLotw, kEqsl);
}

} // namespace mivra
