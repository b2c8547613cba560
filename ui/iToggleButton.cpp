#include "ui/iToggleButton.h"

#include <QEasingCurve>
#include <QPainter>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

iToggleButton::iToggleButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(dpiScaled(42) - dpiScaled(8), dpiScaled(32));
}

void iToggleButton::onVariantChanged(double value) {
    m_variant = value;
    update();
}

void iToggleButton::onToggled(bool checked) { setChecked(checked); }

double iToggleButton::knobCenterX() const {
    const double shaped = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(std::clamp(m_variant, 0.0, 1.0));
    const double trackHeight = dpiScaled(18);
    const double left = trackHeight / 2;
    const double right = width() - trackHeight / 2;
    return left + (right - left) * shaped;
}

void iToggleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double shaped = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(std::clamp(m_variant, 0.0, 1.0));
    const int trackHeight = dpiScaled(18);
    const QRectF track(0.5, (height() - trackHeight) / 2.0, width() - 1.0, trackHeight);
    QColor on = fluent::accent();
    if (isDown()) on = on.darker(120);
    const QColor trackColor = fluent::lerpColor(fluent::toggleTrackOff(), on, shaped);
    painter.setPen(QPen(trackColor.darker(110), std::max(dpiScaled(1), 1)));
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const double knob = trackHeight - 2.0 * std::max(dpiScaled(2), 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(knobCenterX(), track.center().y()), knob / 2, knob / 2);
}
