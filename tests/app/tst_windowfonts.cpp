#include "frmabertura.h"
#include "frminfo.h"
#include "frmquelmar.h"
#include "maskedit.h"
#include "picturebutton.h"
#include "windowtest.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTextEdit>

namespace {
const QString Family = QStringLiteral("Liberation Sans");

// Why text of the given width, in the edit's font, would not show whole: empty
// when it does. The room is worked out as the line edit lays out its text: the
// style's contents rectangle less the edit's text margins and its own 2 px each
// side, with the text followed by 1 px and the cursor.
QString doesNotFit(const QLineEdit* edit, int textWidth)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QRect area = edit->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                           .marginsRemoved(edit->textMargins())
                           .adjusted(2, 0, -2, 0);
    const int cursor = edit->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, edit);
    const QSize needed(textWidth + 1 + cursor, edit->fontMetrics().height());
    if (needed.width() <= area.width() && needed.height() <= area.height())
        return {};
    return QStringLiteral("%1 needs %2x%3 px, has %4x%5")
        .arg(edit->objectName())
        .arg(needed.width())
        .arg(needed.height())
        .arg(area.width())
        .arg(area.height());
}

// The fonts of the splash's captions and of the information text, by name.
QMap<QString, QFont> otherWindowFonts()
{
    QMap<QString, QFont> fonts;
    const frmAbertura splash;
    for (const QLabel* label : splash.findChildren<QLabel*>())
        fonts.insert(label->objectName(), label->font());
    const std::unique_ptr<frmInfo> info(frmInfo::instance());
    fonts.insert(info->rchInfo()->objectName(), info->rchInfo()->document()->defaultFont());
    return fonts;
}

} // namespace

// The windows are laid out in pixels, so they keep a font of their own whatever
// font the desktop gives the program before they are built.
class TestWindowFonts : public QObject {
    Q_OBJECT

    const QFont m_desktopDefault = QApplication::font();

    // The desktop's font, given before the windows are built; with heavy, every
    // kind of control also gets a font of its own that is bold, slanted, wider and
    // spaced out.
    void setDesktopFont(int points, bool heavy)
    {
        QApplication::setFont(QFont(m_desktopDefault.family(), points));
        if (!heavy)
            return;
        QFont font(m_desktopDefault.family(), points, QFont::Bold, true);
        font.setStyleName(QStringLiteral("Bold Italic"));
        font.setStretch(QFont::Expanded);
        font.setLetterSpacing(QFont::PercentageSpacing, 120);
        QApplication::setFont(font, "QWidget");
    }

private slots:
    void cleanup() { QApplication::setFont(m_desktopDefault); }

    void contactWindow_data();
    void contactWindow();
    void otherWindows_data() { contactWindow_data(); }
    void otherWindows();
};

void TestWindowFonts::contactWindow_data()
{
    QTest::addColumn<int>("desktopPoints");
    QTest::addColumn<bool>("heavy");
    QTest::newRow("11 pt") << 11 << false;
    QTest::newRow("14 pt") << 14 << false;
    QTest::newRow("11 pt, heavy for each kind of control") << 11 << true;
}

void TestWindowFonts::contactWindow()
{
    QFETCH(int, desktopPoints);
    QFETCH(bool, heavy);
    setDesktopFont(desktopPoints, heavy);
    frmQuelmar* window = windowtest::open();
    QVERIFY(window);
    const auto cleanup = qScopeGuard([&window] { windowtest::close(window); });

    // The widest text each field can hold.
    for (MaskEdBox* field : window->findChildren<MaskEdBox*>()) {
        const bool phone = field->maskPattern().startsWith(QLatin1Char('('));
        const QString widest =
            phone ? QStringLiteral("(88) 88888-8888") : QStringLiteral("88.888-888");
        const QString problem = doesNotFit(field, field->fontMetrics().horizontalAdvance(widest));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    for (const char* name : {"txtNome", "txtEmail", "txtEndRes", "txtEndCom"}) {
        const auto* field = window->findChild<QLineEdit*>(QLatin1String(name));
        const QString problem = doesNotFit(field, 40 * field->fontMetrics().averageCharWidth());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    for (const QLabel* label : window->findChildren<QLabel*>()) {
        const QSize needed = label->sizeHint();
        QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                 qPrintable(label->objectName()));
    }
    for (const PictureButton* button : window->findChildren<PictureButton*>()) {
        const PictureButton::Face face = button->face();
        QVERIFY2(face.captionFont == button->font() && face.area.contains(face.caption),
                 qPrintable(button->objectName()));
    }

    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (const QWidget* w : widgets << window)
        QVERIFY2(QFontInfo(w->font()).family() == Family, w->metaObject()->className());
}

// The splash and the information window: our family, and the fonts they have
// under the plain default font.
void TestWindowFonts::otherWindows()
{
    QFETCH(int, desktopPoints);
    QFETCH(bool, heavy);
    const QMap<QString, QFont> asMade = otherWindowFonts();
    setDesktopFont(desktopPoints, heavy);

    const QMap<QString, QFont> fonts = otherWindowFonts();
    QCOMPARE(fonts.keys(), asMade.keys());
    for (auto it = fonts.cbegin(); it != fonts.cend(); ++it) {
        QVERIFY2(QFontInfo(it.value()).family() == Family, qPrintable(it.key()));
        QVERIFY2(it.value() == asMade.value(it.key()), qPrintable(it.key()));
    }
}

QTEST_MAIN(TestWindowFonts)
#include "tst_windowfonts.moc"
