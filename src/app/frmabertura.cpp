#include "frmabertura.h"

#include "accessconvert.h"
#include "accessread.h"
#include "database.h"
#include "formfont.h"
#include "messagebox.h"
#include "ui_frmabertura.h"

#include <QCoreApplication>
#include <QDate>
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
        // The file is checked meanwhile, on a thread and a connection of its own,
        // so that a large book is not checked only once the time is up. Whatever
        // the check finds, the contact window's own opening says; a file found
        // sound, and unchanged since, it opens without checking it again.
        m_check = std::async(std::launch::async,
                             [path = m_databasePath] { return database::checkAhead(path); });
    }
    QWidget::showEvent(event);
}

void frmAbertura::Timer1_Timer()
{
    Timer1->stop();
    database::CheckedFile checked;
    if (m_check.valid())
        checked = m_check.get().value;

    if (interchange::isAccessFile(m_databasePath)) {
        hide();
        if (!convertAccessBook())
            return endProgram();
    }

    auto* window = new frmQuelmar;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (const StoreError error = window->Form_Load(m_databasePath, checked)) {
        // The message alone on screen: a splash may be kept above other windows.
        hide();
        MessageBox::show(nullptr,
                         frmQuelmar::openErrorText(window->dataControl().DatabaseName(), error),
                         ProgramTitle, MessageBox::Critical);
        delete window;
        return endProgram();
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

void frmAbertura::endProgram()
{
    // Closing the last window would quit with status 0; the program ends with
    // the failure's status instead.
    setAttribute(Qt::WA_QuitOnClose, false);
    close();
    QCoreApplication::exit(1);
}

bool frmAbertura::convertAccessBook()
{
    const QString file = QDir::toNativeSeparators(m_databasePath);
    QString error;
    const QStringList tables = interchange::accessTables(m_databasePath, &error);
    const auto critical = [](const QString& text) {
        MessageBox::show(nullptr, text, ProgramTitle, MessageBox::Critical);
        return false;
    };
    if (!error.isEmpty())
        return critical(QStringLiteral("O arquivo %1 é um banco de dados do Access que não pôde "
                                       "ser lido; ele não foi alterado.\n\n%2")
                            .arg(file, error));
    if (!tables.contains(contact::TableName, Qt::CaseInsensitive))
        return critical(QStringLiteral("O arquivo %1 é um banco de dados do Access, mas não tem a "
                                       "tabela de contatos %2; ele não foi alterado.")
                            .arg(file, contact::TableName));
    const QDate today = QDate::currentDate();
    const QString kept =
        QDir::toNativeSeparators(interchange::keptAccessName(m_databasePath, today));
    if (MessageBox::show(nullptr,
                         QStringLiteral("O arquivo %1 é um catálogo de endereços no formato "
                                        "antigo do Access.\n\nConvertê-lo agora? Ele será "
                                        "guardado, sem alteração, como %2, e um catálogo novo com "
                                        "os mesmos contatos tomará o lugar dele.")
                             .arg(file, kept),
                         ProgramTitle, MessageBox::Question, MessageBox::YesNo) != MessageBox::Yes)
        return false;
    // The table is known to be there: named, the file is not asked for its
    // tables again.
    const interchange::Conversion done =
        interchange::convertAccess(m_databasePath, contact::TableName, today);
    if (done.summary.error)
        return critical(QStringLiteral("A conversão não foi feita; o arquivo do Access não foi "
                                       "alterado.\n\n%1")
                            .arg(done.summary.error.text));
    MessageBox::show(nullptr,
                     QStringLiteral("Conversão concluída: %1.\n\nO arquivo antigo foi guardado "
                                    "como %2.")
                         .arg(done.summary.text(), QDir::toNativeSeparators(done.keptAs)),
                     ProgramTitle, MessageBox::Information);
    return true;
}
