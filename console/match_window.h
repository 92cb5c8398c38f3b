#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace console {

/// What the match window shows and asks of the main window, which owns the match, its journal
/// and the clock the penalties count on. Every action returns why it was refused, or nothing.
class MatchHost
{
public:
    struct Team
    {
        QString name, shortName, color;
    };
    struct PenaltyRow
    {
        int id = 0;
        bool home = true;
        int number = 0;
        QString length; ///< "2", "2+2", "5", "10"
        QString left;   ///< "1:57"
        bool waiting = false;
    };

    virtual ~MatchHost() = default;
    virtual Team team(bool home) const = 0;
    virtual QStringList sports() const = 0;
    virtual int sport() const = 0;
    /// The penalty lengths the sport offers, the usual first.
    virtual QStringList lengths() const = 0;
    virtual QList<PenaltyRow> penalties() const = 0;
    /// "Oddechové časy: 1", with a running one's countdown.
    virtual QString timeouts(bool home) const = 0;

    virtual QString setTeam(bool home, const Team &team) = 0;
    virtual QString setSport(int sport) = 0;
    /// A line such as "D12", "H7 5", "D4 2+2".
    virtual QString enterPenalty(const QString &line) = 0;
    virtual QString addPenalty(bool home, int number, const QString &length) = 0;
    virtual QString changePenalty(int id, int number, const QString &length) = 0;
    virtual QString endPenalty(int id) = 0;
    virtual QString removePenalty(int id) = 0;
    virtual QString takeTimeout(bool home) = 0;
    /// Takes back the match window's last action; nothing when there is none.
    virtual QString undo() = 0;
    /// Begins a new match, once the operator has said Yes.
    virtual void startNewMatch() = 0;
};

/// The match window: teams, sport, penalties and timeouts, which the scoreboard cannot show.
/// Non-modal; a view of the match the main window owns. It sends nothing to the controller.
class MatchWindow final : public QDialog
{
    Q_OBJECT

public:
    MatchWindow(MatchHost &host, QWidget *parent);

    /// Shows what the match holds now.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *teamBox(bool home);
    void run(const QString &refusal);
    void enterLine();
    void teamEdited(bool home);
    void pickColour(bool home);
    void confirmNewMatch();
    int selectedPenalty() const;

    MatchHost &m_host;
    QLineEdit *m_name[2] {};
    QLineEdit *m_short[2] {};
    QPushButton *m_colour[2] {};
    QComboBox *m_sport;
    QLineEdit *m_entry;
    QLabel *m_reason;
    QComboBox *m_team;
    QSpinBox *m_number;
    QComboBox *m_length;
    QTreeWidget *m_penalties;
    QLabel *m_timeouts[2] {};
    bool m_refreshing = false;
};

} // namespace console
