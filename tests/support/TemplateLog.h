#pragma once

#include "LogDatabase.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mivra::test {

// Building the DXCC table takes a moment: one log per test binary, made from ctyCsv at the first
// call, which every test copies.
inline QString templateLog(const QString& ctyCsv)
{
    static QTemporaryDir dir;
    static const QString path = [&ctyCsv] {
        const QString file = dir.filePath(QStringLiteral("template.sqlite"));
        QString error;
        if (!LogDatabase::open(file, ctyCsv, &error))
            ADD_FAILURE() << error.toStdString();
        return file;
    }();
    return path;
}

// A copy of the template log at path, writable by its owner.
inline bool copyTemplateLog(const QString& ctyCsv, const QString& path)
{
    return QFile::copy(templateLog(ctyCsv), path)
           && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace mivra::test
