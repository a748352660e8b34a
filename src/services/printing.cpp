#include "printing.h"

#include "testhook.h"

#include "filechooser.h"
#include "systemerror.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <cups/cups.h>

#include <cerrno>
#include <sys/stat.h>

namespace printing {

namespace {
TestHook<Answer, QString>& hook()
{
    static TestHook<Answer, QString> h;
    return h;
}

const QString NoPrinterText = QStringLiteral("Nenhuma impressora está instalada.");
const QString RefusedText = QStringLiteral("A impressora recusou o trabalho de impressão.");

Result failure(const QString& text, const QString& detail = QString())
{
    return {false, detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail};
}

QString printerDetail(const QPrinterInfo& info)
{
    return QStringLiteral("Impressora: %1").arg(info.printerName());
}

// The PDF file's page: A4 upright, with the margins a typical printer cannot
// print on, so that the file looks like the printed page.
QPageLayout pdfPageLayout()
{
    constexpr qreal margin = 6.35; // a quarter inch
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
}

// Why writing the file at path failed, from errno, which was 0 before the
// call: Qt's own refusal of a folder at the path sets none.
QString writeFailure(const QString& path)
{
    const int err = errno != 0 ? errno : QFileInfo(path).isDir() ? EISDIR : EIO;
    return systemerror::reason(err);
}

// Paints the document into a PDF held in memory.
bool paintPdf(QIODevice* out, const QString& title, const Paint& paint)
{
    QPdfWriter writer(out);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Listrano"));
    writer.setPageLayout(pdfPageLayout());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    paint(painter);
    return painter.end();
}

// A job in test mode: painted like any other, then given the scripted answer.
Result scriptedJob(const QString& title, const Paint& paint)
{
    const Answer answer = hook().take(title, Answer::NoPrinter);
    if (answer == Answer::NoPrinter)
        return {false, NoPrinterText, true};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    paintPdf(&buffer, title, paint);
    if (answer == Answer::Refused)
        return failure(RefusedText, QStringLiteral("Impressora: impressora de teste"));
    return {true, QString()};
}

Result printOnSystem(const QString& title, const Paint& paint)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return {false, NoPrinterText, true};

    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(title);
    QPainter painter;
    if (!painter.begin(&printer))
        return failure(RefusedText, printerDetail(info));
    paint(painter);
    // The job goes to CUPS here. Qt does not say whether the queue took it, but
    // CUPS keeps the answer to its last request, the job's submission.
    const bool ended = painter.end();
    const QPrinter::PrinterState state = printer.printerState();
    if (!ended || state == QPrinter::Error || state == QPrinter::Aborted)
        return failure(RefusedText, printerDetail(info));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return failure(RefusedText, printerDetail(info) + QStringLiteral("\n") +
                                        QString::fromUtf8(cupsLastErrorString()));
    return {true, QString()};
}
} // namespace

Result printOnDefault(const QString& title, const Paint& paint)
{
    if (hook().on())
        return scriptedJob(title, paint);
    return printOnSystem(title, paint);
}

Result printToPdf(const QString& path, const QString& title, const Paint& paint)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QString cannotWrite =
        QStringLiteral("Não foi possível gravar o arquivo %1.").arg(shownPath);

    // The whole file is made in memory first, so that a failed write leaves
    // no half-written file behind and an existing one as it was.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!paintPdf(&buffer, title, paint))
        return failure(cannotWrite);

    // Unbuffered, so that a full disk is heard at the write itself: QSaveFile
    // would otherwise put a file in place whose buffered data failed to reach
    // the disk when it was closed. Whatever is not committed is thrown away.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(cannotWrite, writeFailure(path));
    // For the user alone, whatever the umask or the permissions of a file replaced.
    if (::fchmod(file.handle(), 0600) != 0)
        return failure(cannotWrite, writeFailure(path));
    errno = 0;
    if (file.write(buffer.data()) != buffer.data().size() || !file.flush() || !file.commit())
        return failure(cannotWrite, writeFailure(path));
    return {true, QString()};
}

QString askPdfPath(QWidget* parent, const QString& fileName)
{
    // The dialog adds the suffix itself, so that it also asks before replacing
    // a file of the completed name.
    return filechooser::askSave(parent, QStringLiteral("Salvar como PDF"), fileName,
                                {QStringLiteral("PDF (*.pdf)")});
}

void setTestMode(bool on)
{
    hook().setTestMode(on);
}

void setNextAnswer(Answer answer)
{
    hook().queue(answer);
}

QStringList asked()
{
    return hook().asked();
}

void clearAsked()
{
    hook().clearAsked();
}

} // namespace printing
