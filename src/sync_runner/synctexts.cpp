// What the windows say of a background sync.

#include "syncrunner.h"

#include "usertexts.h"

namespace syncrunner {

namespace {
constexpr int NamedShown = 5; // lines of a summary named in a message

using interchange::countText;

QString withStop(QString text)
{
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

// The first lines of a list, and how many more there are.
QString firstLines(const QStringList& lines, qint64 total)
{
    QString text = lines.mid(0, NamedShown).join(u'\n');
    if (total > NamedShown)
        text +=
            QStringLiteral("\n… e mais %1.").arg(interchange::brazilianNumber(total - NamedShown));
    return text;
}
} // namespace

QString whenText(const QDateTime& when, const QDateTime& now)
{
    const QString time = when.toString(QStringLiteral("HH:mm"));
    if (when.date() == now.date())
        return QStringLiteral("hoje às %1").arg(time);
    if (when.date() == now.date().addDays(-1))
        return QStringLiteral("ontem às %1").arg(time);
    return QStringLiteral("%1 às %2").arg(when.toString(QStringLiteral("dd/MM/yyyy")), time);
}

QString outcomeText(const syncengine::Summary& summary)
{
    switch (summary.outcome) {
    case syncengine::Summary::Done:
        break;
    case syncengine::Summary::StoppedBeforeDeleting:
        return QStringLiteral("parou antes de excluir ") +
               countText(summary.wouldDelete, "contato", "contatos");
    case syncengine::Summary::Failed:
    case syncengine::Summary::Busy:
        return QStringLiteral("falhou. ") + withStop(summary.error);
    }
    QStringList parts = {countText(summary.received, "recebido", "recebidos"),
                         countText(summary.sent, "enviado", "enviados")};
    if (summary.deleted > 0)
        parts << countText(summary.deleted, "excluído", "excluídos");
    if (summary.conflicts > 0)
        parts << countText(summary.conflicts, "conflito", "conflitos");
    return parts.join(QStringLiteral(", "));
}

QString storedText(const syncstate::Account& account)
{
    if (!account.lastError.isEmpty())
        return QStringLiteral("falhou. ") + withStop(account.lastError);
    // "Sincronizado com Contatos em host: 3 recebidos, 1 enviado, 0 excluídos,
    // 0 conflitos; …": the counts, those of nothing left out past the first two.
    const QString counts =
        account.lastSummary.section(QStringLiteral(": "), -1).section(u';', 0, 0);
    QStringList parts;
    for (const QString& part : counts.split(QStringLiteral(", "))) {
        if (parts.size() < 2 || !part.startsWith(QStringLiteral("0 ")))
            parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

QString stateLine(const QDateTime& when, const QString& what, const QDateTime& now)
{
    if (!when.isValid())
        return QStringLiteral("Última sincronização: nenhuma ainda");
    return QStringLiteral("Última sincronização: %1, %2").arg(whenText(when, now), what);
}

QString failureText(const syncengine::Summary& summary)
{
    if (summary.outcome != syncengine::Summary::Failed)
        return {};
    return withStop(summary.error) +
           QStringLiteral(" A sincronização não terminou; o que faltou vai na próxima.");
}

QString conflictText(const syncengine::Summary& summary)
{
    if (summary.conflicts == 0)
        return {};
    return QStringLiteral("A sincronização encontrou %1:\n")
               .arg(countText(summary.conflicts, "conflito", "conflitos")) +
           firstLines(summary.named, summary.named.size());
}

QString deletionText(const syncengine::Summary& summary)
{
    return QStringLiteral("A sincronização parou antes de excluir %1; nada foi alterado.\n\n")
               .arg(countText(summary.wouldDelete, "contato", "contatos")) +
           firstLines(summary.toDelete, summary.wouldDelete);
}

} // namespace syncrunner
