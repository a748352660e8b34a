// The contact window and the synchronisation in the background: what a sync
// brought in shown once the window is at rest, its failures and questions told
// then too, a contact modified meanwhile merged on Salvar, and the last sync
// before the window goes.

#include "frmquelmar.h"

#include "fieldmerge.h"
#include "messagebox.h"
#include "syncrunner.h"
#include "ui_frmquelmar.h"

#include <QApplication>
#include <QTimer>

namespace {
// How often a notice or a contact to show again waits for the window's rest.
constexpr int QuietCheckMs = 250;
// Writes of a merge that find the row changed again before giving up.
constexpr int MergeAttempts = 3;

contact::Record valuesOf(TableRecordset& rs, StoreError* error)
{
    contact::Record values;
    for (int f = 0; f < contact::FieldCount && !*error; ++f) {
        const StoreResult<QVariant> v = rs.Value(contact::column(contact::Field(f)));
        *error = v.error;
        values[f] = v.value.toString();
    }
    return values;
}

// Only the fields that differ from what the row holds are written: a value that
// is not text stays as it is.
StoreError setValues(TableRecordset& rs, const contact::Record& now, const contact::Record& was)
{
    for (int f = 0; f < contact::FieldCount; ++f) {
        if (now[f] == was[f])
            continue;
        if (StoreError e = rs.setValue(contact::column(contact::Field(f)), now[f]))
            return e;
    }
    return {};
}
} // namespace

void frmQuelmar::startSync(const QString& path)
{
    if (m_sync)
        return;
    m_sync = new SyncRunner(path, this);
    m_quietCheck = new QTimer(this);
    m_quietCheck->setInterval(QuietCheckMs);
    connect(m_quietCheck, &QTimer::timeout, this, &frmQuelmar::whenQuiet);
    connect(m_sync, &SyncRunner::finished, this, &frmQuelmar::syncFinished);
    m_sync->start();
}

void frmQuelmar::syncChanged()
{
    if (m_sync)
        m_sync->changed();
}

void frmQuelmar::syncFinished(const syncengine::Summary& summary)
{
    using syncengine::Summary;
    if (summary.outcome == Summary::Failed) {
        if (!m_syncTold.failure)
            m_syncNotice.failure = syncrunner::failureText(summary);
    } else {
        // Past: what a later sync did is what counts.
        m_syncNotice.failure.clear();
        m_syncNotice.deletion.reset();
    }
    if (summary.outcome == Summary::StoppedBeforeDeleting && !m_syncTold.deletion)
        m_syncNotice.deletion = summary;
    if (summary.outcome == Summary::Done && summary.conflicts > 0 && !m_syncTold.conflicts) {
        m_syncNotice.conflicts.conflicts += summary.conflicts;
        m_syncNotice.conflicts.named += summary.named;
    }
    if (summary.outcome == Summary::Done && summary.received + summary.deleted > 0)
        m_syncShowAgain = true;
    const bool waiting = m_syncShowAgain || !m_syncNotice.failure.isEmpty() ||
                         m_syncNotice.conflicts.conflicts > 0 || m_syncNotice.deletion;
    if (m_closing || !waiting)
        return;
    m_quietCheck->start();
    whenQuiet();
}

// At rest: no contact being added or modified, no lookup, no field holding the
// focus (a message taking it from a field would run its lookup or its
// clean-up), no message on screen.
bool frmQuelmar::atRest() const
{
    if (m_closing || !isVisible() || editing() || ui->cboNome->isVisible() ||
        QApplication::activeModalWidget())
        return false;
    const QWidget* focus = focusWidget();
    for (const QWidget* field : dataFields()) {
        if (focus && (field == focus || field->isAncestorOf(focus)))
            return false;
    }
    return true;
}

void frmQuelmar::whenQuiet()
{
    if (!atRest())
        return;
    m_quietCheck->stop();
    if (std::exchange(m_syncShowAgain, false))
        showStoredAgain();

    QStringList told;
    if (!m_syncNotice.failure.isEmpty()) {
        told << std::exchange(m_syncNotice.failure, {});
        m_syncTold.failure = true;
    }
    if (m_syncNotice.conflicts.conflicts > 0) {
        told << syncrunner::conflictText(std::exchange(m_syncNotice.conflicts, {}));
        m_syncTold.conflicts = true;
    }
    if (!told.isEmpty())
        MessageBox::show(this, told.join(QStringLiteral("\n\n")), ProgramTitle,
                         MessageBox::Information);
    if (m_syncNotice.deletion) {
        const syncengine::Summary stopped = *std::exchange(m_syncNotice.deletion, {});
        m_syncTold.deletion = true;
        if (MessageBox::ask(this, syncrunner::deletionText(stopped), ProgramTitle,
                            QStringLiteral("Excluir mesmo assim"),
                            QStringLiteral("Não excluir")) == MessageBox::Yes)
            m_sync->syncNow(true);
    }
}

