#include "BandPlan.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

namespace mivra {
namespace {

// A frequency on either edge of a band is in the band (the radio's frequency, an imported FREQ);
// just beyond an edge it is not.
// A band button shows the rows whose band value begins with its own: no other band's value, and no
// frequency inside another band, may begin so, or its contacts would be shown under that button.
TEST(BandPlan, AButtonSelectsOnlyItsOwnBand)
{
    for (const Band& band : bandPlan()) {
        QStringList texts{band.valueText()};
        if (!band.isShortWave())
            texts << QString::number((band.lowMHz + band.highMHz) / 2, 'f', 3);
        for (int button = 0; button < int(bandButtons().size()); ++button) {
            const Band* shown = bandButtons()[std::size_t(button)].band;
            if (!shown || shown == &band)
                continue;
            for (const QString& text : texts)
                EXPECT_FALSE(text.startsWith(bandValue(bandPattern(button))))
                    << band.adifName << " " << text.toStdString() << " under " << shown->adifName;
        }
    }
}

TEST(BandPlan, BothEdgesBelongToTheBand)
{
    for (const Band& band : bandPlan()) {
        SCOPED_TRACE(band.adifName);
        EXPECT_EQ(bandAtFrequency(band.lowMHz), &band);
        EXPECT_EQ(bandAtFrequency(band.highMHz), &band);
        EXPECT_NE(bandAtFrequency(band.highMHz + 1e-6), &band);
        EXPECT_NE(bandAtFrequency(band.lowMHz - 1e-6), &band);
        // A band text that is a frequency in MHz (from 30 MHz up to where figures read as kHz).
        if (band.lowMHz < 30.0 || band.highMHz >= 1000.0)
            continue;
        const QString upperEdge = QString::number(band.highMHz, 'f', 3);
        EXPECT_EQ(bandOfText(upperEdge), &band) << upperEdge.toStdString();
    }
}

} // namespace
} // namespace mivra
