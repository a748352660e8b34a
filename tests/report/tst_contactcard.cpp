#include "cardprint.h"
#include "contactcard.h"
#include "printing.h"

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
const QString Title = QStringLiteral("Relatório do Cadastro de:  ");
const QString Rule(100, QLatin1Char('-'));
const QRegularExpression RuleLine("^-{1,100}$");
// Room for more than any line of the card.
const CardPageWidth WidePage = [](int) { return 200.0; };

using namespace contact;

ContactCard distinctCard()
{
    ContactCard c;
    c[Nome] = "Maria Conceição";
    c[Email] = "maria@example.com";
    c[EndRes] = "Rua das Flores, 12";
    c[BairroRes] = "Jardim Europa";
    c[CidadeRes] = "São Paulo";
    c[UfRes] = "SP";
    c[CepRes] = "01234-567";
    c[FoneRes] = "(11) 3333-4444";
    c[CelularRes] = "(11) 98888-7777";
    c[EndCom] = "Avenida Paulista, 1000";
    c[BairroCom] = "Bela Vista";
    c[CidadeCom] = "Santos";
    c[UfCom] = "RJ";
    c[CepCom] = "20000-001";
    c[FoneCom] = "(21) 2222-1111";
    c[Ramal] = "321";
    c[CelularCom] = "(21) 97777-6666";
    return c;
}

// The labelled lines from the third on: label and value, or a rule.
// clang-format off
QList<QPair<QString, QString>> bodyRows(const ContactCard& c)
{
    return {{"Endereço Residencial:", c[EndRes]}, {"Bairro:", c[BairroRes]},
            {"Cidade:", c[CidadeRes]}, {"Estado:", c[UfRes]}, {"CEP:", c[CepRes]},
            {"Telefone:", c[FoneRes]}, {"Celular:", c[CelularRes]},
            {Rule, {}},
            {"Endereço Comercial:", c[EndCom]}, {"Bairro:", c[BairroCom]},
            {"Cidade:", c[CidadeCom]}, {"Estado:", c[UfCom]}, {"CEP:", c[CepCom]},
            {"Telefone:", c[FoneCom]}, {"Ramal:", c[Ramal]}, {"Celular:", c[CelularCom]},
            {Rule, {}},
            {"E-Mail:", c[Email]}};
}
// clang-format on

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The card in a PDF file; a narrow printable area leaves room on the page for
// text running past its right edge.
QString cardPdf(const QTemporaryDir& dir, const ContactCard& card, bool narrow)
{
    const QString path = dir.filePath(QStringLiteral("card.pdf"));
    const auto paint = [&card](QPainter& p) { paintContactCard(p, card); };
    if (!narrow)
        return printing::printToPdf(path, "Cadastro", paint).ok ? path : QString();
    QPdfWriter writer(path);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Landscape,
                                     QMarginsF(10, 10, 300, 10), QPageLayout::Millimeter));
    QPainter painter(&writer);
    paint(painter);
    return painter.end() ? path : QString();
}
} // namespace

class TestContactCard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void lines_data();
    void lines();
    void longLabelPushesValueDown_data();
    void longLabelPushesValueDown();
    void maskedFieldWithoutDigit_data();
    void maskedFieldWithoutDigit();
    void rulesStayOnThePage_data();
    void rulesStayOnThePage();
    void printedText_data();
    void printedText();
    void titleKeepsTwoBlanks();
    void pdfWriteFailureIsReported();
    void pdfIsPrivate();
    void pdfFileName_data();
    void pdfFileName();
    void pdfOnFullDisk_data();
    void pdfOnFullDisk();
};

void TestContactCard::initTestCase()
{
    for (const char* tool : {"pdftotext", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is missing: install poppler-utils").arg(tool)));
    }
}

void TestContactCard::lines_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QStringList>("texts"); // "column|text"
    const ContactCard c = distinctCard();
    QTest::newRow("title") << 0 << 16 << QStringList{"10|" + Title + c[Nome]};
    QTest::newRow("rule under the title") << 1 << 16 << QStringList{"1|" + Rule};
    const QList<QPair<QString, QString>> rows = bodyRows(c);
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList texts = rows[i].first == Rule
                                      ? QStringList{"1|" + Rule}
                                      : QStringList{"10|" + rows[i].first, "40|" + rows[i].second};
        QTest::addRow("line %d", i + 3) << i + 2 << 12 << texts;
    }
}

