#pragma once

#include "clalocadoura.h"
#include "datacontrol.h"
#include "datafields.h"
#include "engine.h"
#include "focusnavigator.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class frmQuelmar;
}
class QTimer;
class SyncRunner;

// Caption of a message box that has no title of its own.
inline const QString ProgramTitle = QStringLiteral("Listrano de Endereço");

// The contact window: one contact at a time on three pages, the record commands
// along the top, and the data control through which it reaches the contact table.
class frmQuelmar : public QWidget {
    Q_OBJECT
public:
    explicit frmQuelmar(QWidget* parent = nullptr);
    ~frmQuelmar() override;

    // Where the program looks for its database: the program's folder, then the file.
    static QString databasePath();
    // The message shown when the database cannot be opened.
    static QString openErrorText(const QString& path, const StoreError& error);

    // Points the data control at the database at path and its table, opens them
    // and prepares the lists; the fields end empty and locked. A failure to open
    // the database is returned, and the window must then not be shown. checked,
    // what a check made ahead found (see database::checkAhead), spares the
    // opening its own check of that file when unchanged since.
    StoreError Form_Load(const QString& path = databasePath(),
                         const database::CheckedFile& checked = {});

    // The seventeen data fields: clear, unlock, lock.
    void Limpar();
    void Ativar();
    void Desativar();
    QList<QWidget*> dataFields() const;

    // The seventeen fields into the row being added or edited, and the current
    // row into the fields.
    StoreError Gravar();
    StoreError Mostrar();

    // Enter typed anywhere in the window, before the control sees it: it moves on
    // as Tab does. Setting the code to 0 consumes the key.
    void Form_KeyPress(qint16& KeyAscii);
    // Asked before the window closes; setting Cancel keeps it open.
    void Form_QueryUnload(bool& Cancel);
    void Form_Unload();

public slots:
    void cmdNovo_Click();
    void cmdSalvar_Click();
    void cmdEditar_Click();
    void cmdExcluir_Click();
    void cmdConsultar_Click();
    void cmdImprimir_Click();
    void cmdEmail_Click();
    void cmdInfo_Click();

    void cboNome_GotFocus();
    void cboNome_LostFocus();
    void cboUfRes_GotFocus();
    void cboUfCom_GotFocus();

    // Leaving a field puts its text in proper case (the e-mail in lower case).
    void txtNome_LostFocus();
    void txtEmail_LostFocus();
    void txtEndRes_LostFocus();
    void txtBairroRes_LostFocus();
    void txtCidadeRes_LostFocus();
    void txtEndCom_LostFocus();
    void txtBairroCom_LostFocus();
    void txtCidadeCom_LostFocus();

    DataControl& dataControl() { return dat1; }
    claLocadoura* searchHelper() const { return moLocadoura.get(); }
    // The focus stops in Tab order.
    QList<QWidget*> focusOrder() const { return m_navigator->order(); }
    // The book kept in step with its server in the background; null before
    // Form_Load.
    SyncRunner* syncRunner() const { return m_sync; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void lostFocus(QWidget* control);
    void gotFocus(QWidget* control);
    // The recordset, opened again when a failure left none; null (and the user
    // told why) when the database cannot be reached.
    TableRecordset* recordset(const QString& title);
    // The recordset whose current row the fields show, for Modificar or Excluir;
    // null, and the user told why, while a new contact is being added or when the
    // fields show no stored row.
    TableRecordset* rowOnShow(const QString& title, const QString& saveFirst,
                              const QString& noCurrentRow);
    // The states the window enters. Locked: the fields locked (and cleared, or
    // kept as they are), Incluir and Modificar both turned on, Modificar turned
    // off, or both kept as they were; the focus sent first where given.
    enum LockedFields { Kept, Cleared };
    enum LockedButtons { ButtonsKept, BothOn, ModifyOff };
    void enterLocked(LockedFields fields, LockedButtons buttons, QWidget* focus = nullptr);
    // A new contact: Incluir off, the fields cleared and open, the focus on the name.
    void enterAdding();
    // The contact on show opened for changes: Modificar off, the focus on the name.
    void enterModifying();
    bool mayAbandonPending();
    // A contact is being added or modified: a new row or an edit is pending.
    bool editing() const;
    // While editing: the focus back to the name, and true; false otherwise.
    bool keepTyping();
    void endLookup();
    bool nameIsEmpty() const;
    // Shows a refusal of the store; false when there was none.
    bool reportStoreError(const StoreError& error, const QString& action, const QString& title);
    void inform(const QString& text, const QString& title);
    void removeFromLookupList(const QString& name);

    // Synchronisation in the background (frmquelmar_sync.cpp).
    void startSync(const QString& path);
    // Salvar or Excluir wrote the book.
    void syncChanged();
    void syncFinished(const syncengine::Summary& summary);
    bool atRest() const;
    void whenQuiet();
    void showStoredAgain();
    void keepModifyBase(TableRecordset& rs);
    StoreError saveMerged(TableRecordset& rs, const QString& title);
    QString syncInfoLine() const;
    void finishSync();

    std::unique_ptr<Ui::frmQuelmar> ui;
    DataControl dat1;
    std::unique_ptr<claLocadoura> moLocadoura;
    std::unique_ptr<DataFields> m_fields;
    FocusNavigator* m_navigator = nullptr;
    // The fields show the store's current row (a lookup's Mostrar, not cleared
    // since): Modificar and Excluir act on nothing else.
    bool m_showsCurrentRow = false;
    // Which row the fields show, until they are cleared: a lookup given up shows
    // it again.
    QByteArray m_shownBookmark;
    // The fields as Incluir or Modificar left them, to tell whether the user
    // changed anything since.
    contact::Record m_pendingTexts;
    // The contact the last lookup showed: its name, and which of the rows with
    // that name it was (0 for the first).
    struct {
        QString name;
        int nth = 0;
    } m_lastFound;
    bool m_pagesPlaced = false;
    bool m_centred = false;

    SyncRunner* m_sync = nullptr;
    QTimer* m_quietCheck = nullptr; // while something waits for the window's rest
    // The row as Modificar read it, for a merge with a sync's changes.
    std::optional<contact::Record> m_modifyBase;
    bool m_syncShowAgain = false; // a sync wrote the book: the contact on show is read again
    // What a sync has to tell, waiting; each kind told once a session.
    struct {
        QString failure;
        syncengine::Summary conflicts; // conflicts and named added up
        std::optional<syncengine::Summary> deletion;
    } m_syncNotice;
    struct {
        bool failure = false;
        bool conflicts = false;
        bool deletion = false;
    } m_syncTold;
    bool m_closing = false;
};
