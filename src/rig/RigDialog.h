#pragma once

#include "RigSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListView;
class QSortFilterProxyModel;
class QSpinBox;
class QStandardItemModel;

namespace mivra::rig {

// The radio the program reads: the Hamlib radio chosen from its makers and models (a search narrows
// the list), port, serial speed and whether it is read at all. OK refuses a port the radio cannot use.
class RigDialog : public QDialog {
    Q_OBJECT
public:
    explicit RigDialog(const RigSettings& settings, QWidget* parent = nullptr);
    RigSettings settings() const;

    void accept() override;

private:
    void narrow(const QString& text);

    QCheckBox* m_enabled;
    QLineEdit* m_search;
    QListView* m_models;
    QStandardItemModel* m_list;
    QSortFilterProxyModel* m_filter;
    QLineEdit* m_port;
    QSpinBox* m_speed;
    int m_model;
};

} // namespace mivra::rig
