#include "platform/profile.h"
#include "platform/testing/fakes.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString section = QStringLiteral("Nastaveni");

} // namespace

class TestProfile final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void read_data();
    void read();
    void readWithoutFile();
    void write_data();
    void write();
    void newFileAndRoundTrip();
    void valueReadsBackAsWritten_data();
    void valueReadsBackAsWritten();
    void refusedWrite_data();
    void refusedWrite();
    void retryWhileHeld_data();
    void retryWhileHeld();
    void keepsPermissionsAndLeavesNoTemporaryFile();
    void corruptedFile_data();
    void corruptedFile();
    void sizeLimit_data();
    void sizeLimit();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestProfile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("bodovka.ini"));
}

void TestProfile::read_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << QByteArray("[Nastaveni]\nMinuty=7\n") << "Minuty"
                           << "7";
    QTest::newRow("section case") << QByteArray("[NASTAVENI]\nMinuty=7\n") << "Minuty"
                                  << "7";
    QTest::newRow("key case") << QByteArray("[Nastaveni]\nmINUTY=7\n") << "Minuty"
                              << "7";
    QTest::newRow("trimmed") << QByteArray("  [ Nastaveni ]  \n \tMinuty \t= \t7 \t\n") << "Minuty"
                             << "7";
    QTest::newRow("inner spaces kept") << QByteArray("[Nastaveni]\nA=1 2 3\n") << "A"
                                       << "1 2 3";
    QTest::newRow("first key wins") << QByteArray("[Nastaveni]\nMinuty=7\nminuty=9\n") << "Minuty"
                                    << "7";
    QTest::newRow("first section wins")
        << QByteArray("[Nastaveni]\nSekundy=1\n[nastaveni]\nMinuty=9\n") << "Minuty"
        << "def";
    QTest::newRow("other section skipped")
        << QByteArray("[Jine]\nMinuty=3\n[Nastaveni]\nMinuty=7\n") << "Minuty"
        << "7";
    QTest::newRow("key of next section")
        << QByteArray("[Nastaveni]\nA=1\n[Jine]\nMinuty=3\n") << "Minuty"
        << "def";
    QTest::newRow("key before any section") << QByteArray("Minuty=3\n[Nastaveni]\n") << "Minuty"
                                            << "def";
    QTest::newRow("missing key") << QByteArray("[Nastaveni]\nSekundy=3\n") << "Minuty"
                                 << "def";
    QTest::newRow("missing section") << QByteArray("[Jine]\nMinuty=3\n") << "Minuty"
                                     << "def";
    QTest::newRow("empty value") << QByteArray("[Nastaveni]\nMinuty=\n") << "Minuty"
                                 << "";
    QTest::newRow("double quotes") << QByteArray("[Nastaveni]\nA=\" 5 \"\n") << "A"
                                   << " 5 ";
    QTest::newRow("single quotes") << QByteArray("[Nastaveni]\nA='5'\n") << "A"
                                   << "5";
    QTest::newRow("one pair only") << QByteArray("[Nastaveni]\nA=\"\"5\"\"\n") << "A"
                                   << "\"5\"";
    QTest::newRow("unmatched quotes") << QByteArray("[Nastaveni]\nA=\"5'\n") << "A"
                                      << "\"5'";
    QTest::newRow("lone quote") << QByteArray("[Nastaveni]\nA=\"\n") << "A"
                                << "\"";
    QTest::newRow("comment is no key") << QByteArray("[Nastaveni]\n;Minuty=3\n") << "Minuty"
                                       << "def";
    QTest::newRow("line without equals") << QByteArray("[Nastaveni]\nMinuty\n") << "Minuty"
                                         << "def";
    QTest::newRow("crlf") << QByteArray("[Nastaveni]\r\nMinuty=7\r\n") << "Minuty"
                          << "7";
    QTest::newRow("no trailing newline") << QByteArray("[Nastaveni]\r\nMinuty=7") << "Minuty"
                                         << "7";
    QTest::newRow("crlf cut short at the end")
        << QByteArray("[Nastaveni]\r\nMinuty=7\r") << "Minuty"
        << "7";
    QTest::newRow("unclosed header") << QByteArray("[Nastaveni\nMinuty=7\n") << "Minuty"
                                     << "def";
    QTest::newRow("text after header") << QByteArray("[Nastaveni] x\nMinuty=7\n") << "Minuty"
                                       << "7";
    QTest::newRow("equals in value") << QByteArray("[Nastaveni]\nA=b=c\n") << "A"
                                     << "b=c";
}

