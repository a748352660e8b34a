#pragma once

#include "contactrecord.h"

#include <QList>
#include <QString>

#include <functional>

class QPainter;

// The contact as the printed card shows it: the window's seventeen texts, as
// they stand, nothing trimmed or converted; only a masked field (CEP, phone)
// without a digit is left blank after its label, whatever placeholders it holds.
using ContactCard = contact::Record;

// Paints the one-page card with painter, which is active on a paged device (a
// printer or a PDF writer); positions count from the device's printable area.
void paintContactCard(QPainter& painter, const ContactCard& card);

// The card as lines from the top, each in one font size, its texts placed at
// character columns of that font: column 1 is the left edge of the printable
// area, column N begins N - 1 average character widths to the right.
struct CardText {
    int column;
    QString text;
};
struct CardLine {
    int pointSize;
    QList<CardText> texts;
};

// How many columns of the pointSize font text takes up.
using CardTextWidth = std::function<double(int pointSize, const QString& text)>;
// How many columns of the pointSize font the printable area is wide.
using CardPageWidth = std::function<double(int pointSize)>;

// The lines of the card. A label that would run into the value column sends
// its value to the value column of the line below. A rule holds as many dashes
// as fit across the printable area, 100 at most.
QList<CardLine> contactCardLines(const ContactCard& card, const CardTextWidth& widthInColumns,
                                 const CardPageWidth& pageColumns);
