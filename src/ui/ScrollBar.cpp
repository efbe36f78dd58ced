#include "ScrollBar.h"

#include "Twips.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace lyrovan {

ScrollBar::ScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    // The style draws no focus mark on scroll bars: frame the bar inside.
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(1, 1, -1, -1);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

void ScrollBar::keyPressEvent(QKeyEvent* event)
{
    // Qt's scroll bars invert their controls so that the wheel scrolls the
    // right way, which turns the Left and Right keys around as well: here
    // Right moves the thumb right (left in a right-to-left layout).
    const bool right = event->key() == Qt::Key_Right;
    if ((right || event->key() == Qt::Key_Left) && event->modifiers() == Qt::NoModifier) {
        triggerAction(right != isRightToLeft() ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}

ScrollBar* MakeScrollBar(QWidget* parent, const QString& name, const QRect& place, int minimum, int maximum,
                         int small, int large, int value)
{
    auto* bar = new ScrollBar(parent);
    bar->setObjectName(name);
    bar->setGeometry(TwipRect(place));
    bar->setRange(minimum, maximum);
    bar->setSingleStep(small);
    bar->setPageStep(large);
    bar->setValue(value);
    return bar;
}

} // namespace lyrovan
