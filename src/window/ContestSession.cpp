#include "ContestSession.h"

#include "StationProfiles.h"

#include "BandPlan.h"
#include "Clock.h"
#include "ContestDialog.h"
#include "ContestLog.h"
#include "ContestPositions.h"
#include "ContestScore.h"
#include "EntryRow.h"
#include "LogDatabase.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "Twips.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace mivra {

namespace {

QLabel* makeLabel(QWidget* window, const char* name)
{
    auto* label = placeControl(new QLabel(window), MainWindowLayout::control(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// "IARU 2m: 23 QSOs  4512 pts  14 squares  best OK1ABC 612 km"
QString scoreText(const ContestSettings& contest, const std::vector<LogRow>& rows, const ContestScore& score)
{
    const QString name = contest.name.isEmpty() ? QStringLiteral("Contest") : contest.name;
    QString text = QStringLiteral("%1: %2 QSOs  %3 pts  %4 squares")
                       .arg(name)
                       .arg(score.validContacts)
                       .arg(score.points)
                       .arg(score.squares);
    if (score.best >= 0) {
        const auto best = std::size_t(score.best);
        text += QStringLiteral("  best %1 %2 km")
                    .arg(rows[best].callsign.trimmed().toUpper())
                    .arg(std::floor(score.contacts[best].distanceKm), 0, 'f', 0);
    }
    return text;
}

// How long another position's last contact on the band counts as that position working it now.
constexpr int kSharedBandMinutes = 15;

// What the score line adds for a shared log: other positions logging the same band, serials sent twice.
QString sharedBandText(const QStringList& positions, const QList<int>& repeated)
{
    QString text;
    if (!positions.isEmpty())
        text = QStringLiteral("%1 on this band too: serials may repeat").arg(positions.join(u", "_qs));
    if (!repeated.isEmpty()) {
        QStringList serials;
        for (const int serial : repeated)
            serials << QString::number(serial).rightJustified(3, u'0');
        text += (text.isEmpty() ? QString() : QStringLiteral("  |  "))
                + QStringLiteral("serial %1 sent twice").arg(serials.join(u", "_qs));
    }
    return text;
}

} // namespace

ContestSession::ContestSession(QWidget* window, EntryRow& entry, Services services)
    : QObject(window)
    , m_entry(entry)
    , m_services(std::move(services))
{
    // On the caption line of the band buttons, right of the radio's line; DUPE at the end of the
    // worked-before line of the aids.
    const ControlPlace& button = MainWindowLayout::control("contest");
    m_button = placeControl(new QPushButton(button.captionText(), window), button);
    connect(m_button, &QPushButton::clicked, this, &ContestSession::edit);
    m_score = makeLabel(window, "contestScore");
    // Selectable, so the score can be copied.
    m_score->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // In the grid's caption bar (placed by the window), bold yellow on its blue.
    m_sharedBand = new QLabel(window);
    m_sharedBand->setObjectName(QStringLiteral("sharedBand"));
    QFont warning = m_sharedBand->font();
    warning.setBold(true);
    m_sharedBand->setFont(warning);
    QPalette yellow = m_sharedBand->palette();
    yellow.setColor(QPalette::WindowText, QColor(0xFF, 0xE0, 0x40));
    m_sharedBand->setPalette(yellow);
    m_dupe = makeLabel(window, "dupe");
    QFont bold = m_dupe->font();
    bold.setBold(true);
    m_dupe->setFont(bold);
    QPalette palette = m_dupe->palette();
    palette.setColor(QPalette::WindowText, QColor(0xD0, 0x00, 0x00));
    m_dupe->setPalette(palette);

    connect(&entry, &EntryRow::contactStarted, this, &ContestSession::onContactStarted);
    m_entry.setContestContact([this] {
        ContestSettings contest;
        return contactInContest(&contest);
    });
    connect(&entry, &EntryRow::callsignChecked, this, &ContestSession::onCallsignChecked);
    connect(&entry, &EntryRow::saved, m_dupe, &QLabel::clear);
    connect(&entry, &EntryRow::callsignEdited, m_dupe, &QLabel::clear);

    // The span begins and ends while the program runs.
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(30000);
    connect(m_clockTimer, &QTimer::timeout, this, &ContestSession::refresh);
    m_clockTimer->start();
}

bool ContestSession::readRows(const ContestSettings& contest, std::vector<LogRow>* rows) const
{
    QString error;
    if (readContestRows(m_services.log, {contest.band, contest.start, contest.end}, rows, &error))
        return true;
    m_score->setText(QStringLiteral("The contest log cannot be read: %1").arg(error));
    return false;
}

void ContestSession::refresh()
{
    if (m_services.logBusy && m_services.logBusy())
        return;
    QString error;
    const ContestSettings contest = readContestSettings(m_services.iniPath, &error);
    if (!error.isEmpty()) {
        m_score->setText(error);
        return;
    }
    std::vector<LogRow> rows;
    if (!contest.isRunning(m_services.clock.nowUtc())) {
        m_score->clear();
        m_sharedBand->clear();
        return;
    }
    if (!readRows(contest, &rows))
        return;
    QStringList others;
    if (!otherPositionsOnBand(m_services.log, {contest.band, contest.start, contest.end},
                              m_services.clock.nowUtc().addSecs(-60 * kSharedBandMinutes), &others, &error)) {
        m_score->setText(QStringLiteral("The contest log cannot be read: %1").arg(error));
        return;
    }
    m_score->setText(scoreText(contest, rows, scoreContest(rows, m_services.ownLocator())));
    m_sharedBand->setText(sharedBandText(others, repeatedSerials(rows)));
}

bool ContestSession::contactInContest(ContestSettings* contest) const
{
    *contest = readContestSettings(m_services.iniPath);
    if (!contest->isRunning(m_services.clock.nowUtc()))
        return false;
    const Band* band = bandOfText(m_entry.band());
    return band && band == bandWithValue(contest->band);
}

void ContestSession::onContactStarted()
{
    m_dupe->clear();
    ContestSettings contest;
    std::vector<LogRow> rows;
    if (!contactInContest(&contest) || !readRows(contest, &rows))
        return;
    m_entry.setReportSent(serialReport(nextSerial(rows), m_entry.mode()));
}

void ContestSession::onCallsignChecked(const QString& callsign)
{
    ContestSettings contest;
    std::vector<LogRow> rows;
    if (!contactInContest(&contest) || !readRows(contest, &rows))
        return;
    m_dupe->setText(isDuplicate(rows, callsign) ? QStringLiteral("DUPE") : QString());
}

void ContestSession::edit()
{
    QString error;
    ContestSettings contest = readContestSettings(m_services.iniPath, &error);
    if (!error.isEmpty()) {
        // Nothing could be kept in it either.
        m_services.messages.inform(m_button->window(), error);
        return;
    }
    if (!contest.isComplete()) {
        // A new contest: the selected band from now for a day, on whole minutes.
        QDateTime now = m_services.clock.nowUtc();
        now.setTime(QTime(now.time().hour(), now.time().minute()));
        contest.start = now;
        contest.end = now.addDays(1);
        if (contest.band.isEmpty())
            contest.band = m_services.bandValue();
    }
    StationProfiles stations = readStationProfiles(m_services.iniPath);
    QStringList names;
    for (const StationProfile& profile : stations.profiles)
        names << profile.name;
    ContestDialog dialog(contest, names, m_button->window());
    const int result = dialog.exec();
    if (result == QDialog::Rejected)
        return;
    ContestSettings chosen = result == ContestDialog::kEnded ? ContestSettings{} : dialog.contest();
    if (result == QDialog::Accepted && !chosen.isComplete()) {
        m_services.messages.inform(m_button->window(), QStringLiteral("The contest needs a start before its end."));
        return;
    }
    // The contest just ended is what the next EDI export will be about.
    if (result == ContestDialog::kEnded && contest.isComplete() && contest.start <= m_services.clock.nowUtc()) {
        ContestSettings ended = contest;
        ended.section = readEdiDefaults(m_services.iniPath).section;
        if (!writeEdiDefaults(m_services.iniPath, ended, &error))
            m_services.messages.inform(m_button->window(), error);
    }
    if (!writeContestSettings(m_services.iniPath, chosen, &error)) {
        m_services.messages.inform(m_button->window(), error);
    } else if (result == QDialog::Accepted && !chosen.station.isEmpty()) {
        // The contest's contacts are logged from its station.
        stations.active = chosen.station;
        if (!writeStationProfiles(m_services.iniPath, stations, &error))
            m_services.messages.inform(m_button->window(), error);
    }
    refresh();
}

} // namespace mivra
