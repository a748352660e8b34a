#include "personname.h"

#include <QTest>

// Whole names in the parts address books sort by.
class TestPersonName : public QObject {
    Q_OBJECT

private slots:
    void split_data();
    void split();
};

void TestPersonName::split_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parts"); // "family|given|additional", or "company"
    // clang-format off
    QTest::newRow("particle before the last word") << "Maria da Conceição Araújo" << "Araújo|Maria|da Conceição";
    QTest::newRow("suffix and particle") << "José Carlos da Silva Filho" << "da Silva Filho|José|Carlos";
    QTest::newRow("two words") << "Ana Souza" << "Souza|Ana|";
    QTest::newRow("particle after the given name") << "Pedro dos Santos" << "dos Santos|Pedro|";
    QTest::newRow("suffix after the given name") << "Pedro Neto" << "Neto|Pedro|";
    QTest::newRow("suffix with accent, any case") << "luiz inácio mendes JÚNIOR" << "mendes JÚNIOR|luiz|inácio";
    QTest::newRow("particle inside stays") << "Ana de Souza Lima" << "Lima|Ana|de Souza";
    QTest::newRow("one word, blanks around") << "  Zé " << "|Zé|";
    QTest::newRow("empty") << "" << "||";
    QTest::newRow("Ltda.") << "Padaria Pão Quente Ltda." << "company";
    QTest::newRow("S/A") << "Banco do Povo S/A" << "company";
    QTest::newRow("ME, any case") << "João da Silva me" << "company";
    QTest::newRow("company word not last") << "Ltda Souza" << "Souza|Ltda|";
    // clang-format on
}

void TestPersonName::split()
{
    QFETCH(QString, name);
    QFETCH(QString, parts);
    const personname::NameParts p = personname::split(name);
    const QString split = QStringList({p.family, p.given, p.additional}).join(u'|');
    QCOMPARE(p.company && split == "||" ? QString("company") : split, parts);
}

QTEST_APPLESS_MAIN(TestPersonName)
#include "tst_personname.moc"
