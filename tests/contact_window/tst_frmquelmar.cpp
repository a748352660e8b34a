#include "contactrecord.h"
#include "frmquelmar.h"
#include "maskedit.h"
#include "messagebox.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <cmath>

namespace {
int px(int twips)
{
    return twips / 15;
}
} // namespace

// The contact window as laid out, loaded over an empty database in the test's own
// folder, and its three field routines.
class TestFrmQuelmar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void window();
    void layout();
    void labelsAreCaptionBars();
    void accessibleNames();
    void lookupListCoversName();
    void focusOrder();
    void tabWalksIntoPagesBehind();
    void accessKeysFromAnyPage_data();
    void accessKeysFromAnyPage();
    void textLimits_data();
    void textLimits();
    void load_stateListsAndLockedFields();
    void load_missingDatabaseCreatesNothing();
    void limpar_data();
    void limpar();
    void ativarDesativar();
    void lockedFieldsReadable_data();
    void lockedFieldsReadable();

private:
    template <typename T> T* child(const char* name) const
    {
        T* w = m_window->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    QTabWidget* tab() const { return child<QTabWidget>("tabQuelmar"); }
    void fillAllFields();

    QString m_dbPath;
    frmQuelmar* m_window = nullptr;
};

void TestFrmQuelmar::initTestCase()
{
    QCOMPARE(frmQuelmar::databasePath(), QCoreApplication::applicationDirPath() + "/Quelmar.mdb");
    m_dbPath = windowtest::databasePath();
    MessageBox::setTestMode(true);
}

void TestFrmQuelmar::init()
{
    m_window = windowtest::open({{"Primeiro Contato", "p@example.com", "Rua A"}});
    QVERIFY(m_window);
}

void TestFrmQuelmar::cleanup()
{
    windowtest::close(m_window);
}

void TestFrmQuelmar::window()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Listrano Eletrônico"));
    QCOMPARE(m_window->size(), QSize(px(7605), px(5370)));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!m_window->windowIcon().isNull());
    QCOMPARE(tab()->count(), 3);
    QCOMPARE(tab()->tabText(0), QStringLiteral("N&ome"));
    QCOMPARE(tab()->tabText(1), QStringLiteral("&Dados Residencial"));
    QCOMPARE(tab()->tabText(2), QStringLiteral("Dados &Comercial"));
}

// Nothing of the form lies outside its page or the window, and controls overlap
// only where the form means them to: the lookup list over the name box, and each
// caption bar's last row over its own field's first.
void TestFrmQuelmar::layout()
{
    const auto meant = [this](const QWidget* over, const QWidget* under) {
        const QRect both = over->geometry() & under->geometry();
        const bool captionBar = qobject_cast<const QLabel*>(over) &&
                                !qobject_cast<const QLabel*>(under) && both.height() == 1 &&
                                both.top() == under->y() && over->x() == under->x() &&
                                over->width() == under->width();
        return captionBar ||
               (over == child<QWidget>("cboNome") && under == child<QWidget>("txtNome"));
    };
    QList<QWidget*> areas = {m_window};
    for (int i = 0; i < tab()->count(); ++i)
        areas << tab()->widget(i);
    for (QWidget* area : areas) {
        const QList<QWidget*> controls =
            area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(controls.size() > 1);
        for (QWidget* a : controls) {
            QVERIFY2(area->rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget* b : controls) {
                if (a != b && a->geometry().intersects(b->geometry()))
                    QVERIFY2(meant(a, b) || meant(b, a),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
            }
        }
    }
    for (QComboBox* combo : m_window->findChildren<QComboBox*>()) {
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->completer(), nullptr);
        QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
    }
}

void TestFrmQuelmar::labelsAreCaptionBars()
{
    const QList<QLabel*> labels = m_window->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 17);
    for (QLabel* l : labels) {
        QVERIFY(l->autoFillBackground());
        QCOMPARE(l->backgroundRole(), QPalette::Highlight);
        QCOMPARE(l->foregroundRole(), QPalette::HighlightedText);
        QCOMPARE(l->alignment(), Qt::AlignCenter);
        QCOMPARE(l->focusPolicy(), Qt::NoFocus);
    }
}

