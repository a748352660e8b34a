#include "nameblock.h"

#include <QStringDecoder>
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

    // The check that keeps the engine's bytes decides as Qt's decoder does:
    // bytes it keeps decode without an error and without U+FFFE or U+FFFF, and
    // bytes it turns down do not. Each sequence also alone in part (cut short),
    // and between plain letters.
    void keepsBytesAsQtDecodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QByteArray("Ana Maria da Silva 12");
        QTest::newRow("accented") << QByteArray("Jo\xC3\xA3o Ara\xC3\xBAjo");
        QTest::newRow("a null inside") << QByteArray("a\0b", 3);
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "Ana");
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80 x");
        QTest::newRow("latin-1") << QByteArray("Jo\xE3o");
        QTest::newRow("CESU surrogate pair") << QByteArray("\xED\xA0\x80\xED\xB0\x80");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
        QTest::newRow("overlong null") << QByteArray("\xE0\x80\x80");
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("five bytes") << QByteArray("\xF8\x88\x80\x80\x80");
        QTest::newRow("U+FFFD") << QByteArray("\xEF\xBF\xBD");
        QTest::newRow("U+FDD0") << QByteArray("\xEF\xB7\x90");
        QTest::newRow("U+1FFFE") << QByteArray("\xF0\x9F\xBF\xBE");
        // Every lead byte, with second bytes at the edges of the ranges that
        // decide, and the bytes after it at the edges of a continuation.
        const unsigned char seconds[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
        const unsigned char others[] = {0x80, 0xBE, 0xBF};
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            for (const unsigned char second : seconds) {
                for (const unsigned char third : others) {
                    for (const unsigned char fourth : others) {
                        const char bytes[] = {char(lead), char(second), char(third), char(fourth)};
                        const QByteArray sequence(bytes, 4);
                        QTest::addRow("%s", sequence.toHex(' ').constData()) << sequence;
                    }
                }
            }
        }
    }

    void keepsBytesAsQtDecodes()
    {
        QFETCH(QByteArray, bytes);
        const auto decodesCleanly = [](const QByteArray& b) {
            QStringDecoder decoder(QStringDecoder::Utf8,
                                   QStringDecoder::Flag::Stateless |
                                       QStringDecoder::Flag::ConvertInitialBom);
            const QString text = decoder(b);
            return !decoder.hasError() && !text.contains(QChar(0xFFFE)) &&
                   !text.contains(QChar(0xFFFF));
        };
        NameBlock::Check check;
        for (qsizetype length = 1; length <= bytes.size(); ++length) {
            for (const QByteArray& around : {QByteArray(), QByteArray("Ana Maria ")}) {
                const QByteArray b = around + bytes.left(length) + around;
                QVERIFY2(check.keepsBytes(b.constData(), b.size()) == decodesCleanly(b),
                         b.toHex(' ').constData());
            }
        }
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
