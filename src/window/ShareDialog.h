#pragma once

#include "ShareSettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mivra {

class Messages;
class WorkerThread;

// "Shared log…": the server's URL and this position's name, the state of the sharing, and Join
// (the server is checked first: reachable, PostgreSQL, holding a shared log of this layout) and
// Leave. Ends with kJoined and the settings to use, kLeft, or Rejected.
class ShareDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kJoined = 2;
    static constexpr int kLeft = 3;

    // shown: the settings in use (empty when not shared); state: how the sharing stands.
    ShareDialog(const ShareSettings& shown, const QString& state, Messages& messages, QWidget* parent = nullptr);
    ~ShareDialog() override;

    ShareSettings chosen() const { return m_chosen; }

private:
    void join();
    void onChecked(const QString& error);

    Messages& m_messages;
    QLineEdit* m_url;
    QLineEdit* m_position;
    QLabel* m_state;
    QPushButton* m_join;
    QPushButton* m_leave;
    WorkerThread* m_checker = nullptr;
    ShareSettings m_chosen;
    bool m_shared; // sharing when the dialog opened: Leave has something to stop
};

} // namespace mivra