// The contact on show read again by its row: shown with what it holds now, or,
// gone, the window left as Excluir leaves it.
void frmQuelmar::showStoredAgain()
{
    const QByteArray shown = m_shownBookmark;
    if (!m_showsCurrentRow || shown.isEmpty())
        return;
    StoreError e = dat1.Refresh();
    m_showsCurrentRow = false;
    TableRecordset* rs = dat1.Recordset();
    if (!e)
        e = rs->setBookmark(shown);
    if (!e && !rs->NoMatch()) {
        e = Mostrar();
    } else if (!e) {
        removeFromLookupList(ui->txtNome->text());
        m_lastFound = {};
        enterLocked(Cleared, ButtonsKept);
    }
    reportStoreError(e, QStringLiteral("Não foi possível mostrar o registro."), ProgramTitle);
}

void frmQuelmar::keepModifyBase(TableRecordset& rs)
{
    StoreError e;
    m_modifyBase = valuesOf(rs, &e);
    if (e)
        m_modifyBase.reset();
}

// Salvar of a contact whose row changed since Modificar, in a book kept in step
// with a server: each field changed on one side only takes that side's value,
// one changed on both the typed one, and then the row as it was stored is
// kept whole beside it as a conflict copy. The fields are in the row being
// edited (Gravar). Says so once done; a failure leaves the edit pending as it
// was, and is returned.
StoreError frmQuelmar::saveMerged(TableRecordset& rs, const QString& title)
{
    if (!m_sync || !m_sync->account() || !m_modifyBase)
        return StoreError::make(StoreError::ChangedElsewhere);
    const QByteArray row = rs.Bookmark();
    StoreError e;
    const contact::Record typed = valuesOf(rs, &e);
    QString copyName;
    for (int attempt = 0; !e && attempt < MergeAttempts; ++attempt) {
        if ((e = rs.setBookmark(row)))
            break;
        if (rs.NoMatch()) {
            e = StoreError::make(StoreError::RowGone);
            break;
        }
        const contact::Record stored = valuesOf(rs, &e);
        if (e)
            break;
        fieldmerge::Merged m = fieldmerge::merge(*m_modifyBase, typed, stored);
        for (const contact::Field f : m.conflicts)
            m.fields[f] = typed[f];
        if (!m.conflicts.isEmpty() && copyName.isEmpty()) {
            contact::Record copy = stored;
            copy[contact::Nome] =
                fieldmerge::conflictName(stored[contact::Nome], QDate::currentDate());
            if ((e = rs.AddNew()) || (e = setValues(rs, copy, {})) || (e = rs.Update()))
                break;
            copyName = copy[contact::Nome];
            if ((e = rs.setBookmark(row)))
                break;
        }
        if (!(e = rs.Edit()) && !(e = setValues(rs, m.fields, stored)))
            e = rs.Update();
        if (e.kind != StoreError::ChangedElsewhere)
            break;
    }
    if (e) {
        // The edit back as it was, for the user to try again.
        if (!rs.setBookmark(row) && !rs.NoMatch() && !rs.Edit())
            (void)Gravar();
        return e;
    }
    QString text = QStringLiteral("O contato foi alterado pela sincronização enquanto você o "
                                  "modificava. As duas versões foram combinadas");
    text += copyName.isEmpty()
                ? QStringLiteral(".")
                : QStringLiteral("; a versão do servidor ficou em \"%1\".").arg(copyName);
    inform(text, title);
    return {};
}

QString frmQuelmar::syncInfoLine() const
{
    const QString line = m_sync ? m_sync->stateLine() : QString();
    return line.isEmpty() ? line : QLatin1Char('\r') + line;
}

// The window goes at once; what it has not sent yet goes in a last sync,
// waited for a few seconds at most.
void frmQuelmar::finishSync()
{
    m_closing = true;
    if (!m_sync)
        return;
    m_quietCheck->stop();
    hide();
    m_sync->finish();
}