void TestProfile::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QVERIFY(putFile(m_path, contents));
    QCOMPARE(readProfileString(m_path, section, key, QStringLiteral("def")), expected);
}

void TestProfile::readWithoutFile()
{
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("7")),
             QStringLiteral("7"));
    QVERIFY(QDir().mkdir(m_path));
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("7")),
             QStringLiteral("7"));
}

void TestProfile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("sectionName");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("replace keeps the key's spelling and spacing")
        << QByteArray("; hlavicka\n[nastaveni]\n  minuty =  7  \nSekundy=0\n") << section
        << "Minuty" << QByteArray("; hlavicka\n[nastaveni]\n  minuty =  42\nSekundy=0\n");
    QTest::newRow("replace keeps crlf")
        << QByteArray("[Nastaveni]\r\nMinuty=7\r\nSekundy=0\r\n") << section << "Minuty"
        << QByteArray("[Nastaveni]\r\nMinuty=42\r\nSekundy=0\r\n");
    QTest::newRow("replace first of two keys")
        << QByteArray("[Nastaveni]\nMinuty=1\nMinuty=2\n") << section << "Minuty"
        << QByteArray("[Nastaveni]\nMinuty=42\nMinuty=2\n");
    QTest::newRow("replace in first of two sections")
        << QByteArray("[Nastaveni]\nA=1\n[Nastaveni]\nMinuty=2\n") << section << "Minuty"
        << QByteArray("[Nastaveni]\nA=1\nMinuty=42\n[Nastaveni]\nMinuty=2\n");
    QTest::newRow("append after last key, before blank lines")
        << QByteArray("[Nastaveni]\r\nA=1\r\n; pozn\r\nB=2\r\n\r\n\r\n[Jine]\r\nX=1\r\n") << section
        << "Minuty"
        << QByteArray(
               "[Nastaveni]\r\nA=1\r\n; pozn\r\nB=2\r\nMinuty=42\r\n\r\n\r\n[Jine]\r\nX=1\r\n");
    QTest::newRow("append in empty section")
        << QByteArray("[Nastaveni]\n\n[Jine]\nX=1\n") << section << "Minuty"
        << QByteArray("[Nastaveni]\nMinuty=42\n\n[Jine]\nX=1\n");
    QTest::newRow("append when last line lacks a newline")
        << QByteArray("[Nastaveni]\r\nA=1") << section << "Minuty"
        << QByteArray("[Nastaveni]\r\nA=1\r\nMinuty=42\r\n");
    QTest::newRow("append when the last crlf is cut short")
        << QByteArray("[Nastaveni]\r\nA=1\r") << section << "Minuty"
        << QByteArray("[Nastaveni]\r\nA=1\r\nMinuty=42\r\n");
    QTest::newRow("replace before a crlf cut short")
        << QByteArray("[Nastaveni]\r\nMinuty=7\r") << section << "Minuty"
        << QByteArray("[Nastaveni]\r\nMinuty=42\r");
    QTest::newRow("new section after a crlf cut short")
        << QByteArray("[Jine]\r\nX=1\r") << section << "Minuty"
        << QByteArray("[Jine]\r\nX=1\r\n\r\n[Nastaveni]\r\nMinuty=42\r\n");
    QTest::newRow("new section at end")
        << QByteArray("[Jine]\r\nX=1\r\n") << section << "Minuty"
        << QByteArray("[Jine]\r\nX=1\r\n\r\n[Nastaveni]\r\nMinuty=42\r\n");
    QTest::newRow("new section after unterminated line")
        << QByteArray("[Jine]\nX=1") << section << "Minuty"
        << QByteArray("[Jine]\nX=1\n\n[Nastaveni]\nMinuty=42\n");
    QTest::newRow("new section after blank line")
        << QByteArray("[Jine]\nX=1\n\n") << section << "Minuty"
        << QByteArray("[Jine]\nX=1\n\n[Nastaveni]\nMinuty=42\n");
    QTest::newRow("foreign bytes kept")
        << QByteArray("\xEF\xBB\xBF# \x9A\xE8\n[Nastaveni]\nJm\xE9no=\x8A\n\tX\n") << section
        << "Minuty"
        << QByteArray("\xEF\xBB\xBF# \x9A\xE8\n[Nastaveni]\nJm\xE9no=\x8A\nMinuty=42\n\tX\n");
    QTest::newRow("first line ending decides")
        << QByteArray("[Jine]\nX=1\r\n") << section << "Minuty"
        << QByteArray("[Jine]\nX=1\r\n\n[Nastaveni]\nMinuty=42\n");
    QTest::newRow("names trimmed") << QByteArray("[Nastaveni]\nMinuty=1\n") << " Nastaveni\t"
                                   << " Minuty " << QByteArray("[Nastaveni]\nMinuty=42\n");
}

