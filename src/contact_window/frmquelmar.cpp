#include "frmquelmar.h"

#include "cardprint.h"
#include "combolist.h"
#include "formfont.h"
#include "formlayout.h"
#include "frminfo.h"
#include "maillaunch.h"
#include "messagebox.h"
#include "textbox.h"
#include "textcase.h"
#include "ui_frmquelmar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTabBar>

namespace {
const QString PrintErrorTitle = QStringLiteral("Erro de Impressão");
const QString PrintTitle = QStringLiteral("Impressão dos Registros");
} // namespace

frmQuelmar::frmQuelmar(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmQuelmar>())
{
    ui->setupUi(this);
    formfont::settle(this);
    setFixedSize(size());
    m_fields = std::make_unique<DataFields>(this);

    formlayout::showLabelsAsCaptionBars(this);
    ui->tabQuelmar->setAccessibleName(QStringLiteral("Páginas do contato"));
    ui->tabQuelmar->tabBar()->setAccessibleName(ui->tabQuelmar->accessibleName());

    // The lists are ours alone: no completer or insertion of their own, which
    // would fight the completion and add typed text to the lists, nor a search of
    // their own through the whole list when the field is left or Enter pressed,
    // which costs a look at every name of a long list.
    for (QComboBox* combo : {ui->cboNome, ui->cboUfRes, ui->cboUfCom}) {
        combo->setLineEdit(new TextBox(combo)); // pasted text made one line
        combolist::useStringList(combo);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
        disconnect(combo->lineEdit(), &QLineEdit::returnPressed, combo, nullptr);
    }
    ui->cboNome->hide();
    ui->cboNome->installEventFilter(this);

    connect(ui->cmdNovo, &QAbstractButton::clicked, this, &frmQuelmar::cmdNovo_Click);
    connect(ui->cmdSalvar, &QAbstractButton::clicked, this, &frmQuelmar::cmdSalvar_Click);
    connect(ui->cmdEditar, &QAbstractButton::clicked, this, &frmQuelmar::cmdEditar_Click);
    connect(ui->cmdExcluir, &QAbstractButton::clicked, this, &frmQuelmar::cmdExcluir_Click);
    connect(ui->cmdConsultar, &QAbstractButton::clicked, this, &frmQuelmar::cmdConsultar_Click);
    connect(ui->cmdImprimir, &QAbstractButton::clicked, this, &frmQuelmar::cmdImprimir_Click);
    connect(ui->cmdEmail, &QAbstractButton::clicked, this, &frmQuelmar::cmdEmail_Click);
    connect(ui->cmdInfo, &QAbstractButton::clicked, this, &frmQuelmar::cmdInfo_Click);

    // Key preview: the window sees the keys typed into its controls first.
    m_navigator = new FocusNavigator(this, ui->tabQuelmar);
    m_navigator->setKeyPreview([this](qint16& KeyAscii) { Form_KeyPress(KeyAscii); });
    // Alt+N belongs to both Incluir and Enviar E-mail. Rather than passing the
    // focus between the two, it presses Incluir, or Enviar E-mail while Incluir is off.
    m_navigator->shareAccessKey(Qt::Key_N, {ui->cmdNovo, ui->cmdEmail});
    connect(m_navigator, &FocusNavigator::focusLeft, this, &frmQuelmar::lostFocus);
    connect(m_navigator, &FocusNavigator::focusEntered, this, &frmQuelmar::gotFocus);
    ui->tabQuelmar->setFocus();
}

frmQuelmar::~frmQuelmar() = default;

QString frmQuelmar::databasePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + contact::DatabaseFileName;
}

QString frmQuelmar::openErrorText(const QString& path, const StoreError& error)
{
    // Why, in the user's words, first; the engine's own words after it.
    const bool missing = !QFileInfo::exists(path);
    const QString reason = missing ? QStringLiteral("O arquivo não existe.") : error.reason();
    QString text = QStringLiteral("Não foi possível abrir o banco de dados de contatos.\n\n"
                                  "Arquivo: %1\n\n")
                       .arg(QDir::toNativeSeparators(path));
    if (reason.isEmpty())
        return text + QStringLiteral("Erro: ") + error.text;
    text += reason + QStringLiteral("\n\nDetalhe técnico: ") + error.text;
    if (missing)
        text += QStringLiteral("\n\nPara criar um banco de dados vazio: listrano-initdb ") +
                QDir::toNativeSeparators(path);
    return text;
}

