#pragma once
// Labels as the layouts describe them: placed in twips, and optionally
// fitting their caption (growing to it, or wrapping within their width).

#include <QLabel>

namespace lyrovan {

enum class Fit {
    Fixed,   // keeps its size
    Caption, // resizes itself to its caption
    Wraps,   // keeps its width, wraps at word boundaries and grows downwards
};

// Creates a label named name inside parent at the given twips rectangle.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  int left, int top, int width, int height, const QFont& font, Fit fit);

// A label that fits its caption up to maxWidth pixels and no further, so that
// it never reaches the control beside it: a longer caption is cut short with
// an ellipsis and shown whole as the label's tooltip. Its text stays whole.
QLabel* MakeLimitedLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                         int maxWidth, const QFont& font);

// The size QLabel's size hint gives a one-line plain-text caption (not
// empty) in font, for a label without margin, indent or frame.
QSize PlainCaptionSize(const QFont& font, const QString& caption);

// Writes a label's caption, resizing it when it fits its caption.
void SetCaption(QLabel* label, const QString& caption);

} // namespace lyrovan
