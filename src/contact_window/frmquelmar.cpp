#include "frmquelmar.h"

#include "contactrecord.h"
#include "maskedit.h"
#include "ui_frmquelmar.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>

namespace {
const QString CepMask = QStringLiteral("##.###-###");
const QString PhoneMask = QStringLiteral("(##) ####-####");
} // namespace

frmQuelmar::frmQuelmar(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmQuelmar>())
{
    ui->setupUi(this);
    setFixedSize(size());

    // Labels are caption bars over their fields.
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setAutoFillBackground(true);
        label->setBackgroundRole(QPalette::Highlight);
        label->setForegroundRole(QPalette::HighlightedText);
        label->setFocusPolicy(Qt::NoFocus);
    }

    // The lists are ours alone: no completer or insertion of their own.
    for (QComboBox* combo : {ui->cboNome, ui->cboUfRes, ui->cboUfCom}) {
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    ui->cboNome->hide();

    // The focus stops, in the order the form's tab stops chain them.
    static const QRegularExpression stopName(QStringLiteral("^(tab|txt|cbo|msk|cmd)[A-Z]"));
    for (QWidget* w = this->nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (stopName.match(w->objectName()).hasMatch() && !m_focusOrder.contains(w))
            m_focusOrder.append(w);
    }
    // The chain is a ring; it starts at the tab control.
    const int first = m_focusOrder.indexOf(ui->tabQuelmar);
    m_focusOrder = m_focusOrder.mid(first) + m_focusOrder.mid(0, first);
    ui->tabQuelmar->setFocus();
}

frmQuelmar::~frmQuelmar() = default;

QString frmQuelmar::databasePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + contact::DatabaseFileName;
}

QString frmQuelmar::openErrorText(const QString& path, const StoreError& error)
{
    return QStringLiteral("Não foi possível abrir o banco de dados de contatos.\n\n"
                          "Arquivo: %1\n\nErro: %2")
        .arg(QDir::toNativeSeparators(path), error.text);
}

StoreError frmQuelmar::Form_Load()
{
    dat1.setDatabaseName(databasePath());
    dat1.setRecordSource(contact::TableName);
    ui->tabQuelmar->setCurrentIndex(0);
    moLocadoura = std::make_unique<claLocadoura>();
    if (StoreError e = dat1.Refresh())
        return e;
    // A combo makes its first item current when it gets one; the fields start empty.
    for (const QString& code : contact::StateCodes)
        ui->cboUfRes->addItem(code);
    ui->cboUfRes->setCurrentIndex(-1);
    for (const QString& code : contact::StateCodes)
        ui->cboUfCom->addItem(code);
    ui->cboUfCom->setCurrentIndex(-1);
    Desativar();
    return {};
}

QList<QWidget*> frmQuelmar::dataFields() const
{
    return {ui->txtNome,       ui->txtEmail,  ui->txtEndRes,    ui->txtBairroRes,
            ui->txtCidadeRes,  ui->cboUfRes,  ui->mskCepRes,    ui->mskFoneRes,
            ui->mskCelularRes, ui->txtEndCom, ui->txtBairroCom, ui->txtCidadeCom,
            ui->cboUfCom,      ui->mskCepCom, ui->mskFoneCom,   ui->mskCelularCom,
            ui->txtRamal};
}

void frmQuelmar::Limpar()
{
    const auto clearMasked = [](MaskEdBox* field, const QString& mask) {
        field->setMaskPattern(QString());
        field->setMaskedText(QString());
        field->setMaskPattern(mask);
    };
    ui->txtNome->setText(QString());
    ui->txtEmail->setText(QString());
    ui->txtEndRes->setText(QString());
    ui->txtBairroRes->setText(QString());
    ui->txtCidadeRes->setText(QString());
    ui->cboUfRes->setEditText(QString());
    clearMasked(ui->mskCepRes, CepMask);
    clearMasked(ui->mskFoneRes, PhoneMask);
    clearMasked(ui->mskCelularRes, PhoneMask);
    ui->txtEndCom->setText(QString());
    ui->txtBairroCom->setText(QString());
    ui->txtCidadeCom->setText(QString());
    ui->cboUfCom->setEditText(QString());
    clearMasked(ui->mskCepCom, CepMask);
    clearMasked(ui->mskFoneCom, PhoneMask);
    clearMasked(ui->mskCelularCom, PhoneMask);
    ui->txtRamal->setText(QString());
}

void frmQuelmar::Ativar()
{
    for (QWidget* field : dataFields())
        field->setEnabled(true);
}

void frmQuelmar::Desativar()
{
    for (QWidget* field : dataFields())
        field->setEnabled(false);
}

// The focus stop that holds widget: the control itself or one of its inner parts
// (the edit field of a combo, the strip of the tab control).
int frmQuelmar::focusStopOf(const QWidget* widget) const
{
    for (int i = 0; i < m_focusOrder.size(); ++i) {
        const QWidget* stop = m_focusOrder.at(i);
        if (stop == widget)
            return i;
        if (stop == ui->tabQuelmar) {
            if (widget == ui->tabQuelmar->tabBar())
                return i;
        } else if (stop->isAncestorOf(widget)) {
            return i;
        }
    }
    return -1;
}

// Tab moves through the stops in order, controls of the pages behind included: the
// page of the control that takes the focus comes to the front.
bool frmQuelmar::focusNextPrevChild(bool next)
{
    const int from = focusStopOf(focusWidget());
    if (from < 0 || m_focusOrder.isEmpty())
        return QWidget::focusNextPrevChild(next);
    const int count = m_focusOrder.size();
    for (int step = 1; step <= count; ++step) {
        QWidget* candidate =
            m_focusOrder.at(((from + (next ? step : -step)) % count + count) % count);
        QWidget* page = nullptr;
        for (int i = 0; i < ui->tabQuelmar->count(); ++i) {
            if (ui->tabQuelmar->widget(i)->isAncestorOf(candidate))
                page = ui->tabQuelmar->widget(i);
        }
        const bool shown = page ? candidate->isVisibleTo(page) : candidate->isVisibleTo(this);
        if (!candidate->isEnabled() || !shown)
            continue;
        if (page)
            ui->tabQuelmar->setCurrentWidget(page);
        candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

// The page controls are laid out from the tab control's top-left corner, strip
// included; the pages begin below the strip, so move them up by that much.
void frmQuelmar::placePageControls()
{
    for (int i = 0; i < ui->tabQuelmar->count(); ++i) {
        QWidget* page = ui->tabQuelmar->widget(i);
        const QPoint offset = page->mapTo(ui->tabQuelmar, QPoint(0, 0));
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            child->move(child->pos() - offset);
    }
}

void frmQuelmar::showEvent(QShowEvent* event)
{
    if (!m_pagesPlaced) {
        m_pagesPlaced = true;
        placePageControls();
    }
    if (!m_centred && screen()) {
        m_centred = true;
        const QRect available = screen()->availableGeometry();
        move(available.center() -
             QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QWidget::showEvent(event);
}
