#include "transferdialogs.h"

#include "accessread.h"
#include "export.h"
#include "filechooser.h"
#include "import.h"
#include "messagebox.h"
#include "sourcefile.h"
#include "typedcolumns.h"
#include "usertexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// How many contacts a vCard or CSV file holds; -1, after saying why, when the
// file is missing or is neither.
qint64 contactsIn(const QString& source)
{
    const QString shown = QDir::toNativeSeparators(source);
    QFile file(source);
    if (!file.exists()) {
        failed(ImportTitle, QStringLiteral("O arquivo %1 não existe.").arg(shown));
        return -1;
    }
    // A pipe or a device is refused before anything is read from it.
    const interchange::SourceFile opened(source);
    if (!opened.isOpen()) {
        failed(ImportTitle, opened.error());
        return -1;
    }
    if (!file.open(opened.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        failed(ImportTitle, QStringLiteral("Não foi possível abrir o arquivo %1.\n\n%2")
                                .arg(shown, file.errorString()));
        return -1;
    }
    bool decoded = false;
    const QByteArray bytes = file.isOpen() ? file.readAll() : QByteArray();
    const QString text = interchange::isAccessFile(bytes.left(20))
                             ? QString()
                             : interchange::decodeText(bytes, &decoded);
    qint64 count = -1;
    if (!decoded || text.contains(QChar(0)) || QStringView(text).trimmed().isEmpty()) {
        // not text, or nothing in it
    } else if (QStringView(text).trimmed().startsWith(u"BEGIN:VCARD", Qt::CaseInsensitive)) {
        count = text.count(QStringLiteral("BEGIN:VCARD"), Qt::CaseInsensitive);
    } else {
        // A table is taken for contacts when its columns can give them names.
        const interchange::CsvTable table = interchange::readCsv(text);
        const interchange::OwnColumns own(table.header);
        if (table.error.isEmpty() &&
            interchange::namesContacts(interchange::fieldsOf(own.header())))
            count = table.rows.size();
    }
    if (count < 0)
        failed(ImportTitle, QStringLiteral("O arquivo %1 não é um arquivo de contatos vCard (.vcf) "
                                           "nem uma planilha CSV (.csv) com uma coluna de nome.")
                                .arg(shown));
    return count;
}

// The import of source with its progress and summary, once the file is known.
int importFrom(const QString& database, const QString& source)
{
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
    if (summary.leftOut > 0)
        text += QStringLiteral("\n\n") + summary.leftOutText();
    if (!summary.windows1252Lines.isEmpty())
        text += QStringLiteral("\n\n") + summary.windows1252Text() + u'.';
    MessageBox::show(nullptr, text, ImportTitle, MessageBox::Information);
    return 0;
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
    return importFrom(database, source);
}

int importFile(const QString& database, const QString& source)
{
    if (!databaseThere(database, ImportTitle))
        return 1;
    const qint64 count = contactsIn(source);
    if (count < 0)
        return 1;
    const QString question = QStringLiteral("Importar %1 de %2?")
                                 .arg(interchange::countText(count, "contato", "contatos"),
                                      QFileInfo(source).fileName());
    if (MessageBox::show(nullptr, question, ImportTitle, MessageBox::Question, MessageBox::YesNo) !=
        MessageBox::Yes)
        return 0;
    return importFrom(database, source);
}

int exportContacts(const QString& database)
{
    if (!databaseThere(database, ExportTitle))
        return 1;
    const QString target = filechooser::askSave(
        nullptr, ExportTitle, QStringLiteral("contatos.vcf"),
        {QStringLiteral("vCard (*.vcf)"), QStringLiteral("Planilha CSV (*.csv)")},
        filechooser::Replace::CallerAsks);
    if (target.isEmpty())
        return 0;
    const QString shown = QDir::toNativeSeparators(target);
    const QString cannotExport = QStringLiteral("Não foi possível exportar para %1.").arg(shown);
    interchange::Format format;
    if (!interchange::formatOf(target, &format))
        return failed(ExportTitle, interchange::exportSuffixText() + QStringLiteral(":\n") + shown);
    // A link, a folder... is refused before anyone is asked to replace it.
    const QString unwritable = interchange::unwritableTarget(target);
    if (!unwritable.isEmpty())
        return failed(ExportTitle, cannotExport + QStringLiteral("\n\n") + unwritable);
    if (QFileInfo::exists(target) &&
        MessageBox::show(
            nullptr, QStringLiteral("O arquivo %1 já existe.\nDeseja substituí-lo?").arg(shown),
            ExportTitle, MessageBox::Question, MessageBox::YesNoDefaultNo) != MessageBox::Yes)
        return 0;
    ProgressDialog dialog(QStringLiteral("Exportando contatos para %1…").arg(shown), ExportTitle);
    const StoreResult<qint64> written =
        interchange::exportContacts(database, target, format, dialog.progress());
    dialog.close();
    if (written.error)
        return unfinished(ExportTitle, written.error,
                          QStringLiteral("A exportação foi interrompida; nenhum arquivo foi "
                                         "gravado."),
                          cannotExport);
    MessageBox::show(nullptr,
                     QStringLiteral("%1 para %2.")
                         .arg(interchange::countText(written.value, "contato foi exportado",
                                                     "contatos foram exportados"),
                              shown),
                     ExportTitle, MessageBox::Information);
    return 0;
}

} // namespace transferdialogs
