#include "filechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStandardPaths>

#include <optional>
#include <queue>

namespace filechooser {

namespace {
std::queue<QString>& nextAnswers()
{
    static std::queue<QString> answers;
    return answers;
}

std::optional<QString> scripted()
{
    if (nextAnswers().empty())
        return std::nullopt;
    const QString answer = nextAnswers().front();
    nextAnswers().pop();
    return answer;
}

} // namespace

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString askOpen(QWidget* parent, const QString& title, const QString& filters)
{
    if (const auto answer = scripted())
        return *answer;
    return QFileDialog::getOpenFileName(parent, title, documentsFolder(), filters);
}

QString askSave(QWidget* parent, const QString& title, const QString& fileName,
                const QStringList& filters)
{
    if (const auto answer = scripted())
        return *answer;
    QFileDialog dialog(parent, title, QDir(documentsFolder()).filePath(fileName));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
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
    if (const auto answer = scripted())
        return *answer;
    bool chosen = false;
    const QString item = QInputDialog::getItem(parent, title, label, items, 0, false, &chosen);
    return chosen ? item : QString();
}

void setNextAnswers(const QStringList& answers)
{
    nextAnswers() = {};
    for (const QString& answer : answers)
        nextAnswers().push(answer);
}

} // namespace filechooser
