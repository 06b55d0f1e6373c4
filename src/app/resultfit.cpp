#include "app/resultfit.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace {

// Past the advance when a glyph's ink reaches beyond it.
int drawnWidth(const QFont &font, const QString &text)
{
    const QFontMetrics metrics(font);
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
}

} // namespace

void koyomix::showResult(QLabel *label, const QString &text)
{
    QFont font = label->font();
    font.setStretch(QFont::Unstretched);
    const int room = label->contentsRect().width();
    const int width = drawnWidth(font, text);
    // Qt draws a stretch the font lacks by scaling its glyphs; hinting may leave it a pixel
    // wider than the estimate, so it narrows on until the text fits. [50, 100]
    if (width > room) {
        int stretch = std::max(50, QFont::Unstretched * room / width);
        for (font.setStretch(stretch); stretch > 50 && drawnWidth(font, text) > room;)
            font.setStretch(--stretch);
    }
    if (font != label->font())
        label->setFont(font);
    label->setText(text);
}
