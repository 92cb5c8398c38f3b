#include "console/match_window.h"

#include "platform/dialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace console {
namespace {

const QString teamNames[] = { QStringLiteral("Domácí"), QStringLiteral("Hosté") };

int side(bool home)
{
    return home ? 0 : 1;
}

} // namespace

MatchWindow::MatchWindow(MatchHost &host, QWidget *parent)
    : QDialog(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("MatchWindow"));
    setWindowTitle(QStringLiteral("Zápas"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);

    // The line the window opens with: team letter, number, length, Enter.
    auto *entryRow = new QHBoxLayout;
    auto *entryLabel = new QLabel(QStringLiteral("&Trest:"), this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("PenaltyEntry"));
    m_entry->setPlaceholderText(QStringLiteral("D12, H7 5, D4 2+2"));
    entryLabel->setBuddy(m_entry);
    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("PenaltyReason"));
    m_reason->setWordWrap(true);
    QPalette warn = m_reason->palette();
    warn.setColor(QPalette::WindowText, Qt::darkRed);
    m_reason->setPalette(warn);
    entryRow->addWidget(entryLabel);
    entryRow->addWidget(m_entry, 1);
    layout->addLayout(entryRow);
    layout->addWidget(m_reason);
    connect(m_entry, &QLineEdit::returnPressed, this, &MatchWindow::enterLine);
    m_entry->installEventFilter(this); // its own Ctrl+Z would only undo typing

    // The same through ordinary controls.
    auto *mouseRow = new QHBoxLayout;
    m_team = new QComboBox(this);
    m_team->setObjectName(QStringLiteral("PenaltyTeam"));
    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("PenaltyNumber"));
    m_number->setRange(0, 99);
    m_length = new QComboBox(this);
    m_length->setObjectName(QStringLiteral("PenaltyLength"));
    auto *add = new QPushButton(QStringLiteral("&Přidat"), this);
    add->setObjectName(QStringLiteral("PenaltyAdd"));
    add->setAutoDefault(false);
    auto *change = new QPushButton(QStringLiteral("&Změnit"), this);
    change->setObjectName(QStringLiteral("PenaltyChange"));
    change->setAutoDefault(false);
    m_number->setToolTip(QStringLiteral("Číslo hráče"));
    m_length->setToolTip(QStringLiteral("Délka trestu v minutách"));
    mouseRow->addWidget(m_team);
    mouseRow->addWidget(m_number);
    mouseRow->addWidget(m_length);
    mouseRow->addWidget(add);
    mouseRow->addWidget(change);
    layout->addLayout(mouseRow);
    connect(add, &QPushButton::clicked, this, [this] {
        run(m_host.addPenalty(m_team->currentIndex() == 0, m_number->value(),
                              m_length->currentText()));
    });
    connect(change, &QPushButton::clicked, this, [this] {
        const int id = selectedPenalty();
        run(id == 0 ? QStringLiteral("Vyberte trest v seznamu.")
                    : m_host.changePenalty(id, m_number->value(), m_length->currentText()));
    });

    m_penalties = new QTreeWidget(this);
    m_penalties->setObjectName(QStringLiteral("Penalties"));
    m_penalties->setHeaderLabels({ QStringLiteral("Tým"), QStringLiteral("Číslo"),
                                   QStringLiteral("Trest"), QStringLiteral("Zbývá") });
    m_penalties->setRootIsDecorated(false);
    m_penalties->setMinimumHeight(110);
    m_penalties->header()->setStretchLastSection(true);
    layout->addWidget(m_penalties, 1);
    auto *listRow = new QHBoxLayout;
    auto *end = new QPushButton(QStringLiteral("&Ukončit trest"), this);
    end->setObjectName(QStringLiteral("PenaltyEnd"));
    end->setAutoDefault(false);
    auto *remove = new QPushButton(QStringLiteral("&Odebrat trest"), this);
    remove->setObjectName(QStringLiteral("PenaltyRemove"));
    remove->setAutoDefault(false);
    listRow->addWidget(end);
    listRow->addWidget(remove);
    listRow->addStretch();
    layout->addLayout(listRow);
    connect(end, &QPushButton::clicked, this, [this] {
        const int id = selectedPenalty();
        run(id == 0 ? QStringLiteral("Vyberte trest v seznamu.") : m_host.endPenalty(id));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const int id = selectedPenalty();
        run(id == 0 ? QStringLiteral("Vyberte trest v seznamu.") : m_host.removePenalty(id));
    });
    connect(m_penalties, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item != nullptr && !m_refreshing) {
            m_team->setCurrentIndex(item->text(0) == teamNames[0] ? 0 : 1);
            m_number->setValue(item->text(1).toInt());
            m_length->setCurrentText(item->data(2, Qt::UserRole).toString());
        }
    });

    // Timeouts, on the wall clock; the operator stops the game clock as always.
    auto *timeouts = new QGroupBox(QStringLiteral("Oddechové časy"), this);
    auto *timeoutGrid = new QGridLayout(timeouts);
    for (const bool home : { true, false }) {
        auto *take = new QPushButton(
            home ? QStringLiteral("&1 Domácí") : QStringLiteral("&2 Hosté"), this);
        take->setObjectName(home ? QStringLiteral("TimeoutHome") : QStringLiteral("TimeoutGuest"));
        take->setAutoDefault(false);
        m_timeouts[side(home)] = new QLabel(this);
        timeoutGrid->addWidget(take, side(home), 0);
        timeoutGrid->addWidget(m_timeouts[side(home)], side(home), 1);
        connect(take, &QPushButton::clicked, this, [this, home] { run(m_host.takeTimeout(home)); });
    }
    layout->addWidget(timeouts);

    // Teams and sport: saved as soon as they change, so the next match starts with them.
    auto *teams = new QHBoxLayout;
    teams->addWidget(teamBox(true));
    teams->addWidget(teamBox(false));
    layout->addLayout(teams);
    auto *sportRow = new QHBoxLayout;
    auto *sportLabel = new QLabel(QStringLiteral("&Sport:"), this);
    m_sport = new QComboBox(this);
    m_sport->setObjectName(QStringLiteral("Sport"));
    m_sport->addItems(m_host.sports());
    sportLabel->setBuddy(m_sport);
    auto *newMatch = new QPushButton(QStringLiteral("&Nový zápas…"), this);
    newMatch->setObjectName(QStringLiteral("NewMatch"));
    newMatch->setAutoDefault(false);
    sportRow->addWidget(sportLabel);
    sportRow->addWidget(m_sport);
    sportRow->addStretch();
    sportRow->addWidget(newMatch);
    layout->addLayout(sportRow);
    connect(m_sport, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_refreshing) {
            run(m_host.setSport(index));
        }
    });
    connect(newMatch, &QPushButton::clicked, this, &MatchWindow::confirmNewMatch);

    // Ctrl+Z takes back the window's last action; it never touches the game clock.
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, [this] { run(m_host.undo()); });

    m_team->addItems({ teamNames[0], teamNames[1] });
    refresh();
}

