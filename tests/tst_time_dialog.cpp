#include "support/console_fixture.h"

#include "controls/push_button.h"
#include "controls/spin.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <functional>

using testing::Console;
using testing::shownTime;

namespace {

// Opens the time dialog with the main window's button and runs `inside` while it is open.
// A dialog left open is closed afterwards, so that a failing check cannot hang the test.
bool withDialog(Console &c, const std::function<void()> &inside)
{
    bool ran = false;
    // Form2: the fixture's dialog, or the one the main window builds at its first use.
    QTimer::singleShot(0, c.form1.get(), [&] {
        ran = QTest::qWaitFor([&] { return Form2 && QApplication::activeWindow() == Form2; });
        if (ran) {
            inside();
        }
        if (Form2 && Form2->isVisible()) {
            ran = false;
            Form2->reject();
        }
    });
    QTest::mouseClick(c.form1->CasButton, Qt::LeftButton);
    return ran;
}

QByteArray presetLines(int minutes, int seconds, int hundredths)
{
    return QStringLiteral("Minuty=%1\nSekundy=%2\nSetiny=%3\n")
        .arg(minutes)
        .arg(seconds)
        .arg(hundredths)
        .toLatin1();
}

} // namespace

class TestTimeDialog final : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void opensWithTheTimeShown_data();
    void opensWithTheTimeShown();
    void setSendsAndStoresThePreset();
    void everyWayOfClosingSendsThePreset_data();
    void everyWayOfClosingSendsThePreset();
    void acceleratorWithBadTextStopsEverything();
    void escapeBelongsToTheFields();
    void secondsWrapWithArrows();
};

void TestTimeDialog::layout()
{
    Console c;
    TForm2 &d = *c.form2;
    QCOMPARE(d.windowTitle(), QStringLiteral("Nastavení času"));
    QCOMPARE(d.pos(), c.form1->pos() + QPoint(300, 320));
    const QList<std::pair<QWidget *, QRect>> geometry {
        { d.MinutySpinEdit, { 24, 32, 57, 22 } },  { d.SekundySpinEdit, { 96, 32, 57, 22 } },
        { d.SetinySpinEdit, { 168, 32, 57, 22 } }, { d.NastavitButton, { 24, 72, 75, 25 } },
        { d.ZrusitButton, { 152, 72, 75, 25 } },
    };
    for (const auto &[widget, rect] : geometry) {
        QCOMPARE(widget->geometry(), rect);
    }
    QCOMPARE(d.Label1->pos(), QPoint(24, 8));
    QCOMPARE(d.Label2->text(), QStringLiteral("Sekundy"));
    QCOMPARE(d.Label3->pos(), QPoint(168, 8));
    QCOMPARE(d.NastavitButton->text(), QStringLiteral("&Nastavit"));
    QCOMPARE(d.ZrusitButton->text(), QStringLiteral("&Zrušit"));
    // The order Tab goes in: each field, then the buttons.
    QStringList order;
    QWidget *w = d.MinutySpinEdit;
    do {
        if (w->focusPolicy() & Qt::TabFocus) {
            order.append(w->objectName());
        }
        w = w->nextInFocusChain();
    } while (w != d.MinutySpinEdit);
    QCOMPARE(order, testing::strings("MinutySpinEdit", "SekundySpinEdit", "SetinySpinEdit",
                                     "NastavitButton", "ZrusitButton"));
}

void TestTimeDialog::opensWithTheTimeShown_data()
{
    QTest::addColumn<bool>("builtAtStart");
    QTest::newRow("built with the main window") << true;
    QTest::newRow("built at its first use") << false;
}

void TestTimeDialog::opensWithTheTimeShown()
{
    QFETCH(bool, builtAtStart);
    Console c;
    if (!builtAtStart) {
        c.form2.reset();
    }
    TForm1 &f = *c.form1;
    // Paused at 05:12 and 40 hundredths.
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    c.ticks.advance(107600);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(shownTime(f), QStringLiteral("05:12"));
    QStringList fields;
    QVERIFY(withDialog(c, [&] {
        fields = { Form2->MinutySpinEdit->text(), Form2->SekundySpinEdit->text(),
                   Form2->SetinySpinEdit->text() };
        QVERIFY(Form2->MinutySpinEdit->hasFocus());
        QTest::mouseClick(Form2->ZrusitButton, Qt::LeftButton);
    }));
    QCOMPARE(fields, (testing::strings("5", "12", "40")));
    // Cancelling writes and sends the preset, and activation shows it again.
    QCOMPARE(c.takeSent(), QByteArray::fromHex("a5a5d3ea000000000700"));
    QTRY_COMPARE(shownTime(f), QStringLiteral("07:00"));
}

