#include "app/resultfit.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

void koyomix::showResult(QLabel *label, const QString &text)
{
    QFont font = label->font();
    font.setStretch(QFont::Unstretched); // full width again after a condensed result
    const int room = label->contentsRect().width();
    const int width = QFontMetrics(font).horizontalAdvance(text);
    // Qt draws a stretch the font lacks by scaling its glyphs. Rounded down, the stretch leaves
    // room for ink that passes the last advance (by a pixel in IPAPGothic). [50, 100]
    if (width > room)
        font.setStretch(std::max(50, QFont::Unstretched * room / width));
    if (font != label->font())
        label->setFont(font);
    label->setText(text);
}
