#include "focusnavigator.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

// The focus navigation over a window of plain widgets: a tab control with two
// pages, a hidden field, a combo box and two buttons that share an access key.
class TestFocusNavigator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QWidget*>(); }
    void init();
    void cleanup();

    void orderFollowsTabStops();
    void tabWalk_data();
    void tabWalk();
    void sharedAccessKey_data();
    void sharedAccessKey();
    void clickVoidedByFocusHandler();

private:
    template <typename T = QWidget> T* w(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QStringList names(const QList<QWidget*>& widgets) const;

    QWidget* m_window = nullptr;
    FocusNavigator* m_navigator = nullptr;
};

void TestFocusNavigator::init()
{
    m_window = new QWidget;
    auto* tabs = new QTabWidget(m_window);
    auto* first = new QWidget;
    auto* second = new QWidget;
    tabs->addTab(first, "um");
    tabs->addTab(second, "dois");
    const auto make = [](QWidget* widget, QWidget* parent, const char* name) {
        widget->setParent(parent);
        widget->setObjectName(name);
        return widget;
    };
    tabs->setObjectName("tabs");
    make(new QPushButton("&Um"), m_window, "button1");
    make(new QPushButton("&Dois"), m_window, "button2");
    make(new QLineEdit, first, "edit1");
    auto* combo = static_cast<QComboBox*>(make(new QComboBox, first, "combo"));
    combo->setEditable(true);
    make(new QLineEdit, second, "edit2");
    make(new QLineEdit, second, "hidden")->hide();
    // Created in one order, chained in another.
    const QStringList order = {"tabs", "edit1", "edit2", "hidden", "combo", "button1", "button2"};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(w(qPrintable(order[i - 1])), w(qPrintable(order[i])));

    m_navigator = new FocusNavigator(m_window, tabs);
    m_navigator->shareAccessKey(Qt::Key_U, {w<QPushButton>("button1"), w<QPushButton>("button2")});
    m_window->show();
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestFocusNavigator::cleanup()
{
    delete m_window;
}

QStringList TestFocusNavigator::names(const QList<QWidget*>& widgets) const
{
    QStringList result;
    for (const QWidget* widget : widgets)
        result << widget->objectName();
    return result;
}

void TestFocusNavigator::orderFollowsTabStops()
{
    QCOMPARE(names(m_navigator->order()),
             QStringList({"tabs", "edit1", "edit2", "hidden", "combo", "button1", "button2"}));
    // The parts a control adds of its own hold the focus for it.
    auto* tabs = w<QTabWidget>("tabs");
    QCOMPARE(m_navigator->stopOf(tabs->tabBar()), tabs);
    QCOMPARE(m_navigator->stopOf(w<QComboBox>("combo")->lineEdit()), w("combo"));
    QCOMPARE(m_navigator->stopOf(tabs->widget(0)), nullptr);
}

void TestFocusNavigator::tabWalk_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("locked"); // a control disabled first
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("page"); // in front after the move

    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    QTest::newRow("Tab into the page behind") << "edit1" << int(Qt::Key_Tab) << none << ""
                                              << "edit2" << 1;
    QTest::newRow("hidden passed over, back to the first page")
        << "edit2" << int(Qt::Key_Tab) << none << ""
        << "combo" << 0;
    QTest::newRow("Shift+Tab") << "combo" << int(Qt::Key_Backtab) << shift << ""
                               << "edit2" << 1;
    QTest::newRow("locked passed over") << "edit1" << int(Qt::Key_Tab) << none << "edit2"
                                        << "combo" << 0;
    QTest::newRow("round the ring") << "button2" << int(Qt::Key_Tab) << none << ""
                                    << "tabs" << 0;
    QTest::newRow("Enter as Tab") << "edit1" << int(Qt::Key_Return) << none << ""
                                  << "edit2" << 1;
    QTest::newRow("Shift+Enter") << "combo" << int(Qt::Key_Return) << shift << ""
                                 << "edit2" << 1;
}

void TestFocusNavigator::tabWalk()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, locked);
    QFETCH(QString, to);
    QFETCH(int, page);
    if (!locked.isEmpty())
        w(qPrintable(locked))->setEnabled(false);
    auto* tabs = w<QTabWidget>("tabs");
    QWidget* start = w(qPrintable(from));
    tabs->setCurrentIndex(tabs->widget(1)->isAncestorOf(start) ? 1 : 0);
    start->setFocus();
    QSignalSpy left(m_navigator, &FocusNavigator::focusLeft);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE(m_navigator->stopOf(QApplication::focusWidget()), w(qPrintable(to)));
    QCOMPARE(tabs->currentIndex(), page);
    QCOMPARE(left.count(), 1);
    QCOMPARE(left.at(0).at(0).value<QWidget*>(), start);
}

void TestFocusNavigator::sharedAccessKey_data()
{
    QTest::addColumn<bool>("firstOn");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("the first button") << true << "button1";
    QTest::newRow("the second while the first is off") << false << "button2";
}

void TestFocusNavigator::sharedAccessKey()
{
    QFETCH(bool, firstOn);
    QFETCH(QString, pressed);
    w("button1")->setEnabled(firstOn);
    w("edit1")->setFocus();
    QSignalSpy clicked(w<QPushButton>(qPrintable(pressed)), &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(clicked.count(), 1);
}

// The handler of a focus loss sends the focus elsewhere: the click that took the
// focus away never reaches its button.
void TestFocusNavigator::clickVoidedByFocusHandler()
{
    w("edit1")->setFocus();
    connect(m_navigator, &FocusNavigator::focusLeft, this, [this](QWidget* stop) {
        if (stop == w("edit1"))
            w("edit2")->setFocus();
    });
    QSignalSpy clicked(w<QPushButton>("button1"), &QAbstractButton::clicked);
    QTest::mouseClick(w("button1"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w("edit2"));
    QCOMPARE(clicked.count(), 0);
    QTest::qWait(0);
    QTest::mouseClick(w("button1"), Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

QTEST_MAIN(TestFocusNavigator)
#include "tst_focusnavigator.moc"
