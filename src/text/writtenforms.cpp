#include "writtenforms.h"

#include <QRegularExpression>

namespace writtenform {

namespace {
const QString FormulaStarts = QStringLiteral("=+-@");

bool isAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// The number without the country's code in front.
QString withoutCountryCode(const QString& written)
{
    QString text = written.trimmed();
    if (text.startsWith(QStringLiteral("+55")))
        text.remove(0, 3);
    return text;
}

// The digits without the long-distance prefix.
QString withoutTrunkZero(QString digits)
{
    if (digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits;
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
} // namespace

QString phoneDigits(const QString& clipText)
{
    QString digits;
    for (QChar ch : withoutCountryCode(clipText)) {
        if (isAsciiDigit(ch))
            digits.append(ch);
    }
    return withoutTrunkZero(digits);
}

QString phoneForm(const QString& written)
{
    const QString digits =
        withoutTrunkZero(digitsOf(withoutCountryCode(written), QStringLiteral(" ()-.")));
    if (digits.size() == 10)
        return QStringLiteral("(%1) %2-%3").arg(digits.left(2), digits.mid(2, 4), digits.mid(6));
    if (digits.size() == 11)
        return QStringLiteral("(%1) %2-%3").arg(digits.left(2), digits.mid(2, 5), digits.mid(7));
    return written;
}

QString cepForm(const QString& written)
{
    static const QRegularExpression cep(QStringLiteral("^(\\d\\d)\\.?(\\d{3})-?(\\d{3})$"));
    const QRegularExpressionMatch m = cep.match(written.trimmed());
    return m.hasMatch() ? m.captured(1) + u'.' + m.captured(2) + u'-' + m.captured(3) : written;
}

QString internationalPhone(const QString& stored)
{
    static const QRegularExpression phone(QStringLiteral("^\\((\\d\\d)\\) (\\d{4,5})-(\\d{4})$"));
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
