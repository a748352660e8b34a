#include "combolist.h"
#include "listsearch.h"
#include "textfold.h"

#include <QComboBox>
#include <QRandomGenerator>
#include <QTest>

// The list search's index answers as the plain scan does, on random lists and
// random typing, and a combo's index follows every change of its list; names
// folded without accents and letter case, and the searches by them.
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
        // Accents composed and not, a lone mark, a blank that is no space.
        const QStringList pieces = {"a",          "A",          "á",      "Á",     "ç",
                                    "Ç",          "b",          "B",      " ",     "ß",
                                    "\U00010400", "\U00010428", "é",      "É",     "a\u0301",
                                    "A\u0301",    "c\u0327",    "\u0301", "\u00A0"};
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
        // The same list in a block, and its index over the block, answer alike.
        const NameBlock block(items);
        const listsearch::Index blockIndex(block, &stop);

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
            QCOMPARE(index.findFolded(items, start, text),
                     listsearch::scanFindFolded(items, start, text));
            // An item itself, in other letters, with blanks around it.
            const QString loose = random.bounded(2) ? text
                                                    : QString(random.bounded(2) ? " " : "") +
                                                          items.at(at).toUpper() + " ";
            QCOMPARE(index.findLoosely(items, start, loose),
                     listsearch::scanFindLoosely(items, start, loose));

            const int found = index.find(items, start, text, exact);
            QCOMPARE(blockIndex.find(block, start, text, exact), found);
            QCOMPARE(listsearch::scanFind(block, start, text, exact), found);
            const int folded = index.findFolded(items, start, text);
            QCOMPARE(blockIndex.findFolded(block, start, text), folded);
            QCOMPARE(listsearch::scanFindFolded(block, start, text), folded);
            const int like = index.findLoosely(items, start, loose);
            QCOMPARE(blockIndex.findLoosely(block, start, loose), like);
            QCOMPARE(listsearch::scanFindLoosely(block, start, loose), like);
            const int nth = index.nthEqual(items, text, n);
            QCOMPARE(blockIndex.nthEqual(block, text, n), nth);
            QCOMPARE(listsearch::scanNthEqual(block, text, n), nth);
            const int before = index.occurrence(items, at);
            QCOMPARE(blockIndex.occurrence(block, at), before);
            QCOMPARE(listsearch::scanOccurrence(block, at), before);
        }
    }

    void folding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("cedilla and tildes") << "Conceição"
                                            << "conceicao";
        QTest::newRow("diaeresis") << "Müller"
                                   << "muller";
        QTest::newRow("circumflex capital") << "Ângela"
                                            << "angela";
        QTest::newRow("stored decomposed") << "Joa\u0303o"
                                           << "joao";
        QTest::newRow("two marks on one letter") << "NGUYỄN"
                                                 << "nguyen";
        QTest::newRow("blanks kept") << " Ana  Lu "
                                     << " ana  lu ";
        QTest::newRow("no decomposition: a letter of its own") << "ØSTBERG Æ"
                                                               << "østberg æ";
        QTest::newRow("sharp s, folded simply") << "Straße"
                                                << "straße";
        QTest::newRow("dotted capital I") << "İzmir"
                                          << "izmir";
        QTest::newRow("Kelvin sign") << "\u212A"
                                     << "k";
        QTest::newRow("beyond the first plane") << "\U00010400"
                                                << "\U00010428";
        QTest::newRow("syllable into its letters") << "한"
                                                   << "\u1112\u1161\u11AB";
        QTest::newRow("iota subscript, a letter once folded") << "ᾼ"
                                                              << "αι";
    }

    void folding()
    {
        QFETCH(QString, text);
        QTEST(textfold::fold(text), "folded");
    }

    // Every character folds as Qt's own decomposition and case folding have it,
    // save the iota subscript, which case folding makes a letter.
    void foldingFollowsTheNormalForm()
    {
        const auto dropMarks = [](const QString& text) {
            QString kept;
            for (const char32_t c : text.toUcs4()) {
                if (!QChar::isMark(c))
                    kept += QString::fromUcs4(&c, 1);
            }
            return kept;
        };
        for (char32_t c = 1; c < 0x110000; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const QString text = QString::fromUcs4(&c, 1);
            const QString folded = textfold::fold(text);
            const QString expected = dropMarks(text.normalized(QString::NormalizationForm_D))
                                         .toCaseFolded()
                                         .normalized(QString::NormalizationForm_D);
            if (folded != dropMarks(expected) && folded != dropMarks(expected) + u'ι')
                QFAIL(qPrintable(QString("U+%1 folds to %2").arg(uint(c), 4, 16).arg(folded)));
        }
    }

    void prefixEnd_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("end");
        QTest::newRow("composed") << "Ângela Müller"
                                  << "angela" << 6;
        QTest::newRow("into the second word") << "Ângela Müller"
                                              << "angela mu" << 9;
        QTest::newRow("decomposed: the mark goes along") << "A\u0302ngela"
                                                         << "a" << 2;
        QTest::newRow("blanks in front") << "  Ângela"
                                         << "ang" << 5;
        QTest::newRow("a syllable begun") << "한국"
                                          << "\u1112" << 1;
    }

    void prefixEnd()
    {
        QFETCH(QString, item);
        QFETCH(QString, typed);
        QTEST(int(textfold::prefixEnd(item, textfold::fold(typed).size())), "end");
    }

    void foldedAndLoose_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("loose"); // else by folded prefix
        QTest::addColumn<int>("found");
        const QStringList angelas = {"Ana", "Ângela Müller", "Angélica"};
        const QStringList joaos = {"Joao", "João", "  JOÃO ", "Joa\u0303o"};
        // clang-format off
        QTest::newRow("prefix from the top") << angelas << -1 << "ang" << false << 1;
        QTest::newRow("prefix after start") << angelas << 1 << "ANG" << false << 2;
        QTest::newRow("prefix wraps around") << angelas << 2 << "ang" << false << 1;
        QTest::newRow("prefix of a decomposed item") << QStringList({"Bia", "Joa\u0303o"}) << -1 << "joão" << false << 1;
        QTest::newRow("prefix past blanks in front") << QStringList({"  Ângela"}) << -1 << "an" << false << 0;
        QTest::newRow("prefix folding to nothing") << angelas << -1 << "\u0301" << false << -1;
        QTest::newRow("no prefix") << angelas << -1 << "angu" << false << -1;
        QTest::newRow("same letters win over an earlier folded match") << joaos << -1 << "joão" << true << 1;
        QTest::newRow("same letters after start, blanks aside") << joaos << 1 << " joão" << true << 2;
        QTest::newRow("same letters wrap around to start") << joaos << 2 << "João" << true << 1;
        QTest::newRow("folded only: the first after start") << joaos << 0 << "JOÀO" << true << 1;
        QTest::newRow("folded only, wrapping") << joaos << 3 << "joâo" << true << 0;
        QTest::newRow("decomposed, same letters") << QStringList({"Joao", "Joa\u0303o"}) << -1 << "JOA\u0303O" << true << 1;
        QTest::newRow("composed text, decomposed item: folded alike") << QStringList({"Bia", "Joa\u0303o"}) << -1 << "João" << true << 1;
        QTest::newRow("equal names: the next after start") << QStringList({"Ana", "Bia", "ana"}) << 0 << "ANA " << true << 2;
        QTest::newRow("loose is not a prefix") << angelas << -1 << "angela" << true << -1;
        QTest::newRow("blank text") << QStringList({"", " "}) << -1 << "  " << true << -1;
        // clang-format on
    }

    // The scan and the index, given the same list, both answer as expected.
    void foldedAndLoose()
    {
        QFETCH(QStringList, items);
        QFETCH(int, start);
        QFETCH(QString, text);
        QFETCH(bool, loose);
        const listsearch::Index index(items);
        if (loose) {
            QTEST(combolist::findLoosely(items, start, text), "found");
            QTEST(index.findLoosely(items, start, text), "found");
        } else {
            QTEST(combolist::findFolded(items, start, text), "found");
            QTEST(index.findFolded(items, start, text), "found");
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