void TestProfile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, sectionName);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    QVERIFY(putFile(m_path, before));
    QVERIFY(writeProfileString(m_path, sectionName, key, QStringLiteral("42")));
    QCOMPARE(fileBytes(m_path), after);
    QCOMPARE(readProfileString(m_path, sectionName, key, QString()), QStringLiteral("42"));
}

void TestProfile::newFileAndRoundTrip()
{
    const QStringList keys { QStringLiteral("Minuty"), QStringLiteral("Sekundy"),
                             QStringLiteral("Setiny"), QStringLiteral("Polocas") };
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QVERIFY(writeProfileString(m_path, section, keys[i], QString::number(i * 11)));
    }
    QVERIFY(writeProfileString(m_path, QStringLiteral("Jine"), QStringLiteral("Text"),
                               QStringLiteral("příliš žluťoučký")));
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("sekundy"), QStringLiteral("59")));

    const QByteArray nl = nativeProfileNewLine();
    QCOMPARE(fileBytes(m_path),
             QByteArray("[Nastaveni]" + nl + "Minuty=0" + nl + "Sekundy=59" + nl + "Setiny=22" + nl
                        + "Polocas=33" + nl + nl + "[Jine]" + nl + "Text=příliš žluťoučký" + nl));
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("SETINY"), QString()),
             QStringLiteral("22"));
    QCOMPARE(readProfileString(m_path, QStringLiteral("jine"), QStringLiteral("text"), QString()),
             QStringLiteral("příliš žluťoučký"));
}

void TestProfile::valueReadsBackAsWritten_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line"); // the key's line in the file

    QTest::newRow("plain") << "7" << QByteArray("Minuty=7");
    QTest::newRow("empty") << "" << QByteArray("Minuty=");
    QTest::newRow("leading space") << " 7" << QByteArray("Minuty=\" 7\"");
    QTest::newRow("trailing tab") << "7\t" << QByteArray("Minuty=\"7\t\"");
    QTest::newRow("only spaces") << "  " << QByteArray("Minuty=\"  \"");
    QTest::newRow("in double quotes") << "\"7\"" << QByteArray("Minuty=\"\"7\"\"");
    QTest::newRow("in single quotes") << "'7'" << QByteArray("Minuty=\"'7'\"");
    QTest::newRow("empty quotes") << "\"\"" << QByteArray("Minuty=\"\"\"\"");
    QTest::newRow("lone quote") << "\"" << QByteArray("Minuty=\"");
    QTest::newRow("unmatched quotes") << "'7\"" << QByteArray("Minuty='7\"");
    QTest::newRow("inner spaces") << "1 2" << QByteArray("Minuty=1 2");
}

