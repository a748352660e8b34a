// The window's states, each entered in one place that sets the fields and the
// buttons Incluir and Modificar together. There is no mode variable: what the
// store has pending tells whether a contact is being added or modified, and the
// two buttons carry their own flags across the Locked state, as the record
// commands' rules say.

#include "frmquelmar.h"

#include "ui_frmquelmar.h"

void frmQuelmar::enterLocked(LockedFields fields, LockedButtons buttons, QWidget* focus)
{
    if (fields == Cleared)
        Limpar();
    if (buttons == BothOn) {
        ui->cmdNovo->setEnabled(true);
        ui->cmdEditar->setEnabled(true);
    } else if (buttons == ModifyOff) {
        ui->cmdEditar->setEnabled(false);
    }
    // The focus leaves a field before it is locked, so that it lands where it is
    // sent and nowhere on the way.
    if (focus)
        m_navigator->focusOn(focus);
    Desativar();
}

void frmQuelmar::enterAdding()
{
    ui->cmdNovo->setEnabled(false);
    Ativar();
    Limpar();
    m_pendingTexts = m_fields->texts();
    m_navigator->focusOn(ui->txtNome);
}

void frmQuelmar::enterModifying()
{
    keepModifyBase(*dat1.Recordset());
    Ativar();
    m_pendingTexts = m_fields->texts();
    m_navigator->focusOn(ui->txtNome);
    ui->cmdEditar->setEnabled(false);
}

bool frmQuelmar::editing() const
{
    const TableRecordset* rs = dat1.Recordset();
    return rs && rs->editMode() != TableRecordset::EditNone;
}

// While a contact is being added or modified, the commands that find nothing to
// act on leave it exactly as it is, with the focus back on its name.
bool frmQuelmar::keepTyping()
{
    if (!editing())
        return false;
    m_navigator->focusOn(ui->txtNome);
    return true;
}
