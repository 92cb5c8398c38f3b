#include "support/console_fixture.h"

#include "controls/push_button.h"
#include "controls/spin.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

using testing::bytes;
using testing::Console;
using testing::shownDigit;
using testing::shownScore;

namespace {

// Gives a field the focus the way Tab does (all text selected) and types over it.
void typeInto(TSpinEdit *field, const QString &text)
{
    field->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(field->hasFocus());
    field->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Delete);
    } else {
        QTest::keyClicks(field, text);
    }
}

void leave(TSpinEdit *field)
{
    QTest::keyClick(field, Qt::Key_Tab);
    QTRY_VERIFY(!field->hasFocus());
}

} // namespace

class TestCommands final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scoreIsShownAndSent();
    void setAllSendsHeldFields();
    void wrapCyclesWithArrowKeys_data();
    void wrapCyclesWithArrowKeys();
    void typedTextsOnLeaving_data();
    void typedTextsOnLeaving();
    void acceleratorReadsTextUncheckedAndStopsOnError();
    void refusedSettingsWriteStopsBeforeSending();
    void portThatCannotOpenSendsNothingAndSaysNothing();
    void commandNotDeliveredIsReported();
    void loadAllAsksAndStoresPresetOnLaterTimeBlocks();
    void loadAllReplyWhileQuestionIsOpen();
};

void TestCommands::init()
{
    QApplication::setActiveWindow(nullptr);
}

void TestCommands::scoreIsShownAndSent()
{
    Console c;
    QVERIFY(QTest::qWaitForWindowActive(c.form1.get()));
    typeInto(c.form1->DomaciSpinEdit, QStringLiteral("7"));
    leave(c.form1->DomaciSpinEdit);
    QVERIFY(c.form1->HosteSpinEdit->hasFocus());
    QTest::keyClicks(c.form1->HosteSpinEdit, QStringLiteral("12"));
    leave(c.form1->HosteSpinEdit);
    QVERIFY(c.form1->SkoreButton->hasFocus());
    QTest::keyClick(c.form1->SkoreButton, Qt::Key_Space);
    QCOMPARE(c.takeSent(), bytes({ 0xCA, 2, 1, 7, 0 }));
    QCOMPARE(shownScore(*c.form1), QStringLiteral("07:12"));
    QCOMPARE(c.form1->SkoreDomaci, quint8(7));
    QCOMPARE(c.form1->SkoreHoste, quint8(12));
}

void TestCommands::setAllSendsHeldFields()
{
    Console c;
    TForm1 &f = *c.form1;
    f.DomaciSpinEdit->setText(QStringLiteral("3"));
    f.HosteSpinEdit->setText(QStringLiteral("2"));
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    f.PolocasSpinEdit->setText(QStringLiteral("2"));
    QTest::mouseClick(f.PolocasButton, Qt::LeftButton);
    c.takeSent();
    // Texts changed but not sent are not what "set all" sends.
    f.DomaciSpinEdit->setText(QStringLiteral("9"));
    f.SirenaSpinEdit->setText(QStringLiteral("7"));
    QTest::mouseClick(f.NastavitVseButton, Qt::LeftButton);
    QCOMPARE(c.takeSent(), bytes({ 0xEA, 0, 0, 0, 0, 7, 0, 0xCA, 2, 0, 3, 0, 0xD5, 2, 0xDA, 5 }));
    QCOMPARE(shownScore(f), QStringLiteral("03:02"));
}

