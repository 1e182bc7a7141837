#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;

namespace mivra {

class LogGrid;
struct AppContext;

// "Recompute distances..." in the grid's context menu: the distance and heading of every contact
// anew from the own locator it was made from (My Grid where it has none), after a copy of the log,
// in one transaction that Cancel rolls back.
class RecomputeDistances : public QObject {
    Q_OBJECT
public:
    struct Services {
        AppContext& context;
        QLineEdit* ownLocator;
        std::function<bool()> logBusy;    // an import holds the log
        std::function<void()> reloadView; // reads what the grid shows anew
    };

    RecomputeDistances(LogGrid* grid, Services services);

    void recompute();

private:
    // The work itself, once the copy of the log is made.
    void recomputeAfterCopy(const QString& own, const QString& copy);

    LogGrid* m_grid;
    Services m_services;
    bool m_copying = false; // the copy before the work is being made
};

} // namespace mivra
