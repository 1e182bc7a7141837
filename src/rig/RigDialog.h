#pragma once

#include "RigSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace mivra::rig {

// The radio the program reads: Hamlib model, port, serial speed and whether it is read at all.
class RigDialog : public QDialog {
    Q_OBJECT
public:
    explicit RigDialog(const RigSettings& settings, QWidget* parent = nullptr);
    RigSettings settings() const;

private:
    QCheckBox* m_enabled;
    QSpinBox* m_model;
    QLineEdit* m_port;
    QSpinBox* m_speed;
};

} // namespace mivra::rig
