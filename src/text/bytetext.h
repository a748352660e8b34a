#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Bytes of a text whose encoding nobody named: UTF-8 when they are, else
// Windows-1252, as files and vCard values from old phones come.
namespace bytetext {

// The text of a file: UTF-8, with or without a BOM, else Windows-1252, decided
// on the bytes. False in ok when the bytes are neither.
QString decodeText(const QByteArray& bytes, bool* ok);

// The bytes as decodeText would decode them once it decided on Windows-1252:
// false in ok when a byte has no character there.
QString decodeWindows1252(QByteArrayView bytes, bool* ok);

} // namespace bytetext
