#include "support/console_fixture.h"

#include "console/fonts.h"
#include "console/startup.h"
#include "controls/dsleds.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "platform/profile.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using testing::Console;
using testing::shownDigit;
using testing::shownScore;
using testing::shownTime;

class TestMainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesSettingsFile();
    void settingsFileIsRead_data();
    void settingsFileIsRead();
    void foreignContentSurvivesWrites();
    void refusedFirstWriteShowsErrorAndCarriesOn();
    void heldSettingsFileIsWaitedFor_data();
    void heldSettingsFileIsWaitedFor();
    void layout_data();
    void layout();
    void tabOrder();
    void placedInsideTheFreeArea_data();
    void placedInsideTheFreeArea();
    void displayOperationsSkipDigitsAboveNine();
    void closingDisconnectsOnlyAFoundController();
    void czechButtonsAndMappedFonts();
    void liveFeed_data();
    void liveFeed();
};

void TestMainWindow::firstStartCreatesSettingsFile()
{
    Console c;
    QCOMPARE(c.settingsContents(), QByteArray("[Nastaveni]\nMinuty=7\nSekundy=0\nSetiny=0\n"
                                              "Polocas=1\nSirena=5\nPripojeni=1\n"));
    QCOMPARE(shownTime(*c.form1), QStringLiteral("07:00"));
    QCOMPARE(shownDigit(c.form1->PolocasDsSevenSegmentDisplay), 1);
    QCOMPARE(shownScore(*c.form1), QStringLiteral("00:00"));
    QCOMPARE(c.form1->SirenaSpinEdit->text(), QStringLiteral("5"));
    QCOMPARE(c.form1->PolocasSpinEdit->text(), QStringLiteral("1"));
    QCOMPARE(c.form1->PripojeniItemIndex(), 1);
    QCOMPARE(c.form1->CelkovyCas, 7 * 60000);
    QCOMPARE(c.form1->windowTitle().left(11), QStringLiteral("Bodovka 1.3"));
    QCOMPARE(c.form1->feed(), nullptr); // off unless the file switches it on
    // The first activation found the controller.
    QCOMPARE(c.form1->StavSpojeni, 1u);
    QCOMPARE(c.dialogs.texts(), QStringList { QStringLiteral("Zařízení nalezeno na COM1") });
}

void TestMainWindow::settingsFileIsRead_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QList<int>>("fields"); // Minuty Sekundy Setiny Polocas Sirena Pripojeni
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("periodDigit");
    QTest::addColumn<QString>("periodText");
    QTest::addColumn<int>("radio");

    QTest::newRow("period 4 wraps in the field only")
        << QByteArray(
               "[Nastaveni]\nMinuty=7\nSekundy=0\nSetiny=0\nPolocas=4\nSirena=5\nPripojeni=0\n")
        << QList<int> { 7, 0, 0, 4, 5, 0 } << QStringLiteral("07:00") << 1 << QStringLiteral("1")
        << 0;
    QTest::newRow("120 minutes leave the tens digit as it was")
        << QByteArray("[Nastaveni]\nMinuty=120\nSekundy=34\nPolocas=2\n")
        << QList<int> { 120, 34, 0, 2, 0, 0 } << QStringLiteral("00:34") << 2 << QStringLiteral("2")
        << 0;
    QTest::newRow("hex, case and spaces")
        << QByteArray("[nastaveni]\r\n  MINUTY = 0x1E \r\nsekundy=$F\r\nPolocas=3\r\n")
        << QList<int> { 30, 15, 0, 3, 0, 0 } << QStringLiteral("30:15") << 3 << QStringLiteral("3")
        << 0;
    QTest::newRow("garbage and missing values read as zero, spaces trimmed")
        << QByteArray("[Nastaveni]\nMinuty=seven\nSekundy=\nSetiny=5 \nPolocas=2\nSirena=300\n")
        << QList<int> { 0, 0, 5, 2, 44, 0 } << QStringLiteral("00:00") << 2 << QStringLiteral("2")
        << 0;
    QTest::newRow("values are truncated to 8 bits")
        << QByteArray("[Nastaveni]\nMinuty=263\nSekundy=-1\nPripojeni=257\n")
        << QList<int> { 7, 255, 0, 0, 0, 1 } << QStringLiteral("07:05") << 3 << QStringLiteral("3")
        << 1;
    QTest::newRow("another section's keys are not ours")
        << QByteArray("[Jine]\nMinuty=9\n[Nastaveni]\nSekundy=5\n")
        << QList<int> { 0, 5, 0, 0, 0, 0 } << QStringLiteral("00:05") << 3 << QStringLiteral("3")
        << 0;
}

