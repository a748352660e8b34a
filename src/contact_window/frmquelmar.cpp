#include "frmquelmar.h"

#include "combolist.h"
#include "contactcard.h"
#include "contactrecord.h"
#include "frminfo.h"
#include "maillaunch.h"
#include "maskedit.h"
#include "maskformat.h"
#include "messagebox.h"
#include "printing.h"
#include "textcase.h"
#include "ui_frmquelmar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

namespace {
const int NameLength = 50; // what the name and e-mail fields take from the keyboard

const QString SaveTitle = QStringLiteral("Informação sobre o Programa");
const QString EditTitle = QStringLiteral("Editar Registro");
const QString DeleteEmptyTitle = QStringLiteral("Exclur registro do Listrano");
const QString DeleteTitle = QStringLiteral("Excluir registro do Listrano");
const QString SearchTitle = QStringLiteral("Erro de Pesquisa");
const QString SeekTitle = QStringLiteral("Consulta de Registro na Agenda");
const QString PrintErrorTitle = QStringLiteral("Erro de Impressão");
const QString PrintTitle = QStringLiteral("Impressão dos Registros");

// The mask a field was laid out with; a stored text that does not fit it takes
// the mask off for a while.
const char* const DesignMask = "designMask";

QString designMask(const MaskEdBox* field)
{
    return field->property(DesignMask).toString();
}

void clearMasked(MaskEdBox* field, const QString& mask)
{
    field->setMaskPattern(QString());
    field->setMaskedText(QString());
    field->setMaskPattern(mask);
}

// A stored text goes into its masked field with the mask in place when it fits.
// One that does not fit (put in the file by other means) is shown as it is, with
// the mask off, so that it is seen and saved back unchanged rather than lost.
void showInMasked(MaskEdBox* field, const QString& mask, const QString& text)
{
    if (text.isEmpty()) {
        clearMasked(field, mask);
    } else if (maskformat::fits(mask, text, field->locale())) {
        field->setMaskPattern(mask);
        field->setMaskedText(text);
    } else {
        field->setMaskPattern(QString());
        field->setMaskedText(text);
    }
}

// Why the file refused a write, in the user's words, by SQLite's result code.
QString refusalReason(const StoreError& error)
{
    switch (error.primaryCode()) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("O banco de dados está em uso por outro programa. "
                              "Tente novamente em alguns instantes.");
    case 8:  // SQLITE_READONLY
    case 23: // SQLITE_AUTH
        return QStringLiteral("O banco de dados está protegido contra gravação.");
    case 13: // SQLITE_FULL
        return QStringLiteral("Não há espaço livre no disco.");
    case 10: // SQLITE_IOERR
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("Erro de leitura ou gravação no disco.");
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return QStringLiteral("O arquivo do banco de dados está danificado.");
    default:
        return QString();
    }
}
} // namespace

frmQuelmar::frmQuelmar(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmQuelmar>())
{
    ui->setupUi(this);
    setFixedSize(size());

    // Labels are caption bars over their fields.
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setAutoFillBackground(true);
        label->setBackgroundRole(QPalette::Highlight);
        label->setForegroundRole(QPalette::HighlightedText);
        label->setFocusPolicy(Qt::NoFocus);
    }

    // The lists are ours alone: no completer or insertion of their own, which
    // would fight the completion and add typed text to the lists.
    for (QComboBox* combo : {ui->cboNome, ui->cboUfRes, ui->cboUfCom}) {
        combolist::useStringList(combo);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    ui->cboNome->hide();
    for (MaskEdBox* field : findChildren<MaskEdBox*>())
        field->setProperty(DesignMask, field->maskPattern());

    connect(ui->cmdConsultar, &QAbstractButton::clicked, this, &frmQuelmar::cmdConsultar_Click);
    connect(ui->cmdImprimir, &QAbstractButton::clicked, this, &frmQuelmar::cmdImprimir_Click);
    connect(ui->cmdEmail, &QAbstractButton::clicked, this, &frmQuelmar::cmdEmail_Click);
    connect(ui->cmdInfo, &QAbstractButton::clicked, this, &frmQuelmar::cmdInfo_Click);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { onFocusChanged(now); });
    // Key preview: the window sees every key typed into its controls first.
    qApp->installEventFilter(this);

    connect(ui->cmdNovo, &QAbstractButton::clicked, this, &frmQuelmar::cmdNovo_Click);
    connect(ui->cmdSalvar, &QAbstractButton::clicked, this, &frmQuelmar::cmdSalvar_Click);
    connect(ui->cmdEditar, &QAbstractButton::clicked, this, &frmQuelmar::cmdEditar_Click);
    connect(ui->cmdExcluir, &QAbstractButton::clicked, this, &frmQuelmar::cmdExcluir_Click);

    // The focus stops, in the order the form's tab stops chain them.
    static const QRegularExpression stopName(QStringLiteral("^(tab|txt|cbo|msk|cmd)[A-Z]"));
    for (QWidget* w = this->nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (stopName.match(w->objectName()).hasMatch() && !m_focusOrder.contains(w))
            m_focusOrder.append(w);
    }
    // The chain is a ring; it starts at the tab control.
    const int first = m_focusOrder.indexOf(ui->tabQuelmar);
    m_focusOrder = m_focusOrder.mid(first) + m_focusOrder.mid(0, first);
    ui->tabQuelmar->setFocus();
}

