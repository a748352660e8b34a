#include "syncdialog.h"

#include "messagebox.h"
#include "syncpassword.h"
#include "syncrunner.h"
#include "ui_syncdialog.h"
#include "usertexts.h"

#include <QCloseEvent>
#include <QThread>
#include <QTimer>

namespace {
QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

} // namespace

SyncDialog::SyncDialog(const QString& book, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SyncDialog>()), m_book(book)
{
    ui->setupUi(this);
    ui->trust->hide();
    connect(ui->test, &QPushButton::clicked, this, &SyncDialog::testServer);
    connect(ui->syncNow, &QPushButton::clicked, this, [this] { syncNow(); });
    connect(ui->turnOff, &QPushButton::clicked, this, &SyncDialog::turnOff);
    connect(ui->trust, &QPushButton::clicked, this, &SyncDialog::trustCertificate);
    connect(ui->close, &QPushButton::clicked, this, &SyncDialog::reject);
    loadAccount();
    // The keyring may take a while to answer: the dialog shows first.
    if (m_account)
        QTimer::singleShot(0, this, &SyncDialog::loadPassword);
}

SyncDialog::~SyncDialog()
{
    if (m_worker)
        m_worker->wait();
}

void SyncDialog::closeEvent(QCloseEvent* event)
{
    if (busy())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void SyncDialog::reject()
{
    if (!busy())
        QDialog::reject();
}

void SyncDialog::loadAccount()
{
    const StoreResult<std::optional<syncstate::Account>> linked = syncsetup::linkedAccount(m_book);
    if (linked.error)
        say(capitalised(linked.error.explained()));
    m_account = linked.value;
    if (m_account) {
        ui->address->setText(m_account->serverUrl);
        ui->user->setText(m_account->user);
        carddav::AddressBook book;
        book.url = QUrl(m_account->bookUrl);
        book.displayName = m_account->bookName;
        showBooks({book});
    }
    showLastSync();
    showState();
}

void SyncDialog::loadPassword()
{
    const syncpassword::Found found = syncpassword::find(m_account->serverUrl, m_account->user);
    m_fromCommand = found.source == syncpassword::Found::Command;
    if (m_fromCommand) {
        ui->password->clear();
        ui->password->setPlaceholderText(QStringLiteral("Dada pelo comando da senha"));
        if (!found.error.isEmpty())
            say(capitalised(found.error));
    } else if (found.source != syncpassword::Found::None) {
        ui->password->setText(found.password);
        const bool inKeyring = found.source == syncpassword::Found::Keyring;
        ui->remember->setChecked(inKeyring || !found.keyringDetail.isEmpty());
        m_kept = {found.password, inKeyring};
    } else if (!found.keyringDetail.isEmpty()) {
        say(found.keyringDetail + QStringLiteral(" Digite a senha."));
    }
    showState();
}

void SyncDialog::showState()
{
    const bool idle = !busy();
    const bool linked = m_account.has_value();
    for (QWidget* w : {static_cast<QWidget*>(ui->address), static_cast<QWidget*>(ui->user),
                       static_cast<QWidget*>(ui->test), static_cast<QWidget*>(ui->syncNow),
                       static_cast<QWidget*>(ui->close), static_cast<QWidget*>(ui->trust)})
        w->setEnabled(idle);
    ui->address->setReadOnly(linked);
    ui->user->setReadOnly(linked);
    ui->password->setEnabled(idle && !m_fromCommand);
    ui->remember->setEnabled(idle && !m_fromCommand);
    ui->books->setEnabled(idle && !linked);
    ui->turnOff->setEnabled(idle && linked);
    ui->trust->setVisible(!m_refused.fingerprint.isEmpty());
}

void SyncDialog::showLastSync()
{
    if (!m_account) {
        ui->lastSync->setText(QStringLiteral("Sincronização desligada: este banco de dados não "
                                             "está ligado a nenhum catálogo."));
        return;
    }
    const syncstate::Account& a = *m_account;
    QString text =
        QStringLiteral("Ligado ao catálogo %1 em %2.").arg(a.bookName, QUrl(a.bookUrl).host());
    if (a.lastSync.isEmpty())
        text += QStringLiteral("\nNenhuma sincronização ainda.");
    else if (!a.lastError.isEmpty())
        text += QStringLiteral("\n%1: falhou. %2")
                    .arg(capitalised(syncdialog::whenText(a.lastSync)), a.lastError);
    else
        text += QStringLiteral("\n%1: %2.")
                    .arg(capitalised(syncdialog::whenText(a.lastSync)), a.lastSummary);
    ui->lastSync->setText(text);
    fit();
}

void SyncDialog::say(const QString& text)
{
    ui->message->setText(m_note.isEmpty() ? text : text + u'\n' + m_note);
    fit();
}

// Grows the dialog to show every line of its messages.
void SyncDialog::fit()
{
    layout()->activate();
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                     : layout()->totalSizeHint().height();
    if (height() < needed)
        resize(width(), needed);
}

// False, after saying what is missing, when the fields do not make a request.
bool SyncDialog::ready()
{
    if (ui->address->text().trimmed().isEmpty()) {
        say(QStringLiteral("Informe o endereço do servidor."));
        ui->address->setFocus();
        return false;
    }
    if (!m_fromCommand && ui->password->text().isEmpty()) {
        say(QStringLiteral("Informe a senha."));
        ui->password->setFocus();
        return false;
    }
    return true;
}

syncsetup::Request SyncDialog::request() const
{
    syncsetup::Request r;
    r.address = m_account ? m_account->serverUrl : ui->address->text().trimmed();
    r.user = m_account ? m_account->user : ui->user->text().trimmed();
    r.password = ui->password->text();
    const QList<QListWidgetItem*> chosen = ui->books->selectedItems();
    if (!chosen.isEmpty() && !m_account)
        r.addressBook = chosen.constFirst()->data(Qt::UserRole).toString();
    r.trustCertificates = m_trusted;
    return r;
}

void SyncDialog::inBackground(const std::function<void()>& work, const std::function<void()>& done)
{
    m_worker = QThread::create(work);
    connect(m_worker, &QThread::finished, this, [this, done] {
        m_worker->deleteLater();
        m_worker = nullptr;
        done();
        showState();
    });
    showState();
    m_worker->start();
}

void SyncDialog::testServer()
{
    if (!ready())
        return;
    m_lastTask = Testing;
    m_note.clear();
    m_refused = {};
    syncsetup::Request r = request();
    say(QStringLiteral("Procurando os catálogos de endereços…"));
    auto result = std::make_shared<syncsetup::Result>();
    inBackground(
        [r, result, fromCommand = m_fromCommand]() mutable {
            if (!fromCommand || commandPassword(r, result.get()))
                *result = syncsetup::discover(r);
        },
        [this, result] { tested(*result); });
}

// Runs the account's password command for request, on the worker thread: a
// command may take its time (asking for a key's passphrase, say). False, with
// why in refusal, when it failed.
bool SyncDialog::commandPassword(syncsetup::Request& request, syncsetup::Result* refusal)
{
    const syncpassword::Found found = syncpassword::find(request.address, request.user);
    request.password = found.password;
    if (found.error.isEmpty())
        return true;
    refusal->problem = syncsetup::Result::Store;
    refusal->message = found.error;
    return false;
}

void SyncDialog::tested(const syncsetup::Result& result)
{
    if (refused(result))
        return;
    showBooks(result.books);
    QString text = result.books.size() == 1
                       ? QStringLiteral("1 catálogo de endereços encontrado.")
                       : QStringLiteral("%1 catálogos de endereços encontrados; escolha um na "
                                        "lista.")
                             .arg(result.books.size());
    if (m_account)
        text = QStringLiteral("O servidor aceitou o usuário e a senha.");
    if (!result.otherHost.isEmpty())
        text += QStringLiteral(" O servidor encaminhou a busca para %1.").arg(result.otherHost);
    say(text);
}

void SyncDialog::showBooks(const QList<carddav::AddressBook>& books)
{
    ui->books->clear();
    for (const carddav::AddressBook& b : books) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 (%2)").arg(syncsetup::bookName(b), b.url.toString()), ui->books);
        item->setData(Qt::UserRole, b.url.toString());
        if (books.size() == 1 || (m_account && b.url.toString() == m_account->bookUrl))
            item->setSelected(true);
    }
}

