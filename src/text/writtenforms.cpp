#include "writtenforms.h"

#include "maskformat.h"

#include "textfold.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace writtenform {

using maskformat::isAsciiDigit;

namespace {
const QString FormulaStarts = QStringLiteral("=+-@");

// The number without the country's code in front.
QString withoutCountryCode(const QString& written)
{
    QString text = written.trimmed();
    if (text.startsWith(QStringLiteral("+55")))
        text.remove(0, 3);
    return text;
}

// Digits only, when text holds nothing but digits and the marks numbers are
// written with.
QString digitsOf(const QString& text, const QString& marks)
{
    QString digits;
    for (const QChar ch : text) {
        if (isAsciiDigit(ch))
            digits.append(ch);
        else if (!marks.contains(ch))
            return QString();
    }
    return digits;
}

// No area code holds a 0.
bool isAreaCode(QStringView digits)
{
    return digits.size() >= 2 && digits[0] != u'0' && digits[1] != u'0';
}

// Area code and number, when the number could be one: it never begins with 0 or 1.
bool isGeographic(QStringView digits)
{
    return isAreaCode(digits) && digits.size() > 2 && digits[2] > u'1';
}

// The form of a Brazilian number, or an empty text for anything else.
QString brazilianForm(const QString& written)
{
    if (isForeignPhone(written))
        return QString();
    // "0xx" holds the place of the carrier code: two digits of it.
    static const QRegularExpression carrier(QStringLiteral("^(\\(?)0\\s*xx"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString text = withoutCountryCode(written);
    if (text.contains(u'x', Qt::CaseInsensitive))
        text.replace(carrier, QStringLiteral("\\1000"));
    QString digits = digitsOf(text, QStringLiteral(" ()-."));
    if (digits.startsWith(u'0')) {
        if (digits.size() == 11 && !isGeographic(QStringView(digits).mid(1)))
            return QStringLiteral("%1 %2 %3").arg(digits.left(4), digits.mid(4, 3), digits.mid(7));
        if (digits.size() == 11 || digits.size() == 12)
            digits.remove(0, 1); // long-distance prefix
        else if (digits.size() == 13 || digits.size() == 14)
            digits.remove(0, 3); // and carrier code
        else
            return QString();
    }
    if (!isAreaCode(digits))
        return QString();
    if (digits.size() == 10)
        return QStringLiteral("(%1) %2-%3").arg(digits.left(2), digits.mid(2, 4), digits.mid(6));
    if (digits.size() == 11)
        return QStringLiteral("(%1) %2-%3").arg(digits.left(2), digits.mid(2, 5), digits.mid(7));
    return QString();
}

struct State {
    const char* code;
    const char* name;
};
// The 26 states and the Federal District.
constexpr State States[] = {
    {"AC", "Acre"},
    {"AL", "Alagoas"},
    {"AP", "Amapá"},
    {"AM", "Amazonas"},
    {"BA", "Bahia"},
    {"CE", "Ceará"},
    {"DF", "Distrito Federal"},
    {"ES", "Espírito Santo"},
    {"GO", "Goiás"},
    {"MA", "Maranhão"},
    {"MT", "Mato Grosso"},
    {"MS", "Mato Grosso do Sul"},
    {"MG", "Minas Gerais"},
    {"PA", "Pará"},
    {"PB", "Paraíba"},
    {"PR", "Paraná"},
    {"PE", "Pernambuco"},
    {"PI", "Piauí"},
    {"RJ", "Rio de Janeiro"},
    {"RN", "Rio Grande do Norte"},
    {"RS", "Rio Grande do Sul"},
    {"RO", "Rondônia"},
    {"RR", "Roraima"},
    {"SC", "Santa Catarina"},
    {"SP", "São Paulo"},
    {"SE", "Sergipe"},
    {"TO", "Tocantins"},
};
} // namespace

bool isForeignPhone(const QString& written)
{
    static const QRegularExpression foreign(
        QStringLiteral("^\\+\\s*(?!55)\\d|\\(\\s*[1-9]\\d\\d\\s*\\)"));
    // With no parenthesis, only a code other than +55 in front makes it foreign.
    const QString text = written.trimmed();
    if (!text.contains(u'(') && (!text.startsWith(u'+') || text.startsWith(u"+55")))
        return false;
    return foreign.match(text).hasMatch();
}

QString phoneDigits(const QString& clipText)
{
    const QString form = brazilianForm(clipText);
    QString digits;
    for (QChar ch : form.isEmpty() ? withoutCountryCode(clipText) : form) {
        if (isAsciiDigit(ch))
            digits.append(ch);
    }
    return digits;
}

// Whether written is in the form a Brazilian number is given, "(11) 3333-4444"
// or "(11) 98877-6655", an area code with no 0: nothing to change.
static bool isInPhoneForm(QStringView written)
{
    const qsizetype size = written.size();
    if ((size != 14 && size != 15) || written[0] != u'(' || written[3] != u')' ||
        written[4] != u' ' || written[size - 5] != u'-')
        return false;
    for (const qsizetype at : {qsizetype(1), qsizetype(2)}) {
        if (!isAsciiDigit(written[at]) || written[at] == u'0')
            return false;
    }
    for (qsizetype at = 5; at < size; ++at) {
        if (at != size - 5 && !isAsciiDigit(written[at]))
            return false;
    }
    return true;
}

QString wholePhoneForm(const QString& written)
{
    if (isInPhoneForm(written))
        return written;
    const QString form = brazilianForm(written);
    return form.isEmpty() ? written.trimmed() : form;
}

QString phoneForm(const QString& written)
{
    return wholePhoneForm(written).left(PhoneMaxLength);
}

QString cepForm(const QString& written)
{
    // "01.310-100": in its form already.
    if (written.size() == 10 && written[2] == u'.' && written[6] == u'-' &&
        std::all_of(written.begin(), written.end(),
                    [](QChar ch) { return isAsciiDigit(ch) || ch == u'.' || ch == u'-'; }) &&
        written.count(u'.') == 1 && written.count(u'-') == 1)
        return written;
    const QString text = written.trimmed();
    // In ASCII, read from the end: three digits, a '-' or ' ', three digits, a
    // '.', and one or two digits, the marks optional.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar ch) {
        return isAsciiDigit(ch) || ch == u'.' || ch == u'-' || ch == u' ';
    });
    if (ascii) {
        const QStringView all(text);
        const auto digits = [](QStringView part) {
            return std::all_of(part.begin(), part.end(), isAsciiDigit);
        };
        qsizetype at = all.size() - 3;
        if (at < 0 || !digits(all.sliced(at)))
            return written;
        const QStringView last = all.sliced(at);
        if (at > 0 && (all[at - 1] == u'-' || all[at - 1] == u' '))
            --at;
        if (at < 3 || !digits(all.sliced(at - 3, 3)))
            return written;
        at -= 3;
        const QStringView middle = all.sliced(at, 3);
        if (at > 0 && all[at - 1] == u'.')
            --at;
        const QStringView first = all.first(at);
        if (first.isEmpty() || first.size() > 2 || !digits(first))
            return written;
        return first.toString().rightJustified(2, u'0') + u'.' + middle.toString() + u'-' +
               last.toString();
    }
    static const QRegularExpression cep(QStringLiteral("^(\\d{1,2})\\.?(\\d{3})[- ]?(\\d{3})$"));
    const QRegularExpressionMatch m = cep.match(text);
    if (!m.hasMatch())
        return written;
    return m.captured(1).rightJustified(2, u'0') + u'.' + m.captured(2) + u'-' + m.captured(3);
}

