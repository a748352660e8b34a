#include "writtenforms.h"

#include <QTest>

// Phone numbers and CEPs as they are written, pasted, stored and exported.
class TestWrittenForms : public QObject {
    Q_OBJECT

private slots:
    void phoneDigits_data();
    void phoneDigits();
    void forms_data();
    void forms();
    void brazilianForms_data();
    void brazilianForms();
};

void TestWrittenForms::phoneDigits_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("digits");
    QTest::newRow("formatted") << "(11) 98765-4321"
                               << "11987654321";
    QTest::newRow("country code") << " +55 11 98765-4321"
                                  << "11987654321";
    QTest::newRow("long-distance prefix") << "011 3333-4444"
                                          << "1133334444";
    QTest::newRow("55 without +") << "5511987654321"
                                  << "5511987654321";
}

void TestWrittenForms::phoneDigits()
{
    QFETCH(QString, pasted);
    QFETCH(QString, digits);
    QCOMPARE(writtenform::phoneDigits(pasted), digits);
}

void TestWrittenForms::forms_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("cep");
    const QString mobile = "(11) 98765-4321";
    QTest::newRow("+55 11 98765-4321") << "+55 11 98765-4321" << mobile << "+55 11 98765-4321";
    QTest::newRow("+5511987654321") << "+5511987654321" << mobile << "+5511987654321";
    QTest::newRow("011 98765 4321") << "011 98765 4321" << mobile << "011 98765 4321";
    QTest::newRow("(11) 98765-4321") << mobile << mobile << mobile;
    QTest::newRow("ten digits") << "11 3333-4444"
                                << "(11) 3333-4444"
                                << "11 3333-4444";
    QTest::newRow("01310-100") << "01310-100"
                               << "01310-100"
                               << "01.310-100";
    QTest::newRow("01310100") << "01310100"
                              << "01310100"
                              << "01.310-100";
    QTest::newRow("01.310-100") << "01.310-100"
                                << "01.310-100"
                                << "01.310-100";
    QTest::newRow("anything else") << "ramal 12"
                                   << "ramal 12"
                                   << "ramal 12";
}

void TestWrittenForms::forms()
{
    QFETCH(QString, written);
    QFETCH(QString, phone);
    QFETCH(QString, cep);
    QCOMPARE(writtenform::phoneForm(written), phone);
    QCOMPARE(writtenform::cepForm(written), cep);
}

void TestWrittenForms::brazilianForms_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("cep");
    QTest::newRow("mobile") << "(11) 98765-4321"
                            << "+55 11 98765-4321"
                            << "(11) 98765-4321";
    QTest::newRow("phone") << "(21) 3333-4444"
                           << "+55 21 3333-4444"
                           << "(21) 3333-4444";
    QTest::newRow("cep") << "01.310-100"
                         << "01.310-100"
                         << "01310-100";
    QTest::newRow("cep saved with a comma") << "69,301-000"
                                            << "69,301-000"
                                            << "69301-000";
    QTest::newRow("anything else") << "11 5555-1234"
                                   << "11 5555-1234"
                                   << "11 5555-1234";
}

void TestWrittenForms::brazilianForms()
{
    QFETCH(QString, stored);
    QFETCH(QString, phone);
    QFETCH(QString, cep);
    QCOMPARE(writtenform::internationalPhone(stored), phone);
    QCOMPARE(writtenform::plainCep(stored), cep);
}

QTEST_APPLESS_MAIN(TestWrittenForms)
#include "tst_writtenforms.moc"