// False when the result is no refusal; else says what went wrong.
bool SyncDialog::refused(const syncsetup::Result& result)
{
    switch (result.problem) {
    case syncsetup::Result::None:
        return false;
    case syncsetup::Result::Server:
        serverRefused(result.error);
        break;
    case syncsetup::Result::SeveralBooks:
        showBooks(result.books);
        say(QStringLiteral("O servidor tem vários catálogos; escolha um na lista."));
        break;
    case syncsetup::Result::AlreadyLinked:
        loadAccount();
        say(QStringLiteral("Este banco de dados já está ligado a %1 em %2; desligue a "
                           "sincronização antes de ligá-lo a outro catálogo.")
                .arg(result.account.bookName, QUrl(result.account.bookUrl).host()));
        break;
    default:
        say(capitalised(result.message));
        break;
    }
    return true;
}

void SyncDialog::serverRefused(const carddav::Error& error)
{
    QString text = error.message;
    if (error.kind == carddav::Error::Certificate && !error.fingerprint.isEmpty()) {
        m_refused = error;
        text += QStringLiteral("\nSe este é mesmo o certificado do servidor, confie nele.");
    }
    say(text);
}

void SyncDialog::trustCertificate()
{
    const carddav::Error refused = std::exchange(m_refused, {});
    if (m_account) {
        if (const StoreError e = syncsetup::trust(m_account->serverUrl, m_account->user,
                                                  refused.host, refused.fingerprint)) {
            say(capitalised(e.explained()));
            showState();
            return;
        }
    } else {
        m_trusted.insert(refused.host, refused.fingerprint);
    }
    if (m_lastTask == Testing)
        testServer();
    else
        syncNow();
}

