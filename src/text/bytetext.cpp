#include "bytetext.h"

#include <QStringDecoder>

#include <array>

namespace bytetext {

namespace {
// Windows-1252 where it differs from Latin-1; 0 marks a byte it leaves undefined.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QString decodeText(const QByteArray& bytes, bool* ok)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    *ok = !utf8.hasError();
    if (*ok) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    text.clear();
    return decodeWindows1252(bytes, ok);
}

QString decodeWindows1252(QByteArrayView bytes, bool* ok)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t ch = b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b);
        if (ch == 0 && b != 0) {
            *ok = false;
            return QString();
        }
        text.append(QChar(ch));
    }
    *ok = true;
    return text;
}

} // namespace bytetext
