#include "Labels.h"

#include "Twips.h"

#include <QHash>
#include <QPainter>
#include <QStyle>

namespace lyrovan {

namespace {
const char* const FitProperty = "lyrovanFit";
const char* const LimitProperty = "lyrovanMaxWidth";

// Draws its one-line caption with an ellipsis when it is wider than the label.
class LimitedLabel : public QLabel {
public:
    using QLabel::QLabel;

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
    label->setProperty(FitProperty, static_cast<int>(fit));
    return label;
}

// The size a one-line caption needs. Labels made here differ only in font
// and caption, and the same few captions come back often (the diagram's
// cells), so the sizes are kept by font and caption.
QSize CaptionSize(const QLabel* label)
{
    static QHash<std::pair<QFont, QString>, QSize> sizes;
    const std::pair<QFont, QString> key(label->font(), label->text());
    auto size = sizes.constFind(key);
    if (size == sizes.cend())
        size = sizes.insert(key, label->sizeHint());
    return *size;
}

void FitToCaption(QLabel* label)
{
    const auto fit = static_cast<Fit>(label->property(FitProperty).toInt());
    if (fit == Fit::Caption) {
        QSize size = CaptionSize(label);
        bool ok = false;
        const int limit = label->property(LimitProperty).toInt(&ok);
        if (ok) {
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

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  int left, int top, int width, int height, const QFont& font, Fit fit)
{
    QLabel* label = SetUpLabel(new QLabel(parent), name, font, fit);
    label->setGeometry(TwipRect(left, top, width, height));
    SetCaption(label, caption);
    return label;
}

QLabel* MakeLimitedLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                         int maxWidth, const QFont& font)
{
    QLabel* label = SetUpLabel(new LimitedLabel(parent), name, font, Fit::Caption);
    label->setProperty(LimitProperty, maxWidth);
    label->move(TwipPoint(left, top));
    SetCaption(label, caption);
    return label;
}

void SetCaption(QLabel* label, const QString& caption)
{
    label->setText(caption);
    FitToCaption(label);
}

} // namespace lyrovan
