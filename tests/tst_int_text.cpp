#include "controls/int_text.h"
#include "platform/errors.h"

#include <QTest>

using controls::intToStr;
using controls::strToInt;
using controls::tryStrToInt;

class TestIntText final : public QObject
{
    Q_OBJECT

private slots:
    void validText_data();
    void validText();
    void invalidText_data();
    void invalidText();
    void strictConversionNamesTheText_data();
    void strictConversionNamesTheText();
    void decimalOutput_data();
    void decimalOutput();
};

void TestIntText::validText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("one space before") << QStringLiteral(" 5") << 5;
    QTest::newRow("spaces before minus") << QStringLiteral("  -7") << -7;
    QTest::newRow("plus sign") << QStringLiteral("+5") << 5;
    QTest::newRow("minus zero") << QStringLiteral("-0") << 0;
    QTest::newRow("leading zeros") << QStringLiteral("007") << 7;
    QTest::newRow("dollar lower hex") << QStringLiteral("$ff") << 255;
    QTest::newRow("dollar all ones") << QStringLiteral("$FFFFFFFF") << -1;
    QTest::newRow("x prefix") << QStringLiteral("x1F") << 31;
    QTest::newRow("X prefix") << QStringLiteral("X10") << 16;
    QTest::newRow("0x prefix") << QStringLiteral("0x7fffffff") << 2147483647;
    QTest::newRow("0X all ones") << QStringLiteral("0XFFFFFFFF") << -1;
    QTest::newRow("hex sign bit") << QStringLiteral("$80000000") << qint32(-2147483647 - 1);
    QTest::newRow("hex leading zeros") << QStringLiteral("$000000000001") << 1;
    QTest::newRow("space before hex") << QStringLiteral(" $A") << 10;
    QTest::newRow("largest") << QStringLiteral("2147483647") << 2147483647;
    QTest::newRow("smallest") << QStringLiteral("-2147483648") << qint32(-2147483647 - 1);
    QTest::newRow("smallest with zeros")
        << QStringLiteral("-0002147483648") << qint32(-2147483647 - 1);
}

void TestIntText::validText()
{
    QFETCH(QString, text);
    QFETCH(qint32, value);
    const std::optional<qint32> read = tryStrToInt(text);
    QVERIFY(read.has_value());
    QCOMPARE(*read, value);
    QCOMPARE(strToInt(text), value);
}

void TestIntText::invalidText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces only") << QStringLiteral("   ");
    QTest::newRow("minus alone") << QStringLiteral("-");
    QTest::newRow("plus alone") << QStringLiteral("+");
    QTest::newRow("space after") << QStringLiteral("5 ");
    QTest::newRow("space after sign") << QStringLiteral("- 5");
    QTest::newRow("tab before") << QStringLiteral("\t5");
    QTest::newRow("non-breaking space before") << QStringLiteral("\u00a05");
    QTest::newRow("full-width digit") << QStringLiteral("\uff15");
    QTest::newRow("Arabic-Indic digit") << QStringLiteral("\u0665");
    QTest::newRow("exponent") << QStringLiteral("1e3");
    QTest::newRow("decimal comma") << QStringLiteral("1,5");
    QTest::newRow("two signs") << QStringLiteral("--5");
    QTest::newRow("minus after digits") << QStringLiteral("5-");
    QTest::newRow("0x alone") << QStringLiteral("0x");
    QTest::newRow("dollar alone") << QStringLiteral("$");
    QTest::newRow("signed hex") << QStringLiteral("+$5");
    QTest::newRow("minus hex") << QStringLiteral("-$5");
    QTest::newRow("sign after 0x") << QStringLiteral("0x-5");
    QTest::newRow("hex nine digits") << QStringLiteral("0x100000000");
    QTest::newRow("hex bad digit") << QStringLiteral("$fg");
    QTest::newRow("decimal hex digit") << QStringLiteral("1F");
    QTest::newRow("one above largest") << QStringLiteral("2147483648");
    QTest::newRow("one below smallest") << QStringLiteral("-2147483649");
    QTest::newRow("far too long") << QStringLiteral("99999999999999999999999");
    QTest::newRow("letters") << QStringLiteral("abc");
}

void TestIntText::invalidText()
{
    QFETCH(QString, text);
    QVERIFY(!tryStrToInt(text).has_value());
    QVERIFY_THROWS_EXCEPTION(platform::Error, strToInt(text));
}

void TestIntText::strictConversionNamesTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << QStringLiteral("abc")
                             << QStringLiteral("'abc' is not a valid integer value");
    QTest::newRow("empty") << QString() << QStringLiteral("'' is not a valid integer value");
    QTest::newRow("percent signs kept")
        << QStringLiteral("%1%s") << QStringLiteral("'%1%s' is not a valid integer value");
}

void TestIntText::strictConversionNamesTheText()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        strToInt(text);
        QFAIL("no error raised");
    } catch (const platform::Error &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestIntText::decimalOutput_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << QStringLiteral("0");
    QTest::newRow("positive") << 100 << QStringLiteral("100");
    QTest::newRow("negative") << -1 << QStringLiteral("-1");
    QTest::newRow("largest") << 2147483647 << QStringLiteral("2147483647");
    QTest::newRow("smallest") << qint32(-2147483647 - 1) << QStringLiteral("-2147483648");
}

void TestIntText::decimalOutput()
{
    QFETCH(qint32, value);
    QFETCH(QString, text);
    QCOMPARE(intToStr(value), text);
    QCOMPARE(tryStrToInt(text), std::optional<qint32>(value));
}

QTEST_APPLESS_MAIN(TestIntText)
#include "tst_int_text.moc"
