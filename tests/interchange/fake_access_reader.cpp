#include "accesspieces.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

using interchange::AccessPiece;

// Stands in for listrano-access-reader: sends a table of two rows, then ends
// as its second argument (the table asked for) says, breaking the protocol.
int main(int argc, char** argv)
{
    const QByteArray how = argc > 2 ? argv[2] : "";
    const auto send = [](AccessPiece piece, const QStringList& cells) {
        const QByteArray message = interchange::accessMessage(piece, cells);
        for (qsizetype done = 0; done < message.size();) {
            const ssize_t n =
                ::write(STDOUT_FILENO, message.constData() + done, size_t(message.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    };
    send(AccessPiece::Header, {"Nome", "Email"});
    send(AccessPiece::Row, {"Ana", "ana@x.com"});
    if (how == "killed midway")
        ::raise(SIGKILL);
    send(AccessPiece::Row, {"Bia", "bia@x.com"});
    if (how == "complaint on error output")
        std::fputs("Unhandled ole type 12 on page 7\n", stderr);
    if (how == "count differs")
        send(AccessPiece::End, {"3"});
    else if (how != "no last message")
        send(AccessPiece::End, {"2"});
    return 0;
}
