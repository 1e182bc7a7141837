#include "ShareSettings.h"

#include "IniFile.h"

#include <libpq-fe.h>

#include <QHash>

#include <memory>

namespace mivra {

namespace {

constexpr int kLongestPosition = 32;

} // namespace

ShareSettings readShareSettings(const QString& iniPath, QString* error)
{
    QVariantMap ini;
    if (!IniFile(iniPath).readSection(QStringLiteral("share"), &ini, error))
        return {};
    ShareSettings settings{ini.value(QStringLiteral("url")).toString().trimmed(),
                           ini.value(QStringLiteral("position")).toString().trimmed()};
    return settings.isSet() ? settings : ShareSettings{};
}

bool writeShareSettings(const QString& iniPath, const ShareSettings& settings, QString* error)
{
    IniValues values;
    if (settings.isSet())
        values = {{QStringLiteral("url"), settings.url}, {QStringLiteral("position"), settings.position}};
    return IniFile(iniPath).writeSection(QStringLiteral("share"), values, error);
}

QString shareUrlFault(const QString& url)
{
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Type the shared log's server as postgresql://host/database.");
    if (!trimmed.startsWith(u"postgresql://"_qs) && !trimmed.startsWith(u"postgres://"_qs))
        return QStringLiteral("\"%1\" is not a PostgreSQL URL: type it as postgresql://host/database.").arg(trimmed);
    char* parseError = nullptr;
    const std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(
        PQconninfoParse(trimmed.toUtf8().constData(), &parseError), PQconninfoFree);
    if (!options) {
        const QString detail = parseError ? QString::fromUtf8(parseError).trimmed() : QStringLiteral("out of memory");
        PQfreemem(parseError);
        return QStringLiteral("\"%1\" is not a PostgreSQL URL libpq can read: %2").arg(trimmed, detail);
    }
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
            return QStringLiteral("The URL carries a password, and Mivra keeps no password in its settings. Take "
                                  "it out of the URL and put it in ~/.pgpass (host:port:database:user:password, "
                                  "file mode 0600) or the PGPASSWORD environment variable.");
    }
    return {};
}

QString shareServerIdentity(const QString& url)
{
    const std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(
        PQconninfoParse(url.trimmed().toUtf8().constData(), nullptr), PQconninfoFree);
    if (!options)
        return url.trimmed();
    QHash<QByteArray, QString> values;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (option->val)
            values.insert(option->keyword, QString::fromUtf8(option->val));
    }
    return QStringLiteral("%1@%2:%3/%4")
        .arg(values.value("user"), values.value("host"), values.value("port"), values.value("dbname"));
}

QString positionNameFault(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Give this position a name (e.g. 432 or the operator's call).");
    if (trimmed.size() > kLongestPosition)
        return QStringLiteral("A position's name is at most %1 characters.").arg(kLongestPosition);
    for (const QChar c : trimmed) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return QStringLiteral("A position's name takes no control characters.");
    }
    return {};
}

} // namespace mivra