SplitPhone splitExtension(const QString& written)
{
    static const QRegularExpression extension(
        QStringLiteral("^(.*\\d\\)?)\\s*(?:,|;\\s*ext=|(?:ramal|ext|r|x)\\.?:?)\\s*(\\d{1,6})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = written.trimmed();
    // Every way of writing an extension has a ',', a ';', an 'r' or an 'x'.
    const bool marked = std::any_of(text.begin(), text.end(), [](QChar ch) {
        return ch == u',' || ch == u';' || ch == u'r' || ch == u'R' || ch == u'x' || ch == u'X';
    });
    if (!marked)
        return {text, QString()};
    const QRegularExpressionMatch m = extension.match(text);
    if (!m.hasMatch())
        return {text, QString()};
    return {m.captured(1).trimmed(), m.captured(2)};
}

QString stateCode(const QString& written)
{
    struct Keys {
        QString code;
        QString foldedCode;
        QString foldedName;
    };
    // The states' codes and names folded once, in States' order.
    static const std::vector<Keys> keys = [] {
        std::vector<Keys> all;
        for (const State& state : States) {
            const QString code = QString::fromLatin1(state.code);
            all.push_back(
                {code, textfold::fold(code), textfold::fold(QString::fromUtf8(state.name))});
        }
        return all;
    }();
    // A code as it is written already, the usual case.
    if (written.size() == 2) {
        for (const Keys& state : keys) {
            if (written == state.code)
                return state.code;
        }
    }
    const QString key = textfold::fold(written.simplified());
    for (const Keys& state : keys) {
        if (key == state.foldedCode || key == state.foldedName)
            return state.code;
    }
    return written;
}

QString internationalPhone(const QString& stored)
{
    static const QRegularExpression phone(
        QStringLiteral("^\\(([1-9][1-9])\\) (\\d{4,5})-(\\d{4})$"));
    const QRegularExpressionMatch m = phone.match(stored);
    if (!m.hasMatch())
        return stored;
    return QStringLiteral("+55 %1 %2-%3").arg(m.captured(1), m.captured(2), m.captured(3));
}

QString plainCep(const QString& stored)
{
    static const QRegularExpression cep(QStringLiteral("^(\\d\\d)[.,](\\d{3})-(\\d{3})$"));
    const QRegularExpressionMatch m = cep.match(stored);
    return m.hasMatch() ? m.captured(1) + m.captured(2) + u'-' + m.captured(3) : stored;
}

QString guardFormula(const QString& text)
{
    return !text.isEmpty() && FormulaStarts.contains(text.at(0)) ? u'\'' + text : text;
}

QString unguardFormula(const QString& cell)
{
    return cell.size() > 1 && cell.at(0) == u'\'' && FormulaStarts.contains(cell.at(1))
               ? cell.mid(1)
               : cell;
}

} // namespace writtenform