void TestProfile::valueReadsBackAsWritten()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, line);
    // Both ways of writing: a new key, and a key replaced in place.
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("Minuty"), value));
    QVERIFY(fileBytes(m_path).contains(line + nativeProfileNewLine()));
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("def")),
             value);
    QVERIFY(putFile(m_path, QByteArray("[Nastaveni]\r\nMinuty = 5 \r\nA=1\r\n")));
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("Minuty"), value));
    QCOMPARE(fileBytes(m_path), "[Nastaveni]\r\nMinuty = " + line.sliced(7) + "\r\nA=1\r\n");
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("def")),
             value);
}

void TestProfile::refusedWrite_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("read-only file") << "file 0444"
                                    << "Minuty"
                                    << "1";
    QTest::newRow("read-only folder") << "folder 0555"
                                      << "Minuty"
                                      << "1";
    QTest::newRow("read-only folder, new key") << "folder 0555"
                                               << "Nove"
                                               << "1";
    QTest::newRow("directory at the path") << "directory"
                                           << "Minuty"
                                           << "1";
    QTest::newRow("missing folder") << "missing folder"
                                    << "Minuty"
                                    << "1";
    QTest::newRow("key with equals") << ""
                                     << "A=B"
                                     << "1";
    QTest::newRow("key like a section") << ""
                                        << "[A"
                                        << "1";
    QTest::newRow("empty key") << ""
                               << "  "
                               << "1";
    QTest::newRow("value with newline") << ""
                                        << "Minuty"
                                        << "1\n[X]";
}

void TestProfile::refusedWrite()
{
    QFETCH(QString, how);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QByteArray old("[Nastaveni]\r\nMinuty=7\r\n");
    QString path = m_path;
    QFile::Permissions restore;
    if (how == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(path));
    } else if (how == QLatin1String("missing folder")) {
        path = m_dir->filePath(QStringLiteral("chybi/bodovka.ini"));
    } else {
        QVERIFY(putFile(path, old));
    }
    if (how == QLatin1String("file 0444")) {
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else if (how == QLatin1String("folder 0555")) {
        restore = QFile::permissions(m_dir->path());
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner
                                                         | QFile::ReadGroup | QFile::ExeGroup
                                                         | QFile::ReadOther | QFile::ExeOther));
    }

    const testing::FakeTicks ticks;
    const bool written = writeProfileString(path, section, key, value);
    QCOMPARE(ticks.sleptMs(), 0u); // refused at once: nothing here holds a file for a moment
    const QStringList left = QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    if (restore) {
        QFile::setPermissions(m_dir->path(), restore);
    }
    QVERIFY(!written);
    if (how == QLatin1String("directory")) {
        QVERIFY(QFileInfo(path).isDir());
    } else if (how == QLatin1String("missing folder")) {
        QVERIFY(!QFileInfo::exists(path));
    } else {
        QCOMPARE(fileBytes(path), old);
    }
    QCOMPARE(left.size(), how == QLatin1String("missing folder") ? 0 : 1);
}

void TestProfile::retryWhileHeld_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("attempts"); ///< written when more than failures
    QTest::newRow("held twice, then written") << 2 << true << 3;
    QTest::newRow("held for good: a second, then refused") << 1000 << true << 21;
    QTest::newRow("refused, not held") << 1000 << false << 1;
}

void TestProfile::retryWhileHeld()
{
    QFETCH(int, failures);
    QFETCH(bool, held);
    QFETCH(int, attempts);
    const testing::FakeTicks ticks;
    int tried = 0;
    const bool written
        = platform::retryWhileHeld([&] { return ++tried > failures; }, [&] { return held; });
    QCOMPARE(tried, attempts);
    QCOMPARE(written, attempts > failures);
    QCOMPARE(ticks.sleptMs(), quint32(50 * (attempts - 1)));
}

