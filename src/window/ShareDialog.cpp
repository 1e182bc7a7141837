#include "ShareDialog.h"

#include "Messages.h"
#include "PgConnection.h"
#include "ServerSchema.h"
#include "WorkerThread.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mivra {

namespace {

// Empty when the server at url holds a shared log this program can join; else why not.
QString checkServerAt(const QString& url)
{
    QString error;
    share::PgConnection server;
    if (!server.open(url, &error))
        return QStringLiteral("The shared log's server cannot be reached, or what answers there is no PostgreSQL "
                              "server: %1")
            .arg(error);
    if (!share::checkServer(server, &error))
        return error.isEmpty() ? QStringLiteral("The server does not answer as a PostgreSQL server does.") : error;
    return {};
}

} // namespace

ShareDialog::ShareDialog(const ShareSettings& shown, const QString& state, Messages& messages, QWidget* parent)
    : QDialog(parent)
    , m_messages(messages)
    , m_url(new QLineEdit(shown.url, this))
    , m_position(new QLineEdit(shown.position, this))
    , m_state(new QLabel(state, this))
    , m_join(new QPushButton(QStringLiteral("&Join"), this))
    , m_leave(new QPushButton(QStringLiteral("&Leave"), this))
    , m_shared(shown.isSet())
{
    setObjectName(QStringLiteral("ShareDialog"));
    setWindowTitle(QStringLiteral("Shared log"));
    m_url->setObjectName(QStringLiteral("shareUrl"));
    m_url->setPlaceholderText(QStringLiteral("postgresql://host/database"));
    m_url->setMinimumWidth(380);
    m_position->setObjectName(QStringLiteral("sharePosition"));
    m_position->setPlaceholderText(QStringLiteral("e.g. 432"));
    m_state->setObjectName(QStringLiteral("shareState"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_join->setObjectName(QStringLiteral("join"));
    m_join->setToolTip(QStringLiteral("Check the server and log into the shared log from now on; the first sync "
                                      "brings every position's contacts here"));
    m_leave->setObjectName(QStringLiteral("leave"));
    m_leave->setToolTip(QStringLiteral("Stop sharing; every contact stays in this log"));
    m_leave->setEnabled(m_shared);

    auto* credentials = new QLabel(QStringLiteral("The password comes from ~/.pgpass or the PGPASSWORD environment "
                                                  "variable; Mivra keeps none."),
                                   this);
    credentials->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_join, QDialogButtonBox::ActionRole);
    buttons->addButton(m_leave, QDialogButtonBox::ActionRole);
    m_join->setDefault(true);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Server URL:"), m_url);
    form->addRow(QStringLiteral("&Position:"), m_position);
    form->addRow(QString(), credentials);
    form->addRow(QStringLiteral("State:"), m_state);
    form->addRow(buttons);

    connect(m_join, &QPushButton::clicked, this, &ShareDialog::join);
    connect(m_leave, &QPushButton::clicked, this, [this] { done(kLeft); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ShareDialog::~ShareDialog() = default;

void ShareDialog::join()
{
    const ShareSettings typed{m_url->text().trimmed(), m_position->text().trimmed()};
    for (const auto& [fault, box] :
         {std::pair{shareUrlFault(typed.url), m_url}, std::pair{positionNameFault(typed.position), m_position}}) {
        if (!fault.isEmpty()) {
            m_messages.inform(this, fault);
            box->setFocus();
            return;
        }
    }
    m_chosen = typed;
    if (!m_checker)
        m_checker = new WorkerThread(QStringLiteral("share check"), nullptr, this);
    for (QWidget* control : std::initializer_list<QWidget*>{m_url, m_position, m_join, m_leave})
        control->setEnabled(false);
    m_state->setText(QStringLiteral("Checking the server…"));
    m_checker->run([url = typed.url] { return checkServerAt(url); },
                   [this](const QString& error) { onChecked(error); });
}

void ShareDialog::onChecked(const QString& error)
{
    if (error.isEmpty()) {
        done(kJoined);
        return;
    }
    for (QWidget* control : std::initializer_list<QWidget*>{m_url, m_position, m_join})
        control->setEnabled(true);
    m_leave->setEnabled(m_shared);
    m_url->setFocus();
    m_state->setText(QStringLiteral("Not joined: %1").arg(error));
    m_messages.inform(this, error + QStringLiteral("\n\nNothing was changed: this position logs on as before."));
}

} // namespace mivra
