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
    void phoneForm_data();
    void phoneForm();
    void splitExtension_data();
    void splitExtension();
    void stateCode_data();
    void stateCode();
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
    QTest::newRow("non-geographic keeps its 0") << "0800 727 0101"
                                                << "08007270101";
    QTest::newRow("carrier code") << "0xx11 3333-4444"
                                  << "1133334444";
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
    QTest::newRow("CEP lost its leading zero") << "1310100"
                                               << "1310100"
                                               << "01.310-100";
    QTest::newRow("01310 100") << "01310 100"
                               << "01310 100"
                               << "01.310-100";
    QTest::newRow("six digits") << "131010"
                                << "131010"
                                << "131010";
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
    QTest::newRow("non-geographic") << "0800 727 0101"
                                    << "0800 727 0101"
                                    << "0800 727 0101";
}

void TestWrittenForms::brazilianForms()
{
    QFETCH(QString, stored);
    QFETCH(QString, phone);
    QFETCH(QString, cep);
    QCOMPARE(writtenform::internationalPhone(stored), phone);
    QCOMPARE(writtenform::plainCep(stored), cep);
}

// How a written number is stored.
void TestWrittenForms::phoneForm_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored");
    // clang-format off
    QTest::newRow("0800") << "0800 727 0101" << "0800 727 0101";
    QTest::newRow("0300 run together") << "03001234567" << "0300 123 4567";
    QTest::newRow("0303 with hyphens") << "0303-123-4567" << "0303 123 4567";
    QTest::newRow("trunk 0, number from 1") << "011 1333 4444" << "0111 333 4444";
    QTest::newRow("no area code") << "4004-0001" << "4004-0001";
    QTest::newRow("three-digit group") << "(206) 555-9857" << "(206) 555-9857";
    QTest::newRow("+1") << " +1 206 555 9857 " << "+1 206 555 9857";
    QTest::newRow("+351") << "+351 21 123 4567" << "+351 21 123 4567";
    QTest::newRow("0xx") << "0xx11 3333-4444" << "(11) 3333-4444";
    QTest::newRow("(0XX21)") << "(0XX21) 98765-4321" << "(21) 98765-4321";
    QTest::newRow("carrier apart") << "0 21 11 3333-4444" << "(11) 3333-4444";
    QTest::newRow("carrier, mobile") << "021 11 98765-4321" << "(11) 98765-4321";
    QTest::newRow("trunk in parentheses") << "(021) 2222-3333" << "(21) 2222-3333";
    QTest::newRow("trunk, mobile") << "021 98765-4321" << "(21) 98765-4321";
    QTest::newRow("area code with a 0") << "(10) 3333-4444" << "(10) 3333-4444";
    QTest::newRow("too long") << QString(40, '9') << QString(30, '9');
    // clang-format on
}

void TestWrittenForms::phoneForm()
{
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QCOMPARE(writtenform::phoneForm(written), stored);
}

void TestWrittenForms::splitExtension_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("extension");
    const QString number = "(31) 3222-1000";
    // clang-format off
    QTest::newRow("ramal") << "(31) 3222-1000 ramal 215" << number << "215";
    QTest::newRow("Ramal:") << "(31) 3222-1000 Ramal: 215" << number << "215";
    QTest::newRow("r.") << "(31) 3222-1000 r. 215" << number << "215";
    QTest::newRow("x") << "(31) 3222-1000 x215" << number << "215";
    QTest::newRow("x run together") << "(31) 3222-1000x215" << number << "215";
    QTest::newRow("ext.") << "(31) 3222-1000 ext. 215" << number << "215";
    QTest::newRow("comma") << "(31) 3222-1000,215" << number << "215";
    QTest::newRow("URI") << "+55-31-3222-1000;ext=215" << "+55-31-3222-1000" << "215";
    QTest::newRow("none") << " 0800 727 0101 " << "0800 727 0101" << "";
    QTest::newRow("word only") << "ramal 215" << "ramal 215" << "";
    // clang-format on
}

void TestWrittenForms::splitExtension()
{
    QFETCH(QString, written);
    QFETCH(QString, number);
    QFETCH(QString, extension);
    const writtenform::SplitPhone split = writtenform::splitExtension(written);
    QCOMPARE(split.number, number);
    QCOMPARE(split.extension, extension);
}

void TestWrittenForms::stateCode_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("code");
    // clang-format off
    QTest::newRow("code") << "SP" << "SP";
    QTest::newRow("lower case") << "sp" << "SP";
    QTest::newRow("name") << "São Paulo" << "SP";
    QTest::newRow("no accents") << " sao  paulo" << "SP";
    QTest::newRow("longer name first matched whole") << "mato grosso do sul" << "MS";
    QTest::newRow("district") << "Distrito Federal" << "DF";
    QTest::newRow("a city") << "Campinas" << "Campinas";
    QTest::newRow("not a code") << "XX" << "XX";
    // clang-format on
}

void TestWrittenForms::stateCode()
{
    QFETCH(QString, written);
    QFETCH(QString, code);
    QCOMPARE(writtenform::stateCode(written), code);
}

QTEST_APPLESS_MAIN(TestWrittenForms)
#include "tst_writtenforms.moc"
