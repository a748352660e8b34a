#include "transferdialogs.h"

#include "export.h"
#include "filechooser.h"
#include "import.h"
#include "messagebox.h"
#include "usertexts.h"

#include <QDir>
#include <QProgressDialog>

namespace transferdialogs {

namespace {
const QString ImportTitle = QStringLiteral("Importar contatos");
const QString ExportTitle = QStringLiteral("Exportar contatos");

// A progress dialog that shows itself only when a task takes a while.
class ProgressDialog {
public:
    ProgressDialog(const QString& label, const QString& title)
        : m_dialog(label, QStringLiteral("Cancelar"), 0, 0)
    {
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
    }
    interchange::Progress progress()
    {
        return [this](qint64 done, qint64 total) {
            m_dialog.setMaximum(int(qMin<qint64>(total, INT_MAX)));
            m_dialog.setValue(int(qMin<qint64>(done, INT_MAX)));
            return !m_dialog.wasCanceled();
        };
    }
    void close() { m_dialog.close(); }

private:
    QProgressDialog m_dialog;
};

int failed(const QString& title, const QString& text)
{
    MessageBox::show(nullptr, text, title, MessageBox::Critical);
    return 1;
}

// What went wrong, in the user's words first when the engine's code tells.
QString explained(const StoreError& error)
{
    return error.withReason(QStringLiteral("\n\nDetalhe técnico: "));
}

// Says how a task ended that did not finish: stopped by the user (status 0),
// or failed, with why (status 1).
int unfinished(const QString& title, const StoreError& error, const QString& stopped,
               const QString& failure)
{
    if (error.kind != StoreError::Cancelled)
        return failed(title, failure + QStringLiteral("\n\n") + explained(error));
    MessageBox::show(nullptr, stopped, title, MessageBox::Information);
    return 0;
}

// False, after saying so, when there is no database to work on.
bool databaseThere(const QString& database, const QString& title)
{
    const interchange::DatabaseProblem problem = interchange::databaseProblem(database);
    if (problem.what.isEmpty())
        return true;
    failed(title, problem.what + QStringLiteral("\n\n") + problem.remedy);
    return false;
}

} // namespace

int importContacts(const QString& database)
{
    if (!databaseThere(database, ImportTitle))
        return 1;
    const QString source = filechooser::askOpen(
        nullptr, ImportTitle,
        QStringLiteral("Contatos (*.vcf *.csv *.mdb);;vCard (*.vcf);;Planilha CSV (*.csv);;"
                       "Banco de dados do Access (*.mdb);;Todos os arquivos (*)"));
    if (source.isEmpty())
        return 0;
    interchange::ImportSummary summary;
    QString table;
    for (;;) {
        ProgressDialog dialog(
            QStringLiteral("Importando contatos de %1…").arg(QDir::toNativeSeparators(source)),
            ImportTitle);
        summary = interchange::importFile(database, source, {table, dialog.progress()});
        dialog.close();
        if (summary.tables.isEmpty() || !table.isEmpty())
            break;
        table = filechooser::askItem(
            nullptr, ImportTitle,
            QStringLiteral("O arquivo do Access não tem a tabela de contatos %1.\n"
                           "De que tabela vêm os contatos?")
                .arg(contact::TableName),
            summary.tables);
        if (table.isEmpty())
            return 0;
    }
    if (summary.error)
        return unfinished(
            ImportTitle, summary.error,
            QStringLiteral("A importação foi interrompida; nenhum contato foi "
                           "importado."),
            QStringLiteral("Nada foi importado de %1.").arg(QDir::toNativeSeparators(source)));
    QString text = summary.text() + u'.';
    if (!summary.failedLines.isEmpty())
        text += QStringLiteral("\n\n") +
                interchange::failedLinesNote(summary.source, summary.failedLines, 20);
    MessageBox::show(nullptr, text, ImportTitle, MessageBox::Information);
    return 0;
}

int exportContacts(const QString& database)
{
    if (!databaseThere(database, ExportTitle))
        return 1;
    const QString target = filechooser::askSave(
        nullptr, ExportTitle, QStringLiteral("contatos.vcf"),
        {QStringLiteral("vCard (*.vcf)"), QStringLiteral("Planilha CSV (*.csv)")});
    if (target.isEmpty())
        return 0;
    interchange::Format format;
    if (!interchange::formatOf(target, &format))
        return failed(ExportTitle, interchange::exportSuffixText() + QStringLiteral(":\n") +
                                       QDir::toNativeSeparators(target));
    ProgressDialog dialog(
        QStringLiteral("Exportando contatos para %1…").arg(QDir::toNativeSeparators(target)),
        ExportTitle);
    const StoreResult<qint64> written =
        interchange::exportContacts(database, target, format, dialog.progress());
    dialog.close();
    if (written.error)
        return unfinished(ExportTitle, written.error,
                          QStringLiteral("A exportação foi interrompida; nenhum arquivo foi "
                                         "gravado."),
                          QStringLiteral("Não foi possível exportar para %1.")
                              .arg(QDir::toNativeSeparators(target)));
    MessageBox::show(nullptr,
                     QStringLiteral("%1 para %2.")
                         .arg(interchange::countText(written.value, "contato foi exportado",
                                                     "contatos foram exportados"),
                              QDir::toNativeSeparators(target)),
                     ExportTitle, MessageBox::Information);
    return 0;
}

} // namespace transferdialogs