StoreError frmQuelmar::Form_Load(const QString& path, const database::CheckedFile& checked)
{
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    ui->tabQuelmar->setCurrentIndex(0);
    moLocadoura = std::make_unique<claLocadoura>();
    if (StoreError e = dat1.Refresh(checked))
        return e;
    // A combo makes its first item current when it gets one; the fields start empty.
    for (const QString& code : contact::StateCodes)
        ui->cboUfRes->addItem(code);
    ui->cboUfRes->setCurrentIndex(-1);
    for (const QString& code : contact::StateCodes)
        ui->cboUfCom->addItem(code);
    ui->cboUfCom->setCurrentIndex(-1);
    Desativar();
    startSync(path);
    return {};
}

QList<QWidget*> frmQuelmar::dataFields() const
{
    return m_fields->controls();
}

void frmQuelmar::Limpar()
{
    m_showsCurrentRow = false;
    m_shownBookmark.clear();
    m_fields->clear();
}

void frmQuelmar::Ativar()
{
    m_fields->setEnabled(true);
}

void frmQuelmar::Desativar()
{
    m_fields->setEnabled(false);
}

StoreError frmQuelmar::Gravar()
{
    TableRecordset* rs = dat1.Recordset();
    if (!rs)
        return StoreError::make(StoreError::Closed);
    return transfer::toRow(*rs, m_fields->bindings());
}

StoreError frmQuelmar::Mostrar()
{
    TableRecordset* rs = dat1.Recordset();
    const StoreError e =
        rs ? transfer::toWindow(*rs, m_fields->bindings()) : StoreError::make(StoreError::Closed);
    m_showsCurrentRow = !e;
    m_shownBookmark = e ? QByteArray() : rs->Bookmark();
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

// A stop of the window lost or took the focus.
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
    m_navigator->enterAsTab(KeyAscii);
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
    finishSync();
    Form_Unload();
    event->accept();
}

void frmQuelmar::cmdImprimir_Click()
{
    ui->tabQuelmar->setCurrentIndex(0);
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há Registro para Imprimir"), PrintErrorTitle);
        if (keepTyping())
            return;
        enterLocked(Kept, ButtonsKept, ui->cmdNovo);
        return;
    }
    // A contact being added or modified stays as it is, printed or not: it is
    // not saved yet.
    if (MessageBox::show(this, QStringLiteral("Inicia a impressão?"), PrintTitle,
                         MessageBox::Question, MessageBox::YesNo) == MessageBox::No) {
        if (keepTyping())
            return;
        enterLocked(Cleared, ButtonsKept);
        return;
    }

    const cardprint::Result result = cardprint::print(this, m_fields->texts(), PrintErrorTitle);
    if (result.outcome == cardprint::Outcome::Declined)
        return;
    if (result.outcome == cardprint::Outcome::Failed) {
        // The window keeps the contact so that the user can try again.
        inform(QStringLiteral("Não foi possível imprimir o relatório.\n\n") + result.error,
               PrintErrorTitle);
        return;
    }
    if (keepTyping())
        return;
    enterLocked(Cleared, ButtonsKept);
}

void frmQuelmar::cmdEmail_Click()
{
    // A field of blanks is an address; only an empty one is missing.
    const QString address = ui->txtEmail->text();
    if (address.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Não há endereço cadastrado para enviar o E-mail"),
                         ProgramTitle, MessageBox::NoIcon);
        // A contact being added or modified keeps its fields: cleared, and then
        // saved with whatever the user typed next, it would lose all the rest.
        if (editing()) {
            m_navigator->focusOn(ui->txtEmail);
            return;
        }
        Limpar();
        m_navigator->focusOn(ui->cmdNovo);
        return;
    }
    sendMailTo(address, this, ProgramTitle);
}

void frmQuelmar::cmdInfo_Click()
{
    frmInfo* info = frmInfo::instance();
    info->show();
    info->raise();
    info->activateWindow();
    info->setInfoText(frmInfo::infoText() + syncInfoLine());
}

// Escape in the lookup list, its drop-down closed, gives the lookup up.
bool frmQuelmar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->cboNome && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && ui->cboNome->isVisible()) {
        ui->cboNome->setEditText(QString()); // left empty, the list seeks nothing
        m_navigator->focusOn(ui->cmdConsultar);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmQuelmar::showEvent(QShowEvent* event)
{
    if (!m_pagesPlaced) {
        m_pagesPlaced = true;
        formlayout::placePageControls(ui->tabQuelmar);
    }
    if (!m_centred)
        m_centred = formlayout::centreOnScreen(this);
    QWidget::showEvent(event);
}
