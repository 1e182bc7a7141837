#pragma once

#include "ContestSettings.h"

#include <QDialog>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;

namespace mivra {

// Fills a list with the contest bands (50 MHz and up) by their EDI text and selects band (a band
// value), or the first when it is none of them.
void fillContestBands(QComboBox* box, const QString& band);

// "Contest": the name, UTC span and band of the contest to work. OK starts it, "End contest"
// ends it (the dialog then returns kEnded).
class ContestDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kEnded = 2;

    // stations: the names of the station profiles the contest may be worked from.
    ContestDialog(const ContestSettings& contest, const QStringList& stations = {}, QWidget* parent = nullptr);
    ContestSettings contest() const;

private:
    QLineEdit* m_name;
    QDateTimeEdit* m_start;
    QDateTimeEdit* m_end;
    QComboBox* m_band;
    QComboBox* m_station;
};

} // namespace mivra