void TestTimeDialog::setSendsAndStoresThePreset()
{
    Console c;
    QVERIFY(withDialog(c, [&] {
        TForm2 &d = *c.form2;
        QTest::keyClicks(d.MinutySpinEdit, QStringLiteral("10"));
        QTest::keyClick(d.MinutySpinEdit, Qt::Key_Tab);
        QTest::keyClicks(d.SekundySpinEdit, QStringLiteral("0"));
        QTest::keyClick(d.SekundySpinEdit, Qt::Key_Tab);
        QTest::keyClicks(d.SetinySpinEdit, QStringLiteral("0"));
        QTest::keyClick(d.SetinySpinEdit, Qt::Key_Tab);
        QVERIFY(d.NastavitButton->hasFocus());
        QTest::keyClick(d.NastavitButton, Qt::Key_Space);
    }));
    QCOMPARE(c.takeSent(), QByteArray::fromHex("ea00000000"
                                               "0001"));
    QVERIFY(c.settingsContents().contains(presetLines(10, 0, 0)));
    QTRY_COMPARE(shownTime(*c.form1), QStringLiteral("10:00"));
    QCOMPARE(c.form1->CelkovyCas, 600000);
    QVERIFY(c.dialogs.shown.size() == 1); // the scan's box only; activation did not scan again
}

void TestTimeDialog::everyWayOfClosingSendsThePreset_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("Zrušit clicked") << 0;
    QTest::newRow("title-bar close") << 1;
    QTest::newRow("Esc on a focused button") << 2;
    QTest::newRow("Alt+Z") << 3;
}

void TestTimeDialog::everyWayOfClosingSendsThePreset()
{
    QFETCH(int, way);
    Console c;
    QVERIFY(withDialog(c, [&] {
        TForm2 &d = *c.form2;
        QTest::keyClicks(d.MinutySpinEdit, QStringLiteral("12")); // typed, never set
        switch (way) {
        case 0:
            QTest::mouseClick(d.ZrusitButton, Qt::LeftButton);
            break;
        case 1:
            d.close();
            break;
        case 2:
            d.NastavitButton->setFocus(Qt::TabFocusReason);
            QTest::keyClick(d.NastavitButton, Qt::Key_Escape);
            break;
        default:
            QTest::keyClick(d.MinutySpinEdit, Qt::Key_Z, Qt::AltModifier);
            break;
        }
    }));
    QCOMPARE(c.takeSent(), QByteArray::fromHex("ea00000000"
                                               "0700"));
    QCOMPARE(c.form1->Minuty, quint8(7));
    QVERIFY(c.settingsContents().contains(presetLines(7, 0, 0)));
}

void TestTimeDialog::acceleratorWithBadTextStopsEverything()
{
    Console c;
    c.dialogs.shown.clear();
    const QByteArray fileBefore = c.settingsContents();
    QVERIFY(withDialog(c, [&] {
        TForm2 &d = *c.form2;
        QTest::keyClicks(d.MinutySpinEdit, QStringLiteral("9"));
        QTest::keyClick(d.MinutySpinEdit, Qt::Key_Tab);
        QGuiApplication::clipboard()->setText(QStringLiteral("x")); // letters cannot be typed
        QTest::keyClick(d.SekundySpinEdit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(d.SekundySpinEdit, Qt::Key_N, Qt::AltModifier);
    }));
    QCOMPARE(c.dialogs.texts(),
             QStringList { QStringLiteral("'x' is not a valid integer value.") });
    QCOMPARE(c.form1->Minuty, quint8(9)); // converted before the failing field
    QCOMPARE(c.form1->Sekundy, quint8(0));
    QCOMPARE(c.settingsContents(), fileBefore);
    QVERIFY(c.takeSent().isEmpty());
    QVERIFY(!c.form2->isVisible());
}

void TestTimeDialog::escapeBelongsToTheFields()
{
    Console c;
    bool openAfterEscape = false;
    QVERIFY(withDialog(c, [&] {
        TForm2 &d = *c.form2;
        QTest::keyClick(d.SekundySpinEdit, Qt::Key_Escape);
        QTest::keyClick(d.MinutySpinEdit, Qt::Key_Escape);
        QTest::keyClick(d.MinutySpinEdit, Qt::Key_Return);
        openAfterEscape = d.isVisible();
        QTest::mouseClick(d.ZrusitButton, Qt::LeftButton);
    }));
    QVERIFY(openAfterEscape);
}

void TestTimeDialog::secondsWrapWithArrows()
{
    Console c;
    QStringList seen;
    QVERIFY(withDialog(c, [&] {
        TSpinEdit *s = c.form2->SekundySpinEdit;
        s->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(s, QStringLiteral("58"));
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(s, Qt::Key_Up);
            seen.append(s->text());
        }
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(s, Qt::Key_Down);
            seen.append(s->text());
        }
        QTest::keyClick(s, Qt::Key_Down);
        seen.append(s->text());
        QTest::mouseClick(c.form2->ZrusitButton, Qt::LeftButton);
    }));
    QCOMPARE(seen, (testing::strings("59", "0", "59", "58", "57")));
}

QTEST_MAIN(TestTimeDialog)
#include "tst_time_dialog.moc"
