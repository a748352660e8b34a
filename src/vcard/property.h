#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One content line of a vCard (2.1, 3.0, 4.0) read: its group, name,
// parameters and value.
namespace vcard {

struct Parameter {
    QString name;       // upper case; a bare 2.1 parameter (TEL;HOME) is a TYPE
    QStringList values; // unquoted, split at the commas outside quotes
};

struct Property {
    QString group;     // "item1" of "item1.TEL", upper case
    QString name;      // upper case, group taken off
    QStringList types; // upper case, from TYPE= and bare 2.1 parameters
    bool preferred = false;
    QList<Parameter> parameters; // in the line's order
    QString value;               // decoded, still escaped
    // Quoted-printable bytes its character set cannot read: the card cannot
    // be read, rather than hold replacement characters.
    bool undecodable = false;
    bool quotedPrintable = false;
    // Where the value begins in the line: after the first ':' outside a quoted
    // parameter. -1 when the line has none, and so no property.
    qsizetype valueStart = -1;
};

// A logical (unfolded) content line read. A quoted-printable value is decoded
// in its CHARSET; without one as a file's text is, UTF-8 else Windows-1252.
Property parse(const QString& line);

// A text value's escapes taken off (\n, \N, \, \; \\).
QString unescaped(const QString& value);
// A text escaped for a value: backslash, comma, semicolon, line breaks.
QString escaped(QString value);

// The components of a structured value, split at the ';' no backslash escapes,
// each unescaped.
QStringList components(const QString& value);
// The same, each still escaped as written.
QStringList rawComponents(const QString& value);

} // namespace vcard
