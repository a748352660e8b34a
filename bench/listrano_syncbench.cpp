// Measures the synchronisation against a Radicale server of its own, with an
// address book of 10,000 cards (or as many as --cards gives):
// - the first sync of an empty book, beside a bare client making the same
//   requests (one sync-collection report from no token, then multigets in the
//   client's batches) and keeping the answers as they came, nothing parsed
//   beyond the hrefs; the ratio of the two is held to 1.5;
// - a sync with nothing changed on either side: its time and how many requests
//   it sent (one is the aim);
// - the first sync of a book of 1,000 contacts (or --push N; 0 leaves it out)
//   to an empty address book, every card sent. The server looks through every
//   card it holds for each new card's UID, so this grows with the square of the
//   count, nearly all of it the server's.
// Each time is the median of --runs runs (3), after a bare run that warms the
// server's own cache; beside it the CPU time of this process, the client's
// share of it, the server's being the rest.

#include "carddavclient.h"
#include "contactrecord.h"
#include "database.h"
#include "engine.h"
#include "radicaleserver.h"
#include "syncstate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The cards a multiget asks for at once, as the client does.
constexpr int MultigetBatch = 100;

const char* const FirstNames[] = {"Ana",      "Bruno",  "Carla",  "Daniel", "Eduarda", "Fábio",
                                  "Gabriela", "Hugo",   "Isabel", "João",   "Karina",  "Lucas",
                                  "Maria",    "Nelson", "Otávio", "Paula",  "Rafael",  "Sônia"};
const char* const LastNames[] = {"Silva", "Santos", "Oliveira", "Souza",   "Rodrigues",
                                 "Alves", "Lima",   "Costa",    "Ribeiro", "Araújo"};

// Why the benchmark gave up: main says it, and the server and the books go
// with the objects that hold them.
struct Stopped {
    QString why;
};

[[noreturn]] void stop(const QString& why)
{
    throw Stopped{why};
}

void require(const StoreError& error, const char* step)
{
    if (error)
        stop(QStringLiteral("%1 failed: %2").arg(QLatin1String(step), error.text));
}

QString personName(int i)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromUtf8(FirstNames[i % std::size(FirstNames)]),
             QString::fromUtf8(LastNames[(i / 7) % std::size(LastNames)]),
             QString::fromUtf8(LastNames[(i / 3) % std::size(LastNames)]))
        .arg(i);
}

// A card as a phone writes it: the fields the book has and some it has not.
QByteArray cardText(int i)
{
    const QString name = personName(i);
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:cartao-%1\r\nN:%3;%2;;;\r\n"
                          "FN:%4\r\nEMAIL;TYPE=INTERNET:contato%1@exemplo.com.br\r\n"
                          "TEL;TYPE=CELL:(11) 9%5-%6\r\nTEL;TYPE=HOME:(11) 3%5-%6\r\n"
                          "ADR;TYPE=HOME:;;Rua das Palmeiras\\, %1;São Paulo;SP;01310-100;"
                          "Brasil\r\nBDAY:1980-01-02\r\nNOTE:Cliente desde 2010\r\n"
                          "END:VCARD\r\n")
        .arg(i)
        .arg(name.section(u' ', 0, 0), name.section(u' ', 1, 1), name)
        .arg(1000 + i % 9000)
        .arg(i % 10000, 4, 10, QLatin1Char('0'))
        .toUtf8();
}

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Timing {
    double ms = 0;
    double cpuMs = 0;
    int requests = 0;
};

Timing median(QList<Timing> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const Timing& a, const Timing& b) { return a.ms < b.ms; });
    return runs.isEmpty() ? Timing() : runs.at(runs.size() / 2);
}

// Times what work does, wall clock and this process's CPU.
template <class Work> Timing timed(Work work)
{
    QElapsedTimer timer;
    const double cpu = cpuMs();
    timer.start();
    Timing t;
    t.requests = work();
    t.ms = ms(timer.nsecsElapsed());
    t.cpuMs = cpuMs() - cpu;
    return t;
}

// The cards written straight into the server's storage, while it is stopped.
void fillStorage(RadicaleServer& server, const QString& book, int count)
{
    if (!server.writeCards(book, count, cardText))
        stop(server.errorText());
}

