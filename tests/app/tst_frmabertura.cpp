#include "frmabertura.h"
#include "messagebox.h"
#include "testdb.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
QRect px(const QRect& twips)
{
    return {twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15};
}

frmQuelmar* visibleContactWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<frmQuelmar*>(w); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Whether the contact window was on screen when the splash got its close event.
struct CloseWatch : QObject {
    int closes = 0;
    bool contactWindowUp = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            ++closes;
            contactWindowUp = visibleContactWindow();
        }
        return false;
    }
};
} // namespace

// The start-up splash: its layout, its one-time timer and what happens when it
// runs out, with the database in the test's folder or missing.
class TestFrmAbertura : public QObject {
    Q_OBJECT

    QTimer* timer1() const { return m_splash->findChild<QTimer*>(QStringLiteral("Timer1")); }
    const QString m_dbPath = frmQuelmar::databasePath();
    QPointer<frmAbertura> m_splash;

private slots:
    void initTestCase()
    {
        MessageBox::setTestMode(true);
        // The program has an icon; the splash must not take it.
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/listrano.svg")));
    }

    void init()
    {
        QFile::remove(m_dbPath);
        MessageBox::clearShown();
        m_splash = new frmAbertura;
        m_splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_splash));
    }

    void cleanup()
    {
        delete m_splash;
        delete visibleContactWindow();
        QFile::remove(m_dbPath);
    }

    void window()
    {
        QVERIFY(m_splash->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(m_splash->windowIcon().isNull());
        QCOMPARE(m_splash->size(), QSize(482, 273));
        QCOMPARE(m_splash->minimumSize(), m_splash->maximumSize());
        const QPoint offCentre =
            m_splash->geometry().center() - m_splash->screen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);

        auto* image = m_splash->findChild<QLabel*>(QStringLiteral("Image1"));
        QCOMPARE(image->geometry(), px({240, 960, 2055, 2175}));
        QVERIFY(!image->pixmap().isNull());
        QVERIFY(image->hasScaledContents());
        // As many pixels as the screen shows there (run again at QT_SCALE_FACTOR=2).
        QCOMPARE(image->pixmap().devicePixelRatio(), m_splash->devicePixelRatioF());
        QCOMPARE(image->pixmap().size(), image->size() * m_splash->devicePixelRatioF());

        QVERIFY(timer1()->isSingleShot());
        QCOMPARE(timer1()->interval(), 4000);
        QVERIFY(timer1()->isActive());
    }

    void labels_data()
    {
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("right");
        auto row = [](const char* name, QRect r, bool autoSize, qreal pt, bool bold, bool right) {
            QTest::newRow(name) << r << autoSize << pt << bold << right;
        };
        row("lblCompanyProduct", {3840, 720, 1455, 435}, true, 18, true, false);
        row("lblLicenseTo", {240, 240, 6855, 255}, false, 8.25, false, true);
        row("lblProductName", {2400, 1380, 4605, 510}, true, 21.75, true, false);
        row("lblPlatform", {4440, 2340, 2535, 285}, true, 12, true, true);
        row("lblCopyright", {4680, 3060, 2415, 255}, false, 8.25, false, false);
        row("lblCompany", {4680, 3270, 2415, 255}, false, 8.25, false, false);
        row("lblWarning", {630, 3780, 5895, 195}, false, 8.25, false, false);
    }

    void labels()
    {
        QFETCH(QRect, twips);
        QFETCH(bool, autoSize);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(bool, right);
        auto* label = m_splash->findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(label);
        QCOMPARE(label->pos(), px(twips).topLeft());
        if (!autoSize)
            QCOMPARE(label->size(), px(twips).size());
        // Every caption shows whole, inside the window.
        QVERIFY2(label->sizeHint().width() <= label->width(),
                 qPrintable(QString("needs %1 px").arg(label->sizeHint().width())));
        QVERIFY(m_splash->rect().contains(label->geometry()));
        QCOMPARE(label->font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(label->font().pointSizeF(), points);
        QCOMPARE(label->font().bold(), bold);
        QCOMPARE(bool(label->alignment() & Qt::AlignRight), right);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void inputIsIgnored_data()
    {
        QTest::addColumn<QTestEventList>("input");
        QTestEventList click, escape, enter;
        click.addMouseClick(Qt::LeftButton, {}, QPoint(100, 100));
        escape.addKeyClick(Qt::Key_Escape);
        enter.addKeyClick(Qt::Key_Return);
        QTest::newRow("click") << click;
        QTest::newRow("Escape") << escape;
        QTest::newRow("Enter") << enter;
    }

    void inputIsIgnored()
    {
        QFETCH(QTestEventList, input);
        input.simulate(m_splash);
        QTest::qWait(0);
        QVERIFY(m_splash && m_splash->isVisible());
        QVERIFY(timer1()->isActive());
    }

    void timeUp_showsContactWindowBeforeClosing_data()
    {
        QTest::addColumn<bool>("created"); // the book was just made for the user
        QTest::newRow("the book there") << false;
        QTest::newRow("a new book") << true;
    }

    void timeUp_showsContactWindowBeforeClosing()
    {
        QFETCH(bool, created);
        testdb::createEmpty(m_dbPath);
        m_splash->setDatabase(m_dbPath, created);
        CloseWatch watch;
        m_splash->installEventFilter(&watch);
        QSignalSpy shown(m_splash.data(), &frmAbertura::contactWindowShown);

        m_splash->Timer1_Timer();

        QCOMPARE(watch.closes, 1);
        QVERIFY(watch.contactWindowUp);
        frmQuelmar* window = visibleContactWindow();
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).value<frmQuelmar*>(), window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Listrano Eletrônico"));
        // A new book is said once, when the window is up.
        QCOMPARE(MessageBox::shown().size(), created ? 1 : 0);
        if (created)
            QVERIFY(MessageBox::shown().at(0).text.startsWith(
                "Um novo catálogo de endereços foi criado em " + m_dbPath));
        QTRY_VERIFY(!m_splash);
    }

    void timeUp_noDatabaseEndsProgram_data()
    {
        QTest::addColumn<QString>("source"); // copied to the database's place
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << "" << m_dbPath;
        QTest::newRow("Access file without contacts") << ACCESS_TESTDATA "/nwind.mdb"
                                                      << "não tem a tabela de contatos tblQuelmar";
    }

    void timeUp_noDatabaseEndsProgram()
    {
        QFETCH(QString, source);
        QFETCH(QString, said);
        if (!source.isEmpty() && !QFile::copy(source, m_dbPath))
            QSKIP("the shared Access test files are not at " ACCESS_TESTDATA);
        const QByteArray before = testdb::fileBytes(m_dbPath);
        // Inside the application's own loop, as in the program: what the loop
        // returns is the exit status. The guard ends a loop nothing else would.
        QObject guard;
        QTimer::singleShot(2000, &guard, [] { QCoreApplication::exit(99); });
        QTimer::singleShot(0, m_splash.data(), &frmAbertura::Timer1_Timer);
        QCOMPARE(QCoreApplication::exec(), 1);

        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown message = MessageBox::shown().at(0);
        QCOMPARE(message.title, QStringLiteral("Listrano de Endereço"));
        QCOMPARE(message.icon, MessageBox::Critical);
        QVERIFY2(message.text.contains(said), qPrintable(message.text));
        QVERIFY(!visibleContactWindow());
        QTRY_VERIFY(!m_splash || !m_splash->isVisible());
        QCOMPARE(QFile::exists(m_dbPath), !source.isEmpty());
        QCOMPARE(testdb::fileBytes(m_dbPath), before);
    }
};

QTEST_MAIN(TestFrmAbertura)
#include "tst_frmabertura.moc"
