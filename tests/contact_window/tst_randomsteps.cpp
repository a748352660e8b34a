#include "contactrecord.h"
#include "filechooser.h"
#include "frmquelmar.h"
#include "launcher.h"
#include "maskedit.h"
#include "maskformat.h"
#include "messagebox.h"
#include "printing.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

// Thousands of random steps on the contact window, as a careless or hostile user
// would take them, against a model of what the file must hold. Seeded: the seed
// and the steps taken are printed on failure, and LISTRANO_SEED replays them.
// LISTRANO_STEPS sets how many (5,000 unless told).
class TestRandomSteps : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void randomSteps();

private:
    using Row = QStringList; // the record's texts, in the record's order

    QWidget* child(const QString& name) const { return m_window->findChild<QWidget*>(name); }
    int pick(int bound) { return int(m_random.bounded(bound)); }
    QString randomText(bool pasted);
    void takeStep();
    void typeInto(QWidget* field, const QString& text);
    QList<Row> fileRows() const;
    QVariantList fingerprint() const;
    Row shownTexts() const;
    void checkFile(const QString& step, bool mayWrite, const Row& before, bool listWasOpen);
    bool deleteConfirmed() const;
    void noteLookup(bool listWasOpen);

    frmQuelmar* m_window = nullptr;
    QRandomGenerator m_random;
    QList<Row> m_model;
    QVariantList m_fingerprint; // of the file as the model last matched it
    Row m_lastShown;            // the stored contact the fields last showed
    QStringList m_steps;
    QList<MessageBox::Answer> m_answers; // queued for the step being taken
};

void TestRandomSteps::cleanup()
{
    windowtest::close(m_window);
}

QString TestRandomSteps::randomText(bool pasted)
{
    static const QStringList pieces = {"a", "b", "e", "m", "o", "z", "A", "M", "Z",
                                       " ", "á", "ã", "ç", "É", "Ô", "ü", "0", "1",
                                       "5", "9", "-", ".", ",", "'", "@", "😀", "👩\u200d💻"};
    static const QStringList controls = {"\n", "\r\n", "\t", QString(QChar(0)), "\u202e", "\u0085"};
    if (pasted && pick(20) == 0)
        return QString(pick(2) ? 70000 : 300, QChar(u'x'));
    QString text;
    const int length = pick(pasted ? 30 : 12);
    for (int i = 0; i < length; ++i)
        text += pasted && pick(6) == 0 ? controls.at(pick(int(controls.size())))
                                       : pieces.at(pick(int(pieces.size())));
    return text;
}

// Key by key, a character (or an emoji's pair) at a time.
void TestRandomSteps::typeInto(QWidget* field, const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(i, length),
                            Qt::NoModifier);
        i += length - 1;
    }
}

QList<TestRandomSteps::Row> TestRandomSteps::fileRows() const
{
    return testdb::storedContacts(windowtest::databasePath());
}

// A cheap look at the whole file: a step that should not write is checked
// against this, and the rows are read only when it changed.
QVariantList TestRandomSteps::fingerprint() const
{
    QStringList lengths;
    QStringList codes;
    for (const QString& column : contact::FieldNames) {
        lengths << QString("coalesce(length(%1), 0)").arg(column);
        codes << QString("coalesce(unicode(%1), 0) + coalesce(unicode(substr(%1, -1)), 0)")
                     .arg(column);
    }
    const QString sql = QString("SELECT count(*), total(%1), total(%2) FROM tblQuelmar")
                            .arg(lengths.join('+'), codes.join('+'));
    return testdb::query(windowtest::databasePath(), sql).value(0);
}

// Whether the step's Excluir question got a Yes: the questions take the queued
// answers in turn, the default button's once none is left.
bool TestRandomSteps::deleteConfirmed() const
{
    int next = 0;
    for (const MessageBox::Shown& shown : MessageBox::shown()) {
        if (shown.buttons == MessageBox::Ok)
            continue;
        const MessageBox::Answer fallback =
            shown.buttons == MessageBox::YesNo ? MessageBox::Yes : MessageBox::No;
        const MessageBox::Answer answer = m_answers.value(next++, fallback);
        if (shown.text.startsWith("Tem certeza que deseja excluir"))
            return answer == MessageBox::Yes;
    }
    return false;
}

// A click that takes the focus from the list looks a contact up before the step
// goes on typing: the contact shown then is the one Modificar and Excluir act on.
void TestRandomSteps::noteLookup(bool listWasOpen)
{
    if (listWasOpen && !child("cboNome")->isVisible() && m_model.contains(shownTexts()))
        m_lastShown = shownTexts();
}