frmQuelmar::~frmQuelmar() = default;

QString frmQuelmar::databasePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + contact::DatabaseFileName;
}

QString frmQuelmar::openErrorText(const QString& path, const StoreError& error)
{
    return QStringLiteral("Não foi possível abrir o banco de dados de contatos.\n\n"
                          "Arquivo: %1\n\nErro: %2")
        .arg(QDir::toNativeSeparators(path), error.text);
}

StoreError frmQuelmar::Form_Load()
{
    dat1.setDatabaseName(databasePath());
    dat1.setRecordSource(contact::TableName);
    ui->tabQuelmar->setCurrentIndex(0);
    moLocadoura = std::make_unique<claLocadoura>();
    if (StoreError e = dat1.Refresh())
        return e;
    // A combo makes its first item current when it gets one; the fields start empty.
    for (const QString& code : contact::StateCodes)
        ui->cboUfRes->addItem(code);
    ui->cboUfRes->setCurrentIndex(-1);
    for (const QString& code : contact::StateCodes)
        ui->cboUfCom->addItem(code);
    ui->cboUfCom->setCurrentIndex(-1);
    Desativar();
    return {};
}

QList<QWidget*> frmQuelmar::dataFields() const
{
    return {ui->txtNome,       ui->txtEmail,  ui->txtEndRes,    ui->txtBairroRes,
            ui->txtCidadeRes,  ui->cboUfRes,  ui->mskCepRes,    ui->mskFoneRes,
            ui->mskCelularRes, ui->txtEndCom, ui->txtBairroCom, ui->txtCidadeCom,
            ui->cboUfCom,      ui->mskCepCom, ui->mskFoneCom,   ui->mskCelularCom,
            ui->txtRamal};
}

void frmQuelmar::Limpar()
{
    m_showsCurrentRow = false;
    ui->txtNome->setMaxLength(NameLength);
    ui->txtEmail->setMaxLength(NameLength);
    for (QWidget* field : dataFields()) {
        if (auto* masked = qobject_cast<MaskEdBox*>(field))
            clearMasked(masked, designMask(masked));
        else if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->setText(QString());
        else if (auto* combo = qobject_cast<QComboBox*>(field))
            combo->setEditText(QString()); // the list stays
    }
}

// Which control shows which field of the contact, in the order of the transfer:
// in the business block the mobile comes before the phone.
QList<FieldBinding> frmQuelmar::fieldMap() const
{
    const QList<QWidget*> controls = {
        ui->txtNome,      ui->txtEmail,     ui->txtEndRes,  ui->txtBairroRes,  ui->txtCidadeRes,
        ui->cboUfRes,     ui->mskCepRes,    ui->mskFoneRes, ui->mskCelularRes, ui->txtEndCom,
        ui->txtBairroCom, ui->txtCidadeCom, ui->cboUfCom,   ui->mskCepCom,     ui->mskCelularCom,
        ui->mskFoneCom,   ui->txtRamal,
    };
    QList<FieldBinding> map;
    for (int i = 0; i < controls.size(); ++i)
        map << binding(contact::FieldNames.at(i), controls.at(i));
    return map;
}