void TestProfile::keepsPermissionsAndLeavesNoTemporaryFile()
{
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(putFile(m_path, QByteArray("[Nastaveni]\nMinuty=7\n")));
    QVERIFY(QFile::setPermissions(m_path, mode));
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("8")));
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("Nove"), QStringLiteral("1")));
    QCOMPARE(QFile::permissions(m_path) & ~(QFile::ReadUser | QFile::WriteUser), mode);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList { QStringLiteral("bodovka.ini") });

    // Through a link the file it points to is rewritten and the link stays.
    const QString link = m_dir->filePath(QStringLiteral("odkaz.ini"));
    QVERIFY(QFile::link(m_path, link));
    QVERIFY(writeProfileString(link, section, QStringLiteral("Minuty"), QStringLiteral("9")));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(m_path), QByteArray("[Nastaveni]\nMinuty=9\nNove=1\n"));
}

void TestProfile::corruptedFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("minuty"); // what "Minuty" reads, "def" for the default

    QByteArray random(64 * 1024, '\0');
    QRandomGenerator generator(20241208);
    for (char &c : random) {
        c = char(generator.bounded(256));
    }
    const QByteArray good("[Nastaveni]\nMinuty=7\n");
    QTest::newRow("random bytes") << random << "def";
    QTest::newRow("random bytes around good lines") << random + "\n" + good + random << "7";
    QTest::newRow("1 MB line") << QByteArray(1024 * 1024, 'x') + "\n" + good << "7";
    QTest::newRow("1 MB value") << "[Nastaveni]\nMinuty=" + QByteArray(1024 * 1024, '9') << "long";
    QTest::newRow("NUL in key line") << QByteArray("[Nastaveni]\nMinuty=7\0x\n", 23) << "def";
    QTest::newRow("NUL in other line") << QByteArray("[Nastaveni]\n\0\0\0\nMinuty=7", 24) << "7";
    QTest::newRow("only NULs") << QByteArray(4096, '\0') << "def";
    QTest::newRow("no trailing newline") << QByteArray("[Nastaveni]\nMinuty=7") << "7";
    QTest::newRow("header only") << QByteArray("[Nastaveni]") << "def";
    QTest::newRow("empty file") << QByteArray() << "def";
}

void TestProfile::corruptedFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, minuty);
    QVERIFY(putFile(m_path, contents));
    const QString read
        = readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("def"));
    if (minuty == QLatin1String("long")) {
        QCOMPARE(read.size(), 1024 * 1024);
    } else {
        QCOMPARE(read, minuty);
    }
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Sirena"), QStringLiteral("5")),
             QStringLiteral("5"));

    // A write keeps whatever was there and makes the new key readable.
    QVERIFY(writeProfileString(m_path, section, QStringLiteral("Sirena"), QStringLiteral("3")));
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Sirena"), QString()),
             QStringLiteral("3"));
    // Every old byte is still there: the new file is the old one with one piece inserted.
    const QByteArray after = fileBytes(m_path);
    qsizetype common = 0;
    while (common < contents.size() && after[common] == contents[common]) {
        ++common;
    }
    QVERIFY(after.endsWith(contents.sliced(common)));
    QVERIFY(after.sliced(common, after.size() - contents.size()).contains("Sirena=3"));
}

void TestProfile::sizeLimit_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("readable");
    const qsizetype limit = 16 * 1024 * 1024;
    QTest::newRow("at the limit") << limit << true;
    QTest::newRow("one byte over") << limit + 1 << false;
}

void TestProfile::sizeLimit()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, readable);
    // A file read in pieces: the key sits in the last one, the limit is still exact.
    const QByteArray head("[Nastaveni]\n;");
    const QByteArray tail("\nMinuty=7\n");
    const QByteArray contents = head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
    QVERIFY(putFile(m_path, contents));
    QCOMPARE(readProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("def")),
             readable ? QStringLiteral("7") : QStringLiteral("def"));
    // A file too large to be a settings file is not rewritten either.
    QCOMPARE(writeProfileString(m_path, section, QStringLiteral("Minuty"), QStringLiteral("8")),
             readable);
    QCOMPARE(QFileInfo(m_path).size(), size);
}

QTEST_APPLESS_MAIN(TestProfile)
#include "tst_profile.moc"
