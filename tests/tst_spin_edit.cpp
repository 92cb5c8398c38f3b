#include "controls/push_button.h"
#include "controls/spin.h"
#include "controls/spin_geometry.h"
#include "platform/errors.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using testing::BeepCounter;
using testing::RecordingDialogs;

namespace {

// A dialog with the two score fields of the main window (range -1 .. 100, wrapped to 0 .. 99
// by their change handler) and a default push button with an accelerator. Every event of the
// fields goes to the log: "D change 100" starts a change handler, "D end 100" ends it.
class ScoreWindow final : public QDialog
{
public:
    ScoreWindow()
    {
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(11);
        setFont(font);
        domaci = addField(QStringLiteral("DomaciSpinEdit"), 8);
        hoste = addField(QStringLiteral("HosteSpinEdit"), 96);
        odeslat = new controls::PushButton(QStringLiteral("&Odeslat"), this);
        odeslat->setGeometry(8, 40, 75, 25);
        odeslat->setDefault(true);
        connect(odeslat, &QPushButton::clicked, this, [this] { log << QStringLiteral("click"); });
        resize(200, 80);
    }

    TSpinEdit *addField(const QString &name, int left)
    {
        auto *field = new TSpinEdit(this);
        field->setObjectName(name);
        field->setGeometry(left, 8, 73, 22);
        field->setMaxValue(100);
        field->setMinValue(-1);
        field->setValue(0);
        field->OnChange = [this](QObject *sender) { wrap(static_cast<TSpinEdit *>(sender)); };
        field->OnExit = [this](QObject *sender) { record(sender, "exit"); };
        field->OnEnter = [this](QObject *sender) { record(sender, "enter"); };
        return field;
    }

    void record(QObject *sender, const char *what)
    {
        const auto *field = static_cast<TSpinEdit *>(sender);
        log << field->objectName().left(1) + QLatin1Char(' ') + QLatin1String(what)
                   + QLatin1Char(' ') + field->text();
    }

    void wrap(TSpinEdit *field)
    {
        const QString text = field->text();
        record(field, "change");
        if (field->text() == QLatin1String("-1")) {
            field->setText(QStringLiteral("99"));
        }
        if (field->text() == QLatin1String("100")) {
            field->setText(QStringLiteral("0"));
        }
        log << field->objectName().left(1) + QStringLiteral(" end ") + text;
    }

    TSpinEdit *domaci;
    TSpinEdit *hoste;
    controls::PushButton *odeslat;
    QStringList log;
};

QStringList lines(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char('|'));
}

// Counts the wheel events that reach a widget.
class WheelCounter final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel) {
            ++count;
        }
        return false;
    }
    int count = 0;
};

} // namespace

class TestSpinEdit final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutOfTheField();
    void arrowsShowTheirPictures();
    void restoringTheBuiltInGlyph();

    void stepWrapsInsideTheStep_data();
    void stepWrapsInsideTheStep();
    void typedTextIsLimitedOnlyOnLeaving();
    void deactivationDoesNotLeaveTheField();
    void acceleratorClicksAtOnceWithoutLeaving();
    void enterIsRefusedWithBeep_data();
    void enterIsRefusedWithBeep();
    void escapeStaysInTheField();
    void keyRepeatSteps_data();
    void keyRepeatSteps();
    void otherKeysAndWheelDoNotStep();
    void equalBoundsLimitNothing();
    void pastedTextReadsAsMinimum();
    void validFormsStayAfterLeaving_data();
    void validFormsStayAfterLeaving();
    void typingOverTheSameCharacterChangesNothing();
    void characterFilter_data();
    void characterFilter();
    void clipboardFollowsEditorEnabled();
    void entryRule_data();
    void entryRule();
    void arrowPressLeavesTheOtherFieldFirst();
    void pressSpentOnTheExitCheckBox_data();
    void pressSpentOnTheExitCheckBox();
    void holdingAnArrowRepeats();
    void repeatPausesOffTheArrow();
    void readOnlyStepsBeep();
    void errorInChangeHandlerIsShown();
    void standalonePairKeys();

private:
    void type(TSpinEdit *field, const QString &text);

    std::unique_ptr<ScoreWindow> m_window;
    TSpinEdit *m_domaci = nullptr;
    TSpinEdit *m_hoste = nullptr;
};

void TestSpinEdit::initTestCase()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
}