void TestContactCard::lines()
{
    QFETCH(int, index);
    QFETCH(int, pointSize);
    QFETCH(QStringList, texts);
    const auto monospace = [](int, const QString& text) { return double(text.size()); };
    const QList<CardLine> lines = contactCardLines(distinctCard(), monospace, WidePage);
    QCOMPARE(lines.size(), 20);
    QCOMPARE(lines[index].pointSize, pointSize);
    QStringList placed;
    for (const CardText& t : lines[index].texts)
        placed << QString::number(t.column) + '|' + t.text;
    QCOMPARE(placed, texts);
}

void TestContactCard::longLabelPushesValueDown_data()
{
    QTest::addColumn<double>("labelColumns");
    QTest::addColumn<bool>("pushed");
    QTest::newRow("ends where the value begins") << 30.0 << false;
    QTest::newRow("reaches into the value") << 30.5 << true;
}

void TestContactCard::longLabelPushesValueDown()
{
    QFETCH(double, labelColumns);
    QFETCH(bool, pushed);
    const auto width = [&](int, const QString& text) {
        return text == QStringLiteral("Endereço Residencial:") ? labelColumns : 5.0;
    };
    ContactCard card = distinctCard();
    card[EndRes] = QStringLiteral("  as typed, never trimmed  ");
    const QList<CardLine> lines = contactCardLines(card, width, WidePage);
    QCOMPARE(lines.size(), pushed ? 21 : 20);
    const CardLine& value = lines[pushed ? 3 : 2];
    QCOMPARE(value.texts.last().column, 40);
    QCOMPARE(value.texts.last().text, card[EndRes]);
    QCOMPARE(value.pointSize, 12);
    QCOMPARE(lines[pushed ? 4 : 3].texts.first().text, QStringLiteral("Bairro:"));
}

void TestContactCard::maskedFieldWithoutDigit_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("printed");
    QTest::newRow("CEP") << int(CepRes) << 6 << "__.___-___"
                         << "";
    QTest::newRow("CEP, comma") << int(CepCom) << 14 << "__,___-___"
                                << "";
    QTest::newRow("phone") << int(FoneRes) << 7 << "(__) ____-____"
                           << "";
    QTest::newRow("mobile") << int(CelularCom) << 17 << "(__) _____-____"
                            << "";
    QTest::newRow("blanks") << int(FoneCom) << 15 << "   "
                            << "";
    QTest::newRow("partial") << int(CelularRes) << 8 << "(11) 9____-____"
                             << "(11) 9____-____";
    QTest::newRow("not masked") << int(Ramal) << 16 << "(__)"
                                << "(__)";
}

// The placeholders of an empty masked field never reach the paper.
void TestContactCard::maskedFieldWithoutDigit()
{
    QFETCH(int, field);
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(QString, printed);
    ContactCard card = distinctCard();
    card[field] = text;
    const auto monospace = [](int, const QString& t) { return double(t.size()); };
    const CardLine& l = contactCardLines(card, monospace, WidePage).at(line);
    QCOMPARE(l.texts.size(), 2);
    QCOMPARE(l.texts.first().text, cardLabel(Field(field)));
    QCOMPARE(l.texts.last().text, printed);
}

void TestContactCard::rulesStayOnThePage_data()
{
    QTest::addColumn<bool>("narrow");
    QTest::addColumn<double>("rightEdge"); // of the printable area, in points
    QTest::addColumn<int>("rule");         // the first, second or third
    const double a4 = (210 - 6.35) / 25.4 * 72;
    const double narrow = 120 / 25.4 * 72;
    for (int rule = 0; rule < 3; ++rule) {
        QTest::addRow("A4, rule %d", rule + 1) << false << a4 << rule;
        QTest::addRow("narrow, rule %d", rule + 1) << true << narrow << rule;
    }
}

