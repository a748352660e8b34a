#include "keyring.h"
#include "syncpassword.h"

#include <QtTest>

// The keyring layer against a real Secret Service, started for the test in a
// D-Bus session of its own by private_keyring.sh.
class TestDesktopKeyring : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("LISTRANO_PRIVATE_KEYRING"))
            return;
        const QByteArray why =
            "no Secret Service of the test's own (" +
            (qEnvironmentVariableIsSet("LISTRANO_NO_PRIVATE_KEYRING")
                 ? qgetenv("LISTRANO_NO_PRIVATE_KEYRING")
                 : QByteArray("run it through tests/keyring/private_keyring.sh")) +
            "); the test never uses the user's own keyring";
        if (qgetenv("CI") == "true")
            QFAIL(why.constData());
        QSKIP(why.constData());
    }

    void keptReadAndForgotten_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << "s3nha-simples";
        QTest::newRow("accents, symbols and spaces") << "ação çé € 😀 \"'\\ ;";
        QTest::newRow("long") << QString(2000, u'x');
    }

    void keptReadAndForgotten()
    {
        QFETCH(QString, password);
        const QString url = QStringLiteral("https://nuvem.exemplo.com.br/");
        const QString user = QString::fromUtf8(QTest::currentDataTag());
        QCOMPARE(keyring::read(url, user).status, keyring::Answer::NotFound);
        QVERIFY2(keyring::write(url, user, password).ok(),
                 qPrintable(keyring::write(url, user, password).detail));
        QCOMPARE(keyring::read(url, user).password, password);
        QVERIFY(keyring::write(url, user, password + u'2').ok()); // replaced, not added
        QCOMPARE(keyring::read(url, user).password, password + u'2');
        QCOMPARE(keyring::read(url, QStringLiteral("outra")).status, keyring::Answer::NotFound);
        QVERIFY(keyring::remove(url, user).ok());
        QCOMPARE(keyring::read(url, user).status, keyring::Answer::NotFound);
    }

    // What --sync and the dialog read comes from the keyring.
    void passwordSource()
    {
        const QString url = QStringLiteral("https://outro.exemplo.com.br/dav/");
        QVERIFY(
            syncpassword::keep(url, QStringLiteral("ana"), QStringLiteral("guardada"), true).ok());
        const syncpassword::Found found = syncpassword::find(url, QStringLiteral("ana"));
        QCOMPARE(int(found.source), int(syncpassword::Found::Keyring));
        QCOMPARE(found.password, QStringLiteral("guardada"));
        QVERIFY(syncpassword::forget(url, QStringLiteral("ana")).ok());
        QCOMPARE(int(syncpassword::find(url, QStringLiteral("ana")).source),
                 int(syncpassword::Found::None));
    }

    // An answer that comes after the time limit is no one's: the next call gets
    // its own.
    void lateAnswerLeftAlone()
    {
        const QString key =
            keyring::key(QStringLiteral("https://tarde.exemplo.com.br/"), QStringLiteral("ana"));
        keyring::DesktopStore hasty(0);
        const keyring::Answer late = hasty.write(key, QStringLiteral("primeira"));
        QCOMPARE(late.status, keyring::Answer::Unavailable);
        QCOMPARE(late.detail, QStringLiteral("Nenhum chaveiro respondeu em 0 s."));
        keyring::DesktopStore patient;
        QCOMPARE(patient.read(key).password, QStringLiteral("primeira"));
        QVERIFY(patient.remove(key).ok());
        QCOMPARE(patient.read(key).status, keyring::Answer::NotFound);
    }
};

QTEST_GUILESS_MAIN(TestDesktopKeyring)
#include "tst_desktopkeyring.moc"
