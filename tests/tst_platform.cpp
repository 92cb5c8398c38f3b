#include "platform/errors.h"
#include "platform/message_boxes.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace platform;
using namespace testing;

class TestPlatform final : public QObject
{
    Q_OBJECT

private slots:
    void errorBoxText_data();
    void errorBoxText();
    void guardShowsWhatEscapes_data();
    void guardShowsWhatEscapes();
    void fakeTicksWrapAndSleep();
    void escapeAndCloseOnAStandardBox_data();
    void escapeAndCloseOnAStandardBox();
};

void TestPlatform::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ends in letter") << QStringLiteral("Unable to write to /x/bodovka.ini")
                                    << QStringLiteral("Unable to write to /x/bodovka.ini.");
    QTest::newRow("ends in digit") << QStringLiteral("value 5") << QStringLiteral("value 5.");
    QTest::newRow("ends in quote") << QStringLiteral("'abc' is not a valid integer value")
                                   << QStringLiteral("'abc' is not a valid integer value.");
    QTest::newRow("ends in apostrophe") << QStringLiteral("bad 'x'") << QStringLiteral("bad 'x'");
    QTest::newRow("ends in full stop") << QStringLiteral("Done.") << QStringLiteral("Done.");
    QTest::newRow("ends in Czech letter")
        << QStringLiteral("Chyba ž") << QStringLiteral("Chyba ž.");
    QTest::newRow("empty") << QString() << QString();
}

void TestPlatform::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(platform::errorBoxText(message), shown);
}

void TestPlatform::guardShowsWhatEscapes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("program error") << 0 << QStringLiteral("Unable to write to /tmp/a.ini.");
    QTest::newRow("standard exception") << 1 << QStringLiteral("boom.");
}

void TestPlatform::guardShowsWhatEscapes()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    RecordingDialogs dialogs;
    bool after = false;
    guarded([&] {
        if (kind == 0) {
            throw Error(QStringLiteral("Unable to write to /tmp/a.ini"));
        }
        throw std::runtime_error("boom");
        after = true;
    });
    QVERIFY(!after);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].text, text);
    QCOMPARE(dialogs.shown[0].caption, QStringLiteral("Bodovka"));
    QCOMPARE(dialogs.shown[0].icon, MsgIcon::Error);
    QCOMPARE(dialogs.shown[0].buttons, MsgButtons::Ok);
}

void TestPlatform::fakeTicksWrapAndSleep()
{
    FakeTicks ticks(0xFFFFFFF0u);
    QCOMPARE(platform::tickCount(), 0xFFFFFFF0u);
    platform::sleep(100);
    QCOMPARE(platform::tickCount(), 0x54u);
    QCOMPARE(ticks.sleptMs(), 100u);
}

void TestPlatform::escapeAndCloseOnAStandardBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("escape"); ///< else the window's close request
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK box: Escape answers OK")
        << int(MsgButtons::Ok) << true << false << int(MsgResult::Ok);
    QTest::newRow("Retry/Cancel: Escape answers Cancel")
        << int(MsgButtons::RetryCancel) << true << false << int(MsgResult::Cancel);
    QTest::newRow("Yes/No: Escape does nothing")
        << int(MsgButtons::YesNo) << true << true << int(MsgResult::Yes);
    QTest::newRow("Yes/No: closing the window does nothing")
        << int(MsgButtons::YesNo) << false << true << int(MsgResult::Yes);
}

void TestPlatform::escapeAndCloseOnAStandardBox()
{
    QFETCH(int, buttons);
    QFETCH(bool, escape);
    QFETCH(bool, staysOpen);
    installMessageBoxes();
    const auto printedAgain = qScopeGuard([] { setDefaultDialogs(nullptr); });
    bool open = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (escape) {
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
        } else {
            box->close();
        }
        open = box->isVisible();
        if (open) {
            box->button(QMessageBox::Yes)->click();
        }
    });
    const MsgResult answer
        = messageBox(QStringLiteral("Chcete uložit nastavení z bodovky?"),
                     QStringLiteral("Uložení nastavení"), MsgIcon::Question, MsgButtons(buttons));
    QCOMPARE(open, staysOpen);
    QTEST(int(answer), "answer");
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