// Each rule ends inside the printable area, and one dash more would not: as
// many dashes as fit, 100 at most.
void TestContactCard::rulesStayOnThePage()
{
    QFETCH(bool, narrow);
    QFETCH(double, rightEdge);
    QFETCH(int, rule);
    QTemporaryDir dir;
    const QString pdf = cardPdf(dir, distinctCard(), narrow);
    QVERIFY(!pdf.isEmpty());
    const QRegularExpression word("<word xMin=\"([\\d.]+)\"[^>]*xMax=\"([\\d.]+)\"[^>]*>(-+)<");
    QList<QRegularExpressionMatch> rules;
    for (const auto& m : word.globalMatch(run("pdftotext", {"-bbox", pdf, "-"})))
        rules << m;
    QCOMPARE(rules.size(), 3);
    const QRegularExpressionMatch& m = rules.at(rule);
    const double left = m.captured(1).toDouble();
    const double right = m.captured(2).toDouble();
    const int dashes = m.captured(3).size();
    QVERIFY(dashes <= 100);
    QVERIFY2(right <= rightEdge, qPrintable(QString("%1 > %2").arg(right).arg(rightEdge)));
    if (dashes < 100)
        QVERIFY2(right + (right - left) / dashes > rightEdge, qPrintable(QString::number(dashes)));
}

void TestContactCard::printedText_data()
{
    QTest::addColumn<ContactCard>("card");
    QTest::addColumn<bool>("narrow");
    QTest::newRow("distinct values") << distinctCard() << false;
    ContactCard empty;
    empty[Nome] = QStringLiteral("João Batista");
    QTest::newRow("empty values") << empty << false;
    ContactCard longValue = distinctCard();
    longValue[EndRes] = QStringLiteral("Rodovia Presidente Dutra, quilômetro 225, galpão 7, "
                                       "portão de cargas");
    QTest::newRow("value past the printable edge") << longValue << true;
}

void TestContactCard::printedText()
{
    QFETCH(ContactCard, card);
    QFETCH(bool, narrow);
    QTemporaryDir dir;
    const QString pdf = cardPdf(dir, card, narrow);
    QVERIFY(!pdf.isEmpty());
    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    QCOMPARE(text.count('\f'), 1);

    QStringList lines = text.split('\n');
    lines.removeIf([](const QString& l) { return l.trimmed().isEmpty(); });
    QCOMPARE(lines.size(), 20);
    // Double blanks come out single in extracted text; titleKeepsTwoBlanks
    // checks those.
    QCOMPARE(lines[0].simplified(), (Title + card[Nome]).simplified());
    // The rules' lengths: rulesStayOnThePage.
    QVERIFY2(RuleLine.match(lines[1]).hasMatch(), qPrintable(lines[1]));

    const QList<QPair<QString, QString>> rows = bodyRows(card);
    int labelAt = -1;
    int valueAt = -1;
    for (int i = 0; i < rows.size(); ++i) {
        const QString& line = lines[i + 2];
        const auto& [label, value] = rows[i];
        if (label == Rule) {
            QVERIFY2(RuleLine.match(line).hasMatch(), qPrintable(line));
            continue;
        }
        const int l = line.indexOf(QRegularExpression("\\S"));
        QCOMPARE(line.mid(l, label.size()), label);
        labelAt = labelAt < 0 ? l : labelAt;
        QCOMPARE(l, labelAt);
        if (value.isEmpty()) {
            QCOMPARE(line.trimmed(), label);
            continue;
        }
        const int v = line.indexOf(QRegularExpression("\\S"), l + label.size());
        QCOMPARE(line.mid(v), value);
        valueAt = valueAt < 0 ? v : valueAt;
        QCOMPARE(v, valueAt);
    }
    QVERIFY(labelAt > 0);

    if (narrow) {
        // Nothing clips the text at the printable area's right edge, 120 mm
        // from the page's left: there is ink beyond it.
        const QString png = dir.filePath("card");
        run("pdftoppm", {"-r", "50", "-gray", "-png", "-singlefile", pdf, png});
        const QImage page(png + ".png");
        QVERIFY(!page.isNull());
        bool ink = false;
        for (int y = 0; y < page.height() && !ink; ++y) {
            for (int x = qRound(125 / 25.4 * 50); x < page.width() && !ink; ++x)
                ink = qGray(page.pixel(x, y)) < 128;
        }
        QVERIFY(ink);
    }
}