void TestCommands::wrapCyclesWithArrowKeys_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("texts");

    const int up = Qt::Key_Up;
    const int down = Qt::Key_Down;
    QTest::newRow("home up past 99") << QStringLiteral("DomaciSpinEdit") << QStringLiteral("98")
                                     << up << testing::strings("99", "0", "1");
    QTest::newRow("guest down past 0") << QStringLiteral("HosteSpinEdit") << QStringLiteral("1")
                                       << down << testing::strings("0", "99", "98");
    QTest::newRow("period up") << QStringLiteral("PolocasSpinEdit") << QStringLiteral("1") << up
                               << testing::strings("2", "3", "1", "2");
    QTest::newRow("period down") << QStringLiteral("PolocasSpinEdit") << QStringLiteral("3") << down
                                 << testing::strings("2", "1", "3", "2");
    QTest::newRow("siren up") << QStringLiteral("SirenaSpinEdit") << QStringLiteral("8") << up
                              << testing::strings("9", "1", "2");
    QTest::newRow("siren down") << QStringLiteral("SirenaSpinEdit") << QStringLiteral("2") << down
                                << testing::strings("1", "9", "8");
    QTest::newRow("typed 11 in the siren steps down to 10 and wraps")
        << QStringLiteral("SirenaSpinEdit") << QStringLiteral("11") << down
        << testing::strings("1", "9");
}

void TestCommands::wrapCyclesWithArrowKeys()
{
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(QStringList, texts);
    Console c;
    auto *edit = c.form1->findChild<TSpinEdit *>(field);
    QVERIFY(edit);
    QVERIFY(QTest::qWaitForWindowActive(c.form1.get()));
    typeInto(edit, start);
    QCOMPARE(edit->text(), start);
    for (const QString &expected : texts) {
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->text(), expected);
    }
    QVERIFY(c.dialogs.shown.size() == 1); // only the scan's box
}

void TestCommands::typedTextsOnLeaving_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("box"); // empty: no box

    const QString noBox;
    QTest::newRow("lone minus in the siren")
        << QStringLiteral("SirenaSpinEdit") << QStringLiteral("-") << QStringLiteral("5")
        << QStringLiteral("Nepodporovaná hodnota. Hodnota nastavena na \"5\"");
    QTest::newRow("empty score") << QStringLiteral("DomaciSpinEdit") << QString()
                                 << QStringLiteral("0")
                                 << QStringLiteral(
                                        "Nepodporovaná hodnota. Hodnota nastavena na \"0\"");
    QTest::newRow("minus after the digit")
        << QStringLiteral("PolocasSpinEdit") << QStringLiteral("2-") << QStringLiteral("1")
        << QStringLiteral("Nepodporovaná hodnota. Hodnota nastavena na \"1\"");
    QTest::newRow("leading zeros kept") << QStringLiteral("DomaciSpinEdit") << QStringLiteral("007")
                                        << QStringLiteral("007") << noBox;
    QTest::newRow("plus kept") << QStringLiteral("HosteSpinEdit") << QStringLiteral("+5")
                               << QStringLiteral("+5") << noBox;
    QTest::newRow("minus zero one kept, not wrapped")
        << QStringLiteral("HosteSpinEdit") << QStringLiteral("-01") << QStringLiteral("-01")
        << noBox;
    QTest::newRow("150 limited to 100 then wrapped")
        << QStringLiteral("DomaciSpinEdit") << QStringLiteral("150") << QStringLiteral("0")
        << noBox;
    QTest::newRow("7 in the period limited to 4 then wrapped")
        << QStringLiteral("PolocasSpinEdit") << QStringLiteral("7") << QStringLiteral("1") << noBox;
    QTest::newRow("siren keeps 11") << QStringLiteral("SirenaSpinEdit") << QStringLiteral("11")
                                    << QStringLiteral("11") << noBox;
    QTest::newRow("siren 12 limited to 11")
        << QStringLiteral("SirenaSpinEdit") << QStringLiteral("12") << QStringLiteral("11")
        << noBox;
}

void TestCommands::typedTextsOnLeaving()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, box);
    Console c;
    c.dialogs.shown.clear();
    auto *edit = c.form1->findChild<TSpinEdit *>(field);
    QVERIFY(QTest::qWaitForWindowActive(c.form1.get()));
    typeInto(edit, typed);
    QCOMPARE(edit->text(), typed); // never limited while typing
    leave(edit);
    QCOMPARE(edit->text(), after);
    if (box.isEmpty()) {
        QVERIFY(c.dialogs.shown.isEmpty());
    } else {
        QCOMPARE(c.dialogs.shown.size(), 1);
        QCOMPARE(c.dialogs.shown[0].text, box);
        QCOMPARE(c.dialogs.shown[0].caption, QStringLiteral("Špatná hodnota"));
        QCOMPARE(c.dialogs.shown[0].icon, platform::MsgIcon::Warning);
    }
    QVERIFY(c.takeSent().isEmpty());
}

