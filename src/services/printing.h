#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QPainter;
class QWidget;

// The system's printers, as the program uses them: one document of one page on
// the default printer, or into a PDF file.
namespace printing {

struct Result {
    bool ok = false;
    QString error;          // in Portuguese, for the user, when not ok
    bool noPrinter = false; // not ok because the system has no default printer
};

using Paint = std::function<void(QPainter&)>;

// Prints one document named title on the default printer; when the system has
// none, nothing is painted and noPrinter says so.
Result printOnDefault(const QString& title, const Paint& paint);
// Writes the same document into a PDF file at path. Only a file is written, so
// test mode leaves this alone.
Result printToPdf(const QString& path, const QString& title, const Paint& paint);
// Asks the user where to save a PDF file, offering fileName in the user's
// documents folder; empty when cancelled. The question is the file chooser's
// and is scripted through its hooks.
QString askPdfPath(QWidget* parent, const QString& fileName);

// Test hooks, as the message box's. While test mode is on no printer is used:
// each job for the default printer is painted into memory, noted by its title,
// and meets the next scripted answer, or no printer when none is left.
enum class Answer { Printed, NoPrinter, Refused };
void setTestMode(bool on);
void setNextAnswer(Answer answer);
QStringList asked();
void clearAsked();

} // namespace printing
