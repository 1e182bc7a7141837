#pragma once

#include <QObject>

class QWidget;

namespace mivra {

// Lists, dates and numbers of a dialog change only when the operator means it: the wheel turned
// over such a control that has no keyboard focus scrolls past it, and a click or Tab is needed
// before the wheel or a key changes its value.
class FocusedValueChanges : public QObject {
public:
    // Guards every combo box, date/time edit and spin box inside dialog; owned by the dialog.
    static void guard(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace mivra
