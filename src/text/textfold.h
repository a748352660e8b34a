#pragma once

#include <QString>
#include <QStringView>

// Names compared the way people type them: without their accents and letter
// case. A text folded is each character case folded, taken apart into its
// canonical decomposition, its combining marks left out and what remains case
// folded again: "Conceição" folds to "conceicao", "Müller" to "muller", and an
// "ã" stored as "a" and a combining tilde folds to "a" just as a composed one.
// (The one mark with a letter case, the Greek iota subscript, is folded to the
// letter iota first and stays, so that texts equal letter case aside fold alike.)
namespace textfold {

// The folded units of a text, one by one, and how much of the text they came
// from. Latin-1 is folded from a table; anything beyond it character by character.
class Units {
public:
    explicit Units(QStringView text) : m_text(text) {}

    // The next folded unit; false at the end of the text.
    bool next(char16_t& unit)
    {
        while (m_pendingAt == m_pendingCount) {
            if (m_at == m_text.size())
                return false;
            const char16_t first = m_text[m_at].unicode();
            if (first < 256 && latin1[first] != 0) {
                ++m_at;
                unit = latin1[first];
                return true;
            }
            foldNextCharacter();
        }
        unit = m_pending[m_pendingAt++];
        return true;
    }
    // The units of the text consumed: those of every character whose folded
    // units have been asked for, begun or whole, and of the marks left out.
    qsizetype consumed() const { return m_at; }
    // Goes past the characters ahead that fold to nothing (combining marks), when
    // the units of the characters before have all been given.
    void skipSilent();

private:
    void foldNextCharacter();

    // The folded unit of each Latin-1 unit, all of which fold to exactly one
    // (0 where one did not, for the general way).
    static const char16_t* const latin1;

    QStringView m_text;
    qsizetype m_at = 0;
    char16_t m_pending[24] = {};
    int m_pendingAt = 0;
    int m_pendingCount = 0;
};

// The whole text folded.
QString fold(QStringView text);

// Where folded text and key stand to each other, as std::u16string_view::compare
// orders the folded units: below, 0, above. With prefix, only the first
// foldedKey.size() units of text count, and a text folding shorter is below.
int compareFolded(QStringView text, QStringView foldedKey, bool prefix);

// How many units of item, blanks in front included, fold to the first
// foldedLength units of its folded trimmed form; the marks that follow go with
// them, so that an "a" and a combining tilde count as 2 for one folded unit.
qsizetype prefixEnd(QStringView item, qsizetype foldedLength);

} // namespace textfold
