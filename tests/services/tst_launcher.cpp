#include "launcher.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {
const QString StandIn = QStringLiteral("listrano-stand-in");
}

// The launcher starting real programs: a stand-in on PATH that notes its
// arguments and then ends as the row says.
class TestLauncher : public QObject {
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
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("bin"))));
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))) + ':' + m_oldPath);
        qputenv("LISTRANO_ARGS_FILE", QFile::encodeName(argsFile()));
        // Anything a shell made of an argument would land here.
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

    void watchedStart_data()
    {
        QTest::addColumn<QByteArray>("ending"); // the stand-in's last lines; empty: none
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<bool>("contextGone"); // before the program ends
        QTest::addColumn<int>("kind");         // launcher::Ending::Kind, -1: not told
        QTest::addColumn<int>("exitCode");
        const int exited = launcher::Ending::Exited;
        const int notStarted = launcher::Ending::NotStarted;
        const QString plain = QStringLiteral("mailto:maria@exemplo.com.br");
        // clang-format off
        QTest::newRow("exit 0") << QByteArray("exit 0\n") << true << plain << 5000 << false << exited << 0;
        QTest::newRow("exit 3") << QByteArray("exit 3\n") << true << plain << 5000 << false << exited << 3;
        QTest::newRow("killed") << QByteArray("kill -9 $$\n") << true << plain << 5000 << false << int(launcher::Ending::Crashed) << 0;
        QTest::newRow("not on PATH") << QByteArray() << true << plain << 5000 << false << notStarted << 0;
        QTest::newRow("not executable") << QByteArray("exit 0\n") << false << plain << 5000 << false << notStarted << 0;
        QTest::newRow("still running at the limit") << QByteArray("/bin/sleep 2\nexit 3\n") << true << plain << 100 << false << int(launcher::Ending::StillRunning) << 0;
        QTest::newRow("context gone first") << QByteArray("exit 3\n") << true << plain << 5000 << true << -1 << 0;
        QTest::newRow("empty") << QByteArray("exit 0\n") << true << QString() << 5000 << false << exited << 0;
        QTest::newRow("semicolon") << QByteArray("exit 0\n") << true << "a;touch pwned" << 5000 << false << exited << 0;
        QTest::newRow("command substitution") << QByteArray("exit 0\n") << true << "$(touch pwned)" << 5000 << false << exited << 0;
        QTest::newRow("backticks") << QByteArray("exit 0\n") << true << "`touch pwned`" << 5000 << false << exited << 0;
        QTest::newRow("quotes") << QByteArray("exit 0\n") << true << "\"a\" 'b' \"; touch pwned; \"" << 5000 << false << exited << 0;
        QTest::newRow("newline") << QByteArray("exit 0\n") << true << "a\ntouch pwned" << 5000 << false << exited << 0;
        // clang-format on
    }

    // Watched without blocking, told once how the program ended, and silent on
    // the console whatever happens.
    void watchedStart()
    {
        QFETCH(QByteArray, ending);
        QFETCH(bool, executable);
        QFETCH(QString, argument);
        QFETCH(int, limitMs);
        QFETCH(bool, contextGone);
        QFETCH(int, kind);
        QFETCH(int, exitCode);
        QFile::remove(argsFile());
        QFile file(m_dir.filePath(QStringLiteral("bin/") + StandIn));
        file.remove();
        if (!ending.isEmpty()) {
            // The arguments, each ended by a NUL, go to a side file that is then
            // renamed, so that the file shows up complete.
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n"
                       ": > \"$LISTRANO_ARGS_FILE.part\"\n"
                       "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$LISTRANO_ARGS_FILE.part\"; "
                       "done\n"
                       "mv \"$LISTRANO_ARGS_FILE.part\" \"$LISTRANO_ARGS_FILE\"\n" +
                       ending);
            file.close();
            if (executable)
                QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        }
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

        auto* context = new QObject;
        std::optional<launcher::Ending> told;
        int tellings = 0;
        const QPointer<QObject> watch =
            launcher::startWatched(StandIn, {argument}, limitMs, context,
                                   [&](const launcher::Ending& e) { told = e, ++tellings; });
        if (contextGone)
            delete context;
        QTRY_VERIFY(watch.isNull());
        QCoreApplication::processEvents();

        QCOMPARE(tellings, kind < 0 ? 0 : 1);
        if (kind >= 0)
            QCOMPARE(int(told->kind), kind);
        if (kind == launcher::Ending::Exited)
            QCOMPARE(told->exitCode, exitCode);
        // Also waits for a program that outlived its watch to be done with the file.
        if (!ending.isEmpty() && executable) {
            QTRY_VERIFY(QFile::exists(argsFile()));
            QCOMPARE(received(), QStringList{argument});
        }
        QVERIFY(!QFile::exists(pwnedFile()));
        // A detached start fails alike.
        if (kind == launcher::Ending::NotStarted)
            QVERIFY(!launcher::startDetached(StandIn, {argument}));
        if (!contextGone)
            delete context;
    }
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
