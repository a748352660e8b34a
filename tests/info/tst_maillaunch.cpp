#include "launcher.h"
#include "maillaunch.h"
#include "messagebox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {
const QString Title = QStringLiteral("Listrano de Endereço");
}

// The mail command: the address reaches the mail launcher as one argument, as
// typed, whatever it holds; the user hears when no mail program took it.
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
        MessageBox::setTestMode(true);
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

    void init()
    {
        QFile::remove(argsFile());
        MessageBox::clearShown();
    }

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
        QWidget window;
        const QPointer<QObject> watch = sendMailTo(address, &window, Title);
        QTRY_VERIFY(QFile::exists(argsFile()));
        QCOMPARE(received(), QStringList{QStringLiteral("mailto:") + address});
        QVERIFY(!QFile::exists(pwnedFile()));
        QTRY_VERIFY(watch.isNull());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // Nothing on the console: the user is told in a message box (launcherEndings).
    void missingLauncherIsSilent()
    {
        QTemporaryDir emptyDir;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(emptyDir.path()));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

        QVERIFY(!launcher::startDetached(QStringLiteral("xdg-email"), {}));
        QWidget window;
        const QPointer<QObject> watch =
            sendMailTo(QStringLiteral("maria.souza@exemplo.com.br"), &window, Title);
        QTRY_VERIFY(watch.isNull());

        qputenv("PATH", path);
        QVERIFY(!QFile::exists(argsFile()));
    }

    void launcherEndings_data()
    {
        QTest::addColumn<QByteArray>("launcher"); // empty: none
        QTest::addColumn<bool>("executable");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<bool>("windowClosed"); // before the launcher ends
        QTest::addColumn<bool>("told");
        const QByteArray sh = "#!/bin/sh\n";
        QTest::newRow("mail program opened") << sh + "exit 0\n" << true << 5000 << false << false;
        QTest::newRow("other failure") << sh + "exit 1\n" << true << 5000 << false << false;
        QTest::newRow("no program for mailto") << sh + "exit 3\n" << true << 5000 << false << true;
        QTest::newRow("action failed") << sh + "exit 4\n" << true << 5000 << false << true;
        QTest::newRow("no launcher") << QByteArray() << true << 5000 << false << true;
        QTest::newRow("launcher not executable") << sh + "exit 0\n"
                                                 << false << 5000 << false << true;
        QTest::newRow("still running at the limit") << sh + "/bin/sleep 2\nexit 3\n"
                                                    << true << 100 << false << false;
        QTest::newRow("window closed first") << sh + "exit 3\n" << true << 5000 << true << false;
    }

    // The launcher watched without blocking: its word that no mail program took
    // the message is told once it comes, over the window that asked.
    void launcherEndings()
    {
        QFETCH(QByteArray, launcher);
        QFETCH(bool, executable);
        QFETCH(int, limitMs);
        QFETCH(bool, windowClosed);
        QFETCH(bool, told);
        QTemporaryDir bin;
        if (!launcher.isEmpty()) {
            QFile file(bin.filePath(QStringLiteral("xdg-email")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(launcher);
            file.close();
            if (executable)
                QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        auto* window = new QWidget;
        const QPointer<QObject> watch =
            sendMailTo(QStringLiteral("maria@exemplo.com.br"), window, Title, limitMs);
        qputenv("PATH", path);
        if (windowClosed)
            delete window;
        QTRY_VERIFY(watch.isNull());

        QCOMPARE(MessageBox::shown().size(), told ? 1 : 0);
        if (told) {
            const MessageBox::Shown& shown = MessageBox::shown().at(0);
            QCOMPARE(shown.text, QStringLiteral("Não foi possível abrir o programa de e-mail."));
            QCOMPARE(shown.title, Title);
            QCOMPARE(shown.icon, MessageBox::Information);
            QCOMPARE(shown.buttons, MessageBox::Ok);
        }
        if (!windowClosed)
            delete window;
    }
};

QTEST_MAIN(TestMailLaunch)
#include "tst_maillaunch.moc"
