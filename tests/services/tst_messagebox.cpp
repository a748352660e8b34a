#include "messagebox.h"
#include "translation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void buttonsSpeakPortuguese();
    void realBox_data();
    void realBox();
    void ownButtonTexts();
    void testMode_scriptsAnswersAndRecords();
};

void TestMessageBox::initTestCase()
{
    QVERIFY2(installQtTranslation(*QCoreApplication::instance()),
             "qtbase_pt_BR.qm not found: install qt6-translations-l10n");
}

void TestMessageBox::buttonsSpeakPortuguese()
{
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("Sim"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove('&'), QStringLiteral("Não"));
}

void TestMessageBox::realBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press"); // 0: Enter on the default button
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("icon");
    QTest::newRow("yes is the default")
        << int(MessageBox::YesNo) << 0 << int(MessageBox::Yes) << int(QMessageBox::Question);
    QTest::newRow("no") << int(MessageBox::YesNo) << int(QMessageBox::No) << int(MessageBox::No)
                        << int(QMessageBox::Question);
    QTest::newRow("ok") << int(MessageBox::Ok) << 0 << int(MessageBox::AnswerOk)
                        << int(QMessageBox::Information);
}

void TestMessageBox::realBox()
{
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(int, icon);
    MessageBox::setTestMode(false);

    QString title;
    QString text;
    int shownIcon = -1;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        shownIcon = box->icon();
        if (press)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
    });
    const MessageBox::Answer a = MessageBox::show(
        nullptr, "Deseja Sair do Programa ?", "Pergunta",
        icon == QMessageBox::Question ? MessageBox::Question : MessageBox::Information,
        MessageBox::Buttons(buttons));
    QCOMPARE(int(a), answer);
    QCOMPARE(title, QStringLiteral("Pergunta"));
    QCOMPARE(text, QStringLiteral("Deseja Sair do Programa ?"));
    QCOMPARE(shownIcon, icon);
}

// The buttons say what they do; the second is the default, Enter picks it.
void TestMessageBox::ownButtonTexts()
{
    MessageBox::setTestMode(false);
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("Não apagar"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(MessageBox::ask(nullptr, "Apagar?", "T", "Apagar", "Não apagar"), MessageBox::No);
    texts.sort();
    QCOMPARE(texts, QStringList({"Apagar", "Não apagar"}));
}

void TestMessageBox::testMode_scriptsAnswersAndRecords()
{
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    MessageBox::setNextAnswer(MessageBox::No);
    QCOMPARE(MessageBox::show(nullptr, "a", "A", MessageBox::Question, MessageBox::YesNo),
             MessageBox::No);
    // Once the script is used up, the default button answers.
    QCOMPARE(MessageBox::show(nullptr, "b", "B", MessageBox::Question, MessageBox::YesNo),
             MessageBox::Yes);
    QCOMPARE(MessageBox::show(nullptr, "c", "C", MessageBox::NoIcon), MessageBox::AnswerOk);
    const auto shown = MessageBox::shown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(0).text, QStringLiteral("a"));
    QCOMPARE(shown.at(2).title, QStringLiteral("C"));
    QCOMPARE(shown.at(2).icon, MessageBox::NoIcon);
    QCOMPARE(shown.at(1).buttons, MessageBox::YesNo);
    MessageBox::setTestMode(false);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