void TestSpinEdit::init()
{
    // The decimal separator the field accepts is the locale's: the same on every machine.
    QLocale::setDefault(QLocale::c());
    m_window = std::make_unique<ScoreWindow>();
    m_domaci = m_window->domaci;
    m_hoste = m_window->hoste;
    m_window->show();
    m_window->activateWindow(); // X without a window manager activates nothing by itself
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(m_domaci->hasFocus());
    QCOMPARE(m_window->log, lines("D enter 0"));
    m_window->log.clear();
}

void TestSpinEdit::cleanup()
{
    m_window.reset();
}

void TestSpinEdit::type(TSpinEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

void TestSpinEdit::layoutOfTheField()
{
    using namespace controls;
    QCOMPARE(lineHeightForPixelSize(11), 13);
    QCOMPARE(minimumFieldHeight(13, 16), 22);
    QCOMPARE(minimumFieldHeight(13, 8), 21);

    QCOMPARE(arrowPairRect(QSize(73, 22), true), QRect(55, 2, 15, 17));
    QCOMPARE(arrowPairRect(QSize(73, 22), false), QRect(58, 1, 15, 19));
    QCOMPARE(textRect(QSize(73, 22), true), QRect(QPoint(2, 2), QPoint(52, 20)));
    QCOMPARE(upArrowRect(QSize(15, 17)), QRect(0, 0, 15, 8));
    QCOMPARE(downArrowRect(QSize(15, 17)), QRect(0, 7, 15, 10));

    // The real field with the windows' font, also after being made lower.
    m_domaci->resize(73, 10);
    QCOMPARE(m_domaci->height(), 22);
    QCOMPARE(m_domaci->button()->geometry(), QRect(55, 2, 15, 17));
    QCOMPARE(m_domaci->button()->upButton()->geometry(), QRect(0, 0, 15, 8));
    QCOMPARE(m_domaci->button()->downButton()->geometry(), QRect(0, 7, 15, 10));
    m_domaci->setFrame(false);
    QCOMPARE(m_domaci->button()->geometry(), QRect(58, 1, 15, 19));
}

void TestSpinEdit::arrowsShowTheirPictures()
{
    const QImage up = controls::builtInArrowImage(true);
    QCOMPARE(up.size(), QSize(9, 6));
    const int widths[] = { 0, 1, 3, 5, 7, 0 };
    for (int row = 0; row < 6; ++row) {
        int black = 0;
        for (int x = 0; x < 9; ++x) {
            black += up.pixel(x, row) == qRgb(0, 0, 0) ? 1 : 0;
        }
        QCOMPARE(black, widths[row]);
    }
    QCOMPARE(up.pixel(4, 1), qRgb(0, 0, 0));
    QCOMPARE(controls::builtInArrowImage(false).pixel(4, 4), qRgb(0, 0, 0));

    // Tip and base of the up arrow's triangle, centred in the 15 x 8 arrow at (55, 2); the
    // arrow shows pressed with the triangle one pixel further right and down.
    const QImage shown = m_domaci->grab().toImage();
    QVERIFY(qGray(shown.pixel(62, 4)) < 80);
    QVERIFY(qGray(shown.pixel(59, 7)) < 80);
    QVERIFY(qGray(shown.pixel(62, 3)) > 120);
    TTimerSpeedButton *arrow = m_domaci->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QVERIFY(arrow->isShownDown());
    const QImage pressed = m_domaci->grab().toImage();
    QVERIFY(qGray(pressed.pixel(63, 5)) < 80);
    QTest::mouseRelease(arrow, Qt::LeftButton);
}

void TestSpinEdit::restoringTheBuiltInGlyph()
{
    TSpinButton *pair = m_domaci->button();
    const QImage builtIn = pair->UpGlyph().toImage();
    QPixmap picture(18, 6);
    picture.fill(Qt::red);
    pair->setUpGlyph(picture);
    pair->setUpNumGlyphs(2);
    QCOMPARE(pair->UpGlyph().width(), 18);
    pair->setUpGlyph(QPixmap());
    QCOMPARE(pair->UpNumGlyphs(), 1);
    QCOMPARE(pair->UpGlyph().toImage(), builtIn);
}

void TestSpinEdit::stepWrapsInsideTheStep_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("byArrow");
    QTest::addColumn<QStringList>("log");
    const QStringList upLog = lines("D change 100|D change 0|D end 0|D end 100|returned");
    const QStringList downLog = lines("D change -1|D change 99|D end 99|D end -1|returned");
    QTest::newRow("Up key at 99") << QStringLiteral("99") << true << false << upLog;
    QTest::newRow("Down key at 0") << QStringLiteral("0") << false << false << downLog;
    QTest::newRow("up arrow at 99") << QStringLiteral("99") << true << true << upLog;
    QTest::newRow("down arrow at 0") << QStringLiteral("0") << false << true << downLog;
}

