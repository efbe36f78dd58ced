#include "Labels.h"

#include "Twips.h"

namespace lyrovan {

namespace {
const char* const FitProperty = "lyrovanFit";

void FitToCaption(QLabel* label)
{
    const auto fit = static_cast<Fit>(label->property(FitProperty).toInt());
    if (fit == Fit::Caption) {
        label->resize(label->sizeHint());
    } else if (fit == Fit::Wraps) {
        label->resize(label->width(), qMax(label->height(), label->heightForWidth(label->width())));
    }
}
} // namespace

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  int left, int top, int width, int height, const QFont& font, Fit fit)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setMargin(0);
    label->setIndent(0);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(fit == Fit::Wraps);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setProperty(FitProperty, static_cast<int>(fit));
    label->setGeometry(TwipRect(left, top, width, height));
    SetCaption(label, caption);
    return label;
}

void SetCaption(QLabel* label, const QString& caption)
{
    label->setText(caption);
    FitToCaption(label);
}

} // namespace lyrovan