// A screen reader has a name for every control the focus stops at.
void TestFrmQuelmar::accessibleNames()
{
    for (QWidget* stop : m_window->focusOrder()) {
        QAccessibleInterface* ui = QAccessible::queryAccessibleInterface(stop);
        QVERIFY(ui);
        const QString name = ui->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty() && !name.contains('&'), qPrintable(stop->objectName()));
    }
    QCOMPARE(
        QAccessible::queryAccessibleInterface(child<QWidget>("mskCepCom"))->text(QAccessible::Name),
        QString("CEP"));
}

void TestFrmQuelmar::lookupListCoversName()
{
    auto* cboNome = child<QComboBox>("cboNome");
    auto* txtNome = child<QLineEdit>("txtNome");
    QVERIFY(cboNome->isHidden());
    QVERIFY(txtNome->isVisible());
    QCOMPARE(cboNome->geometry().topLeft(), txtNome->geometry().topLeft());
    QCOMPARE(cboNome->width(), txtNome->width());
    QCOMPARE(cboNome->height(), txtNome->height() + 2);
}

void TestFrmQuelmar::focusOrder()
{
    QStringList names;
    for (QWidget* w : m_window->focusOrder())
        names << w->objectName();
    QCOMPARE(names, QStringList({"tabQuelmar",   "txtNome",       "txtEmail",     "txtEndRes",
                                 "txtBairroRes", "txtCidadeRes",  "mskFoneRes",   "mskCelularRes",
                                 "txtEndCom",    "txtBairroCom",  "txtCidadeCom", "mskFoneCom",
                                 "txtRamal",     "mskCelularCom", "cmdNovo",      "cmdSalvar",
                                 "cmdConsultar", "cmdEditar",     "cmdImprimir",  "cmdExcluir",
                                 "cmdEmail",     "cboUfRes",      "mskCepRes",    "cboUfCom",
                                 "mskCepCom",    "cboNome",       "cmdInfo"}));
}

void TestFrmQuelmar::tabWalksIntoPagesBehind()
{
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_window->Ativar();
    child<QLineEdit>("txtNome")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>("txtNome"));

    // Every stop once around, the hidden lookup list skipped: each lands with its
    // page in front.
    const QStringList expected = {"txtEmail",     "txtEndRes",     "txtBairroRes", "txtCidadeRes",
                                  "mskFoneRes",   "mskCelularRes", "txtEndCom",    "txtBairroCom",
                                  "txtCidadeCom", "mskFoneCom",    "txtRamal",     "mskCelularCom",
                                  "cmdNovo",      "cmdSalvar",     "cmdConsultar", "cmdEditar",
                                  "cmdImprimir",  "cmdExcluir",    "cmdEmail",     "cboUfRes",
                                  "mskCepRes",    "cboUfCom",      "mskCepCom",    "cmdInfo",
                                  "tabQuelmar",   "txtNome"};
    for (const QString& name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* stop = child<QWidget>(qPrintable(name));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(
            focus == stop || stop->isAncestorOf(focus) ||
                (name == "tabQuelmar" && focus == tab()->tabBar()),
            qPrintable(name + " expected, focus on " + (focus ? focus->objectName() : "none")));
        if (name != "tabQuelmar" && name.left(3) != "cmd")
            QVERIFY2(stop->isVisible(), qPrintable(name + " is on a page behind"));
    }

    // Locked fields are passed over.
    m_window->Desativar();
    child<QWidget>("cmdExcluir")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("cmdEmail"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("cmdInfo"));
}

void TestFrmQuelmar::accessKeysFromAnyPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("incluirOff");
    for (int page = 0; page < 3; ++page) {
        QTest::newRow(qPrintable(QString("Alt+P on page %1").arg(page)))
            << page << int(Qt::Key_P) << "cmdImprimir" << false;
        QTest::newRow(qPrintable(QString("Alt+U on page %1").arg(page)))
            << page << int(Qt::Key_U) << "cmdConsultar" << false;
        // Shared by Incluir and Enviar E-mail: Incluir first.
        QTest::newRow(qPrintable(QString("Alt+N on page %1").arg(page)))
            << page << int(Qt::Key_N) << "cmdNovo" << false;
    }
    QTest::newRow("Alt+N with Incluir off") << 0 << int(Qt::Key_N) << "cmdEmail" << true;
}