void TestSpinEdit::stepWrapsInsideTheStep()
{
    QFETCH(QString, start);
    QFETCH(bool, up);
    QFETCH(bool, byArrow);
    QFETCH(QStringList, log);
    m_domaci->setText(start);
    m_window->log.clear();
    if (byArrow) {
        TSpinButton *pair = m_domaci->button();
        QTest::mouseClick(up ? pair->upButton() : pair->downButton(), Qt::LeftButton);
    } else {
        QTest::keyClick(m_domaci, up ? Qt::Key_Up : Qt::Key_Down);
    }
    m_window->log << QStringLiteral("returned");
    QCOMPARE(m_window->log, log);
    QCOMPARE(m_domaci->text(), up ? QStringLiteral("0") : QStringLiteral("99"));
}

void TestSpinEdit::typedTextIsLimitedOnlyOnLeaving()
{
    type(m_domaci, QStringLiteral("150"));
    QCOMPARE(m_domaci->text(), QStringLiteral("150"));
    QCOMPARE(m_window->log,
             lines("D change 1|D end 1|D change 15|D end 15|D change 150|D end 150"));
    m_window->log.clear();

    QTest::keyClick(m_domaci, Qt::Key_Tab);
    QVERIFY(m_hoste->hasFocus());
    QCOMPARE(m_window->log,
             lines("D exit 150|D change 100|D change 0|D end 0|D end 100|H enter 0"));
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));
}

void TestSpinEdit::deactivationDoesNotLeaveTheField()
{
    type(m_domaci, QStringLiteral("150"));
    m_window->log.clear();

    QWidget other;
    other.resize(100, 50);
    other.move(400, 400);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(m_window->log, QStringList());
    QCOMPARE(m_domaci->text(), QStringLiteral("150"));

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(m_domaci->hasFocus());
    QCOMPARE(m_window->log, QStringList()); // returning is no new entry

    QTest::keyClick(m_domaci, Qt::Key_Tab);
    QCOMPARE(m_window->log.first(), QStringLiteral("D exit 150"));
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));
}

void TestSpinEdit::acceleratorClicksAtOnceWithoutLeaving()
{
    type(m_domaci, QStringLiteral("150"));
    m_window->log.clear();
    QTest::keyClick(m_domaci, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(m_window->log, lines("click"));
    QVERIFY(m_domaci->hasFocus());
    QCOMPARE(m_domaci->text(), QStringLiteral("150"));
}

void TestSpinEdit::enterIsRefusedWithBeep_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Return") << Qt::Key_Return;
    QTest::newRow("keypad Enter") << Qt::Key_Enter;
}

void TestSpinEdit::enterIsRefusedWithBeep()
{
    QFETCH(Qt::Key, key);
    BeepCounter beeps;
    QTest::keyClick(m_domaci, key);
    QCOMPARE(beeps.count, 1);
    QCOMPARE(m_window->log, QStringList()); // the default button was not pressed
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));

    // The same key on the button itself does press it.
    m_window->odeslat->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m_window->odeslat, key);
    QCOMPARE(m_window->log.last(), QStringLiteral("click"));
}

void TestSpinEdit::escapeStaysInTheField()
{
    BeepCounter beeps;
    QTest::keyClick(m_domaci, Qt::Key_Escape);
    QVERIFY(m_window->isVisible());
    QCOMPARE(beeps.count, 0);
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));

    // From the button Escape closes the dialog as cancelled.
    QTest::keyClick(m_domaci, Qt::Key_Tab);
    QTest::keyClick(m_hoste, Qt::Key_Tab);
    QVERIFY(m_window->odeslat->hasFocus());
    QTest::keyClick(m_window->odeslat, Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
}

void TestSpinEdit::keyRepeatSteps_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("plain") << Qt::KeyboardModifiers();
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
}

