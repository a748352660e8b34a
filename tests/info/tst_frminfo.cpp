#include "frminfo.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTextEdit>

namespace {
QString shownText(const QString& text)
{
    return QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}
} // namespace

// The information window: its text, its frame and box, and the one instance
// shared by everyone who asks for it.
class TestFrmInfo : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            delete qobject_cast<frmInfo*>(w);
    }

    // The program's name alone on its first line, two empty lines, then one
    // "label: value" line each; lines end in a carriage return alone.
    void infoText()
    {
        const QString text = frmInfo::infoText();
        QVERIFY(!text.contains(QLatin1Char('\n')));
        const QStringList lines = text.split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(0), QStringLiteral("Listrano de Endereços"));
        QVERIFY(lines.at(1).isEmpty() && lines.at(2).isEmpty());
        QVERIFY(lines.at(3).startsWith(QStringLiteral("Versão: ")));
        for (const QString& line : lines.mid(3))
            QVERIFY2(line.indexOf(QStringLiteral(": ")) > 0, qPrintable(line));
    }

    void window()
    {
        frmInfo* w = frmInfo::instance();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));

        QCOMPARE(w->windowTitle(), QStringLiteral("Informações sobre o Programa"));
        QVERIFY(!w->parentWidget());
        QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(w->size(), QSize(457, 319));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        const QPoint offCentre = w->geometry().center() - w->screen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);

        // The icon is the one from the program's resources.
        const QIcon icon(QStringLiteral(":/icons/info.svg"));
        QVERIFY(!icon.isNull());
        QCOMPARE(w->windowIcon().pixmap(32).toImage(), icon.pixmap(32).toImage());

        QTextEdit* box = w->rchInfo();
        QCOMPARE(box->geometry(), QRect(0, 0, 457, 321));
        QVERIFY(box->isReadOnly());
        QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
                 w->windowTitle());
        QVERIFY(!box->acceptRichText());
        // The only control that takes the focus, and Tab keeps it there.
        w->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    void setInfoText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::newRow("set twice") << frmInfo::infoText() << QString();
        QTest::newRow("other text") << QStringLiteral("antigo\rtexto") << QString();
        QTest::newRow("typed by the user") << frmInfo::infoText() << QStringLiteral("abc");
    }

    // Each line of the text on a line of its own, and nothing else in the box.
    void setInfoText()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        frmInfo* w = frmInfo::instance();
        w->show();
        w->setInfoText(before);
        if (!typed.isEmpty()) {
            w->rchInfo()->setFocus();
            w->rchInfo()->moveCursor(QTextCursor::End);
            QTest::keyClicks(w->rchInfo(), typed);
            // What a user could put there, read-only or not.
            w->rchInfo()->textCursor().insertText(typed);
        }

        w->setInfoText(frmInfo::infoText());
        QCOMPARE(w->rchInfo()->toPlainText(), shownText(frmInfo::infoText()));
        QCOMPARE(w->rchInfo()->document()->blockCount(), 10);
    }

    void instance()
    {
        QPointer<frmInfo> first = frmInfo::instance();
        first->show();
        QCOMPARE(frmInfo::instance(), first.data());

        // Closed, it goes; whoever asks next, even before it is gone, gets a new
        // window.
        QVERIFY(first->close());
        frmInfo* second = frmInfo::instance();
        QVERIFY(second != first);
        QTRY_VERIFY(!first);
        QCOMPARE(frmInfo::instance(), second);
    }
};

QTEST_MAIN(TestFrmInfo)
#include "tst_frminfo.moc"