void SyncDialog::turnOff()
{
    const syncstate::Account a = *m_account;
    const QString question =
        QStringLiteral("Desligar a sincronização com o catálogo %1 em %2?\n\nOs contatos "
                       "continuam no banco de dados; a conta, os vínculos com o servidor e a "
                       "senha guardada são esquecidos.")
            .arg(a.bookName, QUrl(a.bookUrl).host());
    if (MessageBox::show(this, question, windowTitle(), MessageBox::Question,
                         MessageBox::YesNoDefaultNo) != MessageBox::Yes)
        return;
    const StoreResult<std::optional<syncstate::Account>> off = syncsetup::turnOff(m_book);
    if (off.error) {
        say(capitalised(off.error.explained()));
        return;
    }
    (void)syncpassword::forget(a.serverUrl, a.user);
    m_account.reset();
    m_kept.reset();
    m_fromCommand = false;
    m_note.clear();
    ui->password->clear();
    ui->password->setPlaceholderText(QString());
    ui->books->clear();
    say(QStringLiteral("Sincronização desligada; os contatos continuam no banco de dados."));
    showLastSync();
    showState();
}

namespace syncdialog {

QString whenText(const QString& iso, const QDateTime& now)
{
    const QDateTime when = QDateTime::fromString(iso, Qt::ISODate);
    return when.isValid() ? syncrunner::whenText(when, now) : iso;
}

int run(const QString& book)
{
    const interchange::DatabaseProblem problem = interchange::databaseProblem(book);
    if (!problem.what.isEmpty()) {
        MessageBox::show(nullptr, problem.what + QStringLiteral("\n\n") + problem.remedy,
                         QStringLiteral("Sincronização"), MessageBox::Critical);
        return 1;
    }
    SyncDialog dialog(book);
    dialog.exec();
    return 0;
}

} // namespace syncdialog
