#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The system's file dialogs and a choice from a list, as the program asks them.
// Tests script the answers, so that no test waits for a person.
namespace filechooser {

// The user's documents folder, or the home folder when there is none.
QString documentsFolder();

// A file to read, starting in the documents folder; empty when cancelled.
QString askOpen(QWidget* parent, const QString& title, const QString& filters);
// A file to write, offering fileName in the user's documents folder; the
// dialog completes the name with the chosen filter's suffix and asks before
// replacing a file. Empty when cancelled.
QString askSave(QWidget* parent, const QString& title, const QString& fileName,
                const QStringList& filters);
// One of items; empty when cancelled.
QString askItem(QWidget* parent, const QString& title, const QString& label,
                const QStringList& items);

// Test hook: the answers of the next questions of any of the three, in order,
// which then ask nobody; an empty text stands for a cancelled dialog.
void setNextAnswers(const QStringList& answers);

} // namespace filechooser
