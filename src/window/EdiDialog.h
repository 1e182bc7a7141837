#pragma once

#include "EdiExport.h"

#include <QDialog>
#include <QMap>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;

namespace mivra {

// The contest details of an EDI export: name, band, section, span (UTC), operators and remarks,
// and the station's details for the header (each field named by its EDI key).
class EdiDialog : public QDialog {
    Q_OBJECT
public:
    EdiDialog(const EdiOptions& options, QWidget* parent = nullptr);
    // The options with what the user entered.
    EdiOptions options() const;

private:
    EdiOptions m_options;
    QLineEdit* m_contest;
    QComboBox* m_band;
    QComboBox* m_section;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QLineEdit* m_operators;
    QPlainTextEdit* m_remarks;
    QMap<QString, QLineEdit*> m_station; // by EDI key
};

} // namespace mivra
