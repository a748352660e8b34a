#include "clalocadoura.h"
#include "combolist.h"
#include "keycodes.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using windowtest::typeText;

// The completion, key by key: list, current item, text and selection before; the
// key; what the field holds after and whether the key was consumed.
class TestClaLocadoura : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keys_data();
    void keys();
    void typingThroughTheCombo_data();
    void typingThroughTheCombo();
    void search_data();
    void search();
    void contains();
    void attachMovesAndReleaseDetaches();

private:
    QComboBox* m_combo = nullptr;
};

void TestClaLocadoura::init()
{
    m_combo = new QComboBox;
    m_combo->setEditable(true);
    m_combo->setCompleter(nullptr);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    combolist::useStringList(m_combo);
}

void TestClaLocadoura::cleanup()
{
    delete m_combo;
}

void TestClaLocadoura::keys_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("code"); // key press character, or Delete from key down
    QTest::addColumn<bool>("keyDown");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("selStartAfter");
    QTest::addColumn<int>("selLengthAfter");
    QTest::addColumn<int>("currentAfter");
    QTest::addColumn<bool>("consumed");

    const QStringList anaBia = {"Ana Maria", "Beatriz"};
    const QStringList anas = {"Ana", "Ana Maria"};
    // clang-format off
    QTest::newRow("no item begins with it: the key passes")
        << anaBia << -1 << "" << 0 << 0 << int('x') << false << "" << 0 << 0 << -1 << false;
    QTest::newRow("first letter completes, rest selected")
        << anaBia << -1 << "" << 0 << 0 << int('a') << false << "Ana Maria" << 1 << 8 << 0 << true;
    QTest::newRow("search starts at the current item")
        << anas << 1 << "Ana Maria" << 0 << 9 << int('a') << false << "Ana Maria" << 1 << 8 << 1 << true;
    QTest::newRow("no current item: the first match")
        << anas << -1 << "Ana Maria" << 0 << 9 << int('a') << false << "Ana" << 1 << 2 << 0 << true;
    QTest::newRow("next letter keeps matching")
        << anaBia << 0 << "Ana Maria" << 1 << 8 << int('n') << false << "Ana Maria" << 2 << 7 << 0 << true;
    QTest::newRow("typed case gives way to the item's")
        << anaBia << -1 << "" << 0 << 0 << int('B') << false << "Beatriz" << 1 << 6 << 1 << true;
    QTest::newRow("wraps around to the top")
        << QStringList({"Ana", "Bia", "Beto"}) << 2 << "Beto" << 0 << 4 << int('a') << false << "Ana" << 1 << 2 << 0 << true;
    QTest::newRow("backspace over a completion: no exact item, the combo deletes")
        << anas << 1 << "Ana Maria" << 1 << 8 << int(keycode::Backspace) << false << "Ana Maria" << 1 << 8 << 1 << false;
    QTest::newRow("backspace leaving an item exactly")
        << anas << 1 << "Ana Maria" << 3 << 6 << int(keycode::Backspace) << false << "Ana" << 3 << 0 << 0 << true;
    QTest::newRow("backspace with nothing selected, exact item remains")
        << anas << -1 << "anax" << 4 << 0 << int(keycode::Backspace) << false << "Ana" << 3 << 0 << 0 << true;
    QTest::newRow("delete with nothing selected, exact item remains")
        << anas << -1 << "Axna" << 1 << 0 << int(keycode::Delete) << true << "Ana" << 3 << 0 << 0 << true;
    QTest::newRow("delete, nothing equal: the combo deletes")
        << anas << -1 << "Anxy" << 2 << 0 << int(keycode::Delete) << true << "Anxy" << 2 << 0 << -1 << false;
    QTest::newRow("last character deleted, first item current")
        << anas << 0 << "A" << 1 << 0 << int(keycode::Backspace) << false << "" << 0 << 0 << -1 << false;
    QTest::newRow("last character deleted, a later item current")
        << anas << 1 << "A" << 1 << 0 << int(keycode::Backspace) << false << "" << 0 << 0 << -1 << true;
    QTest::newRow("whole text selected and deleted")
        << anas << 1 << "Ana Maria" << 0 << 9 << int(keycode::Delete) << true << "" << 0 << 0 << -1 << true;
    QTest::newRow("a full stop is a character like any other")
        << QStringList({"Av. Brasil"}) << 0 << "Av" << 2 << 0 << int('.') << false << "Av. Brasil" << 3 << 7 << 0 << true;
    QTest::newRow("Enter passes")
        << anaBia << -1 << "An" << 2 << 0 << int(keycode::Enter) << false << "An" << 2 << 0 << -1 << false;
    QTest::newRow("Tab passes")
        << anaBia << 0 << "Ana Maria" << 1 << 8 << int(keycode::Tab) << false << "Ana Maria" << 1 << 8 << 0 << false;
    QTest::newRow("paste shortcut goes through as a character")
        << anaBia << -1 << "" << 0 << 0 << 22 << false << "" << 0 << 0 << -1 << false;
    QTest::newRow("accented capitals, the Unicode way")
        << QStringList({"JOÃO SILVA"}) << -1 << "jo" << 2 << 0 << int(u'ã') << false << "JOÃO SILVA" << 3 << 7 << 0 << true;
    QTest::newRow("accents aside: the stored spelling, the rest selected")
        << QStringList({"Bia", "Ângela Müller"}) << -1 << "angel" << 5 << 0 << int('a') << false << "Ângela Müller" << 6 << 7 << 1 << true;
    QTest::newRow("letter case alone wins over accents aside")
        << QStringList({"Ângela", "Angélica"}) << -1 << "" << 0 << 0 << int('a') << false << "Angélica" << 1 << 7 << 1 << true;
    QTest::newRow("accents aside from the current item on")
        << QStringList({"Ângela", "Bia", "Ângelo"}) << 2 << "Ângelo" << 0 << 6 << int('a') << false << "Ângelo" << 1 << 5 << 2 << true;
    QTest::newRow("stored decomposed: the caret after the mark")
        << QStringList({"Joa\u0303o Silva"}) << -1 << "jo" << 2 << 0 << int(u'ã') << false << "Joa\u0303o Silva" << 4 << 7 << 0 << true;
    QTest::newRow("backspace stays with letter case: the combo deletes")
        << QStringList({"Ângela"}) << -1 << "angelax" << 7 << 0 << int(keycode::Backspace) << false << "angelax" << 7 << 0 << -1 << false;
    // clang-format on
}

