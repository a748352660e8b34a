#include "textbox.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Pasted text as a one-line field takes it.
class TestTextBox : public QObject {
    Q_OBJECT

private slots:
    void oneLine_data();
    void oneLine();
    void paste_data();
    void paste();
    void emojiAtTheLimit();
};

void TestTextBox::oneLine_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    // clang-format off
    QTest::newRow("spreadsheet cell") << "Ana Souza\r\n" << "Ana Souza";
    QTest::newRow("breaks at both ends") << "\n\nAna\n" << "Ana";
    QTest::newRow("break inside") << "Rua A\nCasa 2" << "Rua A Casa 2";
    QTest::newRow("CR LF inside") << "a\r\nb" << "a b";
    QTest::newRow("tab") << "a\tb" << "a b";
    QTest::newRow("NUL and bell") << QString::fromUtf16(u"A\0B\aC", 5) << "ABC";
    QTest::newRow("C1 control") << QString::fromUtf16(u"A\u0085B\u009bC") << "ABC";
    QTest::newRow("direction override") << QString::fromUtf16(u"abc\u202edef") << "abcdef";
    QTest::newRow("isolates") << QString::fromUtf16(u"\u2066x\u2069") << "x";
    QTest::newRow("emoji joiner stays") << QString::fromUtf16(u"👩\u200d💻") << QString::fromUtf16(u"👩\u200d💻");
    QTest::newRow("blanks stay") << "  Ana  " << "  Ana  ";
    // clang-format on
}

void TestTextBox::oneLine()
{
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    QCOMPARE(TextBox::oneLine(pasted), kept);
}

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
        QTest::addRow("%s: past the limit, refused whole", via) << menu << 10 << "123456789"
                                                                << "Rua " << 1;
    }
    QTest::newRow("50,000 characters")
        << false << 0 << QString(50000, 'a') << "Rua " + QString(50000, 'a') << 0;
    QTest::newRow("70,000 characters") << false << 0 << QString(70000, 'a') << "Rua " << 1;
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