void TestMainWindow::settingsFileIsRead()
{
    QFETCH(QByteArray, settings);
    QFETCH(QList<int>, fields);
    QFETCH(QString, time);
    QFETCH(int, periodDigit);
    QFETCH(QString, periodText);
    QFETCH(int, radio);

    Console::Options options;
    options.settings = settings;
    Console c(options);
    TForm1 &f = *c.form1;
    QCOMPARE((QList<int> { f.Minuty, f.Sekundy, f.Setiny, f.Polocas, f.Sirena, f.Pripojeni }),
             fields);
    QCOMPARE(shownTime(f), time);
    QCOMPARE(shownDigit(f.PolocasDsSevenSegmentDisplay), periodDigit);
    QCOMPARE(f.PolocasSpinEdit->text(), periodText);
    QCOMPARE(f.PripojeniItemIndex(), radio);
    QCOMPARE(f.CelkovyCas, fields[0] * 60000 + fields[1] * 1000 + fields[2] * 10);
    // An existing file is read, never rewritten at start.
    QCOMPARE(c.settingsContents(), settings);
}

void TestMainWindow::foreignContentSurvivesWrites()
{
    const QByteArray before = "; scoreboard in hall B\r\n[Jine]\r\nx=1\r\n\r\n[Nastaveni]\r\n"
                              "Minuty=7\r\nSekundy=0\r\nSetiny=0\r\nPolocas=1\r\nSirena=5\r\n"
                              "Barva=modra\r\nPripojeni=1\r\n\r\n[Konec]\r\ny=2\r\n";
    Console::Options options;
    options.settings = before;
    Console c(options);
    c.form1->PolocasSpinEdit->setText(QStringLiteral("2"));
    c.form1->PolocasButton->click();
    c.form1->SirenaSpinEdit->setText(QStringLiteral("8"));
    c.form1->SirenaButton->click();
    QByteArray expected = before;
    expected.replace("Polocas=1", "Polocas=2").replace("Sirena=5", "Sirena=8");
    QCOMPARE(c.settingsContents(), expected);
}

void TestMainWindow::refusedFirstWriteShowsErrorAndCarriesOn()
{
    Console::Options options;
    options.settingsIsDir = true;
    Console c(options);
    QVERIFY(!c.dialogs.shown.isEmpty());
    const auto &box = c.dialogs.shown.first();
    QCOMPARE(box.text, QStringLiteral("Unable to write to %1.").arg(c.settingsPath()));
    QCOMPARE(box.caption, QStringLiteral("Bodovka"));
    QCOMPARE(box.icon, platform::MsgIcon::Error);
    TForm1 &f = *c.form1;
    QVERIFY(f.isVisible());
    QCOMPARE((QList<int> { f.Minuty, f.Sekundy, f.Setiny, f.Polocas, f.Sirena }),
             (QList<int> { 0, 0, 0, 0, 0 }));
    QCOMPARE(f.CelkovyCas, 0);
    QCOMPARE(f.windowTitle().left(11), QStringLiteral("Bodovka 1.3"));
    // The scan still ran after the box.
    QCOMPARE(f.StavSpojeni, 1u);
}

void TestMainWindow::heldSettingsFileIsWaitedFor_data()
{
    QTest::addColumn<quint32>("heldMs");
    QTest::addColumn<QList<int>>("fields"); // Minuty Sekundy Setiny Polocas Sirena Pripojeni
    QTest::newRow("held 2.5 s: read once let go") << 2500u << QList<int> { 9, 30, 0, 2, 3, 0 };
    QTest::newRow("held for good: a first start's values")
        << quint32(-1) << QList<int> { 7, 0, 0, 1, 5, 1 };
}

void TestMainWindow::heldSettingsFileIsWaitedFor()
{
    QFETCH(quint32, heldMs);
    QFETCH(QList<int>, fields);
    const QByteArray settings
        = "[Nastaveni]\nMinuty=9\nSekundy=30\nPolocas=2\nSirena=3\nPripojeni=0\n";
    std::optional<quint32> firstRead;
    platform::setProfileFileReader(
        [&](const QString &path, QString *error) -> std::optional<QByteArray> {
            const quint32 now = platform::tickCount();
            if (now - firstRead.value_or(now) < heldMs) {
                firstRead = firstRead.value_or(now);
                if (error) {
                    *error = QStringLiteral("held by another program");
                }
                return std::nullopt;
            }
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
        });
    Console::Options options;
    options.settings = settings;
    Console c(options);
    platform::setProfileFileReader(nullptr);
    TForm1 &f = *c.form1;
    QCOMPARE((QList<int> { f.Minuty, f.Sekundy, f.Setiny, f.Polocas, f.Sirena, f.Pripojeni }),
             fields);
    const bool refused = heldMs == quint32(-1);
    QCOMPARE(c.dialogs.shown.first().text.startsWith(u"Soubor nastavení"), refused);
    QCOMPARE(c.settingsContents(), settings); // never rewritten
}

void TestMainWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    const QString none;
    auto row = [](const char *name, QRect r, const QString &caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << r << caption;
    };
    row("PolocasDsSevenSegmentDisplay", { 88, 96, 121, 209 }, none);
    row("CasDesMinDsSevenSegmentDisplay", { 256, 96, 121, 209 }, none);
    row("CasJedMinDsSevenSegmentDisplay", { 376, 96, 121, 209 }, none);
    row("CasDesSekDsSevenSegmentDisplay", { 528, 96, 121, 209 }, none);
    row("CasJedSekDsSevenSegmentDisplay", { 648, 96, 121, 209 }, none);
    row("SkoDomDesDsSevenSegmentDisplay", { 192, 336, 121, 209 }, none);
    row("SkoDomJedDsSevenSegmentDisplay", { 312, 336, 121, 209 }, none);
    row("SkoHosDesDsSevenSegmentDisplay", { 464, 336, 121, 209 }, none);
    row("SkoHosJedDsSevenSegmentDisplay", { 584, 336, 121, 209 }, none);
    row("dsLed3", { 496, 160, 33, 33 }, none);
    row("dsLed1", { 496, 224, 33, 33 }, none);
    row("dsLed2", { 432, 400, 33, 33 }, none);
    row("dsLed4", { 432, 464, 33, 33 }, none);
    row("Label3", { 88, 64, -1, -1 }, QStringLiteral("Poločas"));
    row("Label2", { 256, 64, -1, -1 }, QStringLiteral("Čas"));
    row("Domaci", { 192, 304, -1, -1 }, QStringLiteral("Domací"));
    row("Label1", { 464, 304, -1, -1 }, QStringLiteral("Hosté"));
    row("Label4", { 16, 392, -1, -1 }, QStringLiteral("Siréna"));
    row("Label5", { 60, 432, -1, -1 }, QStringLiteral("Sekund"));
    row("SpeedButton2", { 8, 16, 41, 41 }, none);
    row("PripojeniRadioGroup", { 56, 8, 105, 57 }, QStringLiteral("Připojení bodovky"));
    row("NastavitVseButton", { 224, 24, 75, 25 }, QStringLiteral("N&astavit vše"));
    row("NacistVseButton", { 328, 24, 75, 25 }, QStringLiteral("Načís&t vše"));
    row("ZapasButton", { 16, 560, 81, 25 }, QStringLiteral("&Zápas…"));
    row("Button1", { 616, 8, 155, 81 }, QStringLiteral("&Start"));
    row("CasButton", { 472, 64, 75, 25 }, QStringLiteral("&Nastavit čas"));
    row("PolocasSpinEdit", { 8, 168, 73, 22 }, none);
    row("PolocasButton", { 8, 208, 75, 25 }, QStringLiteral("O&deslat"));
    row("SirenaSpinEdit", { 16, 424, 41, 22 }, none);
    row("SirenaButton", { 16, 456, 81, 25 }, QStringLiteral("Od&eslat"));
    row("DomaciSpinEdit", { 272, 560, 73, 22 }, none);
    row("SkoreButton", { 392, 560, 107, 25 }, QStringLiteral("&Odeslat"));
    row("HosteSpinEdit", { 552, 560, 73, 22 }, none);
}

void TestMainWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    Console c;
    QCOMPARE(c.form1->size(), QSize(779, 591));
    QCOMPARE(c.form1->minimumSize(), c.form1->maximumSize());
    auto *w = c.form1->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->parentWidget(), c.form1.get());
    QCOMPARE(w->pos(), geometry.topLeft());
    if (geometry.width() > 0) {
        QCOMPARE(w->size(), geometry.size());
    }
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        QCOMPARE(b->text(), caption);
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        QCOMPARE(l->text(), caption);
    } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
        QCOMPARE(g->title(), caption);
        QVERIFY(!g->isEnabled());
        const auto items = g->findChildren<QRadioButton *>();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QStringLiteral("COM"));
        QCOMPARE(items[1]->text(), QStringLiteral("USB"));
    }
}