void TestClaLocadoura::keys()
{
    QFETCH(QStringList, list);
    QFETCH(int, current);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, code);
    QFETCH(bool, keyDown);

    combolist::setItems(m_combo, list);
    m_combo->setCurrentIndex(current);
    m_combo->setEditText(text);
    combolist::setSelection(m_combo, selStart, selLength);
    claLocadoura helper;
    helper.AttachTo(m_combo);

    qint16 key = qint16(code);
    if (keyDown)
        helper.moCombo_KeyDown(key);
    else
        helper.moCombo_KeyPress(key);

    QTEST(m_combo->currentText(), "textAfter");
    QTEST(combolist::selStart(m_combo), "selStartAfter");
    QTEST(combolist::selLength(m_combo), "selLengthAfter");
    QTEST(m_combo->currentIndex(), "currentAfter");
    QTEST(key == 0, "consumed");
}

void TestClaLocadoura::typingThroughTheCombo_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("selected");
    QTest::newRow("completes") << "jo"
                               << "João Silva"
                               << "ão Silva";
    QTest::newRow("second word") << "joão s"
                                 << "João Silva"
                                 << "ilva";
    QTest::newRow("no match: the combo takes the key") << "jx"
                                                       << "Jx"
                                                       << "";
    QTest::newRow("accents aside") << "joao s"
                                   << "João Silva"
                                   << "ilva";
    QTest::newRow("a later item") << "josé"
                                  << "José Lima"
                                  << " Lima";
}

// Real key events into the combo: the completion sees them before the combo.
void TestClaLocadoura::typingThroughTheCombo()
{
    QFETCH(QString, typed);
    combolist::setItems(m_combo, {"João Silva", "José Lima", "Ana"});
    claLocadoura helper;
    helper.AttachTo(m_combo);
    m_combo->show();
    typeText(m_combo, typed);
    QTEST(m_combo->currentText(), "shown");
    QTEST(m_combo->lineEdit()->selectedText(), "selected");
    QCOMPARE(m_combo->count(), 3); // typing never adds to the list
}

void TestClaLocadoura::search_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<int>("found");
    const QStringList names = {"Ana", "ana maria", "Bia", "ANA"};
    QTest::newRow("prefix from the top") << names << -1 << "an" << false << 0;
    QTest::newRow("prefix after start") << names << 0 << "an" << false << 1;
    QTest::newRow("wraps to start itself") << names << 3 << "ana" << false << 0;
    QTest::newRow("exact skips longer items") << names << 0 << "ana" << true << 3;
    QTest::newRow("exact, only itself left") << QStringList({"Bia"}) << 0 << "bia" << true << 0;
    QTest::newRow("none") << names << -1 << "z" << false << -1;
    QTest::newRow("start out of range") << names << 9 << "bia" << true << 2;
    QTest::newRow("empty list") << QStringList() << -1 << "a" << false << -1;
}

void TestClaLocadoura::search()
{
    QFETCH(QStringList, items);
    QFETCH(int, start);
    QFETCH(QString, text);
    QFETCH(bool, exact);
    QTEST(combolist::find(items, start, text, exact), "found");
}

void TestClaLocadoura::contains()
{
    claLocadoura helper;
    QVERIFY(!helper.Contains("Ana")); // nothing attached
    combolist::setItems(m_combo, {"Ana", "Élio"});
    helper.AttachTo(m_combo);
    QVERIFY(helper.Contains("ana"));
    QVERIFY(helper.Contains("ÉLIO"));
    QVERIFY(!helper.Contains("An"));
}

void TestClaLocadoura::attachMovesAndReleaseDetaches()
{
    QComboBox other;
    other.setEditable(true);
    combolist::setItems(m_combo, {"Ana"});
    combolist::setItems(&other, {"Bia"});
    m_combo->show();
    other.show();
    {
        claLocadoura helper;
        helper.AttachTo(m_combo);
        helper.AttachTo(&other);
        QCOMPARE(helper.attached(), &other);
        QTest::keyClicks(m_combo, "a"); // no longer watched: plain typing
        QCOMPARE(m_combo->currentText(), QString("a"));
        QTest::keyClicks(&other, "b");
        QCOMPARE(other.currentText(), QString("Bia"));
    }
    other.setEditText(QString());
    QTest::keyClicks(&other, "b"); // released: plain typing again
    QCOMPARE(other.currentText(), QString("b"));
}

QTEST_MAIN(TestClaLocadoura)
#include "tst_clalocadoura.moc"