// A control seen through its text.
FieldBinding frmQuelmar::binding(const QString& field, QWidget* control)
{
    if (auto* masked = qobject_cast<MaskEdBox*>(control))
        return {field, [masked] { return masked->text(); },
                [masked](const QString& t) { showInMasked(masked, designMask(masked), t); }};
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return {field, [combo] { return combo->currentText(); },
                [combo](const QString& t) { combo->setEditText(t); }};
    auto* edit = qobject_cast<QLineEdit*>(control);
    // A stored text longer than the field takes from the keyboard (put in by other
    // means) is shown whole, so that saving it again does not cut it short.
    return {field, [edit] { return edit->text(); },
            [edit](const QString& t) {
                if (t.size() > edit->maxLength())
                    edit->setMaxLength(int(t.size()));
                edit->setText(t);
            }};
}

StoreError frmQuelmar::Gravar()
{
    TableRecordset* rs = dat1.Recordset();
    if (!rs)
        return StoreError::make(StoreError::Closed);
    return transfer::toRow(*rs, fieldMap());
}

StoreError frmQuelmar::Mostrar()
{
    TableRecordset* rs = dat1.Recordset();
    const StoreError e =
        rs ? transfer::toWindow(*rs, fieldMap()) : StoreError::make(StoreError::Closed);
    m_showsCurrentRow = !e;
    return e;
}

bool frmQuelmar::nameIsEmpty() const
{
    // A name of blanks is a name.
    return ui->txtNome->text().isEmpty();
}

void frmQuelmar::inform(const QString& text, const QString& title)
{
    MessageBox::show(this, text, title, MessageBox::Information);
}

bool frmQuelmar::reportStoreError(const StoreError& error, const QString& action,
                                  const QString& title)
{
    if (!error)
        return false;
    QString text = action;
    const QString reason = refusalReason(error);
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    text += QStringLiteral("\n\nErro: ") + error.text;
    inform(text, title);
    return true;
}

TableRecordset* frmQuelmar::recordset(const QString& title)
{
    TableRecordset* rs = dat1.Recordset();
    if (rs && rs->isOpen())
        return rs;
    if (reportStoreError(dat1.Refresh(), QStringLiteral("Não foi possível abrir o banco de dados."),
                         title))
        return nullptr;
    return dat1.Recordset();
}

void frmQuelmar::cmdNovo_Click()
{
    TableRecordset* rs = recordset(ProgramTitle);
    if (!rs ||
        reportStoreError(rs->AddNew(), QStringLiteral("Não foi possível incluir um novo registro."),
                         ProgramTitle))
        return;
    ui->cmdNovo->setEnabled(false);
    Ativar();
    Limpar();
    ui->txtNome->setFocus();
}

void frmQuelmar::cmdSalvar_Click()
{
    if (nameIsEmpty()) {
        inform(QStringLiteral("O Campo Nome não pode haver valor nulo!"), SaveTitle);
        Limpar();
        ui->cmdNovo->setEnabled(true);
        ui->cmdNovo->setFocus();
        Desativar();
        ui->cmdEditar->setEnabled(true);
        return;
    }

    // Nothing to save into: the fields show a looked-up contact, or the new row
    // was abandoned by a lookup. Saving now would write over the wrong row.
    TableRecordset* rs = dat1.Recordset();
    if (!rs || rs->editMode() == TableRecordset::EditNone) {
        inform(QStringLiteral("Não há inclusão nem alteração de registro em andamento.\n"
                              "Use Incluir ou Modificar antes de Salvar."),
               SaveTitle);
        return;
    }
    // A refused write leaves everything as typed, so that the user can try again.
    const QString failed = QStringLiteral("Não foi possível gravar o registro.");
    if (reportStoreError(Gravar(), failed, SaveTitle))
        return;
    if (reportStoreError(rs->Update(), failed, SaveTitle))
        return;

    Limpar();
    Desativar();
    ui->cmdNovo->setEnabled(true);
    ui->cmdNovo->setFocus();
    ui->cmdEditar->setEnabled(true);
}