void TestSpinEdit::keyRepeatSteps()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    m_domaci->setText(QStringLiteral("10"));
    QTest::simulateEvent(m_domaci, true, Qt::Key_Up, modifiers, QString(), false);
    for (int i = 0; i < 3; ++i) {
        QTest::simulateEvent(m_domaci, true, Qt::Key_Up, modifiers, QString(), true);
    }
    QTest::simulateEvent(m_domaci, false, Qt::Key_Up, modifiers, QString(), false);
    QCOMPARE(m_domaci->text(), QStringLiteral("14"));
    QTest::keyClick(m_domaci, Qt::Key_Down, modifiers);
    QCOMPARE(m_domaci->text(), QStringLiteral("13"));
}

void TestSpinEdit::otherKeysAndWheelDoNotStep()
{
    m_domaci->setText(QStringLiteral("10"));
    for (const Qt::Key key : { Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_Right }) {
        QTest::keyClick(m_domaci, key);
    }
    QCOMPARE(m_domaci->text(), QStringLiteral("10"));

    WheelCounter window;
    m_window->installEventFilter(&window);
    const QPointF at(10, 10);
    QWheelEvent wheel(at, m_domaci->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // Delivered as the window system delivers it, so that Qt passes it on when ignored.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(m_domaci, &wheel);
    QCOMPARE(m_domaci->text(), QStringLiteral("10"));
    QCOMPARE(window.count, 1); // passed on to the window, not swallowed
}

void TestSpinEdit::equalBoundsLimitNothing()
{
    auto *free = new TSpinEdit(m_window.get());
    free->setGeometry(8, 70, 73, 22);
    free->show();
    QCOMPARE(free->text(), QStringLiteral("0"));
    free->setFocus(Qt::TabFocusReason);
    QTest::keyClick(free, Qt::Key_Down);
    QCOMPARE(free->text(), QStringLiteral("-1"));
    free->setValue(1000);
    QCOMPARE(free->text(), QStringLiteral("1000"));
    type(free, QStringLiteral("-5000"));
    QTest::keyClick(free, Qt::Key_Tab);
    QCOMPARE(free->text(), QStringLiteral("-5000"));

    // Held at the largest number instead of wrapping round to the smallest.
    free->setText(QStringLiteral("2147483647"));
    free->StepUp();
    QCOMPARE(free->text(), QStringLiteral("2147483647"));
    free->setMaxValue(100);
    free->setMinValue(0);
    free->StepUp();
    QCOMPARE(free->text(), QStringLiteral("100"));
}

void TestSpinEdit::pastedTextReadsAsMinimum()
{
    BeepCounter beeps;
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    m_domaci->selectAll();
    QTest::keyClick(m_domaci, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_domaci->text(), QStringLiteral("abc"));
    QCOMPARE(m_domaci->Value(), -1);
    QTest::keyClick(m_domaci, Qt::Key_Up);
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));
    QTest::keyClick(m_domaci, Qt::Key_Down);
    QCOMPARE(m_domaci->text(), QStringLiteral("99"));
    QCOMPARE(beeps.count, 0);

    // An invalid text is left alone on leaving.
    type(m_domaci, QStringLiteral("-"));
    QTest::keyClick(m_domaci, Qt::Key_Tab);
    QCOMPARE(m_domaci->text(), QStringLiteral("-"));
}

void TestSpinEdit::validFormsStayAfterLeaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterUp");
    QTest::newRow("leading zeros") << QStringLiteral("007") << QStringLiteral("8");
    QTest::newRow("plus sign") << QStringLiteral("+5") << QStringLiteral("6");
    QTest::newRow("minus zero one") << QStringLiteral("-01") << QStringLiteral("0");
}

void TestSpinEdit::validFormsStayAfterLeaving()
{
    QFETCH(QString, typed);
    QFETCH(QString, afterUp);
    type(m_domaci, typed);
    QTest::keyClick(m_domaci, Qt::Key_Tab);
    QCOMPARE(m_domaci->text(), typed);
    QTest::keyClick(m_hoste, Qt::Key_Backtab);
    QVERIFY(m_domaci->hasFocus());
    QTest::keyClick(m_domaci, Qt::Key_Up);
    QCOMPARE(m_domaci->text(), afterUp);
}

