#include "StationSettingsFile.h"
#include "WholeFile.h"

#include "ErrorText.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

namespace mivra {

namespace {

QString displayName(const QString& filePath)
{
    return QDir::toNativeSeparators(QFileInfo(filePath).absoluteFilePath());
}

QString decodeSettingsBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

QStringList splitLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineBreak);
    // The break after the last line ends it; it does not start another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QVariant parseLine(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    if (trimmed.startsWith(QLatin1Char('"'))) {
        QString text = trimmed.mid(1);
        if (text.endsWith(QLatin1Char('"')))
            text.chop(1);
        return QVariant(text);
    }
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?\\d+$"));
    if (wholeNumber.match(trimmed).hasMatch()) {
        bool ok = false;
        const qint64 number = trimmed.toLongLong(&ok);
        if (ok)
            return QVariant::fromValue<qint64>(number);
    }
    return QVariant(trimmed);
}

QString formatSlot(const StationSettings& settings, int slot)
{
    QVariant value = settings.value(slot);
    if (!value.isValid())
        value = StationSettings::absentDefault(slot);
    if (value.typeId() == QMetaType::LongLong)
        return QString::number(value.toLongLong());
    return QLatin1Char('"') + StationSettings::storableText(value.toString()) + QLatin1Char('"');
}

} // namespace

bool loadStationSettings(StationSettings& settings, const QString& filePath, QString* error)
{
    const QFileInfo info(filePath);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        settings.setCreationDefaults();
        return saveStationSettings(settings, filePath, error);
    }

    // A handful of short lines: a file far larger is not this program's.
    constexpr qint64 kMaxBytes = qint64(1) << 20;
    QByteArray bytes;
    QString reason;
    if (!readRegularFile(filePath, kMaxBytes, &bytes, &reason)) {
        setError(error, QStringLiteral("Cannot read the settings file %1: %2").arg(displayName(filePath), reason));
        settings.fillAbsentDefaults();
        return false;
    }

    const QStringList lines = splitLines(decodeSettingsBytes(bytes));
    int slot = 0;
    for (const QString& line : lines) {
        if (slot >= StationSettings::kSlotCount)
            break;
        settings.setValue(slot, parseLine(line));
        if (settings.isEmpty(slot))
            break;
        ++slot;
    }
    settings.fillAbsentDefaults();
    return true;
}

bool saveStationSettings(const StationSettings& settings, const QString& filePath, QString* error)
{
    QString content;
    for (int slot = 0; slot < StationSettings::kFileSlotCount; ++slot)
        content += formatSlot(settings, slot) + QLatin1String("\r\n");

    QSaveFile file(filePath);
    // In a folder that cannot be written no temporary file can be made beside the file: it is then
    // written in place, when it may be. Only then: a folder that is full must not see the file cut
    // before it is written.
    file.setDirectWriteFallback(!QFileInfo(QFileInfo(filePath).absolutePath()).isWritable());
    const auto fail = [&](const QString& reason) {
        setError(error, QStringLiteral("Cannot write the settings file %1: %2").arg(displayName(filePath), reason));
        return false;
    };
    // Only a regular file is replaced, or a new one made: a link that points nowhere would have
    // its target created somewhere else.
    const QFileInfo info(filePath);
    if (info.isSymLink() && !info.exists())
        return fail(QStringLiteral("it is a link to %1, which does not exist")
                        .arg(QDir::toNativeSeparators(info.symLinkTarget())));
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("it is not a regular file"));
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QString reason;
    if (!writeToSaveFile(file, content.toUtf8(), &reason)) {
        file.cancelWriting();
        return fail(reason);
    }
    if (!commitSaveFile(file, &reason))
        return fail(reason);
    return true;
}

} // namespace mivra
