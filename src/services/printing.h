#pragma once

#include <QString>

#include <functional>

class QPainter;
class QWidget;

// The system's printers, as the program uses them: one document of one page on
// the default printer, or into a PDF file.
namespace printing {

struct Result {
    bool ok = false;
    QString error; // in Portuguese, for the user, when not ok
};

using Paint = std::function<void(QPainter&)>;

// True when the system has a default printer to print on.
bool hasDefaultPrinter();
// Prints one document named title on the default printer.
Result printOnDefault(const QString& title, const Paint& paint);
// Writes the same document into a PDF file at path.
Result printToPdf(const QString& path, const QString& title, const Paint& paint);
// Asks the user where to save a PDF file, offering fileName in the user's
// documents folder; empty when cancelled.
QString askPdfPath(QWidget* parent, const QString& fileName);

// Test hooks, so that tests need neither CUPS nor a person at the dialog.
// The printer that hasDefaultPrinter and printOnDefault stand for until set
// back to System: none at all, one that fails every job, or one whose jobs
// land in the PDF file pdfPath (each job replaces the file).
enum class TestPrinter { System, None, Failing, ToPdf };
void setTestPrinter(TestPrinter printer, const QString& pdfPath = QString());
// The answer of the next askPdfPath, which then asks nobody; an empty path
// stands for a cancelled dialog.
void setNextPdfPath(const QString& path);

} // namespace printing
