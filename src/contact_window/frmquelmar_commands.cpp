// The contact window's record commands (Incluir, Salvar, Modificar, Excluir) and
// the lookup by name (Consultar, the seek on leaving the list, and the combo
// boxes' focus handlers that attach the completion).

#include "frmquelmar.h"

#include "combolist.h"
#include "messagebox.h"
#include "ui_frmquelmar.h"

#include <QLineEdit>
#include <QTimer>

namespace {
const QString SaveTitle = QStringLiteral("Informação sobre o Programa");
const QString EditTitle = QStringLiteral("Editar Registro");
const QString DeleteEmptyTitle = QStringLiteral("Exclur registro do Listrano");
const QString DeleteTitle = QStringLiteral("Excluir registro do Listrano");
const QString SearchTitle = QStringLiteral("Erro de Pesquisa");
const QString SeekTitle = QStringLiteral("Consulta de Registro na Agenda");
} // namespace

bool frmQuelmar::reportStoreError(const StoreError& error, const QString& action,
                                  const QString& title)
{
    if (!error)
        return false;
    QString text = action;
    const QString reason = error.reason();
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    if (error.text != reason)
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
    enterAdding();
}

void frmQuelmar::cmdSalvar_Click()
{
    if (nameIsEmpty()) {
        inform(QStringLiteral("O Campo Nome não pode haver valor nulo!"), SaveTitle);
        // A contact being typed is kept: only its name is missing.
        if (keepTyping())
            return;
        enterLocked(Cleared, BothOn, ui->cmdNovo);
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
    StoreError e = rs->Update();
    // In a book kept in step with a server, a sync's change and the typed one
    // are merged.
    if (e.kind == StoreError::ChangedElsewhere)
        e = saveMerged(*rs, SaveTitle);
    if (e.kind == StoreError::ChangedElsewhere) {
        // Another copy of the program (or another program) got there first: its
        // change is not written over, and what the user typed stays on screen.
        inform(QStringLiteral("O registro foi alterado por outro programa depois de consultado. O "
                              "que você digitou continua na tela; copie o que quiser manter e "
                              "consulte o registro novamente."),
               SaveTitle);
        return;
    }
    if (e.kind == StoreError::RowGone) {
        // Nothing left to look up: what is on screen may become a contact of its own.
        if (MessageBox::show(
                this,
                QStringLiteral("Este contato foi excluído por outro programa. Gravar o "
                               "que está na tela como um novo contato?"),
                SaveTitle, MessageBox::Question, MessageBox::YesNoDefaultNo) == MessageBox::No)
            return;
        e = rs->AddNew();
        if (!e)
            e = Gravar();
        if (!e)
            e = rs->Update();
    }
    if (reportStoreError(e, failed, SaveTitle))
        return;
    syncChanged();
    enterLocked(Cleared, BothOn, ui->cmdNovo);
}

void frmQuelmar::cmdEditar_Click()
{
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há registro para Editar"), EditTitle);
        if (keepTyping())
            return;
        enterLocked(Cleared, ModifyOff, ui->cmdNovo);
        return;
    }
    TableRecordset* rs =
        rowOnShow(EditTitle, QStringLiteral("Salve-o antes de modificar outro registro."),
                  QStringLiteral("Não há registro atual para modificar.\n"
                                 "Consulte o registro antes de modificá-lo."));
    if (!rs || reportStoreError(
                   rs->Edit(), QStringLiteral("Não foi possível modificar o registro."), EditTitle))
        return;
    enterModifying();
}

void frmQuelmar::cmdExcluir_Click()
{
    ui->tabQuelmar->setCurrentIndex(0);
    if (nameIsEmpty()) {
        inform(QStringLiteral("Não há registro para excluir"), DeleteEmptyTitle);
        if (keepTyping())
            return;
        enterLocked(Kept, ButtonsKept, ui->cmdNovo);
        return;
    }
    TableRecordset* rs =
        rowOnShow(DeleteTitle, QStringLiteral("Salve-o antes de excluir um registro."),
                  QStringLiteral("Não há registro atual para excluir.\n"
                                 "Consulte o registro antes de excluí-lo."));
    if (!rs)
        return;

    const MessageBox::Answer answer = MessageBox::show(
        this, QStringLiteral("Tem certeza que deseja excluir no nome: ") + ui->txtNome->text(),
        DeleteTitle, MessageBox::Question, MessageBox::YesNo);
    if (answer == MessageBox::Yes) {
        const StoreResult<QVariant> stored = rs->Value(contact::column(contact::Nome));
        const QString deletedName = stored.error ? ui->txtNome->text() : stored.value.toString();
        if (reportStoreError(rs->Delete(), QStringLiteral("Não foi possível excluir o registro."),
                             DeleteTitle))
            return;
        removeFromLookupList(deletedName);
        m_lastFound = {}; // the next lookup starts empty
        syncChanged();
    } else if (keepTyping()) {
        return; // No: the changes being made stay
    }
    enterLocked(Cleared, ButtonsKept, ui->cmdNovo);
}

