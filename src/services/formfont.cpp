#include "formfont.h"

#include <QFont>
#include <QWidget>

namespace formfont {

void settle(QWidget* window)
{
    QFont font = window->font();
    font.setStyleName(QString());
    font.setStretch(QFont::Unstretched);
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    font.setWordSpacing(0);
    font.setCapitalization(QFont::MixedCase);
    font.setKerning(true);
    window->setFont(font);
}

} // namespace formfont