void TestContactCard::titleKeepsTwoBlanks()
{
    QTemporaryDir dir;
    const QString pdf = cardPdf(dir, distinctCard(), false);
    // Word boxes of the title: the gap before the name is twice the one
    // between its other words.
    const QRegularExpression word("<word xMin=\"([\\d.]+)\"[^>]*xMax=\"([\\d.]+)\"[^>]*>([^<]*)<");
    QList<QRegularExpressionMatch> words;
    for (const auto& m : word.globalMatch(run("pdftotext", {"-bbox", pdf, "-"})))
        words << m;
    QVERIFY(words.size() > 4);
    QCOMPARE(words[3].captured(3), QStringLiteral("de:"));
    QCOMPARE(words[4].captured(3), QStringLiteral("Maria"));
    const auto gapBefore = [&](int i) {
        return words[i].captured(1).toDouble() - words[i - 1].captured(2).toDouble();
    };
    const double ratio = gapBefore(4) / gapBefore(1);
    QVERIFY2(qAbs(ratio - 2.0) < 0.2, qPrintable(QString::number(ratio)));
}

void TestContactCard::pdfWriteFailureIsReported()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("arquivo"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder that cannot exist, whoever runs the test.
    const QString path = dir.filePath("arquivo/cartao.pdf");
    bool painted = false;
    const printing::Result r =
        printing::printToPdf(path, "Cadastro", [&](QPainter&) { painted = true; });
    QVERIFY(painted);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(QStringLiteral("Não foi possível gravar")), qPrintable(r.error));
    QVERIFY2(r.error.contains(QStringLiteral("Uma parte do caminho não é uma pasta.")),
             qPrintable(r.error));
    QVERIFY(!QFile::exists(path));
}

// The card is for the user alone, whatever the umask.
void TestContactCard::pdfIsPrivate()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cartao.pdf");
    const mode_t was = ::umask(0);
    const printing::Result r = printing::printToPdf(path, "Cadastro", [](QPainter&) {});
    ::umask(was);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(int(QFile::permissions(path) & 0x0777), 0x600);
}

void TestContactCard::pdfFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << "Maria da Conceição"
                           << "Maria da Conceição.pdf";
    QTest::newRow("folders above") << "../../x"
                                   << "x.pdf";
    QTest::newRow("separators and marks") << "Ana/Bia\\C: D'Ávila-Souza*?"
                                          << "AnaBiaC DÁvila-Souza.pdf";
    QTest::newRow("nothing left") << " ./ "
                                  << "Contato.pdf";
}

void TestContactCard::pdfFileName()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(cardprint::pdfFileName(name), file);
}

void TestContactCard::pdfOnFullDisk_data()
{
    QTest::addColumn<int>("free"); // bytes left on the disk
    QTest::newRow("4 KB free") << 4096;
    QTest::newRow("no space at all") << 0;
}

// A small disk of the test's own, filled up: the card is not reported as written
// and no piece of it is left.
void TestContactCard::pdfOnFullDisk()
{
    QFETCH(int, free);
    QTemporaryDir dir;
    const QString disk = dir.filePath("disco");
    QVERIFY(QDir().mkdir(disk));
    const int size = 64 * 1024;
    if (QProcess::execute("mount",
                          {"-t", "tmpfs", "-o", QString("size=%1").arg(size), "tmpfs", disk}) != 0)
        QSKIP("cannot mount a small disk here (needs root)");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk}); });
    QFile filler(disk + "/ocupado");
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(1024, 'x');
    while (filler.size() < size - free && filler.write(block) == block.size() && filler.flush())
        ;
    filler.close();

    const QString path = disk + "/cartao.pdf";
    const ContactCard card = distinctCard();
    const printing::Result r =
        printing::printToPdf(path, "Cadastro", [&card](QPainter& p) { paintContactCard(p, card); });
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(QStringLiteral("Não foi possível gravar")), qPrintable(r.error));
    QVERIFY2(r.error.contains(QStringLiteral("Não há espaço livre no disco.")),
             qPrintable(r.error));
    QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList({"ocupado"}));
}

QTEST_MAIN(TestContactCard)
#include "tst_contactcard.moc"
