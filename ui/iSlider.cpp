#include "ui/iSlider.h"

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"
#include "ui/SliderLabel.h"

namespace {
int handleDiameter() { return dpiScaled(14); }
int bubbleWidth() { return dpiScaled(28); }
}  // namespace

iSlider::iSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setStyleSheet(QStringLiteral("background-color:transparent"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumHeight(dpiScaled(32));
    setFocusPolicy(Qt::NoFocus);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(24);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor(0, 0, 0, 48));
    setGraphicsEffect(shadow);
    m_bubble = new SliderLabel(this);
    m_bubble->setText(QString::number(value()));
    connect(this, &QSlider::valueChanged, this, &iSlider::onSliderMoved);
}

int iSlider::grooveLeft() const { return bubbleWidth() + dpiScaled(4) + handleDiameter() / 2; }

int iSlider::grooveRight() const { return std::max(grooveLeft(), width() - handleDiameter() / 2 - 1); }

int iSlider::handleX(int v) const {
    const int range = maximum() - minimum();
    if (range <= 0) return grooveLeft();
    const double t = double(v - minimum()) / range;
    return grooveLeft() + static_cast<int>(std::lround(t * (grooveRight() - grooveLeft())));
}

int iSlider::valueAt(int x) const {
    const int span = grooveRight() - grooveLeft();
    if (span <= 0) return minimum();
    const double t = std::clamp(double(x - grooveLeft()) / span, 0.0, 1.0);
    return minimum() + static_cast<int>(std::lround(t * (maximum() - minimum())));
}

void iSlider::onSliderMoved(int v) {
    m_bubble->setText(QString::number(v));
    update();
}

void iSlider::resizeEvent(QResizeEvent* event) {
    QSlider::resizeEvent(event);
    const int h = dpiScaled(16);
    m_bubble->setGeometry(0, (height() - h) / 2, bubbleWidth(), h);
}

void iSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int grooveHeight = dpiScaled(6);
    const double radius = dpiScaled(3);
    const double cy = height() / 2.0;
    const QRectF groove(grooveLeft(), cy - grooveHeight / 2.0, grooveRight() - grooveLeft(), grooveHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fluent::sliderGroove());
    painter.drawRoundedRect(groove, radius, radius);
    const int x = handleX(sliderPosition());
    painter.setBrush(fluent::accent());
    painter.drawRoundedRect(QRectF(groove.left(), groove.top(), x - groove.left(), grooveHeight), radius, radius);
    QColor handle = fluent::accent();
    if (isSliderDown()) handle = handle.lighter(110);
    painter.setBrush(handle);
    const double r = handleDiameter() / 2.0;
    painter.drawEllipse(QPointF(x, cy), r, r);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(x, cy), r / 2.5, r / 2.5);
}

void iSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QSlider::mousePressEvent(event);
    setSliderDown(true);
    setSliderPosition(valueAt(event->pos().x()));
    event->accept();
}

void iSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) return QSlider::mouseMoveEvent(event);
    setSliderPosition(valueAt(event->pos().x()));
    event->accept();
}

void iSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!isSliderDown()) return QSlider::mouseReleaseEvent(event);
    setSliderDown(false);
    event->accept();
}