void TestCommands::acceleratorReadsTextUncheckedAndStopsOnError()
{
    Console c;
    c.dialogs.shown.clear();
    TForm1 &f = *c.form1;
    QVERIFY(QTest::qWaitForWindowActive(&f));
    // Letters cannot be typed, but any text can be pasted.
    typeInto(f.DomaciSpinEdit, QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keyClick(f.DomaciSpinEdit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.DomaciSpinEdit->text(), QStringLiteral("abc"));
    QTest::keyClick(f.DomaciSpinEdit, Qt::Key_O, Qt::AltModifier);
    QVERIFY(f.DomaciSpinEdit->hasFocus()); // the exit check has not run
    QCOMPARE(c.dialogs.texts(),
             QStringList { QStringLiteral("'abc' is not a valid integer value.") });
    QCOMPARE(c.dialogs.shown[0].caption, QStringLiteral("Bodovka"));
    QCOMPARE(c.dialogs.shown[0].icon, platform::MsgIcon::Error);
    QVERIFY(c.takeSent().isEmpty());

    // An out-of-range text is read as it stands: 150 goes out as 15 tens.
    c.dialogs.shown.clear();
    f.DomaciSpinEdit->selectAll();
    QTest::keyClicks(f.DomaciSpinEdit, QStringLiteral("150"));
    QTest::keyClick(f.DomaciSpinEdit, Qt::Key_O, Qt::AltModifier);
    QVERIFY(c.dialogs.shown.isEmpty());
    QCOMPARE(c.takeSent(), bytes({ 0xCA, 0, 0, 0, 15 }));
    QCOMPARE(f.DomaciSpinEdit->text(), QStringLiteral("150"));
}

void TestCommands::refusedSettingsWriteStopsBeforeSending()
{
    Console c;
    c.dialogs.shown.clear();
    QVERIFY(QFile::remove(c.settingsPath()));
    QVERIFY(QDir().mkdir(c.settingsPath()));
    TForm1 &f = *c.form1;
    f.PolocasSpinEdit->setText(QStringLiteral("2"));
    QTest::mouseClick(f.PolocasButton, Qt::LeftButton);
    QCOMPARE(shownDigit(f.PolocasDsSevenSegmentDisplay), 2);
    QCOMPARE(f.Polocas, quint8(2));
    QCOMPARE(c.dialogs.texts(),
             QStringList { QStringLiteral("Unable to write to %1.").arg(c.settingsPath()) });
    QVERIFY(c.takeSent().isEmpty());
    // The program goes on: the score needs no settings file.
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    QCOMPARE(c.takeSent(), bytes({ 0xCA, 0, 0, 0, 0 }));
}

void TestCommands::portThatCannotOpenSendsNothingAndSaysNothing()
{
    Console::Options options;
    options.controllerPort.clear(); // ports open but nothing answers: the scan gives up
    Console c(options);
    QCOMPARE(c.form1->StavSpojeni, 2u);
    c.serial.present.clear(); // and now not even the port opens
    c.dialogs.shown.clear();
    const qsizetype callsBefore = c.serial.callsNamed(QStringLiteral("write")).size();
    c.form1->SirenaSpinEdit->setText(QStringLiteral("3"));
    QTest::mouseClick(c.form1->SirenaButton, Qt::LeftButton);
    QVERIFY(c.dialogs.shown.isEmpty());
    QCOMPARE(c.serial.callsNamed(QStringLiteral("write")).size(), callsBefore);
    QVERIFY(c.settingsContents().contains("Sirena=3"));
}

void TestCommands::commandNotDeliveredIsReported()
{
    Console c;
    c.dialogs.shown.clear();
    c.serial.unplug(QStringLiteral("COM1")); // gone while open, and not back
    QTest::mouseClick(c.form1->Button1, Qt::LeftButton);
    QCOMPARE(c.form1->Button1->text(), QStringLiteral("&Stop")); // the console's clock runs
    QTRY_COMPARE(c.dialogs.shown.size(), 1);
    QCOMPARE(c.dialogs.shown[0].text,
             QStringLiteral("Bodovku na portu COM1 nelze zastihnout: příkaz nebyl odeslán."));
}

void TestCommands::loadAllAsksAndStoresPresetOnLaterTimeBlocks()
{
    Console c;
    c.dialogs.shown.clear();
    c.dialogs.answers = { platform::MsgResult::Yes };
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.NacistVseButton, Qt::LeftButton);
    QCOMPARE(c.takeSent(), bytes({ 0xD3 }));
    QCOMPARE(c.dialogs.shown.size(), 1);
    QCOMPARE(c.dialogs.shown[0].text, QStringLiteral("Chcete uložit nastavení z bodovky?"));
    QCOMPARE(c.dialogs.shown[0].caption, QStringLiteral("Uložení nastavení"));
    QCOMPARE(c.dialogs.shown[0].icon, platform::MsgIcon::Question);
    QCOMPARE(c.dialogs.shown[0].buttons, platform::MsgButtons::YesNo);
    QCOMPARE(f.UlozitNastaveni, quint8(1));

    // The reply: settings (siren 7, period 2, guest 31, home 10) and a headerless time 03:21.50.
    c.reply(bytes({ 0xFC, 7, 2, 1, 3, 0, 1, 0, 5, 1, 2, 3, 0 }));
    QVERIFY(c.waitForReplies());
    QCOMPARE(f.SirenaSpinEdit->text(), QStringLiteral("7"));
    QCOMPARE(f.PolocasSpinEdit->text(), QStringLiteral("2"));
    QCOMPARE(f.DomaciSpinEdit->text(), QStringLiteral("10"));
    QCOMPARE(f.HosteSpinEdit->text(), QStringLiteral("31"));
    QCOMPARE(shownScore(f), QStringLiteral("10:31"));
    QCOMPARE(testing::shownTime(f), QStringLiteral("03:21"));
    // The file holds the preset time with the received period and siren.
    const QByteArray file = c.settingsContents();
    QVERIFY(file.contains("Minuty=7\n") && file.contains("Polocas=2\n")
            && file.contains("Sirena=7\n"));

    // Every later time block stores again, until the question is answered No.
    f.Sirena = 4;
    c.reply(bytes({ 0xDC, 0, 0, 0, 0, 5, 0 }));
    QVERIFY(c.waitForReplies());
    QVERIFY(c.settingsContents().contains("Sirena=4\n"));
    c.dialogs.answers = { platform::MsgResult::No };
    QTest::mouseClick(f.NacistVseButton, Qt::LeftButton);
    f.Sirena = 6;
    c.reply(bytes({ 0xDC, 0, 0, 0, 0, 5, 0 }));
    QVERIFY(c.waitForReplies());
    QVERIFY(c.settingsContents().contains("Sirena=4\n"));
}

void TestCommands::loadAllReplyWhileQuestionIsOpen()
{
    Console c;
    c.dialogs.shown.clear();
    QString periodWhileOpen;
    c.dialogs.whileOpen = [&](const testing::RecordingDialogs::Shown &) {
        c.reply(bytes({ 0xFC, 5, 3, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0 }));
        c.waitForReplies();
        periodWhileOpen = c.form1->PolocasSpinEdit->text();
    };
    QTest::mouseClick(c.form1->NacistVseButton, Qt::LeftButton);
    QCOMPARE(periodWhileOpen, QStringLiteral("3"));
    QCOMPARE(shownScore(*c.form1), QStringLiteral("04:00"));
    QCOMPARE(c.form1->UlozitNastaveni, quint8(0));
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