QWidget *MatchWindow::teamBox(bool home)
{
    const int i = side(home);
    auto *box = new QGroupBox(teamNames[i], this);
    auto *grid = new QGridLayout(box);
    m_name[i] = new QLineEdit(box);
    m_name[i]->setObjectName(home ? QStringLiteral("HomeName") : QStringLiteral("GuestName"));
    m_short[i] = new QLineEdit(box);
    m_short[i]->setObjectName(home ? QStringLiteral("HomeShort") : QStringLiteral("GuestShort"));
    m_short[i]->setMaxLength(4);
    m_colour[i] = new QPushButton(QStringLiteral("Barva…"), box);
    m_colour[i]->setObjectName(home ? QStringLiteral("HomeColour") : QStringLiteral("GuestColour"));
    m_colour[i]->setAutoDefault(false);
    grid->addWidget(new QLabel(QStringLiteral("Název"), box), 0, 0);
    grid->addWidget(m_name[i], 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Zkratka"), box), 1, 0);
    grid->addWidget(m_short[i], 1, 1);
    grid->addWidget(m_colour[i], 1, 2);
    connect(m_name[i], &QLineEdit::editingFinished, this, [this, home] { teamEdited(home); });
    connect(m_short[i], &QLineEdit::editingFinished, this, [this, home] { teamEdited(home); });
    connect(m_colour[i], &QPushButton::clicked, this, [this, home] { pickColour(home); });
    return box;
}

bool MatchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_entry && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo)) {
        run(m_host.undo());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MatchWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refresh();
    m_entry->setFocus();
    m_entry->selectAll();
}

