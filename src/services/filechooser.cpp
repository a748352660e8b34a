#include "filechooser.h"

#include "testhook.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStandardPaths>

namespace filechooser {

namespace {
TestHook<QString, Asked>& hook()
{
    static TestHook<QString, Asked> h;
    return h;
}

// In test mode: notes the question and gives the next scripted answer (none:
// cancelled).
QString scripted(const Asked& question)
{
    return hook().take(question, QString());
}

} // namespace

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString askOpen(QWidget* parent, const QString& title, const QString& filters)
{
    if (hook().on())
        return scripted({Asked::Open, title, QString(), QString(),
                         filters.split(QStringLiteral(";;"), Qt::SkipEmptyParts)});
    return QFileDialog::getOpenFileName(parent, title, documentsFolder(), filters);
}

QString askSave(QWidget* parent, const QString& title, const QString& fileName,
                const QStringList& filters, Replace replace)
{
    if (hook().on())
        return scripted({Asked::Save, title, fileName, QString(), filters});
    QFileDialog dialog(parent, title, QDir(documentsFolder()).filePath(fileName));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, replace == Replace::CallerAsks);
    // The suffix follows the chosen filter ("vCard (*.vcf)" gives "vcf").
    const auto suffixOf = [](const QString& filter) {
        return filter.section(QStringLiteral("(*."), 1).section(u')', 0, 0).section(u' ', 0, 0);
    };
    if (!filters.isEmpty())
        dialog.setDefaultSuffix(suffixOf(filters.constFirst()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString askItem(QWidget* parent, const QString& title, const QString& label,
                const QStringList& items)
{
    if (hook().on())
        return scripted({Asked::Item, title, QString(), label, items});
    bool chosen = false;
    const QString item = QInputDialog::getItem(parent, title, label, items, 0, false, &chosen);
    return chosen ? item : QString();
}

void setTestMode(bool on)
{
    hook().setTestMode(on);
}

void setNextAnswer(const QString& answer)
{
    hook().queue(answer);
}

QList<Asked> asked()
{
    return hook().asked();
}

void clearAsked()
{
    hook().clearAsked();
}

} // namespace filechooser