// A book of its own, set up for the address book at url; count contacts in it
// before it was set up.
QString newBook(const QTemporaryDir& dir, const QString& name, const RadicaleServer& server,
                const QUrl& url, int count)
{
    const QString path = dir.filePath(name);
    require(database::createEmpty(path), "creating a book");
    database::Connection c(path, QStringLiteral("syncbench-") + name);
    require(c.error(), "opening a book");
    require(database::inTransaction(
                c.db(),
                [count](QSqlQuery& q) {
                    for (int i = 0; i < count; ++i) {
                        contact::Record r;
                        r[contact::Nome] = personName(i);
                        r[contact::Email] = QStringLiteral("contato%1@exemplo.com.br").arg(i);
                        r[contact::EndRes] = QStringLiteral("Rua das Palmeiras, %1").arg(i);
                        r[contact::CidadeRes] = QStringLiteral("São Paulo");
                        r[contact::UfRes] = QStringLiteral("SP");
                        r[contact::CelularRes] = QStringLiteral("(11) 9%1-%2")
                                                     .arg(1000 + i % 9000)
                                                     .arg(i % 10000, 4, 10, QLatin1Char('0'));
                        const auto added = syncstate::insertRow(q, r);
                        if (added.error)
                            return added.error;
                    }
                    return StoreError();
                }),
            "filling a book");
    syncstate::Account account;
    account.serverUrl = server.url().toString();
    account.user = server.user();
    account.bookUrl = url.toString();
    account.bookName = url.path().section(u'/', -2, -2);
    require(syncstate::setUp(c.db(), account), "setting up a book");
    return path;
}

// One engine sync of book, with a client of its own.
Timing engineSync(const RadicaleServer& server, const QUrl& url, const QString& book,
                  syncengine::Summary* summary = nullptr)
{
    return timed([&] {
        carddav::Client client({url, server.user(), server.password(), {}});
        const syncengine::Summary s = syncengine::synchronise(book, client);
        if (s.outcome != syncengine::Summary::Done)
            stop(QStringLiteral("the sync failed: ") + s.error);
        if (summary)
            *summary = s;
        return client.requests();
    });
}

// The bare client: the same requests, their answers kept whole.
class BareClient {
public:
    BareClient(const RadicaleServer& server, const QUrl& book)
        : m_book(book),
          m_authorization("Basic " + (server.user() + u':' + server.password()).toUtf8().toBase64())
    {
    }

    // The first sync's requests; how many were sent.
    int firstSync()
    {
        static const QByteArray SyncCollection =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token></d:sync-token>"
            "<d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
        const QStringList hrefs = cardHrefs(report(SyncCollection));
        int requests = 1;
        qint64 bytes = 0;
        for (qsizetype first = 0; first < hrefs.size(); first += MultigetBatch) {
            QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                              "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:getetag/>"
                              "<c:address-data/></d:prop>";
            for (const QString& href : hrefs.mid(first, MultigetBatch))
                body += "<d:href>" + href.toHtmlEscaped().toUtf8() + "</d:href>";
            body += "</c:addressbook-multiget>";
            bytes += report(body).size();
            ++requests;
        }
        if (hrefs.isEmpty() || bytes == 0)
            stop(QStringLiteral("the bare client read no cards"));
        return requests;
    }

private:
    QByteArray report(const QByteArray& body)
    {
        QNetworkRequest request(m_book);
        request.setRawHeader("Authorization", m_authorization);
        request.setRawHeader("Depth", "0");
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/xml; charset=utf-8");
        std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, "REPORT", body));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 207)
            stop(QStringLiteral("REPORT answered %1 %2").arg(status).arg(reply->errorString()));
        return reply->readAll();
    }

    // The hrefs of the members listed, the collection's own left out.
    static QStringList cardHrefs(const QByteArray& multistatus)
    {
        QStringList hrefs;
        QXmlStreamReader xml(multistatus);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"href" &&
                xml.namespaceUri() == u"DAV:") {
                const QString href = xml.readElementText();
                if (!href.endsWith(u'/'))
                    hrefs << href;
            }
        }
        return hrefs;
    }

    QUrl m_book;
    QByteArray m_authorization;
    QNetworkAccessManager m_network;
};

