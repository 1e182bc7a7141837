#include "BandPlan.h"

#include <gtest/gtest.h>

#include <QString>

namespace mivra {
namespace {

// A frequency on either edge of a band is in the band (the radio's frequency, an imported FREQ);
// just beyond an edge it is not.
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