void TestSpinEdit::typingOverTheSameCharacterChangesNothing()
{
    m_domaci->setText(QStringLiteral("5"));
    m_domaci->selectAll();
    m_window->log.clear();
    QTest::keyClick(m_domaci, Qt::Key_5);
    QCOMPARE(m_domaci->text(), QStringLiteral("5"));
    QCOMPARE(m_window->log, QStringList());
    QTest::keyClick(m_domaci, Qt::Key_Backspace);
    QCOMPARE(m_window->log, lines("D change |D end "));
}

void TestSpinEdit::characterFilter_data()
{
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QLocale>("locale");
    const QLocale c = QLocale::c();
    const QLocale czech(QStringLiteral("cs_CZ"));
    QTest::newRow("digit") << true << Qt::Key_5 << QStringLiteral("5") << QStringLiteral("125") << 0
                           << c;
    QTest::newRow("minus") << true << Qt::Key_Minus << QStringLiteral("-") << QStringLiteral("12-")
                           << 0 << c;
    QTest::newRow("plus") << true << Qt::Key_Plus << QStringLiteral("+") << QStringLiteral("12+")
                          << 0 << c;
    QTest::newRow("decimal point")
        << true << Qt::Key_Period << QStringLiteral(".") << QStringLiteral("12.") << 0 << c;
    QTest::newRow("Czech decimal comma")
        << true << Qt::Key_Comma << QStringLiteral(",") << QStringLiteral("12,") << 0 << czech;
    QTest::newRow("Czech point refused")
        << true << Qt::Key_Period << QStringLiteral(".") << QStringLiteral("12") << 1 << czech;
    QTest::newRow("letter") << true << Qt::Key_A << QStringLiteral("a") << QStringLiteral("12") << 1
                            << c;
    QTest::newRow("space") << true << Qt::Key_Space << QStringLiteral(" ") << QStringLiteral("12")
                           << 1 << c;
    QTest::newRow("full-width digit")
        << true << Qt::Key_unknown << QStringLiteral("\uff15") << QStringLiteral("12") << 1 << c;
    QTest::newRow("backspace") << true << Qt::Key_Backspace << QStringLiteral("\b")
                               << QStringLiteral("1") << 0 << c;
    QTest::newRow("editor off digit")
        << false << Qt::Key_5 << QStringLiteral("5") << QStringLiteral("12") << 1 << c;
    QTest::newRow("editor off backspace")
        << false << Qt::Key_Backspace << QStringLiteral("\b") << QStringLiteral("12") << 1 << c;
    QTest::newRow("editor off delete")
        << false << Qt::Key_Delete << QStringLiteral("\x7f") << QStringLiteral("12") << 0 << c;
}

void TestSpinEdit::characterFilter()
{
    QFETCH(bool, editorEnabled);
    QFETCH(Qt::Key, key);
    QFETCH(QString, text);
    QFETCH(QString, result);
    QFETCH(int, beeps);
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    m_domaci->setText(QStringLiteral("12"));
    m_domaci->setEditorEnabled(editorEnabled);
    m_domaci->setCursorPosition(key == Qt::Key_Delete ? 1 : 2);
    BeepCounter counter;
    QTest::sendKeyEvent(QTest::Click, m_domaci, key, text, Qt::NoModifier);
    QCOMPARE(m_domaci->text(), result);
    QCOMPARE(counter.count, beeps);
}

void TestSpinEdit::clipboardFollowsEditorEnabled()
{
    BeepCounter beeps;
    QGuiApplication::clipboard()->setText(QStringLiteral("77"));
    m_domaci->setText(QStringLiteral("12"));
    m_domaci->setEditorEnabled(false);
    m_domaci->selectAll();
    QTest::keyClick(m_domaci, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(m_domaci, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(m_domaci->text(), QStringLiteral("12"));
    QCOMPARE(beeps.count, 0);

    // The context menu offers neither; opening it does not leave the field.
    m_window->log.clear();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                m_domaci->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_domaci, &menuEvent);
    auto *menu = m_domaci->findChild<QMenu *>();
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 9);
    QVERIFY(!actions[3]->isEnabled()); // cut
    QVERIFY(actions[4]->isEnabled());  // copy
    QVERIFY(!actions[5]->isEnabled()); // paste
    menu->close();
    QCOMPARE(m_window->log, QStringList());

    m_domaci->setEditorEnabled(true);
    QTest::keyClick(m_domaci, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_domaci->text(), QStringLiteral("77"));
}