void MatchWindow::run(const QString &refusal)
{
    m_reason->setText(refusal);
    refresh();
}

void MatchWindow::enterLine()
{
    const QString refusal = m_host.enterPenalty(m_entry->text());
    if (refusal.isEmpty()) {
        m_entry->clear();
    }
    run(refusal);
}

void MatchWindow::teamEdited(bool home)
{
    if (m_refreshing) {
        return;
    }
    const int i = side(home);
    MatchHost::Team team = m_host.team(home);
    team.name = m_name[i]->text().trimmed();
    team.shortName = m_short[i]->text().trimmed();
    const MatchHost::Team before = m_host.team(home);
    if (team.name != before.name || team.shortName != before.shortName) {
        run(m_host.setTeam(home, team));
    }
}

void MatchWindow::pickColour(bool home)
{
    MatchHost::Team team = m_host.team(home);
    const QColor chosen
        = QColorDialog::getColor(team.color.isEmpty() ? QColor(Qt::white) : QColor(team.color),
                                 this, QStringLiteral("Barva – %1").arg(team.name));
    if (chosen.isValid()) {
        team.color = chosen.name();
        run(m_host.setTeam(home, team));
    }
}

void MatchWindow::confirmNewMatch()
{
    const platform::MsgResult answer = platform::messageBox(
        QStringLiteral("Začít nový zápas? Skóre bude 0 : 0, poločas 1 a hodiny budou stát; "
                       "tresty a oddechové časy se smažou. Nic se neodešle do bodovky."),
        QStringLiteral("Nový zápas"), platform::MsgIcon::Question, platform::MsgButtons::YesNo);
    if (answer == platform::MsgResult::Yes) {
        m_host.startNewMatch();
        run(QString());
    }
}

int MatchWindow::selectedPenalty() const
{
    const QTreeWidgetItem *item = m_penalties->currentItem();
    return item != nullptr ? item->data(0, Qt::UserRole).toInt() : 0;
}

void MatchWindow::refresh()
{
    m_refreshing = true;
    for (const bool home : { true, false }) {
        const int i = side(home);
        const MatchHost::Team team = m_host.team(home);
        if (!m_name[i]->hasFocus()) {
            m_name[i]->setText(team.name);
        }
        if (!m_short[i]->hasFocus()) {
            m_short[i]->setText(team.shortName);
        }
        m_colour[i]->setStyleSheet(
            team.color.isEmpty() ? QString()
                                 : QStringLiteral("border-left: 12px solid %1;").arg(team.color));
        m_timeouts[i]->setText(m_host.timeouts(home));
    }
    m_sport->setCurrentIndex(m_host.sport());
    const QStringList lengths = m_host.lengths();
    if (lengths != [this] {
            QStringList shown;
            for (int i = 0; i < m_length->count(); ++i) {
                shown << m_length->itemText(i);
            }
            return shown;
        }()) {
        m_length->clear();
        m_length->addItems(lengths);
    }

    const int selected = selectedPenalty();
    m_penalties->clear();
    for (const MatchHost::PenaltyRow &row : m_host.penalties()) {
        auto *item = new QTreeWidgetItem(m_penalties);
        item->setText(0, teamNames[side(row.home)]);
        item->setText(1, QString::number(row.number));
        item->setText(2, row.length + QStringLiteral("′"));
        item->setData(2, Qt::UserRole, row.length);
        item->setText(3, row.waiting ? row.left + QStringLiteral(" (čeká)") : row.left);
        item->setData(0, Qt::UserRole, row.id);
        if (row.id == selected) {
            m_penalties->setCurrentItem(item);
        }
    }
    m_refreshing = false;
}

} // namespace console