void frmQuelmar::cmdEditar_Click()
{
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há registro para Editar"), EditTitle);
        Limpar();
        ui->cmdNovo->setFocus();
        ui->cmdEditar->setEnabled(false);
        Desativar();
        return;
    }

    TableRecordset* rs = dat1.Recordset();
    if (rs && rs->editMode() == TableRecordset::EditAdd) {
        inform(QStringLiteral("Um novo registro está sendo incluído.\n"
                              "Salve-o antes de modificar outro registro."),
               EditTitle);
        return;
    }
    if (!rs || !rs->hasCurrent() || !m_showsCurrentRow) {
        inform(QStringLiteral("Não há registro atual para modificar.\n"
                              "Consulte o registro antes de modificá-lo."),
               EditTitle);
        return;
    }
    if (reportStoreError(rs->Edit(), QStringLiteral("Não foi possível modificar o registro."),
                         EditTitle))
        return;
    Ativar();
    ui->txtNome->setFocus();
    ui->cmdEditar->setEnabled(false);
}

void frmQuelmar::cmdExcluir_Click()
{
    ui->tabQuelmar->setCurrentIndex(0);
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há registro para excluir"), DeleteEmptyTitle);
        ui->cmdNovo->setFocus();
        Desativar();
        return;
    }

    // Only the contact the window shows may go: never the row that happens to be
    // current behind a new one being added or after a failed lookup, and none
    // when there is no current row.
    TableRecordset* rs = dat1.Recordset();
    if (rs && rs->editMode() == TableRecordset::EditAdd) {
        inform(QStringLiteral("Um novo registro está sendo incluído.\n"
                              "Salve-o antes de excluir um registro."),
               DeleteTitle);
        return;
    }
    if (!rs || !rs->hasCurrent() || !m_showsCurrentRow) {
        inform(QStringLiteral("Não há registro atual para excluir.\n"
                              "Consulte o registro antes de excluí-lo."),
               DeleteTitle);
        return;
    }

    const MessageBox::Answer answer = MessageBox::show(
        this, QStringLiteral("Tem certeza que deseja excluir no nome: ") + ui->txtNome->text(),
        DeleteTitle, MessageBox::Question, MessageBox::YesNo);
    if (answer == MessageBox::Yes) {
        const StoreResult<QVariant> stored = rs->Value(QStringLiteral("Nome"));
        const QString deletedName = stored.error ? ui->txtNome->text() : stored.value.toString();
        if (reportStoreError(rs->Delete(), QStringLiteral("Não foi possível excluir o registro."),
                             DeleteTitle))
            return;
        removeFromLookupList(deletedName);
    }
    Limpar();
    Desativar();
    ui->cmdNovo->setFocus();
}

void frmQuelmar::cmdConsultar_Click()
{
    TableRecordset* rs = recordset(SearchTitle);
    if (!rs)
        return;
    const StoreResult<qint64> count = rs->RecordCount();
    const QString failed = QStringLiteral("Não foi possível ler os nomes cadastrados.");
    if (reportStoreError(count.error, failed, SearchTitle))
        return;
    if (count.value <= 0) {
        inform(QStringLiteral("Não há registro para Pesquisar"), SearchTitle);
        Desativar();
        ui->cmdNovo->setFocus();
        return;
    }

    // The list lies on the name page.
    ui->tabQuelmar->setCurrentIndex(0);
    ui->cboNome->show();
    ui->cboNome->setFocus();

    StoreError e = dat1.Refresh();
    m_showsCurrentRow = false; // the listing walks past the contact on show
    rs = dat1.Recordset();
    if (!e)
        e = rs->MoveFirst();
    QStringList names;
    names.reserve(int(count.value));
    while (!e && !rs->Eof()) {
        const StoreResult<QVariant> name = rs->Value(QStringLiteral("Nome"));
        e = name.error;
        if (!e && !name.value.isNull()) // a row without a name cannot be sought by one
            names.append(name.value.toString());
        if (!e)
            e = rs->MoveNext();
    }
    if (reportStoreError(e, failed, SearchTitle)) {
        ui->cboNome->hide();
        return;
    }
    // Filled afresh each time, in one go; the edit field keeps the name found before.
    combolist::setItems(ui->cboNome, names);
}

