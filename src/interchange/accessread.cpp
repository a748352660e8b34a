#include "accessread.h"

#include "accesspieces.h"
#include "systemerror.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace interchange {

namespace {
// A reader that sends nothing for this long is taken to be stuck on a damaged file.
constexpr int SilenceLimitMs = 15000;

const QString DamagedText = QStringLiteral("O arquivo do Access não pôde ser lido: está danificado "
                                           "ou é de uma versão que o programa não conhece.");
const QString NotAccessText = QStringLiteral("O arquivo não é um banco de dados do Access.");

// Answers false to stop the reading.
using Sink = std::function<bool(AccessPiece, const QStringList&)>;

QString& readerInstead()
{
    static QString program;
    return program;
}

// Where the reader lies: in the library folder of an installed program, beside
// the program otherwise.
QString readerPath()
{
    if (!readerInstead().isEmpty())
        return readerInstead();
    const QString dir = QCoreApplication::applicationDirPath();
    const QString installed =
        dir + QStringLiteral("/" LISTRANO_ACCESS_READER_DIR "/listrano-access-reader");
    if (QFileInfo(installed).isExecutable())
        return installed;
    return dir + QStringLiteral("/listrano-access-reader");
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

QString systemError()
{
    return systemerror::reason(errno);
}

// Runs the reader on the Access file at path, handing each of its messages to
// sink as it comes. Anything the reader says on its error output (the
// library's complaints about the file), a stream that does not parse, a last
// message missing or counting other rows than were sent, a crash or a long
// silence make the file damaged.
QString readApart(const QString& path, const QStringList& arguments, const Sink& sink)
{
    const Fd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return systemError();
    char head[20];
    if (::pread(file.get(), head, sizeof head, 0) != qsizetype(sizeof head) ||
        !isAccessFile(QByteArray(head, sizeof head)))
        return NotAccessText;

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return systemError();
    Fd outRead(out[0]), outWrite(out[1]);
    if (::pipe2(err, O_CLOEXEC) != 0)
        return systemError();
    Fd errRead(err[0]), errWrite(err[1]);

    const QByteArray program = QFile::encodeName(readerPath());
    QList<QByteArray> args{program};
    for (const QString& a : arguments)
        args << a.toUtf8();
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, file.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return QStringLiteral("O leitor de arquivos do Access (%1) não pôde ser iniciado: %2")
            .arg(QString::fromLocal8Bit(program), systemerror::reason(spawned));
    }
    outWrite.reset();
    errWrite.reset();

    QByteArray received;
    QString error;
    bool damaged = false;
    bool stopped = false;
    bool ended = false;
    qint64 rows = 0;
    // Each whole message received, in turn.
    const auto takeMessages = [&] {
        while (!damaged && !stopped && received.size() >= 4) {
            const quint32 length = qFromBigEndian<quint32>(received.constData());
            if (received.size() - 4 < qsizetype(length))
                return;
            QDataStream stream(received.mid(4, length));
            received.remove(0, 4 + length);
            qint8 piece = 0;
            QStringList cells;
            stream >> piece >> cells;
            if (stream.status() != QDataStream::Ok || ended) {
                damaged = true;
            } else if (AccessPiece(piece) == AccessPiece::End) {
                ended = true;
                damaged = cells.value(0) != QString::number(rows);
            } else if (AccessPiece(piece) == AccessPiece::Error) {
                error = cells.value(0);
                stopped = true;
            } else {
                if (AccessPiece(piece) == AccessPiece::Row)
                    ++rows;
                stopped = !sink(AccessPiece(piece), cells);
            }
        }
    };
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && !damaged && !stopped) {
        pollfd p[2] = {{outOpen ? outRead.get() : -1, POLLIN, 0},
                       {errOpen ? errRead.get() : -1, POLLIN, 0}};
        const int ready = ::poll(p, 2, SilenceLimitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            damaged = true;
            break;
        }
        char buffer[1 << 16];
        if (p[1].revents != 0) {
            const ssize_t n = ::read(errRead.get(), buffer, sizeof buffer);
            if (n > 0)
                damaged = true; // the library complained about the file
            else if (n == 0 || errno != EINTR)
                errOpen = false;
        }
        if (p[0].revents != 0 && !damaged) {
            const ssize_t n = ::read(outRead.get(), buffer, sizeof buffer);
            if (n > 0) {
                received.append(buffer, n);
                takeMessages();
            } else if (n == 0 || errno != EINTR) {
                outOpen = false;
            }
        }
    }
    if (damaged || stopped)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (stopped)
        return error;
    if (damaged || !ended || !received.isEmpty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return DamagedText;
    return QString();
}
} // namespace

bool isAccessFile(const QByteArray& head)
{
    const QByteArray kind = head.mid(4, 15);
    return head.startsWith(QByteArray("\0\1\0\0", 4)) &&
           (kind == "Standard Jet DB" || kind == "Standard ACE DB");
}

bool isAccessFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && isAccessFile(file.read(20));
}

QStringList accessTables(const QString& path, QString* error)
{
    QStringList names;
    *error = readApart(path, {QStringLiteral("--tables")},
                       [&names](AccessPiece piece, const QStringList& cells) {
                           if (piece == AccessPiece::Tables)
                               names = cells;
                           return true;
                       });
    if (!error->isEmpty())
        names.clear();
    return names;
}

QString readAccessTable(const QString& path, const QString& table, const RowSink& sink)
{
    int line = 0;
    return readApart(path, {QStringLiteral("--table"), table},
                     [&](AccessPiece piece, const QStringList& cells) {
                         if (piece == AccessPiece::Header)
                             return sink(cells, 0);
                         if (piece == AccessPiece::Row)
                             return sink(cells, ++line);
                         return true;
                     });
}

void setAccessReader(const QString& program)
{
    readerInstead() = program;
}

CsvTable readAccessTable(const QString& path, const QString& table)
{
    CsvTable result =
        collect([&](const RowSink& sink) { return readAccessTable(path, table, sink); });
    if (!result.error.isEmpty()) {
        result.rows.clear();
        result.lines.clear();
    }
    return result;
}

} // namespace interchange
