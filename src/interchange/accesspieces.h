#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QStringList>
#include <QtEndian>

// What listrano-access-reader sends on its standard output, one message at a
// time: four bytes of length (big-endian), then the piece and its cells as a
// QDataStream writes them.
namespace interchange {

enum class AccessPiece : qint8 {
    Header, // the table's column names
    Row,    // one row's cells
    Tables, // the file's user tables
    Error,  // a reason in Portuguese; nothing else follows
    End,    // the last message: the number of rows sent
};

inline QByteArray accessMessage(AccessPiece piece, const QStringList& cells)
{
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream << qint8(piece) << cells;
    QByteArray message(4, '\0');
    qToBigEndian(quint32(body.size()), message.data());
    return message + body;
}

} // namespace interchange