void frmQuelmar::cboNome_LostFocus()
{
    const QString failed = QStringLiteral("Não foi possível consultar o registro.");
    StoreError e = dat1.Refresh();
    TableRecordset* rs = dat1.Recordset();
    if (!e)
        e = rs->setIndex(contact::NameIndex);
    if (!e)
        e = rs->Seek(QStringLiteral("="), ui->cboNome->currentText());
    if (e) {
        // Whatever row the refresh left current is not the one the fields show.
        m_showsCurrentRow = false;
        reportStoreError(e, failed, SeekTitle);
        ui->cboNome->hide();
        return;
    }
    if (!rs->NoMatch()) {
        reportStoreError(Mostrar(), QStringLiteral("Não foi possível mostrar todo o registro."),
                         SeekTitle);
        ui->cboNome->hide();
        return;
    }
    inform(QStringLiteral("Registro não encontrado ou cadastrado no Listrano"), SeekTitle);
    ui->cboNome->setEditText(QString());
    ui->cboNome->setFocus();
}

void frmQuelmar::cboNome_GotFocus()
{
    if (moLocadoura) // released once the window unloads
        moLocadoura->AttachTo(ui->cboNome);
}

void frmQuelmar::cboUfRes_GotFocus()
{
    if (moLocadoura) // released once the window unloads
        moLocadoura->AttachTo(ui->cboUfRes);
}

void frmQuelmar::cboUfCom_GotFocus()
{
    if (moLocadoura) // released once the window unloads
        moLocadoura->AttachTo(ui->cboUfCom);
}

// Focus events as the window's procedures see them: a control loses the focus
// when another control of this window takes it. Focus passing to a message box
// or another program and coming back is no move at all.
void frmQuelmar::onFocusChanged(QWidget* now)
{
    if (!now || now->window() != this)
        return;
    const int stop = focusStopOf(now);
    QWidget* entered = stop >= 0 ? m_focusOrder.at(stop) : now;
    QWidget* left = m_focused;
    if (entered == left)
        return;
    m_focused = entered;
    if (left)
        lostFocus(left);
    // The handler may have sent the focus elsewhere already. If a click brought
    // the focus here, that click is void: the control it was aimed at never gets
    // its press (it would stay drawn pressed, its release long gone to the
    // message box the handler showed).
    if (m_focused == entered) {
        gotFocus(entered);
    } else {
        m_voidClick = true;
        QTimer::singleShot(0, this, [this] { m_voidClick = false; });
    }
}

void frmQuelmar::lostFocus(QWidget* control)
{
    using Handler = void (frmQuelmar::*)();
    const std::pair<QWidget*, Handler> handlers[] = {
        {ui->cboNome, &frmQuelmar::cboNome_LostFocus},
        {ui->txtNome, &frmQuelmar::txtNome_LostFocus},
        {ui->txtEmail, &frmQuelmar::txtEmail_LostFocus},
        {ui->txtEndRes, &frmQuelmar::txtEndRes_LostFocus},
        {ui->txtBairroRes, &frmQuelmar::txtBairroRes_LostFocus},
        {ui->txtCidadeRes, &frmQuelmar::txtCidadeRes_LostFocus},
        {ui->txtEndCom, &frmQuelmar::txtEndCom_LostFocus},
        {ui->txtBairroCom, &frmQuelmar::txtBairroCom_LostFocus},
        {ui->txtCidadeCom, &frmQuelmar::txtCidadeCom_LostFocus},
    };
    for (const auto& [widget, handler] : handlers) {
        if (widget == control)
            (this->*handler)();
    }
}

namespace {
void toProperCase(QLineEdit* field)
{
    field->setText(textcase::proper(field->text()));
}
} // namespace

void frmQuelmar::txtNome_LostFocus()
{
    toProperCase(ui->txtNome);
}

void frmQuelmar::txtEmail_LostFocus()
{
    ui->txtEmail->setText(textcase::lower(ui->txtEmail->text()));
}

void frmQuelmar::txtEndRes_LostFocus()
{
    toProperCase(ui->txtEndRes);
}

void frmQuelmar::txtBairroRes_LostFocus()
{
    toProperCase(ui->txtBairroRes);
}

void frmQuelmar::txtCidadeRes_LostFocus()
{
    toProperCase(ui->txtCidadeRes);
}

void frmQuelmar::txtEndCom_LostFocus()
{
    toProperCase(ui->txtEndCom);
}

void frmQuelmar::txtBairroCom_LostFocus()
{
    toProperCase(ui->txtBairroCom);
}

void frmQuelmar::txtCidadeCom_LostFocus()
{
    toProperCase(ui->txtCidadeCom);
}

