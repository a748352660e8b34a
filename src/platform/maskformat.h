#pragma once

#include <QLocale>
#include <QString>

// Text rules behind the masked input field (MaskEdBox), kept free of widgets so
// they can be tested on their own.
//
// A pattern is made of:
//   '#'  a digit position; it holds 0-9, or the prompt '_' while unfilled
//   '.'  the decimal separator, shown as the locale's separator
//   any other character: a literal, shown as itself
//
// The field's text always has exactly the pattern's length. Editing never
// inserts or removes characters: digits overwrite positions and clearing puts
// the prompt back, so the literals stay where the pattern puts them.
namespace maskformat {

inline constexpr QChar DigitSlot = u'#';
inline constexpr QChar DecimalSlot = u'.';
inline constexpr QChar Prompt = u'_';

// The outcome of an editing operation. When accepted is false, text and cursor
// are the unchanged input and the caller should leave the field alone.
struct EditResult {
    QString text;
    int cursor = 0;
    bool accepted = false;
};

// The character shown for a '.' in the pattern.
QChar decimalSeparator(const QLocale& locale = QLocale());

// The text of an untouched field: prompts in the digit positions, literals in place.
QString emptyText(const QString& pattern, const QLocale& locale = QLocale());

// True if text has the pattern's length, every digit position holds a digit or
// the prompt and every literal is in place. A decimal position takes both the
// locale's separator and '.', so a text saved under another locale is still taken.
bool fits(const QString& pattern, const QString& text, const QLocale& locale = QLocale());

// The editing operations below work on a text that already has the pattern's
// length (anything else is refused). The selection is given as start/length;
// with length 0, start is simply the caret position.

// Typing one character. Only a digit is taken: the selection's digit positions
// are cleared first, then the digit overwrites the first digit position at or
// after start, and the caret moves past it and any literals that follow.
EditResult typeChar(const QString& pattern, const QString& text, int start, int length, QChar ch);

// Backspace: clears the selection's digit positions, or else the nearest digit
// position before the caret; the caret goes to the start of what was cleared.
EditResult backspace(const QString& pattern, const QString& text, int start, int length);

// Delete: clears the selection's digit positions, or else the first digit
// position at or after the caret; the caret does not move.
EditResult deleteForward(const QString& pattern, const QString& text, int start, int length);

// Paste: the selection's digit positions are cleared, then the digits of
// clipText fill successive digit positions from start; anything else in
// clipText is skipped and digits beyond the last position are dropped.
// A clipText without digits is refused.
EditResult paste(const QString& pattern, const QString& text, int start, int length,
                 const QString& clipText);

} // namespace maskformat
