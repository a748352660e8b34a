#include "contactrecord.h"
#include "frmquelmar.h"
#include "maskedit.h"
#include "messagebox.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
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
    void controls_data();
    void controls();
    void labelsAreCaptionBars();
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
    m_dbPath = frmQuelmar::databasePath();
    QCOMPARE(m_dbPath, QCoreApplication::applicationDirPath() + "/Quelmar.mdb");
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

void TestFrmQuelmar::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("page"); // -1: on the window itself
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption"); // caption or mask

    auto row = [](const char* name, const char* kind, int page, int l, int t, int w, int h,
                  const char* caption = "") {
        QTest::newRow(name) << QString(kind) << page << QRect(l, t, w, h)
                            << QString::fromUtf8(caption);
    };
    row("cmdNovo", "QAbstractButton", -1, 360, 360, 975, 615, "I&ncluir");
    row("cmdSalvar", "QAbstractButton", -1, 1560, 360, 975, 615, "&Salvar");
    row("cmdEditar", "QAbstractButton", -1, 2760, 360, 975, 615, "&Modificar");
    row("cmdConsultar", "QAbstractButton", -1, 3960, 360, 975, 615, "Cons&ultar");
    row("cmdExcluir", "QAbstractButton", -1, 5160, 360, 975, 615, "&Excluir");
    row("cmdImprimir", "QAbstractButton", -1, 6360, 360, 975, 615, "Im&primir");
    row("tabQuelmar", "QTabWidget", -1, 240, 1440, 7095, 3735);
    row("lblNome", "QLabel", 0, 600, 960, 5895, 255, "Nome Completo:");
    row("txtNome", "QLineEdit", 0, 600, 1200, 5895, 285);
    row("cboNome", "QComboBox", 0, 600, 1200, 5895, 315);
    row("lblemail", "QLabel", 0, 600, 1920, 5895, 255, "Correio Eletrônico (E-mail):");
    row("txtEmail", "QLineEdit", 0, 600, 2160, 5895, 285);
    row("cmdInfo", "QAbstractButton", 0, 600, 2760, 1095, 855, "Informações");
    row("cmdEmail", "QAbstractButton", 0, 5400, 2760, 1095, 855, "E&nviar E-mail");
    row("lblendres", "QLabel", 1, 480, 720, 6255, 255, "Endereço:");
    row("txtEndRes", "QLineEdit", 1, 480, 960, 6255, 285);
    row("lblbairrores", "QLabel", 1, 480, 1680, 2295, 255, "Bairro:");
    row("txtBairroRes", "QLineEdit", 1, 480, 1920, 2295, 285);
    row("lblcidaderes", "QLabel", 1, 3120, 1680, 2415, 255, "Cidade:");
    row("txtCidadeRes", "QLineEdit", 1, 3120, 1920, 2415, 285);
    row("lblestadores", "QLabel", 1, 5880, 1680, 855, 255, "Estado:");
    row("cboUfRes", "QComboBox", 1, 5880, 1920, 855, 315);
    row("Label1", "QLabel", 1, 480, 2760, 1095, 255, "CEP:");
    row("mskCepRes", "MaskEdBox", 1, 480, 3000, 1095, 255, "##.###-###");
    row("lblfoneres", "QLabel", 1, 2760, 2760, 1455, 255, "Telefone:");
    row("mskFoneRes", "MaskEdBox", 1, 2760, 3000, 1455, 255, "(##) ####-####");
    row("lblcelularres", "QLabel", 1, 5280, 2760, 1455, 255, "Celular:");
    row("mskCelularRes", "MaskEdBox", 1, 5280, 3000, 1455, 255, "(##) ####-####");
    row("lblendcom", "QLabel", 2, 480, 720, 6255, 255, "Endereço:");
    row("txtEndCom", "QLineEdit", 2, 480, 960, 6255, 285);
    row("lblbairrocom", "QLabel", 2, 480, 1680, 2295, 255, "Bairro:");
    row("txtBairroCom", "QLineEdit", 2, 480, 1920, 2295, 285);
    row("lblcidadecom", "QLabel", 2, 3120, 1680, 2415, 255, "Cidade:");
    row("txtCidadeCom", "QLineEdit", 2, 3120, 1920, 2415, 285);
    row("lblestadocom", "QLabel", 2, 5880, 1680, 855, 255, "Estado:");
    row("cboUfCom", "QComboBox", 2, 5880, 1920, 855, 315);
    row("Label2", "QLabel", 2, 480, 2760, 1095, 255, "CEP:");
    row("mskCepCom", "MaskEdBox", 2, 480, 3000, 1095, 255, "##.###-###");
    row("lblfonecom", "QLabel", 2, 2040, 2760, 1335, 255, "Telefone:");
    row("mskFoneCom", "MaskEdBox", 2, 2040, 3000, 1335, 255, "(##) ####-####");
    row("lblramal", "QLabel", 2, 3960, 2760, 855, 255, "Ramal:");
    row("txtRamal", "QLineEdit", 2, 3960, 3000, 855, 285);
    row("lblcelularcom", "QLabel", 2, 5400, 2760, 1335, 255, "Celular:");
    row("mskCelularCom", "MaskEdBox", 2, 5400, 3000, 1335, 255, "(##) ####-####");
}

