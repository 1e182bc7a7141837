#pragma once

#include "LogRow.h"

#include <vector>

namespace mivra {

// The station a callsign names in a contest, whether fixed, portable or mobile: "dl1abc/p" is "DL1ABC".
QString contestStation(const QString& callsign);

// Distance in km between the centres of two locators (6 characters or more are read; 111.2 km
// per degree of great circle), -1 when either is not a locator, and the QSO points it gives:
// each commenced km counts.
double ediDistance(const QString& ownLocator, const QString& locator);
int ediPoints(double distanceKm);

// One contact as the contest counts it.
struct ScoredContact {
    bool duplicate = false;   // its station is on an earlier row
    double distanceKm = -1.0; // -1 without a 6-character locator
    int points = 0;           // 0 for a duplicate or a contact without distance
    bool newSquare = false;
    bool newEntity = false;
};

// The claimed score of the contacts of one band in time order, from the own locator.
struct ContestScore {
    std::vector<ScoredContact> contacts; // one per row, in the rows' order
    int validContacts = 0;
    qint64 points = 0;
    int squares = 0;
    int entities = 0;
    int best = -1; // the row of the most points (the first of equals); -1 when no row counts
};

ContestScore scoreContest(const std::vector<LogRow>& rows, const QString& ownLocator);

} // namespace mivra