TestRandomSteps::Row TestRandomSteps::shownTexts() const
{
    const contact::Record texts = [this] {
        contact::Record r;
        const QList<QWidget*> fields = m_window->dataFields();
        for (int f = 0; f < contact::FieldCount; ++f) {
            if (auto* masked = qobject_cast<MaskEdBox*>(fields.at(f)))
                r[f] = maskformat::holdsDigit(masked->text()) || masked->maskPattern().isEmpty()
                           ? masked->text()
                           : QString(); // a masked field without a digit is stored empty
            else if (auto* edit = qobject_cast<QLineEdit*>(fields.at(f)))
                r[f] = edit->text();
            else if (auto* combo = qobject_cast<QComboBox*>(fields.at(f)))
                r[f] = combo->currentText();
        }
        return r;
    }();
    Row row;
    for (const contact::Field field : contact::recordOrder())
        row << texts[field];
    return row;
}

// The file after a step: what it held before, or, after Salvar or Excluir, one
// row more, one row fewer, or one row changed. The row written is what the
// window showed (letter case aside: leaving a field puts it in proper case); the
// row changed or deleted is the contact last shown, unless the step itself
// looked one up on its way (a click that takes the focus from the list).
void TestRandomSteps::checkFile(const QString& step, bool mayWrite, const Row& before,
                                bool listWasOpen)
{
    const QVariantList now = fingerprint();
    const auto showing = [this](const QList<Row>& rows) {
        if (rows.contains(shownTexts()))
            m_lastShown = shownTexts();
    };
    if (!mayWrite && now == m_fingerprint && m_steps.size() % 100 != 0) {
        showing(m_model);
        return;
    }
    m_fingerprint = now;
    const QList<Row> rows = fileRows();
    QList<Row> removed = m_model;
    QList<Row> added;
    for (const Row& row : rows) {
        if (!removed.removeOne(row))
            added << row;
    }
    const auto sameText = [](const Row& a, const Row& b) {
        for (int i = 0; i < a.size(); ++i) {
            if (a.at(i).compare(b.at(i), Qt::CaseInsensitive) != 0)
                return false;
        }
        return true;
    };
    bool expected = removed.isEmpty() && added.isEmpty();
    if (mayWrite && !expected) {
        const bool shownOne = removed.size() == 1 && (listWasOpen || removed.at(0) == m_lastShown);
        const bool saved =
            added.size() == 1 && sameText(added.at(0), before) && (removed.isEmpty() || shownOne);
        const bool deleted = added.isEmpty() && shownOne && deleteConfirmed();
        expected = saved || deleted;
    }
    for (const Row& row : rows) {
        if (row.at(0).isEmpty())
            expected = false; // no contact without a name
    }
    if (!expected) {
        qWarning("Steps taken (seed %s):\n%s", qgetenv("LISTRANO_SEED").constData(),
                 qPrintable(m_steps.join('\n')));
        const auto show = [](const QList<Row>& list) {
            QStringList lines;
            for (const Row& row : list)
                lines << row.join(" | ");
            return lines.join('\n');
        };
        qWarning(
            "Rows not expected:\n%s\nRows missing:\n%s\nOn screen before:\n%s\nLast shown:\n%s",
            qPrintable(show(added)), qPrintable(show(removed)), qPrintable(before.join(" | ")),
            qPrintable(m_lastShown.join(" | ")));
        QFAIL(qPrintable(QString("after '%1' the file holds %2 rows the model does not expect "
                                 "and lacks %3")
                             .arg(step)
                             .arg(added.size())
                             .arg(removed.size())));
    }
    m_model = rows;
    showing(rows);
}

