#include "FocusedValueChanges.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

namespace mivra {

void FocusedValueChanges::guard(QWidget* dialog)
{
    auto* filter = new FocusedValueChanges(dialog);
    const auto watch = [filter](QWidget* control) {
        // No focus from the wheel either: it would give the control the focus and then turn it.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(filter);
    };
    for (QComboBox* box : dialog->findChildren<QComboBox*>())
        watch(box);
    for (QAbstractSpinBox* box : dialog->findChildren<QAbstractSpinBox*>())
        watch(box);
}

bool FocusedValueChanges::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        auto* control = static_cast<QWidget*>(watched);
        if (!control->hasFocus()) {
            // Handed to the dialog, as if the pointer were over the empty space beside the control.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mivra
