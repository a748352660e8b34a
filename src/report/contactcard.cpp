#include "contactcard.h"

#include "maskformat.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int TitleSize = 16;
constexpr int BodySize = 12;
constexpr int LabelColumn = 10;
constexpr int ValueColumn = 40;
constexpr int RuleLength = 100;
// The first line's top, below the top of the printable area, in twips.
constexpr int TopTwips = 350;
constexpr int TwipsPerInch = 1440;

QFont cardFont(int pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

class LineBuilder {
public:
    LineBuilder(const CardTextWidth& widthInColumns, const CardPageWidth& pageColumns)
        : width(widthInColumns), page(pageColumns)
    {
    }

    void text(int pointSize, int column, const QString& text)
    {
        lines.append({pointSize, {{column, text}}});
    }

    // From the left edge, as far as the printable area goes.
    void rule(int pointSize)
    {
        QString dashes(RuleLength, QLatin1Char('-'));
        while (!dashes.isEmpty() && width(pointSize, dashes) > page(pointSize))
            dashes.chop(1);
        text(pointSize, 1, dashes);
    }

    void field(const QString& label, const QString& value)
    {
        const double labelEnd = LabelColumn - 1 + width(BodySize, label);
        if (labelEnd > ValueColumn - 1) {
            text(BodySize, LabelColumn, label);
            text(BodySize, ValueColumn, value);
        } else {
            lines.append({BodySize, {{LabelColumn, label}, {ValueColumn, value}}});
        }
    }

    QList<CardLine> lines;

private:
    const CardTextWidth& width;
    const CardPageWidth& page;
};
} // namespace

QList<CardLine> contactCardLines(const ContactCard& card, const CardTextWidth& widthInColumns,
                                 const CardPageWidth& pageColumns)
{
    using namespace contact;
    // Below the title, the blocks of labelled values, a rule between two blocks.
    static const QList<QList<Field>> blocks = {
        {EndRes, BairroRes, CidadeRes, UfRes, CepRes, FoneRes, CelularRes},
        {EndCom, BairroCom, CidadeCom, UfCom, CepCom, FoneCom, Ramal, CelularCom},
        {Email},
    };
    LineBuilder b(widthInColumns, pageColumns);
    b.text(TitleSize, LabelColumn, cardLabel(Nome) + card[Nome]);
    b.rule(TitleSize);
    for (const QList<Field>& block : blocks) {
        if (&block != &blocks.first())
            b.rule(BodySize);
        for (const Field field : block) {
            // An empty masked field's placeholders never reach the paper.
            const bool blank = isMaskedField(field) && !maskformat::holdsDigit(card[field]);
            b.field(cardLabel(field), blank ? QString() : card[field]);
        }
    }
    return b.lines;
}

void paintContactCard(QPainter& painter, const ContactCard& card)
{
    QPaintDevice* device = painter.device();
    const auto columnWidth = [device](int pointSize) {
        return QFontMetrics(cardFont(pointSize), device).averageCharWidth();
    };
    const auto widthInColumns = [&](int pointSize, const QString& text) {
        const QFontMetricsF metrics(cardFont(pointSize), device);
        return metrics.horizontalAdvance(text) / columnWidth(pointSize);
    };
    // The painter's device is the printable area.
    const auto pageColumns = [&](int pointSize) {
        return double(device->width()) / columnWidth(pointSize);
    };

    painter.save();
    painter.setPen(Qt::black);
    int top = TopTwips * device->logicalDpiY() / TwipsPerInch;
    for (const CardLine& line : contactCardLines(card, widthInColumns, pageColumns)) {
        const QFont font = cardFont(line.pointSize);
        const QFontMetrics metrics(font, device);
        painter.setFont(font);
        for (const CardText& t : line.texts) {
            const int x = (t.column - 1) * metrics.averageCharWidth();
            // A point, not a rectangle: the text runs on as far as it is long.
            painter.drawText(QPoint(x, top + metrics.ascent()), t.text);
        }
        top += metrics.lineSpacing();
    }
    painter.restore();
}
