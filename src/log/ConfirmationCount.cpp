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

QString confirmedCondition(ConfirmationCount count)
{
    // The columns compare without case (COLLATE NOCASE); LIKE as the counters always did.
    const QString card = QStringLiteral("(QSL LIKE 'q' OR QSL LIKE 't')");
    const QString lotw = QStringLiteral("LotwRcvd = 'Y'");
    const QString eqsl = QStringLiteral("EqslRcvd = 'Y'");
    switch (count) {
    case ConfirmationCount::CardsLotwEqsl:
        return QStringLiteral("(%1 OR %2 OR %3)").arg(card, lotw, eqsl);
    case ConfirmationCount::CardsLotw:
        return QStringLiteral("(%1 OR %2)").arg(card, lotw);
    case ConfirmationCount::Cards:
        return card;
    case ConfirmationCount::Lotw:
        return QStringLiteral("(%1)").arg(lotw);
    case ConfirmationCount::CardsMarkedQ:
        break;
    }
    return QStringLiteral("(QSL LIKE 'q')");
}

QString confirmationText(const QString& qsl, const QString& lotwReceived, const QString& eqslReceived)
{
    QStringList kinds;
    const QString paper = qsl.trimmed().toUpper();
    if (paper == u"Q" || paper == u"T")
        kinds << QStringLiteral("Card");
    if (lotwReceived.trimmed().toUpper() == u"Y")
        kinds << QStringLiteral("LoTW");
    if (eqslReceived.trimmed().toUpper() == u"Y")
        kinds << QStringLiteral("eQSL");
    return kinds.join(u'+');
}

} // namespace mivra
