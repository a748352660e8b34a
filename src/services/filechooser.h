#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The system's file dialogs and a choice from a list, as the program asks them.
// Tests script the answers and read back what was asked, so that no test waits
// for a person.
namespace filechooser {

// The user's documents folder, or the home folder when there is none.
QString documentsFolder();

// A file to read, starting in the documents folder; empty when cancelled.
QString askOpen(QWidget* parent, const QString& title, const QString& filters);
// Who asks before a file chosen to write is replaced: the file dialog, or the
// caller, who looks at what is there first (a link, a folder to refuse).
enum class Replace { DialogAsks, CallerAsks };

// A file to write, offering fileName in the user's documents folder; the
// dialog completes the name with the chosen filter's suffix and, unless told
// otherwise, asks before replacing a file. Empty when cancelled.
QString askSave(QWidget* parent, const QString& title, const QString& fileName,
                const QStringList& filters, Replace replace = Replace::DialogAsks);
// One of items; empty when cancelled.
QString askItem(QWidget* parent, const QString& title, const QString& label,
                const QStringList& items);

// A question as it would have been asked.
struct Asked {
    enum Kind { Open, Save, Item };
    Kind kind;
    QString title;
    QString fileName;    // askSave's offered name
    QString label;       // askItem's label
    QStringList choices; // the filters of askOpen and askSave, askItem's items
};

// Test hooks, as the message box's. While test mode is on no dialog is shown:
// each question of the three takes the next scripted answer, or is cancelled
// when none is left; an empty answer stands for a cancelled dialog.
void setTestMode(bool on);
void setNextAnswer(const QString& answer);
QList<Asked> asked();
void clearAsked();

} // namespace filechooser