void TestFrmQuelmar::accessKeysFromAnyPage()
{
    QFETCH(int, page);
    QFETCH(int, key);
    QFETCH(QString, button);
    QFETCH(bool, incluirOff);
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    tab()->setCurrentIndex(page);
    child<QWidget>("cmdNovo")->setEnabled(!incluirOff);
    QSignalSpy clicked(child<QAbstractButton>(qPrintable(button)), &QAbstractButton::clicked);
    QTest::keyClick(m_window, Qt::Key(key), Qt::AltModifier);
    QTRY_COMPARE(clicked.count(), 1);
}

void TestFrmQuelmar::textLimits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit"); // 0: none of its own
    QTest::newRow("txtNome") << "txtNome" << 50;
    QTest::newRow("txtEmail") << "txtEmail" << 50;
    QTest::newRow("txtEndRes") << "txtEndRes" << 0;
    QTest::newRow("txtBairroCom") << "txtBairroCom" << 0;
    QTest::newRow("txtCidadeRes") << "txtCidadeRes" << 0;
    QTest::newRow("txtRamal") << "txtRamal" << 0;
}

void TestFrmQuelmar::textLimits()
{
    QFETCH(QString, field);
    QFETCH(int, limit);
    m_window->Ativar();
    auto* edit = child<QLineEdit>(qPrintable(field));
    tab()->setCurrentWidget(edit->parentWidget());
    edit->setFocus();
    const QString typed(120, QLatin1Char('a'));
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text().size(), limit ? limit : typed.size());
    QCOMPARE(edit->maxLength(), limit ? limit : 65535); // what a classic text box holds
    // Each key refused is heard.
    QCOMPARE(MessageBox::beeps(), limit ? typed.size() - limit : 0);
}

void TestFrmQuelmar::load_stateListsAndLockedFields()
{
    for (const char* name : {"cboUfRes", "cboUfCom"}) {
        auto* combo = child<QComboBox>(name);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, contact::StateCodes);
        QCOMPARE(items.size(), 27);
        QCOMPARE(items.indexOf("RR"), items.indexOf("RO") + 1);
        QCOMPARE(items.at(1), QStringLiteral("AP"));
        QCOMPARE(items.at(2), QStringLiteral("AL"));
        QCOMPARE(combo->currentText(), QString());
    }
    QCOMPARE(tab()->currentIndex(), 0);
    for (QWidget* field : m_window->dataFields())
        QVERIFY2(!field->isEnabled(), qPrintable(field->objectName()));
    QCOMPARE(child<QLineEdit>("txtNome")->text(), QString()); // the first row is not shown
    QVERIFY(m_window->searchHelper());
    QVERIFY(m_window->dataControl().Recordset()->hasCurrent());

    // Loaded again with another page in front: the name page comes back.
    frmQuelmar second;
    second.findChild<QTabWidget*>("tabQuelmar")->setCurrentIndex(2);
    QVERIFY(!second.Form_Load(m_dbPath));
    QCOMPARE(second.findChild<QTabWidget*>("tabQuelmar")->currentIndex(), 0);
}

void TestFrmQuelmar::load_missingDatabaseCreatesNothing()
{
    delete m_window;
    m_window = nullptr;
    QFile::remove(m_dbPath);
    const QDir folder = QFileInfo(m_dbPath).dir();
    const QStringList before = folder.entryList(QDir::Files);

    frmQuelmar w;
    const StoreError e = w.Form_Load(m_dbPath);
    QVERIFY(e.isError());
    QVERIFY(!QFileInfo::exists(m_dbPath));
    QCOMPARE(folder.entryList(QDir::Files), before);
    QCOMPARE(w.findChild<QComboBox*>("cboUfRes")->count(), 0);

    const QString text = frmQuelmar::openErrorText(m_dbPath, e);
    QVERIFY(text.contains(m_dbPath));
    // The reason in Portuguese first, the engine's words after it.
    QVERIFY(text.indexOf("O arquivo não existe.") < text.indexOf("Detalhe técnico: " + e.text));
    QVERIFY(text.contains("O arquivo não existe."));
}

