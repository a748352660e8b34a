#include "cardprint.h"

#include "messagebox.h"
#include "printing.h"

namespace cardprint {

Result print(QWidget* parent, const ContactCard& card, const QString& title)
{
    const QString name = card[contact::Nome];
    const auto paint = [&card](QPainter& painter) { paintContactCard(painter, card); };
    const QString document = QStringLiteral("Listrano - ") + name;

    printing::Result result = printing::printOnDefault(document, paint);
    if (result.noPrinter) {
        // Nothing reported as printed: the card can go into a PDF file instead.
        const MessageBox::Answer answer =
            MessageBox::show(parent,
                             QStringLiteral("Não há impressora instalada.\n"
                                            "Deseja salvar o relatório em um arquivo PDF?"),
                             title, MessageBox::Question, MessageBox::YesNo);
        if (answer == MessageBox::No)
            return {Outcome::Declined, QString()};
        const QString path = printing::askPdfPath(parent, pdfFileName(name));
        if (path.isEmpty())
            return {Outcome::Declined, QString()};
        result = printing::printToPdf(path, document, paint);
    }
    if (!result.ok)
        return {Outcome::Failed, result.error};
    return {Outcome::Printed, QString()};
}

QString pdfFileName(const QString& name)
{
    QString kept;
    for (const QChar ch : name) {
        if (ch.isLetterOrNumber() || ch == u' ' || ch == u'-')
            kept.append(ch);
    }
    kept = kept.simplified();
    return (kept.isEmpty() ? QStringLiteral("Contato") : kept) + QStringLiteral(".pdf");
}

} // namespace cardprint
