#pragma once

#include "progress.h"

#include <QString>

#include <cstdio>

// What the command line's tasks share: their lines on the terminal.
namespace commandline {

// One line of text on stream, at once.
void say(FILE* stream, const QString& text);

// "1 contato", "1.234 contatos".
QString contacts(qint64 count);

// A line on the terminal that tells how far a long task is, written over
// itself; nothing when the messages go to a file or a pipe.
class ProgressLine {
public:
    explicit ProgressLine(const QString& doing);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    interchange::Progress progress();
    void clear();

private:
    QString m_doing;
    bool m_shown;
    bool m_dirty = false;
};

} // namespace commandline
