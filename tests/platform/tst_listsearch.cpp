#include "combolist.h"
#include "listsearch.h"

#include <QComboBox>
#include <QRandomGenerator>
#include <QTest>

// The list search's index answers as the plain scan does, on random lists and
// random typing, and a combo's index follows every change of its list.
class TestListSearch : public QObject {
    Q_OBJECT

private slots:
    void sameAnswersAsTheScan_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("stopped"); // the building cut short: the index answers by scanning
        for (const quint32 seed : {1u, 2u, 3u, 4u, 5u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed)))
                << seed << int(300 * seed) << false;
        QTest::newRow("a few long blocks") << 9u << 5000 << false;
        QTest::newRow("stopped") << 6u << 1000 << true;
    }

    void sameAnswersAsTheScan()
    {
        QFETCH(quint32, seed);
        QFETCH(int, size);
        QFETCH(bool, stopped);
        QRandomGenerator random(seed);
        // Few letters, so that names repeat and begin alike: plain and accented,
        // both cases, a character beyond the first plane and its other case.
        const QStringList pieces = {"a", "A", "á", "Á",          "ç",          "Ç", "b",
                                    "B", " ", "ß", "\U00010400", "\U00010428", "é", "É"};
        const auto word = [&] {
            QString text;
            for (int n = random.bounded(1, 6); n > 0; --n)
                text += pieces.at(random.bounded(int(pieces.size())));
            return text;
        };
        QStringList items;
        for (int i = 0; i < size; ++i)
            items << (i > 0 && random.bounded(4) == 0 ? items.at(random.bounded(i)) : word());
        const std::atomic<bool> stop{stopped};
        const listsearch::Index index(items, &stop);

        for (int q = 0; q < 2000; ++q) {
            const QString text = random.bounded(2)
                                     ? word()
                                     : items.at(random.bounded(size)).left(random.bounded(1, 5));
            const int start = random.bounded(-2, size + 2);
            const bool exact = random.bounded(2);
            QCOMPARE(index.find(items, start, text, exact),
                     listsearch::scanFind(items, start, text, exact));
            const int n = random.bounded(3);
            QCOMPARE(index.nthEqual(items, text, n), listsearch::scanNthEqual(items, text, n));
            const int at = random.bounded(size);
            QCOMPARE(index.occurrence(items, at), listsearch::scanOccurrence(items, at));
        }
    }

    // The index built for a list never answers for the list after a change.
    void comboIndexFollowsTheList()
    {
        QComboBox combo;
        combo.setEditable(true);
        combolist::useStringList(&combo);
        QStringList names;
        for (int i = 0; i < 5000; ++i)
            names << QString("Nome %1").arg(i);
        combolist::setItems(&combo, names);
        QTRY_VERIFY(combolist::searchIndexReady(&combo));
        QCOMPARE(combolist::find(&combo, -1, "nome 4999", true), 4999);

        combo.removeItem(0);
        QCOMPARE(combolist::find(&combo, -1, "nome 4999", true), 4998);
        QTRY_VERIFY(combolist::searchIndexReady(&combo));
        QCOMPARE(combolist::find(&combo, 4998, "NOME 1", false), 0);
        QCOMPARE(combolist::find(&combo, -1, "nome 0", true), -1);
    }
};

QTEST_MAIN(TestListSearch)
#include "tst_listsearch.moc"