void TestFrmQuelmar::fillAllFields()
{
    m_window->Ativar();
    for (QWidget* field : m_window->dataFields()) {
        if (auto* m = qobject_cast<MaskEdBox*>(field))
            QVERIFY(
                m->setMaskedText(m->maskPattern().size() == 10 ? "12.345-678" : "(11) 2345-6789"));
        else if (auto* e = qobject_cast<QLineEdit*>(field))
            e->setText("texto de " + field->objectName());
        else if (auto* c = qobject_cast<QComboBox*>(field))
            c->setEditText("Minas Gerais");
    }
    auto* cboNome = child<QComboBox>("cboNome");
    cboNome->addItems({"Ana", "Bia"});
}

void TestFrmQuelmar::limpar_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("unlocked") << false;
    QTest::newRow("locked") << true;
}

void TestFrmQuelmar::limpar()
{
    QFETCH(bool, locked);
    fillAllFields();
    if (locked)
        m_window->Desativar();
    tab()->setCurrentIndex(1);

    m_window->Limpar();

    for (QWidget* field : m_window->dataFields()) {
        QCOMPARE(field->isEnabled(), !locked);
        if (auto* m = qobject_cast<MaskEdBox*>(field)) {
            const QString empty = m->maskPattern().size() == 10 ? "__.___-___" : "(__) ____-____";
            QCOMPARE(m->text(), empty);
            QCOMPARE(m->maxLength(), m->maskPattern().size());
        } else if (auto* e = qobject_cast<QLineEdit*>(field)) {
            QCOMPARE(e->text(), QString());
        } else if (auto* c = qobject_cast<QComboBox*>(field)) {
            QCOMPARE(c->currentText(), QString());
            QCOMPARE(c->count(), 27);
        }
    }
    QCOMPARE(child<QComboBox>("cboNome")->count(), 2);
    QCOMPARE(tab()->currentIndex(), 1);
}

void TestFrmQuelmar::ativarDesativar()
{
    fillAllFields();
    QSet<QString> texts;
    m_window->Desativar();
    for (QWidget* field : m_window->dataFields()) {
        QVERIFY(!field->isEnabled());
        if (auto* e = qobject_cast<QLineEdit*>(field))
            QVERIFY2(!e->text().isEmpty(), qPrintable(field->objectName()));
    }
    // No other control is touched.
    for (const char* name : {"cmdNovo", "cmdSalvar", "cmdEditar", "cmdExcluir", "cboNome"})
        QVERIFY(child<QWidget>(name)->isEnabled());

    m_window->Limpar();
    m_window->Ativar();
    for (QWidget* field : m_window->dataFields())
        QVERIFY(field->isEnabled());
    QCOMPARE(child<QLineEdit>("txtNome")->text(), QString());
}

namespace {
double luminance(QColor c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(QColor a, QColor b)
{
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}
} // namespace

void TestFrmQuelmar::lockedFieldsReadable_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("page");
    QTest::newRow("plain") << "txtNome" << 0;
    QTest::newRow("masked") << "mskFoneRes" << 1;
    QTest::newRow("state list") << "cboUfRes" << 1;
}

// A looked-up contact is read in locked fields: their text as dark as while
// editing, on the window's background rather than white, the frame kept.
void TestFrmQuelmar::lockedFieldsReadable()
{
    QFETCH(QString, field);
    QFETCH(int, page);
    fillAllFields();
    child<QComboBox>("cboUfRes")->setEditText("SP");
    m_window->Desativar();
    tab()->setCurrentIndex(page);
    QWidget* control = child<QWidget>(qPrintable(field));
    const QImage image = control->grab().toImage();

    // Inside the frame: the most common colour is the background, the text the
    // colour farthest from it.
    QHash<QRgb, int> counts;
    for (int y = 3; y < image.height() - 3; ++y) {
        for (int x = 3; x < image.width() / 2; ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb background = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        if (it.value() > counts.value(background))
            background = it.key();
    }
    double best = 1;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        best = std::max(best, contrast(QColor(it.key()), QColor(background)));
    QVERIFY2(best >= 4.5, qPrintable(QString::number(best)));
    QCOMPARE(QColor(background), m_window->palette().color(QPalette::Window));
    // The frame is still drawn: its edge differs from the background.
    QVERIFY(QColor(image.pixel(0, image.height() / 2)) != QColor(background));
}

QTEST_MAIN(TestFrmQuelmar)
#include "tst_frmquelmar.moc"
