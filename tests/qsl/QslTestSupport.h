#pragma once

#include "CardOutput.h"
#include "LogDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace mivra::qsl::test {

// Records each card instead of printing it; cards of the callsigns in failFor do not come out.
class RecordingOutput : public CardOutput {
public:
    bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error) override
    {
        if (failFor.contains(callsign)) {
            *error = QStringLiteral("paper jam");
            return false;
        }
        cards.push_back(card);
        withSign.push_back(!images.sign.isNull());
        return true;
    }
    std::vector<CardFields> cards;
    std::vector<bool> withSign;
    QStringList failFor;
};

// A fresh log in a temporary folder (a copy of one made from cty.csv once per run).
class LogTest : public ::testing::Test {
protected:
    void SetUp() override;
    qint64 addContact(const QString& callsign, const QString& qsl, const QString& date = QStringLiteral("2026-05-01"),
                      const QString& band = QStringLiteral("144"));
    QString state(qint64 id) const;
    int rowsWithState(const QString& state) const; // exact, case counts

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

// The folder with the project's own bitmaps.
QString assetsFolder();

// A word of `pdftotext -bbox`, its box in points.
struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax;
};
std::vector<PdfWord> pdfWords(const QString& pdf);
int pdfPages(const QString& pdf);

} // namespace mivra::qsl::test