void TestSpinEdit::entryRule_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("autoSelect");
    QTest::addColumn<bool>("selected");
    QTest::newRow("Tab") << QStringLiteral("tab") << true << true;
    QTest::newRow("Tab without AutoSelect") << QStringLiteral("tab") << false << false;
    QTest::newRow("press into text") << QStringLiteral("text") << true << false;
    QTest::newRow("press on arrow") << QStringLiteral("arrow") << true << true;
}

void TestSpinEdit::entryRule()
{
    QFETCH(QString, how);
    QFETCH(bool, autoSelect);
    QFETCH(bool, selected);
    m_hoste->setText(QStringLiteral("42"));
    m_hoste->setAutoSelect(autoSelect);
    m_window->log.clear();
    if (how == QLatin1String("tab")) {
        QTest::keyClick(m_domaci, Qt::Key_Tab);
    } else if (how == QLatin1String("text")) {
        QTest::mouseClick(m_hoste, Qt::LeftButton, {}, QPoint(5, 11));
    } else {
        QTest::mousePress(m_hoste->button()->downButton(), Qt::LeftButton);
    }
    QVERIFY(m_hoste->hasFocus());
    QCOMPARE(m_hoste->selectedText(), selected ? QStringLiteral("42") : QString());
    QCOMPARE(m_window->log, lines("D exit 0|H enter 42"));
    if (how == QLatin1String("arrow")) {
        QTest::mouseRelease(m_hoste->button()->downButton(), Qt::LeftButton);
        QCOMPARE(m_hoste->text(), QStringLiteral("41"));
    }
}

void TestSpinEdit::arrowPressLeavesTheOtherFieldFirst()
{
    m_hoste->setText(QStringLiteral("42"));
    type(m_domaci, QStringLiteral("150"));
    m_window->log.clear();
    TTimerSpeedButton *arrow = m_hoste->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QCOMPARE(m_window->log,
             lines("D exit 150|D change 100|D change 0|D end 0|D end 100|H enter 42"));
    QCOMPARE(m_hoste->selectedText(), QStringLiteral("42"));
    QVERIFY(arrow->isShownDown());
    QTest::mouseRelease(arrow, Qt::LeftButton);
    QCOMPARE(m_hoste->text(), QStringLiteral("43"));
}

void TestSpinEdit::pressSpentOnTheExitCheckBox_data()
{
    QTest::addColumn<bool>("activatedAgain");
    QTest::newRow("window left inactive") << false;
    QTest::newRow("window active again") << true;
}

