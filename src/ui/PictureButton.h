#pragma once
// A push button (or toggle) with a picture above its caption. The caption
// wraps onto a second line when it is wider than the button. The picture is
// a 32 x 32 resource such as ":/strum.png"; its "@2x" companion (64 x 64)
// serves screens at more than 1x, so it stays sharp there.

#include <QToolButton>

namespace lyrovan {

class PictureButton : public QToolButton {
    Q_OBJECT
public:
    PictureButton(const QString& name, const QString& caption, const QString& picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lyrovan
