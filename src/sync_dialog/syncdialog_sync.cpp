#include "syncdialog.h"

#include "messagebox.h"
#include "syncpassword.h"
#include "ui_syncdialog.h"
#include "usertexts.h"

// A sync from the dialog: the book linked first when it is not yet, then one
// sync on the worker thread, and its summary.

namespace {
constexpr int NamedShown = 5; // conflicts and refusals named in the dialog

QString contacts(qint64 count)
{
    return interchange::countText(count, "contato", "contatos");
}
} // namespace

// What a task on the worker thread brings back.
struct SyncDialog::Outcome {
    syncsetup::Result refusal;                // why the sync did not start
    std::optional<syncstate::Account> linked; // the book was linked first
    carddav::Error error;                     // the book refused before the sync
    std::optional<syncengine::Summary> summary;
};

void SyncDialog::syncNow(bool confirmDeletions)
{
    if (!ready())
        return;
    m_lastTask = Syncing;
    m_note.clear();
    m_refused = {};
    syncsetup::Request r = request();
    const QString book = m_book;
    const std::optional<syncstate::Account> linked = m_account;
    say(linked ? QStringLiteral("Sincronizando…")
               : QStringLiteral("Ligando o banco de dados ao catálogo…"));
    auto outcome = std::make_shared<Outcome>();
    syncengine::SyncOptions options;
    options.confirmDeletions = confirmDeletions;
    options.progress = [this](qint64 done, qint64 total) {
        if (done % 50 == 0 || done == total)
            QMetaObject::invokeMethod(
                this,
                [this, done, total] {
                    say(QStringLiteral("Sincronizando… %1 de %2")
                            .arg(interchange::brazilianNumber(done),
                                 interchange::brazilianNumber(total)));
                },
                Qt::QueuedConnection);
    };
    inBackground(
        [r, book, linked, outcome, options, fromCommand = m_fromCommand]() mutable {
            if (fromCommand && !commandPassword(r, &outcome->refusal))
                return;
            syncstate::Account account;
            if (linked) {
                account = *linked;
            } else {
                outcome->refusal = syncsetup::setUp(book, r);
                if (!outcome->refusal.ok())
                    return;
                account = outcome->refusal.account;
                outcome->linked = account;
            }
            carddav::Client client(syncsetup::clientAccount(account, r.password));
            outcome->error = client.check(QUrl(account.bookUrl));
            if (outcome->error.ok())
                outcome->summary = syncengine::synchronise(book, client, options);
        },
        [this, outcome] { synced(*outcome); });
}

void SyncDialog::synced(const Outcome& outcome)
{
    if (refused(outcome.refusal))
        return;
    if (outcome.linked)
        m_account = outcome.linked;
    if (!outcome.error.ok()) {
        serverRefused(outcome.error);
        return;
    }
    keepPassword();
    const StoreResult<std::optional<syncstate::Account>> now = syncsetup::linkedAccount(m_book);
    if (now.value)
        m_account = now.value;
    showLastSync();
    showSummary(*outcome.summary);
}

void SyncDialog::showSummary(const syncengine::Summary& summary)
{
    QString text;
    switch (summary.outcome) {
    case syncengine::Summary::Done: {
        text = summary.text() + u'.';
        for (const QString& named : summary.named.mid(0, NamedShown))
            text += u'\n' + named;
        if (summary.named.size() > NamedShown)
            text += QStringLiteral("\n… e mais %1.").arg(summary.named.size() - NamedShown);
        break;
    }
    case syncengine::Summary::StoppedBeforeDeleting: {
        text = QStringLiteral("A sincronização parou antes de excluir %1; nada foi alterado.")
                   .arg(contacts(summary.wouldDelete));
        QString names = summary.toDelete.mid(0, NamedShown).join(u'\n');
        if (summary.wouldDelete > NamedShown)
            names += QStringLiteral("\n… e mais %1.").arg(summary.wouldDelete - NamedShown);
        say(text);
        if (MessageBox::show(
                this,
                text + QStringLiteral("\n\n") + names + QStringLiteral("\n\nExcluir mesmo assim?"),
                windowTitle(), MessageBox::Question, MessageBox::YesNoDefaultNo) == MessageBox::Yes)
            return syncNow(true);
        break;
    }
    case syncengine::Summary::Busy:
        text = summary.error;
        break;
    case syncengine::Summary::Failed:
        text = summary.error;
        if (!text.endsWith(u'.'))
            text += u'.';
        text += QStringLiteral(" A sincronização não terminou; o que faltou vai na próxima.");
        break;
    }
    if (!summary.backup.isEmpty())
        text = QStringLiteral("Cópia de segurança feita antes de sincronizar: %1\n")
                   .arg(summary.backup) +
               text;
    say(text);
}

// The password that worked goes where the user asked: the keyring, or memory.
void SyncDialog::keepPassword()
{
    if (m_fromCommand || !m_account)
        return;
    const std::pair<QString, bool> now{ui->password->text(), ui->remember->isChecked()};
    if (m_kept == now)
        return;
    const keyring::Answer answer =
        syncpassword::keep(m_account->serverUrl, m_account->user, now.first, now.second);
    m_kept = now;
    if (now.second && !answer.ok())
        m_note = answer.detail +
                 QStringLiteral(" A senha fica guardada só enquanto o programa estiver aberto.");
}
