#include "maskformat.h"

#include <algorithm>

namespace maskformat {

namespace {

// Index of the first digit position at or after from, or -1.
int slotFrom(const QString& pattern, int from)
{
    for (int i = qMax(from, 0); i < pattern.size(); ++i) {
        if (pattern.at(i) == DigitSlot)
            return i;
    }
    return -1;
}

// Index of the last digit position before `before`, or -1.
int slotBefore(const QString& pattern, int before)
{
    for (int i = qMin(before, int(pattern.size())) - 1; i >= 0; --i) {
        if (pattern.at(i) == DigitSlot)
            return i;
    }
    return -1;
}

// Where the caret stands after a digit went into position slot: on the next
// digit position, past any literals in between, or just after slot at the end.
int caretAfter(const QString& pattern, int slot)
{
    const int next = slotFrom(pattern, slot + 1);
    return next >= 0 ? next : slot + 1;
}

QString clearSlots(const QString& pattern, QString text, int start, int length)
{
    for (int i = start; i < start + length; ++i) {
        if (pattern.at(i) == DigitSlot)
            text[i] = Prompt;
    }
    return text;
}

// Shared preamble of the editing operations: checks the text's length and brings
// start/length inside it. Returns false if the text cannot be edited.
bool normalise(const QString& pattern, const QString& text, int& start, int& length)
{
    if (pattern.isEmpty() || text.size() != pattern.size())
        return false;
    start = qBound(0, start, int(text.size()));
    length = qBound(0, length, int(text.size()) - start);
    return true;
}

EditResult refused(const QString& text, int start)
{
    return {text, start, false};
}

} // namespace

bool holdsDigit(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isAsciiDigit);
}

QString emptyText(const QString& pattern)
{
    QString text = pattern;
    for (QChar& ch : text) {
        if (ch == DigitSlot)
            ch = Prompt;
    }
    return text;
}

bool fits(const QString& pattern, const QString& text)
{
    if (text.size() != pattern.size())
        return false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar p = pattern.at(i);
        const QChar t = text.at(i);
        bool ok;
        if (p == DigitSlot)
            ok = isAsciiDigit(t) || t == Prompt;
        else if (p == PointSlot)
            ok = t == PointSlot || t == u',';
        else
            ok = t == p;
        if (!ok)
            return false;
    }
    return true;
}

QString normalised(const QString& pattern, const QString& text)
{
    QString result = text;
    for (int i = 0; i < qMin(pattern.size(), result.size()); ++i) {
        if (pattern.at(i) == PointSlot)
            result[i] = PointSlot;
    }
    return result;
}

bool isFull(const QString& pattern, const QString& text)
{
    for (int i = 0; i < qMin(pattern.size(), text.size()); ++i) {
        if (pattern.at(i) == DigitSlot && !isAsciiDigit(text.at(i)))
            return false;
    }
    return fits(pattern, text);
}

QString relaid(const QString& fromPattern, const QString& text, const QString& toPattern)
{
    QString result = emptyText(toPattern);
    int to = slotFrom(toPattern, 0);
    for (int from = slotFrom(fromPattern, 0); from >= 0 && from < text.size() && to >= 0;
         from = slotFrom(fromPattern, from + 1)) {
        result[to] = text.at(from);
        to = slotFrom(toPattern, to + 1);
    }
    return result;
}

EditResult typeChar(const QString& pattern, const QString& text, int start, int length, QChar ch)
{
    if (!normalise(pattern, text, start, length) || !isAsciiDigit(ch))
        return refused(text, start);
    const int slot = slotFrom(pattern, start);
    if (slot < 0)
        return refused(text, start);
    QString result = clearSlots(pattern, text, start, length);
    result[slot] = ch;
    return {result, caretAfter(pattern, slot), true};
}

EditResult backspace(const QString& pattern, const QString& text, int start, int length)
{
    if (!normalise(pattern, text, start, length))
        return refused(text, start);
    if (length > 0)
        return {clearSlots(pattern, text, start, length), start, true};
    const int slot = slotBefore(pattern, start);
    if (slot < 0)
        return refused(text, start);
    return {clearSlots(pattern, text, slot, 1), slot, true};
}

EditResult deleteForward(const QString& pattern, const QString& text, int start, int length)
{
    if (!normalise(pattern, text, start, length))
        return refused(text, start);
    if (length > 0)
        return {clearSlots(pattern, text, start, length), start, true};
    const int slot = slotFrom(pattern, start);
    if (slot < 0)
        return refused(text, start);
    return {clearSlots(pattern, text, slot, 1), start, true};
}

EditResult paste(const QString& pattern, const QString& text, int start, int length,
                 const QString& clipText)
{
    if (!normalise(pattern, text, start, length))
        return refused(text, start);
    int slot = slotFrom(pattern, start);
    const bool hasDigit = std::any_of(clipText.begin(), clipText.end(), isAsciiDigit);
    if (slot < 0 || !hasDigit)
        return refused(text, start);

    QString result = clearSlots(pattern, text, start, length);
    int last = slot;
    for (QChar ch : clipText) {
        if (slot < 0)
            break;
        if (!isAsciiDigit(ch))
            continue;
        result[slot] = ch;
        last = slot;
        slot = slotFrom(pattern, slot + 1);
    }
    return {result, caretAfter(pattern, last), true};
}

