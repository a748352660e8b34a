#include "fakekeyring.h"
#include "syncpassword.h"
#include "usersettings.h"

#include <QTemporaryDir>
#include <QtTest>

// Where a sync's password comes from: the first of the account's password
// command, the keyring and this session's memory.
class TestSyncPassword : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void order_data()
    {
        QTest::addColumn<QString>("command"); // the settings' password command
        QTest::addColumn<QString>("keyring"); // "kept", "empty" or "silent"
        QTest::addColumn<bool>("session");    // a password kept for the session
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("failed"); // the command failed
        QTest::addColumn<bool>("keyringSilent");
        using F = syncpassword::Found;
        QTest::newRow("the command comes first")
            << "printf 'do-comando\\noutra linha'"
            << "kept" << true << int(F::Command) << "do-comando" << false << false;
        QTest::newRow("a failing command is not passed over")
            << "exit 3"
            << "kept" << true << int(F::Command) << "" << true << false;
        QTest::newRow("then the keyring")
            << ""
            << "kept" << true << int(F::Keyring) << "do-chaveiro" << false << false;
        QTest::newRow("then the session, the keyring holding none")
            << ""
            << "empty" << true << int(F::Session) << "da-sessao" << false << false;
        QTest::newRow("then the session, no keyring answering")
            << ""
            << "silent" << true << int(F::Session) << "da-sessao" << false << true;
        QTest::newRow("none") << ""
                              << "empty" << false << int(F::None) << "" << false << false;
        QTest::newRow("none, no keyring answering")
            << ""
            << "silent" << false << int(F::None) << "" << false << true;
    }

    void order()
    {
        QFETCH(QString, command);
        QFETCH(QString, keyring);
        QFETCH(bool, session);
        QFETCH(int, source);
        QFETCH(QString, password);
        QFETCH(bool, failed);
        QFETCH(bool, keyringSilent);
        const QString url = QStringLiteral("https://nuvem.exemplo.com.br/");
        const QString user = QString::fromLatin1(QTest::currentDataTag());
        FakeKeyring fake;
        if (session)
            (void)syncpassword::keep(url, user, QStringLiteral("da-sessao"), false);
        if (keyring == u"kept")
            fake.kept.insert(keyring::key(url, user), QStringLiteral("do-chaveiro"));
        fake.available = keyring != u"silent";
        QVERIFY(!usersettings::save(url, user, {command, {}}));

        const syncpassword::Found found = syncpassword::find(url, user);
        QCOMPARE(int(found.source), source);
        QCOMPARE(found.password, password);
        QCOMPARE(!found.error.isEmpty(), failed);
        QCOMPARE(!found.keyringDetail.isEmpty(), keyringSilent);
        fake.available = true;
        (void)syncpassword::forget(url, user);
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestSyncPassword)
#include "tst_syncpassword.moc"
