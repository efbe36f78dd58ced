#include "Labels.h"

#include "Twips.h"

#include <QHash>
#include <QPainter>
#include <QStyle>

namespace lyrovan {

namespace {

// A label that knows how it fits its caption and, for a limited one, the
// width it never grows beyond (negative: none).
class FittedLabel : public QLabel {
public:
    FittedLabel(QWidget* parent, Fit fitting, int limit = -1) : QLabel(parent), fit(fitting), maxWidth(limit) {}

    const Fit fit;
    const int maxWidth;
};

// Draws its one-line caption with an ellipsis when it is wider than the label.
class LimitedLabel : public FittedLabel {
public:
    LimitedLabel(QWidget* parent, int limit) : FittedLabel(parent, Fit::Caption, limit) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QRect area = contentsRect();
        if (fontMetrics().horizontalAdvance(text()) <= area.width()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

QLabel* SetUpLabel(QLabel* label, const QString& name, const QFont& font, Fit fit)
{
    label->setObjectName(name);
    label->setFont(font);
    label->setMargin(0);
    label->setIndent(0);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(fit == Fit::Wraps);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The size a one-line caption needs. Labels made here differ only in font
// and caption, and the same few captions come back often (the diagram's
// cells), so the sizes are kept by font and caption.
QSize CaptionSize(const QLabel* label)
{
    // A buddy makes & in the caption a shortcut mark, and an empty caption
    // still takes room: QLabel measures those.
    if (label->buddy() || label->text().isEmpty())
        return label->sizeHint();
    static QHash<std::pair<QFont, QString>, QSize> sizes;
    const std::pair<QFont, QString> key(label->font(), label->text());
    auto size = sizes.constFind(key);
    if (size == sizes.cend())
        size = sizes.insert(key, PlainCaptionSize(label->font(), label->text()).expandedTo(label->minimumSize()));
    return *size;
}

void FitToCaption(QLabel* label)
{
    const auto* fitted = dynamic_cast<const FittedLabel*>(label);
    const Fit fit = fitted ? fitted->fit : Fit::Fixed;
    if (fit == Fit::Caption) {
        QSize size = CaptionSize(label);
        const int limit = fitted->maxWidth;
        if (limit >= 0) {
            const bool cut = size.width() > limit;
            size.setWidth(qMin(size.width(), limit));
            label->setToolTip(cut ? label->text() : QString());
        }
        label->resize(size);
    } else if (fit == Fit::Wraps) {
        label->resize(label->width(), qMax(label->height(), label->heightForWidth(label->width())));
    }
}
} // namespace

QSize PlainCaptionSize(const QFont& font, const QString& caption)
{
    // What QLabel::sizeHint gives for such a label, measured once: QLabel
    // lays the caption out three times to find its hints.
    return QFontMetrics(font).boundingRect(0, 0, 2000, 2000, Qt::AlignLeft | Qt::AlignTop, caption).size();
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  int left, int top, int width, int height, const QFont& font, Fit fit)
{
    QLabel* label = SetUpLabel(new FittedLabel(parent, fit), name, font, fit);
    label->setGeometry(TwipRect(left, top, width, height));
    label->setText(caption);
    FitToCaption(label);
    return label;
}

QLabel* MakeLimitedLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                         int maxWidth, const QFont& font)
{
    QLabel* label = SetUpLabel(new LimitedLabel(parent, maxWidth), name, font, Fit::Caption);
    label->move(TwipPoint(left, top));
    label->setText(caption);
    FitToCaption(label);
    return label;
}

void SetCaption(QLabel* label, const QString& caption)
{
    // The same caption again leaves the label as it is.
    if (caption == label->text())
        return;
    label->setText(caption);
    FitToCaption(label);
}

} // namespace lyrovan