void TestFrmQuelmar::controls()
{
    QFETCH(QString, kind);
    QFETCH(int, page);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);

    QWidget* w = m_window->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QVERIFY2(w->inherits(kind.toLatin1()), w->metaObject()->className());

    // Window-level controls from the client area, page controls from the tab
    // control's corner, strip included.
    QWidget* origin = page < 0 ? static_cast<QWidget*>(m_window) : tab();
    if (page >= 0)
        QCOMPARE(tab()->indexOf(w->parentWidget()), page);
    QCOMPARE(w->mapTo(origin, QPoint(0, 0)), QPoint(px(twips.x()), px(twips.y())));
    QCOMPARE(w->size(), QSize(px(twips.width()), px(twips.height())));

    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        QCOMPARE(b->text(), caption);
        QVERIFY(!b->icon().isNull());
        QVERIFY(!b->icon().pixmap(16).isNull());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        QCOMPARE(l->text(), caption);
    } else if (auto* m = qobject_cast<MaskEdBox*>(w)) {
        QCOMPARE(m->maskPattern(), caption);
        QCOMPARE(m->maxLength(), caption.size());
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
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
}

void TestFrmQuelmar::load_stateListsAndLockedFields()
{
    for (const char* name : {"cboUfRes", "cboUfCom"}) {
        auto* combo = child<QComboBox>(name);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, contact::StateCodes);
        QCOMPARE(items.size(), 26);
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
    QVERIFY(!second.Form_Load());
    QCOMPARE(second.findChild<QTabWidget*>("tabQuelmar")->currentIndex(), 0);
}

void TestFrmQuelmar::load_missingDatabaseCreatesNothing()
{
    delete m_window;
    m_window = nullptr;
    QFile::remove(m_dbPath);
    const QStringList before = QDir(QCoreApplication::applicationDirPath()).entryList(QDir::Files);

    frmQuelmar w;
    const StoreError e = w.Form_Load();
    QVERIFY(e.isError());
    QVERIFY(!QFileInfo::exists(m_dbPath));
    QCOMPARE(QDir(QCoreApplication::applicationDirPath()).entryList(QDir::Files), before);
    QCOMPARE(w.findChild<QComboBox*>("cboUfRes")->count(), 0);

    const QString text = frmQuelmar::openErrorText(m_dbPath, e);
    QVERIFY(text.contains(m_dbPath));
    QVERIFY(text.contains(e.text));
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

    const QString decimal = QLocale().decimalPoint();
    for (QWidget* field : m_window->dataFields()) {
        QCOMPARE(field->isEnabled(), !locked);
        if (auto* m = qobject_cast<MaskEdBox*>(field)) {
            const QString empty =
                m->maskPattern().size() == 10 ? "__" + decimal + "___-___" : "(__) ____-____";
            QCOMPARE(m->text(), empty);
            QCOMPARE(m->maxLength(), m->maskPattern().size());
        } else if (auto* e = qobject_cast<QLineEdit*>(field)) {
            QCOMPARE(e->text(), QString());
        } else if (auto* c = qobject_cast<QComboBox*>(field)) {
            QCOMPARE(c->currentText(), QString());
            QCOMPARE(c->count(), 26);
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

QTEST_MAIN(TestFrmQuelmar)
#include "tst_frmquelmar.moc"