GrowResult typeGrowing(const QString& narrow, const QString& wide, const QString& pattern,
                       const QString& text, int start, int length, const QString& digits)
{
    const GrowResult refusal{refused(text, start), pattern};
    GrowResult state{{text, start, true}, pattern};
    for (QChar ch : digits) {
        QString shape = state.pattern;
        QString current = state.edit.text;
        int at = state.edit.cursor;
        if (!wide.isEmpty() && shape == narrow && length == 0 && at >= current.size() &&
            isFull(shape, current)) {
            current = relaid(shape, current, wide);
            shape = wide;
            at = slotBefore(wide, int(wide.size()));
        }
        const EditResult next = typeChar(shape, current, at, length, ch);
        if (!next.accepted)
            return refusal;
        state = {next, shape};
        length = 0;
    }
    return digits.isEmpty() ? refusal : state;
}

GrowResult settled(const QString& narrow, const QString& wide, const QString& pattern,
                   const QString& text, int cursor)
{
    const GrowResult unchanged{{text, cursor, true}, pattern};
    if (wide.isEmpty() || narrow.isEmpty() || pattern != wide || !fits(wide, text))
        return unchanged;
    const int narrowSlots = int(narrow.count(DigitSlot));
    int seen = 0;        // digit positions of the wide text seen so far
    int slotsBefore = 0; // those before the caret
    for (int i = 0; i < wide.size(); ++i) {
        if (wide.at(i) != DigitSlot)
            continue;
        if (seen >= narrowSlots && text.at(i) != Prompt)
            return unchanged; // a digit the narrow pattern has no place for
        if (i < cursor)
            ++slotsBefore;
        ++seen;
    }
    if (seen <= narrowSlots)
        return unchanged; // not wider at all

    int caret = int(narrow.size());
    if (slotsBefore < narrowSlots) {
        caret = slotFrom(narrow, 0);
        for (int n = 0; n < slotsBefore; ++n)
            caret = slotFrom(narrow, caret + 1);
        // Before the first position the caret stays where it was.
        if (slotsBefore == 0)
            caret = qMin(caret, qMax(cursor, 0));
    }
    return {{relaid(wide, text, narrow), caret, true}, narrow};
}

namespace {
// The contents of the digit positions of a text in pattern.
QString heldIn(const QString& pattern, const QString& text)
{
    QString held;
    for (int i = 0; i < pattern.size() && i < text.size(); ++i) {
        if (pattern.at(i) == DigitSlot)
            held.append(text.at(i));
    }
    return held;
}

// How many positions count: up to the last digit.
int usedSlots(const QString& held)
{
    int used = int(held.size());
    while (used > 0 && held.at(used - 1) == Prompt)
        --used;
    return used;
}
} // namespace

PhoneShape phoneShape(const QString& held, const QString& current)
{
    PhoneShape shape{QString(), held, 0};
    while (shape.held.startsWith(u'0')) {
        if (usedSlots(shape.held) < 3 || shape.held.at(2) == Prompt || shape.held.at(2) == u'0') {
            shape.pattern = NonGeographicPattern;
            break;
        }
        shape.held.remove(0, 1);
        ++shape.dropped;
    }
    const int used = usedSlots(shape.held);
    if (!shape.pattern.isEmpty())
        ; // waiting for the third digit, or non-geographic
    else if (used == 0)
        shape.pattern = PhonePattern;
    else if (shape.held.at(0) == Prompt &&
             (current == NonGeographicPattern || current == LocalPattern))
        shape.pattern = current;
    else if (shape.held.at(0) != Prompt && used >= 2 && shape.held.at(1) == u'0')
        shape.pattern = LocalPattern;
    else
        shape.pattern = used > PhonePattern.count(DigitSlot) ? MobilePattern : PhonePattern;

    const int room = int(shape.pattern.count(DigitSlot));
    if (used > room)
        shape.pattern.clear();
    else
        shape.held = shape.held.left(room).leftJustified(room, Prompt);
    return shape;
}

GrowResult phoneSettled(const QString& pattern, const QString& text, int cursor)
{
    const QString held = heldIn(pattern, text);
    const PhoneShape shape = phoneShape(held, pattern);
    if (shape.pattern.isEmpty())
        return {refused(text, cursor), pattern};
    const int before = int(heldIn(pattern.left(qMax(cursor, 0)), text).size());
    const int kept = qMax(0, before - shape.dropped);
    const QString& to = shape.pattern;
    int caret = int(to.size());
    if (before == 0) {
        caret = qMin(qMax(cursor, 0), slotFrom(to, 0));
    } else if (kept < shape.held.size()) {
        caret = slotFrom(to, 0);
        for (int n = 0; n < kept; ++n)
            caret = slotFrom(to, caret + 1);
    }
    return {{relaid(QString(shape.held.size(), DigitSlot), shape.held, to), caret, true}, to};
}

GrowResult typePhone(const QString& pattern, const QString& text, int start, int length,
                     const QString& digits)
{
    const GrowResult refusal{refused(text, start), pattern};
    GrowResult state{{text, start, true}, pattern};
    for (QChar ch : digits) {
        const GrowResult typed =
            typeGrowing(PhonePattern, MobilePattern, state.pattern, state.edit.text,
                        state.edit.cursor, length, QString(ch));
        if (!typed.edit.accepted)
            return refusal;
        state = phoneSettled(typed.pattern, typed.edit.text, typed.edit.cursor);
        if (!state.edit.accepted)
            return refusal;
        length = 0;
    }
    return digits.isEmpty() ? refusal : state;
}

} // namespace maskformat