void frmQuelmar::gotFocus(QWidget* control)
{
    if (control == ui->cboNome)
        cboNome_GotFocus();
    else if (control == ui->cboUfRes)
        cboUfRes_GotFocus();
    else if (control == ui->cboUfCom)
        cboUfCom_GotFocus();
}

void frmQuelmar::Form_KeyPress(qint16& KeyAscii)
{
    if (KeyAscii != 13)
        return;
    // The Tab goes through the event queue, so the focus moves (and the field
    // left gets its focus-loss handling) after this handler, as a typed Tab would.
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != this)
        target = this;
    const bool back = QApplication::keyboardModifiers() & Qt::ShiftModifier;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress,
                                                      back ? Qt::Key_Backtab : Qt::Key_Tab,
                                                      back ? Qt::ShiftModifier : Qt::NoModifier));
    KeyAscii = 0;
}

// Alt+N belongs to both Incluir and Enviar E-mail. Rather than passing the focus
// between the two, it presses Incluir, or Enviar E-mail while Incluir is off.
bool frmQuelmar::pressSharedAccessKey(QEvent* event)
{
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_N || key->modifiers() != Qt::AltModifier)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // a key press, not an ambiguous shortcut
        return true;
    }
    for (QAbstractButton* button : {ui->cmdNovo, ui->cmdEmail}) {
        if (button->isEnabled() && button->isVisible()) {
            button->setFocus(Qt::ShortcutFocusReason);
            button->animateClick();
            break;
        }
    }
    return true;
}

