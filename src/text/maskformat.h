#pragma once

#include <QString>

// Text rules behind the masked input field (MaskEdBox), kept free of widgets so
// they can be tested on their own.
//
// A pattern is made of:
//   '#'  a digit position; it holds 0-9, or the prompt '_' while unfilled
//   '.'  a point, shown and kept as a point whatever the locale; a comma in its
//        place (as texts saved under a comma locale hold) is taken too
//   any other character: a literal, shown as itself
//
// The field's text always has exactly the pattern's length. Editing never
// inserts or removes characters: digits overwrite positions and clearing puts
// the prompt back, so the literals stay where the pattern puts them.
namespace maskformat {

inline constexpr QChar DigitSlot = u'#';
inline constexpr QChar PointSlot = u'.';
inline constexpr QChar Prompt = u'_';

// Brazilian phone numbers: area code and eight digits, or nine for a mobile.
inline const QString PhonePattern = QStringLiteral("(##) ####-####");
inline const QString MobilePattern = QStringLiteral("(##) #####-####");
// Non-geographic numbers (0800, 0300...) and numbers without an area code.
inline const QString NonGeographicPattern = QStringLiteral("#### ### ####");
inline const QString LocalPattern = QStringLiteral("####-####");

// The outcome of an editing operation. When accepted is false, text and cursor
// are the unchanged input and the caller should leave the field alone.
struct EditResult {
    QString text;
    int cursor = 0;
    bool accepted = false;
};

// A digit as a masked field holds it: 0-9 only.
inline bool isAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// Whether a field's text holds a digit at all: one that holds none, only a
// mask's literals and prompts, holds nothing.
bool holdsDigit(const QString& text);

// The text of an untouched field: prompts in the digit positions, literals in place.
QString emptyText(const QString& pattern);

// True if text has the pattern's length, every digit position holds a digit or
// the prompt and every literal is in place ('.' or ',' where the pattern has '.').
bool fits(const QString& pattern, const QString& text);

// A fitting text as the field shows and keeps it: a point where the pattern has one.
QString normalised(const QString& pattern, const QString& text);

// True when every digit position of a fitting text holds a digit.
bool isFull(const QString& pattern, const QString& text);

// The digit positions of text (digits and prompts, in order) laid into the digit
// positions of another pattern: positions left over get the prompt, contents
// left over are dropped.
QString relaid(const QString& fromPattern, const QString& text, const QString& toPattern);

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

// Typing digits, one after the other from start, into a field that may grow: a
// digit typed at the end of a full text in the narrow pattern moves the text into
// the wide one (a mobile number's eleventh digit: "(11) 9876-5432" and 1 give
// "(11) 98765-4321"). Every digit must find a place, or none is taken. pattern is
// the one the text is in; an empty wide never grows.
struct GrowResult {
    EditResult edit;
    QString pattern; // the one the result is in
};
GrowResult typeGrowing(const QString& narrow, const QString& wide, const QString& pattern,
                       const QString& text, int start, int length, const QString& digits);

// The shape a field that may grow settles into after an edit: a text in the wide
// pattern whose extra digit positions (the last ones, beyond the narrow pattern's
// count) are all empty goes back to the narrow pattern, its digit positions laid
// in the same order ("(11) 33334-444_" gives "(11) 3333-4444"). Any other text
// stays as it is, a wide one with a gap inside and its last position filled
// included. The caret keeps the count of digit positions before it: on the narrow
// pattern's position of that count, or at the end when all of them are before it.
GrowResult settled(const QString& narrow, const QString& wide, const QString& pattern,
                   const QString& text, int cursor);

// The pattern a phone field takes for the contents of its digit positions
// (digits and prompts, in order; prompts at the end do not count):
// - a first digit 0 waits for the third in NonGeographicPattern; a third 0 keeps
//   it there (0800, 0300, 0303, 0500, 0900), any other means the 0 was the
//   long-distance prefix, dropped (and the rest taken anew);
// - a first digit 1-9 with a second digit 0 (no area code holds a 0: 4004,
//   3003) takes LocalPattern;
// - otherwise PhonePattern, or MobilePattern with an eleventh digit;
// - an empty first position (a gap left by an edit) keeps current when that is
//   NonGeographicPattern or LocalPattern;
// - nothing at all takes PhonePattern.
// pattern is empty when the digits do not fit in the one they take.
struct PhoneShape {
    QString pattern;
    QString held;    // those it holds, any dropped prefix gone
    int dropped = 0; // leading positions dropped
};
PhoneShape phoneShape(const QString& held, const QString& current);

// A phone field's text after an edit in the pattern phoneShape gives it, the
// caret on the same digit; refused when the digits fit no pattern. The caret
// keeps the count of digit positions before it, as settled() keeps it.
GrowResult phoneSettled(const QString& pattern, const QString& text, int cursor);

// Digits typed one after the other into a phone field from start (over the
// selection start/length), each edit settled by phoneSettled before the next:
// the same digits give the same text whether typed or pasted. Every digit must
// find a place, or none is taken.
GrowResult typePhone(const QString& pattern, const QString& text, int start, int length,
                     const QString& digits);

} // namespace maskformat