void printRow(const char* what, const Timing& t, const QString& remark = {})
{
    std::printf("%-42s | %9.0f | %9.0f | %8d | %s\n", what, t.ms, t.cpuMs, t.requests,
                qPrintable(remark));
    std::fflush(stdout);
}

int option(const QStringList& arguments, const char* name, int otherwise)
{
    const qsizetype at = arguments.indexOf(QLatin1String(name));
    return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : otherwise;
}

} // namespace

int run();

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    try {
        return run();
    } catch (const Stopped& stopped) {
        std::fprintf(stderr, "listrano-syncbench: %s\n", qPrintable(stopped.why));
        return 1;
    }
}

int run()
{
    const QStringList arguments = QCoreApplication::arguments();
    const int cards = option(arguments, "--cards", 10000);
    const int pushed = option(arguments, "--push", 1000);
    const int runs = std::max(1, option(arguments, "--runs", 3));

    RadicaleServer server;
    if (!server.start())
        stop(server.errorText());
    const QUrl full =
        server.createAddressBook(QStringLiteral("contatos"), QStringLiteral("Contatos"));
    const QUrl empty =
        server.createAddressBook(QStringLiteral("enviados"), QStringLiteral("Enviados"));
    if (full.isEmpty() || empty.isEmpty())
        stop(server.errorText());
    fillStorage(server, QStringLiteral("contatos"), cards);
    {
        // The first reading of the cards fills the server's cache: slow.
        carddav::Client client({full, server.user(), server.password(), {}});
        client.setTimeout(600000);
        const auto listed = client.listing(full);
        if (!listed.ok() || listed.value.size() != cards)
            stop(QStringLiteral("the server lists %1 cards of %2 (%3)")
                     .arg(listed.value.size())
                     .arg(cards)
                     .arg(listed.error.message));
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        stop(dir.errorString());

    std::printf("%d cards on the server, median of %d runs\n\n"
                "%-42s | %9s | %9s | %8s |\n",
                cards, runs, "", "ms", "CPU ms", "requests");
    BareClient bare(server, full);
    bare.firstSync(); // the server reads every card once and keeps it in its cache
    QList<Timing> bareRuns, engineRuns, unchangedRuns;
    QString book;
    for (int run = 0; run < runs; ++run) {
        bareRuns << timed([&] { return bare.firstSync(); });
        book = newBook(dir, QStringLiteral("primeira-%1.mdb").arg(run), server, full, 0);
        syncengine::Summary s;
        engineRuns << engineSync(server, full, book, &s);
        if (s.received != cards)
            stop(QStringLiteral("the first sync received %1 of %2").arg(s.received).arg(cards));
    }
    for (int run = 0; run < runs; ++run) {
        syncengine::Summary s;
        unchangedRuns << engineSync(server, full, book, &s);
        if (s.received + s.sent + s.deleted + s.conflicts + s.alreadyEqual != 0)
            stop(QStringLiteral("a sync with nothing changed did something: ") + s.text());
    }
    const Timing b = median(bareRuns), e = median(engineRuns), u = median(unchangedRuns);
    printRow("bare client, first sync", b);
    printRow("engine, first sync of an empty book", e,
             QStringLiteral("%1x the bare client (aim: 1.5x at most)").arg(e.ms / b.ms, 0, 'f', 2));
    printRow("engine, sync with nothing changed", u, QStringLiteral("aim: 1 request"));

    if (pushed > 0) {
        const QString source = newBook(dir, QStringLiteral("envio.mdb"), server, empty, pushed);
        syncengine::Summary s;
        const Timing p = engineSync(server, empty, source, &s);
        if (s.sent != pushed)
            stop(QStringLiteral("the first sync sent %1 of %2").arg(s.sent).arg(pushed));
        printRow(qPrintable(QStringLiteral("engine, first sync sending %1").arg(pushed)), p,
                 QStringLiteral("one run; the CPU time is the client's share"));
    }
    return 0;
}
