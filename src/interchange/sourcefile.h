#pragma once

#include <QString>

#include <sys/types.h>

// A file to read contacts from, opened only when it is a regular file: a pipe
// would block the reading, a device would never end.
namespace interchange {

// "um pipe (FIFO)", "uma pasta"..., what a file of this mode is; empty for a
// regular file.
QString fileKindText(mode_t mode);

class SourceFile {
public:
    // Looks at path itself (a symbolic link is not followed), then opens it
    // without following a link and without waiting, and checks that what was
    // opened is the regular file looked at.
    explicit SourceFile(const QString& path);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    // Why the file is not read; empty when it is open.
    QString error() const { return m_error; }
    // A name that reaches the opened file itself, for readers that take a name.
    QString openedPath() const;

private:
    int m_fd = -1;
    QString m_path;
    QString m_error;
};

} // namespace interchange
