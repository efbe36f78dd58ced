#pragma once
// A push button (or toggle) with a picture above its caption. The caption
// wraps onto a second line when it is wider than the button.

#include <QToolButton>

namespace lyrovan {

class PictureButton : public QToolButton {
    Q_OBJECT
public:
    PictureButton(const QString& name, const QString& caption, const QIcon& picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lyrovan
