// How late a 10 ms timer of the window's thread runs while the contact window
// syncs a book with 10,000 cards on a server in the background: the window open
// on an empty book linked to a Radicale server of its own, its first sync
// bringing every card in, and the timer's lateness measured from the window's
// showing until that sync's end has been handled. Nothing of the user's is
// touched: the book, the server's storage and the settings are in temporary
// folders.

#include "carddavclient.h"
#include "database.h"
#include "frmquelmar.h"
#include "messagebox.h"
#include "radicaleserver.h"
#include "syncrunner.h"
#include "syncstate.h"
#include "usersettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Cards = 10000;
constexpr int TickMs = 10;
constexpr double LimitMs = 50;

[[noreturn]] void stop(const QString& why)
{
    std::fprintf(stderr, "listrano-timerbench: %s\n", qPrintable(why));
    std::exit(1);
}

QByteArray cardText(int i)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:timerbench-%1\r\n"
                          "FN:Contato %1 da Silva\r\nN:da Silva;Contato %1;;;\r\n"
                          "EMAIL;TYPE=INTERNET:contato%1@exemplo.com.br\r\n"
                          "TEL;TYPE=CELL:+55 11 9%2\r\n"
                          "ADR;TYPE=HOME:;;Rua das Palmeiras\\, %1;São Paulo;SP;01310-100;"
                          "Brasil\r\nEND:VCARD\r\n")
        .arg(i)
        .arg(10000000 + i)
        .toUtf8();
}

// An address book of Cards cards, written straight into the stopped server's
// storage.
QUrl fill(RadicaleServer& server)
{
    if (!server.start())
        stop(server.errorText());
    const QUrl book =
        server.createAddressBook(QStringLiteral("contatos"), QStringLiteral("Contatos"));
    if (!book.isValid())
        stop(server.errorText());
    if (!server.writeCards(QStringLiteral("contatos"), Cards, cardText))
        stop(server.errorText());
    // The first reading of the cards fills the server's own cache: slow, and
    // no part of what is measured.
    carddav::Client client({book, server.user(), server.password(), {}});
    client.setTimeout(600000);
    const carddav::Result<QList<carddav::Entry>> listed = client.listing(book);
    if (!listed.ok() || listed.value.size() != Cards)
        stop(QStringLiteral("the server lists %1 cards of %2 (%3)")
                 .arg(listed.value.size())
                 .arg(Cards)
                 .arg(listed.error.message));
    return book;
}

QString linkedBook(const QTemporaryDir& dir, const RadicaleServer& server, const QUrl& url)
{
    const QString path = dir.filePath(contact::DatabaseFileName);
    if (const StoreError e = database::createEmpty(path))
        stop(e.text);
    database::Connection c(path, QStringLiteral("timerbench"));
    syncstate::Account account;
    account.serverUrl = server.url().toString();
    account.user = server.user();
    account.bookUrl = url.toString();
    account.bookName = QStringLiteral("Contatos");
    if (const StoreError e = c.error() ? c.error() : syncstate::setUp(c.db(), account))
        stop(e.text);
    // The password as a scheduled sync would have it: from a command.
    usersettings::AccountSettings settings;
    settings.passwordCommand = QStringLiteral("echo ") + server.password();
    if (const StoreError e = usersettings::save(account.serverUrl, account.user, settings))
        stop(e.text);
    return path;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(p * values.size())));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    MessageBox::setTestMode(true); // nothing waits for a click

    std::printf("Filling a Radicale server with %d cards…\n", Cards);
    std::fflush(stdout);
    RadicaleServer server;
    const QUrl url = fill(server);
    const QTemporaryDir dir;
    const QString book = linkedBook(dir, server, url);

    SyncRunner::Timing timing;
    timing.firstMs = 0;
    SyncRunner::setTiming(timing);
    frmQuelmar window;
    if (const StoreError e = window.Form_Load(book))
        stop(e.text);

    QList<double> lateness;
    double worst = 0;
    double worstAt = 0; // seconds from the window's showing
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(TickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double late = std::max(0.0, double(now - last) / 1e6 - TickMs);
        if (late > worst) {
            worst = late;
            worstAt = double(now) / 1e9;
        }
        lateness << late;
        last = now;
    });
    syncengine::Summary summary;
    double syncMs = 0;
    QObject::connect(window.syncRunner(), &SyncRunner::finished, [&](const syncengine::Summary& s) {
        summary = s;
        syncMs = double(clock.nsecsElapsed()) / 1e6;
        // The end of the sync, as the window handles it, counts too.
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    std::printf("First sync of %d cards in the open window, a %d ms timer running…\n", Cards,
                TickMs);
    std::fflush(stdout);
    window.show();
    clock.start();
    tick.start();
    app.exec();
    tick.stop();

    if (summary.outcome != syncengine::Summary::Done)
        stop(QStringLiteral("the sync did not end well: ") + summary.error);
    std::printf("%s\n", qPrintable(summary.text()));
    std::printf("sync: %.1f s; %lld ticks; timer late by at most %.1f ms (at %.1f s), 99th "
                "percentile %.1f ms, median %.1f ms (limit %.0f ms): %s\n",
                syncMs / 1000, qlonglong(lateness.size()), worst, worstAt,
                percentile(lateness, 0.99), percentile(lateness, 0.5), LimitMs,
                worst <= LimitMs ? "ok" : "TOO LATE");
    return worst <= LimitMs ? 0 : 1;
}
