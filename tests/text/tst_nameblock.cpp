#include "nameblock.h"

#include <QTest>

// A block gives back each text as it was put in, however its units are made, and
// keeps the others as they were when one is taken out, put in or replaced.
class TestNameBlock : public QObject {
    Q_OBJECT

private slots:
    void textsKept_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("plain and accented") << QStringList{"Ana", "João", "", "Ângela Müller"};
        QTest::newRow("beyond the first plane") << QStringList{"\U0001F600 x", "a\U00010400"};
        QTest::newRow("a null inside") << QStringList{QString::fromUtf8("a\0b", 3), "c"};
        QTest::newRow("byte order mark in front") << QStringList{"\uFEFFAna", "Bia"};
        QTest::newRow("noncharacters") << QStringList{"a\uFFFE", "\uFFFF"};
        QTest::newRow("lone surrogates")
            << QStringList{QString(QChar(0xD800)) + "a", "b" + QString(QChar(0xDC00)), "c"};
    }

    void textsKept()
    {
        QFETCH(QStringList, texts);
        NameBlock block(texts);
        QCOMPARE(block.texts(), texts);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(block.nthEqual(texts.at(i), 0), texts.indexOf(texts.at(i)));

        // Taken out, put in before each row, replaced.
        for (int row = 0; row < texts.size(); ++row) {
            NameBlock changed = block;
            QStringList expected = texts;
            changed.remove(row);
            expected.removeAt(row);
            QCOMPARE(changed.texts(), expected);
            changed.insert(row, texts.last());
            expected.insert(row, texts.last());
            QCOMPARE(changed.texts(), expected);
            changed.replace(row, texts.first());
            expected.replace(row, texts.first());
            QCOMPARE(changed.texts(), expected);
            QCOMPARE(changed.equalBefore(row), expected.mid(0, row).count(texts.first()));
        }
        QCOMPARE(block.texts(), texts); // the copies changed alone

        // As the engine's bytes: kept as they are where Qt decodes them alike.
        NameBlock read;
        NameBlock::Check check;
        for (const QString& text : texts) {
            const QByteArray utf8 = text.toUtf8();
            if (QString::fromUtf8(utf8) == text && check.keepsBytes(utf8.constData(), utf8.size()))
                read.appendUtf8(utf8.constData(), utf8.size());
            else
                read.append(text);
        }
        QCOMPARE(read.texts(), texts);
        NameBlock::Reader reader(read);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(reader.at(i).toString(), texts.at(i));
    }

    void textsMadeAreCounted()
    {
        const NameBlock block(QStringList{"Ana", "Bia", "Caio"});
        const quint64 before = NameBlock::textsMade();
        NameBlock::Reader reader(block);
        QCOMPARE(reader.at(2), QStringView(u"Caio"));
        QCOMPARE(block.nthEqual(QStringLiteral("Bia"), 0), 1);
        QCOMPARE(NameBlock::textsMade(), before);
        QCOMPARE(block.text(1), QStringLiteral("Bia"));
        QCOMPARE(NameBlock::textsMade(), before + 1);
    }
};

QTEST_MAIN(TestNameBlock)
#include "tst_nameblock.moc"