// Only the contact the window shows may be modified or deleted: never the row
// that happens to be current behind a new one being added or after a failed
// lookup, and none when there is no current row.
TableRecordset* frmQuelmar::rowOnShow(const QString& title, const QString& saveFirst,
                                      const QString& noCurrentRow)
{
    TableRecordset* rs = dat1.Recordset();
    if (rs && rs->editMode() == TableRecordset::EditAdd) {
        inform(QStringLiteral("Um novo registro está sendo incluído.\n") + saveFirst, title);
        return nullptr;
    }
    if (!rs || !rs->hasCurrent() || !m_showsCurrentRow) {
        inform(noCurrentRow, title);
        return nullptr;
    }
    return rs;
}

void frmQuelmar::cmdConsultar_Click()
{
    if (!mayAbandonPending())
        return;
    TableRecordset* rs = recordset(SearchTitle);
    if (!rs)
        return;
    // Whether there is anything to list, without counting a large book.
    const StoreResult<TableRecordset::Extent> extent = rs->extent();
    const QString failed = QStringLiteral("Não foi possível ler os nomes cadastrados.");
    if (reportStoreError(extent.error, failed, SearchTitle))
        return;
    if (extent.value.empty) {
        inform(QStringLiteral("Não há registro para Pesquisar"), SearchTitle);
        enterLocked(Kept, ButtonsKept, ui->cmdNovo);
        return;
    }

    // The list lies on the name page.
    ui->tabQuelmar->setCurrentIndex(0);
    ui->cboNome->show();
    m_navigator->focusOn(ui->cboNome);

    StoreError e = dat1.Refresh();
    m_showsCurrentRow = false; // the refresh moved the store to its first row
    // The list read before stays, with its search index, while the table is as
    // it was then; otherwise the names listed before go first, so that the new
    // ones take their memory.
    StoreResult<QByteArray> stamp;
    if (!e) {
        stamp = dat1.Recordset()->contentStamp();
        e = stamp.error;
    }
    const bool unchanged = !e && combolist::namesSource(ui->cboNome) == stamp.value;
    if (!unchanged) {
        combolist::setNames(ui->cboNome, {});
        if (!e) {
            // A row without a name cannot be sought by one: it is left out.
            StoreResult<NameBlock> read =
                dat1.Recordset()->columnTexts(contact::column(contact::Nome), extent.value.room);
            e = read.error;
            if (!e)
                combolist::setNames(ui->cboNome, std::move(read.value), stamp.value);
        }
    }
    if (reportStoreError(e, failed, SearchTitle)) {
        ui->cboNome->hide();
        return;
    }
    // Filled afresh each time the table changed, in one go; the edit field keeps
    // the name found before, and that contact is the current item again, so that
    // Enter at once shows it anew. Typing replaces the whole name.
    if (unchanged) {
        const QString text = ui->cboNome->currentText();
        ui->cboNome->setCurrentIndex(-1);
        ui->cboNome->setEditText(text);
    }
    const int last = combolist::nthEqual(ui->cboNome, m_lastFound.name, m_lastFound.nth);
    if (last >= 0)
        combolist::setCurrent(ui->cboNome, last);
    ui->cboNome->lineEdit()->selectAll();
}

// A contact being added or modified whose fields were changed is not dropped
// without a word: the user says whether to discard it. Discarded, with or
// without the question, the window is locked as after Salvar.
bool frmQuelmar::mayAbandonPending()
{
    if (!editing())
        return true;
    if (m_fields->texts() != m_pendingTexts &&
        MessageBox::show(this,
                         QStringLiteral("Há um registro sendo incluído ou alterado que não foi "
                                        "salvo. Deseja descartá-lo?"),
                         SeekTitle, MessageBox::Question,
                         MessageBox::YesNoDefaultNo) == MessageBox::No)
        return false;
    const StoreError e = dat1.Refresh();
    m_showsCurrentRow = false; // the refresh moved the store to its first row
    if (reportStoreError(e, QStringLiteral("Não foi possível descartar o registro."), SeekTitle))
        return false;
    enterLocked(Kept, BothOn);
    return true;
}

