#pragma once

#include "../log/LogTestSupport.h"

#include "AdifFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace mivra::test {

// The rows of logtab without their IDs, in ID order, each as one text.
inline QStringList logRows(const LogDatabase& log)
{
    QSqlQuery query(log.database());
    QStringList rows;
    if (!query.exec(u"SELECT Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, Comment, Prop, QSLman"
                    " FROM logtab ORDER BY ID"_qs))
        return {u"<error>"_qs};
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < 14; ++i)
            values << query.value(i).toString();
        rows << values.join(u'|');
    }
    return rows;
}

// The records of an .adi file as the npm package adif-parser-ts reads them: lower-case names.
inline QJsonArray recordsByAdifParserTs(const QString& adiPath)
{
    const QString module = QStringLiteral(ADIF_PARSER_TS);
    QProcess node;
    node.start(u"node"_qs, {u"-e"_qs,
                            u"const {AdifParser} = require(process.argv[1]);"
                            "const text = require('fs').readFileSync(process.argv[2], 'latin1');"
                            "console.log(JSON.stringify(AdifParser.parseAdi(text).records || []));"_qs,
                            module, adiPath});
    if (!node.waitForFinished(30000) || node.exitCode() != 0) {
        ADD_FAILURE() << "node with adif-parser-ts (" << module.toStdString()
                      << ", installed by scripts/setup.sh) failed: " << node.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(node.readAllStandardOutput()).array();
}

// Checks that adif-parser-ts finds in the file the same records and values as our reader.
inline void expectSameReading(const QString& adiPath)
{
    QFile file(adiPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<adif::AdifRecord> ours = adif::readAdif(file.readAll());
    const QJsonArray theirs = recordsByAdifParserTs(adiPath);
    ASSERT_EQ(qsizetype(ours.size()), theirs.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const QJsonObject record = theirs[qsizetype(i)].toObject();
        EXPECT_EQ(record.size(), ours[i].fields.size()) << "record " << i + 1;
        for (const auto& [name, text, type] : ours[i].fields)
            EXPECT_EQ(record.value(name.toLower()).toString(), text)
                << "record " << i + 1 << " field " << name.toStdString();
    }
}

} // namespace mivra::test
