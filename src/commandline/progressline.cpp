#include "progressline.h"

#include "usertexts.h"

#include <unistd.h>

namespace commandline {

void say(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString contacts(qint64 count)
{
    return interchange::countText(count, "contato", "contatos");
}

ProgressLine::ProgressLine(const QString& doing) : m_doing(doing), m_shown(isatty(STDERR_FILENO)) {}

ProgressLine::~ProgressLine()
{
    clear();
}

interchange::Progress ProgressLine::progress()
{
    if (!m_shown)
        return {};
    return [this](qint64 done, qint64 total) {
        std::fputs(QStringLiteral("\r%1: %2 de %3")
                       .arg(m_doing, interchange::brazilianNumber(done), contacts(total))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        std::fflush(stderr);
        m_dirty = true;
        return true;
    };
}

void ProgressLine::clear()
{
    if (m_dirty)
        std::fputs("\r\033[K", stderr);
    m_dirty = false;
}

} // namespace commandline
