#include "textbox.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Pasted text as a one-line field takes it.
class TestTextBox : public QObject {
    Q_OBJECT

private slots:
    void paste_data();
    void paste();
    void pasteCut_data();
    void pasteCut();
    void emojiAtTheLimit();
};

void TestTextBox::paste_data()
{
    QTest::addColumn<bool>("menu");
    QTest::addColumn<int>("limit"); // 0: the field's own
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("refused");

    for (bool menu : {false, true}) {
        const char* via = menu ? "menu" : "key";
        QTest::addRow("%s: one line", via) << menu << 0 << "Centro\n"
                                           << "Rua Centro" << 0;
        QTest::addRow("%s: past the limit, cut", via) << menu << 10 << "123456789"
                                                      << "Rua 123456" << 1;
    }
    QTest::newRow("50,000 characters")
        << false << 0 << QString(50000, 'a') << "Rua " + QString(50000, 'a') << 0;
    QTest::newRow("70,000 characters")
        << false << 0 << QString(70000, 'a') << "Rua " + QString(65531, 'a') << 1;
}

void TestTextBox::paste()
{
    QFETCH(bool, menu);
    QFETCH(int, limit);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(int, refused);

    TextBox box;
    QCOMPARE(box.maxLength(), 65535);
    if (limit)
        box.setMaxLength(limit);
    box.setText("Rua ");
    QSignalSpy rejected(&box, &QLineEdit::inputRejected);
    QGuiApplication::clipboard()->setText(pasted);
    if (menu) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, {1, 1}, box.mapToGlobal(QPoint(1, 1)));
        QCoreApplication::sendEvent(&box, &event);
        std::unique_ptr<QMenu> popup(box.findChild<QMenu*>());
        QVERIFY(popup);
        QAction* paste = popup->findChild<QAction*>("edit-paste");
        QVERIFY(paste);
        paste->trigger();
    } else {
        QTest::keySequence(&box, QKeySequence::Paste);
    }
    QCOMPARE(box.text(), expected);
    QCOMPARE(rejected.count(), refused);
}

// What does not fit goes in as far as it does, with a beep.
void TestTextBox::pasteCut_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selStart"); // -1: the caret at the end
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("commit"); // from an input method rather than the clipboard
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("rejected");

    const QString name = "Joana Beatriz Figueiredo Nascimento de Albuquerque Vilela"; // 57
    const QString mail = "joana.beatriz.figueiredo.nascimento.albuquerque.vilela@correio.exemplo."
                         "org.br.example"; // 85
    QCOMPARE(name.size(), 57);
    QCOMPARE(mail.size(), 85);
    const QString grin = QString::fromUtf16(u"😀");
    // clang-format off
    QTest::newRow("57 characters into 50") << 50 << "" << -1 << 0 << name << false << name.left(50) << true;
    QTest::newRow("85 characters into 50") << 50 << "" << -1 << 0 << mail << false << mail.left(50) << true;
    QTest::newRow("pair split by the limit") << 5 << "abc" << -1 << 0 << "d" + grin << false << "abcd" << true;
    QTest::newRow("pair only by the limit") << 5 << "abc" << -1 << 0 << grin + "e" << false << "abc" + grin << true;
    QTest::newRow("pair alone split") << 4 << "abc" << -1 << 0 << grin << false << "abc" << true;
    QTest::newRow("in place of a selection") << 16 << "Rua das Flores" << 4 << 3 << "Laranjeiras" << false << "Rua Laran Flores" << true;
    QTest::newRow("exactly the room") << 16 << "Rua das Flores" << 4 << 3 << "Lapa!" << false << "Rua Lapa! Flores" << false;
    QTest::newRow("full field") << 3 << "abc" << -1 << 0 << "d" << false << "abc" << true;
    QTest::newRow("input method commit") << 10 << "Rua " << -1 << 0 << "123456789" << true << "Rua 123456" << true;
    // clang-format on
}

void TestTextBox::pasteCut()
{
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, pasted);
    QFETCH(bool, commit);
    QFETCH(QString, expected);
    QFETCH(bool, rejected);

    TextBox box;
    box.setMaxLength(limit);
    box.setText(before);
    if (selStart >= 0)
        box.setSelection(selStart, selLength);
    QSignalSpy refused(&box, &QLineEdit::inputRejected);
    if (commit) {
        QInputMethodEvent event;
        event.setCommitString(pasted);
        QCoreApplication::sendEvent(&box, &event);
    } else {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keySequence(&box, QKeySequence::Paste);
    }
    QCOMPARE(box.text(), expected);
    QCOMPARE(refused.count(), rejected ? 1 : 0);
}

// Typed at the limit, an emoji is refused whole, never cut in half.
void TestTextBox::emojiAtTheLimit()
{
    TextBox box;
    box.setMaxLength(5);
    box.setText("abcd");
    box.setCursorPosition(4);
    QSignalSpy rejected(&box, &QLineEdit::inputRejected);
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QString::fromUtf16(u"😀"),
                        Qt::NoModifier);
    QCOMPARE(box.text(), QString("abcd"));
    QCOMPARE(rejected.count(), 1);
    QTest::keyClick(&box, Qt::Key_E);
    QCOMPARE(box.text(), QString("abcde"));
}

QTEST_MAIN(TestTextBox)
#include "tst_textbox.moc"
