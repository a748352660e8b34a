#include "frmabertura.h"

#include "formfont.h"
#include "messagebox.h"
#include "ui_frmabertura.h"

#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QSvgRenderer>
#include <QTimer>

namespace {
void setPointSize(QLabel* label, qreal points)
{
    QFont font = label->font();
    font.setPointSizeF(points);
    label->setFont(font);
}
} // namespace

frmAbertura::frmAbertura(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::frmAbertura>()), Timer1(new QTimer(this))
{
    ui->setupUi(this);
    formfont::settle(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    // An explicit empty icon, or the window would take the program's.
    setWindowIcon(QIcon());

    // The picture drawn from its SVG for the screen's scale, so that it stays
    // sharp when the desktop scales the program up.
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(ui->Image1->size() * ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        QSvgRenderer(QStringLiteral(":/app/abertura.svg")).render(&painter);
    }
    picture.setDevicePixelRatio(ratio);
    ui->Image1->setPixmap(picture);

    // The form file keeps whole points only.
    for (QLabel* label : {ui->lblLicenseTo, ui->lblCopyright, ui->lblCompany, ui->lblWarning})
        setPointSize(label, 8.25);
    setPointSize(ui->lblProductName, 21.75);
    // These three follow their captions; the top-left corner stays.
    for (QLabel* label : {ui->lblCompanyProduct, ui->lblProductName, ui->lblPlatform})
        label->adjustSize();

    if (QScreen* s = screen())
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), s->availableGeometry())
                 .topLeft());

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(4000);
    connect(Timer1, &QTimer::timeout, this, &frmAbertura::Timer1_Timer);
}

frmAbertura::~frmAbertura() = default;

void frmAbertura::setDatabase(const QString& path, bool created)
{
    m_databasePath = path;
    m_databaseCreated = created;
}

void frmAbertura::showEvent(QShowEvent* event)
{
    if (!m_timerStarted) {
        m_timerStarted = true;
        Timer1->start();
    }
    QWidget::showEvent(event);
}

void frmAbertura::Timer1_Timer()
{
    Timer1->stop();

    auto* window = new frmQuelmar;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (const StoreError error = window->Form_Load(m_databasePath)) {
        // The message alone on screen: a splash may be kept above other windows.
        hide();
        MessageBox::show(nullptr,
                         frmQuelmar::openErrorText(window->dataControl().DatabaseName(), error),
                         ProgramTitle, MessageBox::Critical);
        delete window;
        // Closing the last window would quit with status 0; the program ends with
        // the failure's status instead.
        setAttribute(Qt::WA_QuitOnClose, false);
        close();
        QCoreApplication::exit(1);
        return;
    }

    // The contact window comes up before the splash goes, so the program is
    // never left without a window.
    window->show();
    emit contactWindowShown(window);
    close();
    if (m_databaseCreated)
        MessageBox::show(window,
                         QStringLiteral("Um novo catálogo de endereços foi criado em %1.")
                             .arg(QDir::toNativeSeparators(m_databasePath)),
                         ProgramTitle, MessageBox::Information);
}