void TestMainWindow::tabOrder()
{
    Console c;
    const QStringList expected {
        QStringLiteral("Button1"),         QStringLiteral("CasButton"),
        QStringLiteral("PolocasSpinEdit"), QStringLiteral("PolocasButton"),
        QStringLiteral("DomaciSpinEdit"),  QStringLiteral("HosteSpinEdit"),
        QStringLiteral("SkoreButton"),     QStringLiteral("SirenaSpinEdit"),
        QStringLiteral("SirenaButton"),    QStringLiteral("NastavitVseButton"),
        QStringLiteral("NacistVseButton"), QStringLiteral("ZapasButton"), // the match window, last
    };
    // Walk the focus chain from Button1 the way Tab does (the disabled group is skipped).
    QStringList walked;
    QWidget *w = c.form1->Button1;
    do {
        if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(c.form1.get())) {
            walked.append(w->objectName());
        }
        w = w->nextInFocusChain();
    } while (w != c.form1->Button1 && walked.size() < 40);
    QCOMPARE(walked, expected);
    QCOMPARE(c.form1->PomTimer->interval(), 10);
    QVERIFY(!c.form1->PomTimer->isActive());
    QCOMPARE(c.form1->Timer2->interval(), 1000);
}

void TestMainWindow::displayOperationsSkipDigitsAboveNine()
{
    Console c;
    TForm1 &f = *c.form1;
    f.ZobrazCas(1, 2, 3, 4);
    QCOMPARE(shownTime(f), QStringLiteral("12:43"));
    f.ZobrazCas(12, 5, 99, 6);
    QCOMPARE(shownTime(f), QStringLiteral("15:63"));
    f.ZobrazSkore(9, 8, 7, 6);
    QCOMPARE(shownScore(f), QStringLiteral("98:67"));
    f.ZobrazSkore(4294967295u, 1, 10, 2);
    QCOMPARE(shownScore(f), QStringLiteral("91:27"));
    f.ZobrazPolocas(10);
    QCOMPARE(shownDigit(f.PolocasDsSevenSegmentDisplay), 1);
    f.ZobrazPolocas(0);
    QCOMPARE(shownDigit(f.PolocasDsSevenSegmentDisplay), 0);
}

void TestMainWindow::closingDisconnectsOnlyAFoundController()
{
    Console c;
    QVERIFY(c.form1->Port->Connected());
    c.form1->close();
    QVERIFY(!c.form1->Port->Connected());

    Console::Options silent;
    silent.ports = testing::strings("COM10");
    silent.controllerPort.clear();
    Console s(silent);
    QCOMPARE(s.form1->StavSpojeni, 2u);
    s.form1->Port->Connect(); // a send reopens the last port tried
    s.form1->close();
    QVERIFY(s.form1->Port->Connected());
}

void TestMainWindow::czechButtonsAndMappedFonts()
{
    console::prepareApplication(*qApp);
    QCOMPARE(platform::applicationTitle(), QStringLiteral("Bodovka"));
    // Qt's own Czech translation names the standard buttons of every box.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ano"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Retry"), QStringLiteral("Opakovat"));
    // The window fonts resolve to fonts the machine has, at fixed pixel sizes.
    const QFont large = console::largeFont();
    QCOMPARE(large.pixelSize(), 27);
    QVERIFY(large.bold());
    QCOMPARE(QFontInfo(large).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(QFontInfo(console::windowFont()).family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(console::windowFont().pixelSize(), 11);
}

void TestMainWindow::placedInsideTheFreeArea_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("1366 x 768 above a 50-pixel taskbar: centred")
        << QRect(0, 0, 1366, 718) << QPoint(289, 49);
    QTest::newRow("taskbar at the top, second screen")
        << QRect(1920, 40, 1920, 1040) << QPoint(2486, 250);
    QTest::newRow("free area smaller than the window: its top left")
        << QRect(0, 30, 700, 560) << QPoint(0, 30);
}

void TestMainWindow::placedInsideTheFreeArea()
{
    QFETCH(QRect, area);
    QTEST(console::placeInside(area, QSize(787, 618)), "position");
}

void TestMainWindow::liveFeed_data()
{
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<QString>("title");
    QTest::newRow("on: the title says where")
        << false << QStringLiteral("Bodovka 1.3 – vysílání http://localhost:%1/");
    QTest::newRow("port taken: one box, and the console carries on")
        << true << QStringLiteral("Bodovka 1.3");
}

void TestMainWindow::liveFeed()
{
    QFETCH(bool, portTaken);
    QFETCH(QString, title);
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    const QString port = QString::number(holder.serverPort());
    if (!portTaken) {
        holder.close();
    }
    Console::Options options;
    options.settings = "[Vysilani]\r\nPort=" + port.toLatin1() + "\r\n";
    Console c(options);
    QCOMPARE(c.form1->windowTitle(), title.replace(QStringLiteral("%1"), port));
    QCOMPARE(c.settingsContents(), options.settings);
    const auto &box = c.dialogs.shown.first(); // the scan's box comes after
    QCOMPARE(box.text.startsWith(QStringLiteral("Vysílání na portu %1 nelze spustit: ").arg(port))
                 && box.caption == QStringLiteral("Bodovka"),
             portTaken);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