bool frmQuelmar::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
        pressSharedAccessKey(event))
        return true;
    if (m_voidClick && event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        m_voidClick = false;
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
            !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            moveFocus(key == Qt::Key_Tab && !(keyEvent->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            qint16 code = 13;
            Form_KeyPress(code);
            if (code == 0)
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmQuelmar::Form_QueryUnload(bool& Cancel)
{
    const MessageBox::Answer answer =
        MessageBox::show(this, QStringLiteral("Deseja Sair do Programa ?"),
                         QStringLiteral("Pergunta"), MessageBox::Question, MessageBox::YesNo);
    if (answer == MessageBox::No)
        Cancel = true;
}

void frmQuelmar::Form_Unload()
{
    if (TableRecordset* rs = dat1.Recordset())
        rs->Close();
    moLocadoura.reset();
}

void frmQuelmar::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmQuelmar::cmdImprimir_Click()
{
    ui->tabQuelmar->setCurrentIndex(0);
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há Registro para Imprimir"), PrintErrorTitle);
        Desativar();
        ui->cmdNovo->setFocus();
        return;
    }
    if (MessageBox::show(this, QStringLiteral("Inicia a impressão?"), PrintTitle,
                         MessageBox::Question, MessageBox::YesNo) == MessageBox::No) {
        Limpar();
        Desativar();
        return;
    }

    const ContactCard card{
        ui->txtNome->text(),         ui->txtEmail->text(),     ui->txtEndRes->text(),
        ui->txtBairroRes->text(),    ui->txtCidadeRes->text(), ui->cboUfRes->currentText(),
        ui->mskCepRes->text(),       ui->mskFoneRes->text(),   ui->mskCelularRes->text(),
        ui->txtEndCom->text(),       ui->txtBairroCom->text(), ui->txtCidadeCom->text(),
        ui->cboUfCom->currentText(), ui->mskCepCom->text(),    ui->mskFoneCom->text(),
        ui->txtRamal->text(),        ui->mskCelularCom->text()};
    const auto paint = [&card](QPainter& painter) { paintContactCard(painter, card); };
    const QString title = QStringLiteral("Listrano - ") + card.nome;

    printing::Result result;
    if (printing::hasDefaultPrinter()) {
        result = printing::printOnDefault(title, paint);
    } else {
        // Nothing reported as printed: the card can go into a PDF file instead.
        const MessageBox::Answer answer =
            MessageBox::show(this,
                             QStringLiteral("Não há impressora instalada.\n"
                                            "Deseja salvar o relatório em um arquivo PDF?"),
                             PrintErrorTitle, MessageBox::Question, MessageBox::YesNo);
        if (answer == MessageBox::No)
            return;
        const QString path = printing::askPdfPath(this, card.nome + QStringLiteral(".pdf"));
        if (path.isEmpty())
            return;
        result = printing::printToPdf(path, title, paint);
    }
    if (!result.ok) {
        // The window keeps the contact so that the user can try again.
        inform(QStringLiteral("Não foi possível imprimir o relatório.\n\n") + result.error,
               PrintErrorTitle);
        return;
    }
    Limpar();
    Desativar();
}

void frmQuelmar::cmdEmail_Click()
{
    // A field of blanks is an address; only an empty one is missing.
    const QString address = ui->txtEmail->text();
    if (address.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Não há endereço cadastrado para enviar o E-mail"),
                         ProgramTitle, MessageBox::NoIcon);
        // A contact being modified keeps its fields: cleared, and then saved with
        // whatever the user typed next, it would lose all the rest.
        const TableRecordset* rs = dat1.Recordset();
        if (!rs || rs->editMode() != TableRecordset::EditInProgress)
            Limpar();
        ui->cmdNovo->setFocus();
        return;
    }
    sendMailTo(address);
}

void frmQuelmar::cmdInfo_Click()
{
    frmInfo* info = frmInfo::instance();
    info->show();
    info->raise();
    info->activateWindow();
    info->setInfoText(frmInfo::infoText());
}

// Takes the deleted contact's name out of the lookup list: the current item when
// it is that name, else the first item equal to it, else none.
void frmQuelmar::removeFromLookupList(const QString& name)
{
    QComboBox* list = ui->cboNome;
    int index = list->currentIndex();
    if (index < 0 || list->itemText(index) != name)
        index = list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    const QString typed = list->currentText();
    list->removeItem(index);
    list->setCurrentIndex(-1);
    list->setEditText(typed);
}

void frmQuelmar::Ativar()
{
    for (QWidget* field : dataFields())
        field->setEnabled(true);
}

void frmQuelmar::Desativar()
{
    for (QWidget* field : dataFields())
        field->setEnabled(false);
}

// The focus stop that holds widget: the control itself or one of its inner parts
// (the edit field of a combo, the strip of the tab control).
int frmQuelmar::focusStopOf(const QWidget* widget) const
{
    for (int i = 0; i < m_focusOrder.size(); ++i) {
        const QWidget* stop = m_focusOrder.at(i);
        if (stop == widget)
            return i;
        if (stop == ui->tabQuelmar) {
            if (widget == ui->tabQuelmar->tabBar())
                return i;
        } else if (stop->isAncestorOf(widget)) {
            return i;
        }
    }
    return -1;
}

// Tab moves through the stops in order, controls of the pages behind included: the
// page of the control that takes the focus comes to the front. (Focus handed on
// because a control was locked or its page put behind stays Qt's own affair.)
bool frmQuelmar::moveFocus(bool next)
{
    const int from = focusStopOf(focusWidget());
    if (from < 0 || m_focusOrder.isEmpty())
        return QWidget::focusNextPrevChild(next);
    const int count = m_focusOrder.size();
    for (int step = 1; step <= count; ++step) {
        QWidget* candidate =
            m_focusOrder.at(((from + (next ? step : -step)) % count + count) % count);
        QWidget* page = nullptr;
        for (int i = 0; i < ui->tabQuelmar->count(); ++i) {
            if (ui->tabQuelmar->widget(i)->isAncestorOf(candidate))
                page = ui->tabQuelmar->widget(i);
        }
        const bool shown = page ? candidate->isVisibleTo(page) : candidate->isVisibleTo(this);
        if (!candidate->isEnabled() || !shown)
            continue;
        if (page)
            ui->tabQuelmar->setCurrentWidget(page);
        candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

// The page controls are laid out from the tab control's top-left corner, strip
// included; the pages begin below the strip, so move them up by that much.
void frmQuelmar::placePageControls()
{
    for (int i = 0; i < ui->tabQuelmar->count(); ++i) {
        QWidget* page = ui->tabQuelmar->widget(i);
        const QPoint offset = page->mapTo(ui->tabQuelmar, QPoint(0, 0));
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            child->move(child->pos() - offset);
    }
}

void frmQuelmar::showEvent(QShowEvent* event)
{
    if (!m_pagesPlaced) {
        m_pagesPlaced = true;
        placePageControls();
    }
    if (!m_centred && screen()) {
        m_centred = true;
        const QRect available = screen()->availableGeometry();
        move(available.center() -
             QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QWidget::showEvent(event);
}
