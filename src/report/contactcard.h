#pragma once

#include <QString>

class QPainter;

// The contact as the printed card shows it: the window's seventeen texts, as
// they stand, nothing trimmed or converted.
struct ContactCard {
    QString nome;
    QString email;
    QString endRes;
    QString bairroRes;
    QString cidadeRes;
    QString ufRes;
    QString cepRes;
    QString foneRes;
    QString celularRes;
    QString endCom;
    QString bairroCom;
    QString cidadeCom;
    QString ufCom;
    QString cepCom;
    QString foneCom;
    QString ramal;
    QString celularCom;
};

// Paints the one-page card with painter, which is active on a paged device (a
// printer or a PDF writer); positions count from the device's printable area.
void paintContactCard(QPainter& painter, const ContactCard& card);
