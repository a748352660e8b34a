#include "launcher.h"
#include "maillaunch.h"
#include "messagebox.h"

#include <QPointer>
#include <QTest>
#include <QWidget>

namespace {
const QString Title = QStringLiteral("Listrano de Endereço");
}

// The mail command: the address reaches the mail launcher as one argument, as
// typed, whatever it holds; the user hears when no mail program took it. The
// launcher is scripted; tst_launcher starts real programs.
class TestMailLaunch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBox::setTestMode(true);
        launcher::setTestMode(true);
    }

    void init()
    {
        MessageBox::clearShown();
        launcher::clearAsked();
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
        QCOMPARE(launcher::asked().size(), 1);
        QCOMPARE(launcher::asked().at(0).program, QStringLiteral("xdg-email"));
        QCOMPARE(launcher::asked().at(0).arguments,
                 QStringList{QStringLiteral("mailto:") + address});
        QTRY_VERIFY(watch.isNull());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void launcherEndings_data()
    {
        QTest::addColumn<int>("kind"); // launcher::Ending::Kind
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<bool>("windowClosed"); // before the launcher ends
        QTest::addColumn<bool>("told");
        const int exited = launcher::Ending::Exited;
        QTest::newRow("mail program opened") << exited << 0 << 5000 << false << false;
        QTest::newRow("other failure") << exited << 1 << 5000 << false << false;
        QTest::newRow("no program for mailto") << exited << 3 << 5000 << false << true;
        QTest::newRow("action failed") << exited << 4 << 5000 << false << true;
        QTest::newRow("crashed") << int(launcher::Ending::Crashed) << 0 << 5000 << false << false;
        QTest::newRow("no launcher")
            << int(launcher::Ending::NotStarted) << 0 << 5000 << false << true;
        QTest::newRow("still running at the limit")
            << int(launcher::Ending::StillRunning) << 0 << 100 << false << false;
        QTest::newRow("window closed first") << exited << 3 << 5000 << true << false;
    }

    // The launcher watched without blocking: its word that no mail program took
    // the message is told once it comes, over the window that asked.
    void launcherEndings()
    {
        QFETCH(int, kind);
        QFETCH(int, exitCode);
        QFETCH(int, limitMs);
        QFETCH(bool, windowClosed);
        QFETCH(bool, told);
        launcher::setNextAnswer({launcher::Ending::Kind(kind), exitCode});
        auto* window = new QWidget;
        const QPointer<QObject> watch =
            sendMailTo(QStringLiteral("maria@exemplo.com.br"), window, Title, limitMs);
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
