#pragma once

#include "contactcard.h"

#include <QString>

class QWidget;

// Sends the card to the default printer or, when the system has none and the
// user agrees, into a PDF file of the user's choice.
namespace cardprint {

enum class Outcome {
    Printed,
    Declined, // no PDF file wanted, or no place chosen for it
    Failed,
};

struct Result {
    Outcome outcome = Outcome::Failed;
    QString error; // in Portuguese, for the user, when Failed
};

// The questions asked on the way are titled title.
Result print(QWidget* parent, const ContactCard& card, const QString& title);

// The PDF file name offered for a contact: the name's letters, digits, blanks
// and hyphens only, so that no name leads the dialog to another folder.
QString pdfFileName(const QString& name);

} // namespace cardprint