void TestRandomSteps::takeStep()
{
    static const QStringList commands = {"cmdNovo",    "cmdSalvar",   "cmdEditar", "cmdConsultar",
                                         "cmdExcluir", "cmdImprimir", "cmdEmail"};
    // Whatever the step asks, answered at random. No printer is found, a PDF
    // dialog is always cancelled and the mail program opens.
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    m_answers.clear();
    for (int i = 0; i < 3; ++i) {
        m_answers << (pick(2) ? MessageBox::Yes : MessageBox::No);
        MessageBox::setNextAnswer(m_answers.last());
    }
    filechooser::setTestMode(true);
    filechooser::clearAsked();
    printing::setTestMode(true);
    printing::clearAsked();
    launcher::setTestMode(true);
    launcher::clearAsked();

    auto* tabs = static_cast<QTabWidget*>(child("tabQuelmar"));
    const Row before = shownTexts();
    const bool listWasOpen = child("cboNome")->isVisible();
    QString step;
    bool mayWrite = false;
    switch (pick(10)) {
    case 0:
    case 1: {
        const QString button = commands.at(pick(int(commands.size())));
        step = "click " + button;
        mayWrite = button == "cmdSalvar" || button == "cmdExcluir";
        if (child(button)->isVisible()) // the e-mail command lies on the name page
            QTest::mouseClick(child(button), Qt::LeftButton);
        break;
    }
    case 2:
    case 3: {
        const QList<QWidget*> fields = m_window->dataFields();
        QWidget* field = fields.at(pick(int(fields.size())));
        const QString text = randomText(false);
        step = "type '" + text + "' into " + field->objectName();
        tabs->setCurrentWidget(field->parentWidget());
        QTest::mouseClick(field, Qt::LeftButton);
        noteLookup(listWasOpen);
        typeInto(field, text);
        break;
    }
    case 4: {
        const QList<QWidget*> fields = m_window->dataFields();
        QWidget* field = fields.at(pick(int(fields.size())));
        const QString text = randomText(true);
        step = QString("paste %1 characters into %2").arg(text.size()).arg(field->objectName());
        tabs->setCurrentWidget(field->parentWidget());
        QTest::mouseClick(field, Qt::LeftButton);
        noteLookup(listWasOpen);
        QGuiApplication::clipboard()->setText(text);
        if (QWidget* focus = QApplication::focusWidget())
            QTest::keySequence(focus, QKeySequence::Paste);
        break;
    }
    case 5: {
        const int key =
            QList<int>{Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape}.at(pick(4));
        step = QString("key %1").arg(key, 0, 16);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : m_window;
        QTest::keyClick(focus, Qt::Key(key),
                        key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        break;
    }
    case 6: {
        const int page = pick(tabs->count());
        step = QString("page %1").arg(page);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(page).center());
        break;
    }
    case 7: {
        // A lookup of a stored name, by its start, or of one that is not there.
        const QString name = !m_model.isEmpty() && pick(3)
                                 ? m_model.at(pick(int(m_model.size()))).at(0)
                                 : randomText(false);
        const QString typed = name.left(1 + pick(qMax(1, int(name.size()))));
        step = "look up '" + typed + "'";
        QTest::mouseClick(child("cmdConsultar"), Qt::LeftButton);
        QWidget* list = child("cboNome");
        if (list->isVisible()) {
            typeInto(list, typed);
            QTest::keyClick(list, Qt::Key_Return);
        }
        break;
    }
    case 8: {
        // A contact added the usual way: Incluir, a name and an address, Salvar.
        const QString name = randomText(false).trimmed();
        step = "add '" + name + "'";
        mayWrite = true;
        QTest::mouseClick(child("cmdNovo"), Qt::LeftButton);
        typeInto(child("txtNome"), name);
        QTest::keyClick(child("txtNome"), Qt::Key_Return);
        QCoreApplication::processEvents();
        if (QWidget* focus = QApplication::focusWidget())
            typeInto(focus, randomText(false));
        const Row typed = shownTexts();
        QTest::mouseClick(child("cmdSalvar"), Qt::LeftButton);
        m_steps << step;
        QCoreApplication::processEvents();
        checkFile(step, mayWrite, typed, listWasOpen);
        return;
    }
    default:
        step = "close, answered No";
        MessageBox::setTestMode(true);
        MessageBox::setNextAnswer(MessageBox::No);
        m_window->close();
        QVERIFY(m_window->isVisible());
        break;
    }
    m_steps << step;
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    if (qEnvironmentVariableIsSet("LISTRANO_TRACE")) {
        QStringList said;
        for (const MessageBox::Shown& shown : MessageBox::shown())
            said << shown.text.left(40);
        qInfo("%d %s | mode %d, list %d, name '%s' | %s", int(m_steps.size()), qPrintable(step),
              int(m_window->dataControl().Recordset()->editMode()),
              int(child("cboNome")->isVisible()), qPrintable(shownTexts().at(0)),
              qPrintable(said.join(" / ")));
    }
    checkFile(step, mayWrite, before, listWasOpen);
}

void TestRandomSteps::randomSteps()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariableIntValue("LISTRANO_SEED", &given);
    const quint32 used = given ? seed : 20261207u;
    qputenv("LISTRANO_SEED", QByteArray::number(used));
    m_random.seed(used);
    const int steps = qEnvironmentVariableIsSet("LISTRANO_STEPS")
                          ? qEnvironmentVariableIntValue("LISTRANO_STEPS")
                          : 5000;
    qInfo("seed %u, %d steps", used, steps);

    // Contacts as the window itself writes them, so that the fields show them
    // exactly as stored.
    const auto contact = [](const QString& name, const QString& email) {
        return QStringList{name, email, "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""};
    };
    m_window = windowtest::open({contact("Ana Souza", "ana@example.com"),
                                 contact("Bia", "bia@example.com"),
                                 contact("Ana Souza", "segunda@example.com")});
    QVERIFY(m_window);
    m_model = fileRows();
    m_fingerprint = fingerprint();
    for (int i = 1; i <= steps; ++i) {
        takeStep();
        if (QTest::currentTestFailed())
            return;
        if (i % 100 == 0) {
            const auto check = testdb::query(windowtest::databasePath(), "PRAGMA integrity_check");
            QCOMPARE(check.at(0).at(0).toString(), QString("ok"));
        }
    }
    qInfo("%d rows in the file after %d steps", int(m_model.size()), steps);
}

QTEST_MAIN(TestRandomSteps)
#include "tst_randomsteps.moc"