// The window's exit check shows a box while Qt is moving the focus for a press on an arrow of
// another field; the box gets the release, so the arrow must not take the press.
void TestSpinEdit::pressSpentOnTheExitCheckBox()
{
    QFETCH(bool, activatedAgain);
    RecordingDialogs dialogs;
    QWidget box;
    box.resize(100, 50);
    box.move(300, 300);
    dialogs.whileOpen = [&](const RecordingDialogs::Shown &) {
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.hide();
        if (activatedAgain) {
            m_window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        }
    };
    m_domaci->OnExit = [](QObject *) {
        platform::messageBox(QStringLiteral("Nepodporovaná hodnota."), QStringLiteral("Chyba"),
                             platform::MsgIcon::Warning);
    };
    m_hoste->setText(QStringLiteral("42"));
    TTimerSpeedButton *arrow = m_hoste->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(!arrow->isShownDown());
    QVERIFY(!arrow->repeatTimer() || !arrow->repeatTimer()->isActive());
    QTest::mouseRelease(arrow, Qt::LeftButton);
    QCOMPARE(m_hoste->text(), QStringLiteral("42"));

    // The next press is an ordinary one.
    if (!activatedAgain) {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    QTest::mouseClick(arrow, Qt::LeftButton);
    QCOMPARE(m_hoste->text(), QStringLiteral("43"));
}

void TestSpinEdit::holdingAnArrowRepeats()
{
    m_domaci->setText(QStringLiteral("57"));
    TTimerSpeedButton *arrow = m_domaci->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QTimer *timer = arrow->repeatTimer();
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 400);
    QCOMPARE(m_domaci->text(), QStringLiteral("57"));

    // A hold of 650 ms: ticks at 400, 500 and 600 ms, then the release.
    QSignalSpy ticks(timer, &QTimer::timeout);
    while (ticks.count() < 3) {
        QVERIFY(ticks.wait(2000));
    }
    QCOMPARE(timer->interval(), 100);
    QCOMPARE(m_domaci->text(), QStringLiteral("60"));
    QTest::mouseRelease(arrow, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QCOMPARE(m_domaci->text(), QStringLiteral("61"));
}

void TestSpinEdit::repeatPausesOffTheArrow()
{
    m_domaci->setText(QStringLiteral("10"));
    TTimerSpeedButton *arrow = m_domaci->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QSignalSpy ticks(arrow->repeatTimer(), &QTimer::timeout);
    QTest::mouseMove(arrow, QPoint(-10, 4));
    QVERIFY(!arrow->isShownDown());
    QVERIFY(ticks.wait(2000));
    QVERIFY(ticks.wait(2000));
    QCOMPARE(m_domaci->text(), QStringLiteral("10"));

    QTest::mouseMove(arrow, QPoint(7, 4));
    QVERIFY(arrow->isShownDown());
    QVERIFY(ticks.wait(2000));
    QCOMPARE(m_domaci->text(), QStringLiteral("11"));
    QTest::mouseMove(arrow, QPoint(7, 40));
    QTest::mouseRelease(arrow, Qt::LeftButton, {}, QPoint(7, 40));
    QCOMPARE(m_domaci->text(), QStringLiteral("11"));
}

void TestSpinEdit::readOnlyStepsBeep()
{
    BeepCounter beeps;
    m_domaci->setReadOnly(true);
    QTest::keyClick(m_domaci, Qt::Key_Up);
    QTest::mouseClick(m_domaci->button()->downButton(), Qt::LeftButton);
    QCOMPARE(beeps.count, 2);
    QCOMPARE(m_domaci->text(), QStringLiteral("0"));
    QCOMPARE(m_window->log, QStringList());
}

void TestSpinEdit::errorInChangeHandlerIsShown()
{
    RecordingDialogs dialogs;
    m_domaci->OnChange = [](QObject *) { throw platform::Error(QStringLiteral("Zápis selhal")); };

    // A program's assignment hands the error to its caller.
    QVERIFY_THROWS_EXCEPTION(platform::Error, m_domaci->setValue(5));
    QCOMPARE(m_domaci->text(), QStringLiteral("5"));

    QTest::keyClick(m_domaci, Qt::Key_Up);
    QCOMPARE(dialogs.texts(), QStringList { QStringLiteral("Zápis selhal.") });
    QCOMPARE(m_domaci->text(), QStringLiteral("6"));

    // At a repeat tick the timer stops, and the release clicks no more.
    TTimerSpeedButton *arrow = m_domaci->button()->upButton();
    QTest::mousePress(arrow, Qt::LeftButton);
    QSignalSpy ticks(arrow->repeatTimer(), &QTimer::timeout);
    QVERIFY(ticks.wait(2000));
    QCOMPARE(dialogs.shown.size(), 2);
    QVERIFY(!arrow->repeatTimer()->isActive());
    QVERIFY(!arrow->isShownDown());
    QTest::mouseRelease(arrow, Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(m_domaci->text(), QStringLiteral("7"));
}

void TestSpinEdit::standalonePairKeys()
{
    auto *pair = new TSpinButton(m_window.get());
    pair->move(150, 40);
    pair->setTabStop(true);
    pair->show();
    QCOMPARE(pair->size(), QSize(20, 25));
    QStringList clicks;
    pair->OnUpClick = [&](QObject *) { clicks << QStringLiteral("up"); };
    pair->OnDownClick = [&](QObject *) { clicks << QStringLiteral("down"); };
    pair->setFocus(Qt::TabFocusReason);
    QVERIFY(pair->upButton()->focusMark());
    QTest::keyClick(pair, Qt::Key_Space);
    QTest::keyClick(pair, Qt::Key_Down);
    QVERIFY(pair->downButton()->focusMark());
    QVERIFY(!pair->upButton()->focusMark());
    QTest::keyClick(pair, Qt::Key_Space);
    QTest::keyClick(pair, Qt::Key_Up);
    QCOMPARE(clicks, lines("up|down|down|up"));
    QVERIFY(pair->hasFocus());
}

QTEST_MAIN(TestSpinEdit)
#include "tst_spin_edit.moc"
