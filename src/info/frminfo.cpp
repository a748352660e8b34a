#include "frminfo.h"

#include "formfont.h"
#include "ui_frminfo.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QStyle>

namespace {
// The open information window, if any. Cleared as soon as the window accepts
// its close, before it is actually deleted, so that a request made in between
// gets a fresh window rather than one about to go.
QPointer<frmInfo> openWindow;
} // namespace

frmInfo::frmInfo(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmInfo>())
{
    ui->setupUi(this);
    formfont::settle(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    setWindowIcon(QIcon(QStringLiteral(":/icons/info.svg")));

    // Read-only, yet the text can still be selected and copied with the keys.
    ui->rchInfo->setAccessibleName(windowTitle());
    ui->rchInfo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    // The client area goes in the middle of the screen; the frame is not known
    // before the window is first shown.
    if (QScreen* s = screen())
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), s->availableGeometry()));
}

frmInfo::~frmInfo() = default;

QTextEdit* frmInfo::rchInfo() const
{
    return ui->rchInfo;
}

frmInfo* frmInfo::instance()
{
    if (!openWindow)
        openWindow = new frmInfo;
    return openWindow;
}

QString frmInfo::infoText()
{
    const QStringList lines = {
        QStringLiteral("Listrano de Endereços"),
        QString(),
        QString(),
        QStringLiteral("Versão: " LISTRANO_VERSION),
        QStringLiteral("Plataforma: Windows 95 / 98 / Me / XP / NT"),
        QStringLiteral("Licença: Uso pessoal, gratuito e sem garantia"),
        QStringLiteral("Direitos: Todos os direitos reservados à Equipe Listrano"),
        QStringLiteral("Autor: Equipe Listrano"),
        QStringLiteral("Site: www.listrano.example"),
        QStringLiteral("E-mail: contato@listrano.example"),
    };
    return lines.join(QLatin1Char('\r'));
}

void frmInfo::setInfoText(const QString& text)
{
    // The box breaks lines on a line feed only; the text itself is left as given.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ui->rchInfo->setPlainText(shown);
}

void frmInfo::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && openWindow == this)
        openWindow = nullptr;
}