namespace {
// Makes the n-th row (from 0) named name current, in index order, where equal
// names stand in the order they were stored; the first one when there are fewer.
StoreError seekNth(TableRecordset* rs, const QString& name, int n)
{
    StoreError e = rs->Seek(QStringLiteral("="), name);
    for (int i = 0; !e && !rs->NoMatch() && i < n; ++i) {
        e = rs->MoveNext();
        if (e)
            break;
        const StoreResult<QVariant> next =
            rs->Eof() ? StoreResult<QVariant>{} : rs->Value(contact::column(contact::Nome));
        if (next.error)
            return next.error;
        if (rs->Eof() || next.value.toString() != name)
            return rs->Seek(QStringLiteral("="), name);
    }
    return e;
}
} // namespace

void frmQuelmar::cboNome_LostFocus()
{
    // Left empty (Escape empties it): the lookup ends without a seek.
    if (ui->cboNome->currentText().isEmpty()) {
        endLookup();
        return;
    }
    const QString failed = QStringLiteral("Não foi possível consultar o registro.");
    QString name = ui->cboNome->currentText();
    // The list's current item may be one of several equal names: the same one
    // of the rows with that name is shown.
    const int current = ui->cboNome->currentIndex();
    int nth = current >= 0 && ui->cboNome->itemText(current) == name
                  ? combolist::occurrence(ui->cboNome, current)
                  : 0;

    StoreError e = dat1.Refresh();
    TableRecordset* rs = dat1.Recordset();
    if (!e)
        e = rs->setIndex(contact::NameIndex);
    if (!e)
        e = seekNth(rs, name, nth);
    // Blanks at the ends aside, then letter case, then accents: a name typed or
    // pasted otherwise finds the stored spelling, the first the list holds in the
    // order the completion searches.
    if (!e && rs->NoMatch()) {
        const int like = combolist::findLoosely(ui->cboNome, qMax(-1, current - 1), name);
        const QString likeName = like >= 0 ? ui->cboNome->itemText(like) : QString();
        if (like >= 0 && likeName != name) {
            name = likeName;
            nth = combolist::occurrence(ui->cboNome, like);
            e = seekNth(rs, name, nth);
        }
    }
    if (e) {
        reportStoreError(e, failed, SeekTitle);
        ui->cboNome->hide();
        return;
    }
    if (!rs->NoMatch()) {
        m_lastFound = {name, nth};
        reportStoreError(Mostrar(), QStringLiteral("Não foi possível mostrar todo o registro."),
                         SeekTitle);
        ui->cboNome->hide();
        return;
    }
    inform(QStringLiteral("Registro não encontrado ou cadastrado no Listrano"), SeekTitle);
    ui->cboNome->setEditText(QString());
    // Back to the list, whatever took the focus. A page being turned (its access
    // key) would take the focus away once more when the turn is done, so then the
    // list waits for that.
    if (ui->tabQuelmar->currentIndex() == 0)
        m_navigator->focusOn(ui->cboNome);
    else
        QTimer::singleShot(0, this, [this] { m_navigator->focusOn(ui->cboNome); });
}

// A lookup given up: the list goes, the contact the fields showed before comes
// back as stored (cleared when there was none or it is gone), the window locked.
void frmQuelmar::endLookup()
{
    ui->cboNome->hide();
    const QByteArray shown = m_shownBookmark;
    StoreError e = dat1.Refresh();
    m_showsCurrentRow = false;
    TableRecordset* rs = dat1.Recordset();
    if (!e && !shown.isEmpty())
        e = rs->setBookmark(shown);
    if (!e && !shown.isEmpty() && !rs->NoMatch())
        e = Mostrar();
    else
        Limpar();
    enterLocked(Kept, BothOn, ui->cmdConsultar);
    reportStoreError(e, QStringLiteral("Não foi possível mostrar o registro."), SeekTitle);
}

void frmQuelmar::cboNome_GotFocus()
{
    if (moLocadoura) // released once the window unloads
        moLocadoura->AttachTo(ui->cboNome);
    // What the user types replaces the name the list holds.
    ui->cboNome->lineEdit()->selectAll();
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

// Takes the deleted contact's name out of the lookup list: the current item when
// it is that name, else the first item equal to it (found through the list's
// search), else none.
void frmQuelmar::removeFromLookupList(const QString& name)
{
    QComboBox* list = ui->cboNome;
    int index = list->currentIndex();
    if (index < 0 || list->itemText(index) != name)
        index = combolist::nthEqual(list, name, 0);
    if (index < 0)
        return;
    list->removeItem(index);
    list->setCurrentIndex(-1);
    list->setEditText(QString());
}
