#include "launcher.h"
#include "maillaunch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The mail command: the address reaches the mail launcher as one argument, as
// typed, whatever it holds; a missing launcher is no error.
class TestMailLaunch : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
    QString m_oldCwd;

    QString argsFile() const { return m_dir.filePath(QStringLiteral("args")); }
    QString pwnedFile() const { return m_dir.filePath(QStringLiteral("pwned")); }

    // The arguments the stand-in was started with, once it has written them.
    QStringList received() const
    {
        QFile file(argsFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList args = QString::fromUtf8(file.readAll()).split(QLatin1Char('\0'));
        args.removeLast(); // each argument ends with a NUL
        return args;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The stand-in writes its arguments, each ended by a NUL, to a side file
        // and then renames it, so that the file shows up complete.
        const QString script = m_dir.filePath(QStringLiteral("bin/xdg-email"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("bin"))));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "#!/bin/sh\n"
            ": > \"$LISTRANO_ARGS_FILE.part\"\n"
            "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$LISTRANO_ARGS_FILE.part\"; done\n"
            "mv \"$LISTRANO_ARGS_FILE.part\" \"$LISTRANO_ARGS_FILE\"\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));

        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(QFileInfo(script).path()) + ':' + m_oldPath);
        qputenv("LISTRANO_ARGS_FILE", QFile::encodeName(argsFile()));
        // Anything a shell made of the address would land here.
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(m_oldCwd);
        qputenv("PATH", m_oldPath);
        // A late command from an earlier row would have had time by now.
        QVERIFY(!QFile::exists(pwnedFile()));
    }

    void init() { QFile::remove(argsFile()); }

    void addressIsOneArgument_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("plain") << QStringLiteral("maria.souza@exemplo.com.br");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks only") << QStringLiteral("   ");
        QTest::newRow("spaces inside") << QStringLiteral(" jo ao @ exemplo.com ");
        QTest::newRow("semicolon") << QStringLiteral("a;touch pwned");
        QTest::newRow("command substitution") << QStringLiteral("$(touch pwned)");
        QTest::newRow("backticks") << QStringLiteral("`touch pwned`");
        QTest::newRow("and") << QStringLiteral("a && touch pwned");
        QTest::newRow("pipe") << QStringLiteral("a | touch pwned");
        QTest::newRow("quotes") << QStringLiteral("\"a\" 'b' \"; touch pwned; \"");
        QTest::newRow("newline") << QStringLiteral("a\ntouch pwned");
    }

    void addressIsOneArgument()
    {
        QFETCH(QString, address);
        sendMailTo(address);
        QTRY_VERIFY(QFile::exists(argsFile()));
        QCOMPARE(received(), QStringList{QStringLiteral("mailto:") + address});
        QVERIFY(!QFile::exists(pwnedFile()));
    }

    void missingLauncherIsSilent()
    {
        QTemporaryDir emptyDir;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(emptyDir.path()));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

        QVERIFY(!launcher::startDetached(QStringLiteral("xdg-email"), {}));
        sendMailTo(QStringLiteral("maria.souza@exemplo.com.br"));

        qputenv("PATH", path);
        QVERIFY(!QFile::exists(argsFile()));
    }
};

QTEST_GUILESS_MAIN(TestMailLaunch)
#include "tst_maillaunch.moc"
