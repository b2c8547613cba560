#include "ui/FluentSlider.h"

#include <QPainter>
#include <QSignalBlocker>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"
#include "ui/iSlider.h"

FluentSlider::FluentSlider(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setPressable(false);
    m_slider = new iSlider(this);
    connect(m_slider, &QSlider::valueChanged, this, &FluentSlider::onSliderMoved);
    layoutSlider();
}

void FluentSlider::setMinimum(int value) {
    const QSignalBlocker blocker(m_slider);
    m_slider->setMinimum(value);
    m_slider->onSliderMoved(m_slider->value());
}

void FluentSlider::setMaximum(int value) {
    const QSignalBlocker blocker(m_slider);
    m_slider->setMaximum(value);
    m_slider->onSliderMoved(m_slider->value());
}

void FluentSlider::setDefaultValue(int value) {
    m_defaultValue = value;
    setValue(value);
}

void FluentSlider::setValue(int value) {
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(value);
    m_slider->onSliderMoved(m_slider->value());
}

int FluentSlider::value() const { return m_slider->value(); }

void FluentSlider::setTickTexts(const QStringList& texts) {
    m_ticks = texts;
    // With tick texts the slider takes its own line under the title, wide enough for five readable ticks.
    setFixedHeight(texts.isEmpty() ? dpiScaled(32) : dpiScaled(28) + dpiScaled(32) + dpiScaled(14));
    layoutSlider();
    update();
}

void FluentSlider::onSliderMoved(int value) { emit valueChanged(value); }

void FluentSlider::layoutSlider() {
    if (!m_ticks.isEmpty()) {
        m_slider->setGeometry(dpiScaled(8), dpiScaled(28), std::max(width() - 2 * dpiScaled(8), dpiScaled(40)),
                              dpiScaled(32));
        setReservedWidth(0);
        return;
    }
    // The slider starts at dpiScaled 74, further right when the whole title needs it, and keeps 7 px to the edge.
    const int titleNeeds = 2 * dpiScaled(8) + dpiScaled(4) + fontMetrics().horizontalAdvance(title()) + dpiScaled(4);
    const int x = std::max(dpiScaled(74), titleNeeds);
    const int w = std::max(width() - x - dpiScaled(7), dpiScaled(40));
    m_slider->setGeometry(x, 0, w, dpiScaled(32));
    setReservedWidth(width() - x);
}

QRect FluentSlider::titleRect() const {
    return QRect(0, 0, width(), m_ticks.isEmpty() ? dpiScaled(32) : dpiScaled(28));
}

void FluentSlider::resizeEvent(QResizeEvent* event) {
    FluentLabel::resizeEvent(event);
    layoutSlider();
}

void FluentSlider::paintEvent(QPaintEvent* event) {
    FluentLabel::paintEvent(event);
    if (m_ticks.isEmpty()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.7);
    painter.setFont(small);
    painter.setPen(fluent::secondaryText());
    const int y = m_slider->geometry().bottom() - dpiScaled(4);
    const int h = height() - y;
    const int left = m_slider->x() + m_slider->grooveLeft();
    const int right = m_slider->x() + m_slider->grooveRight();
    const int n = m_ticks.size();
    const int cell = dpiScaled(30);
    for (int i = 0; i < n; ++i) {
        const int cx = n == 1 ? left : left + (right - left) * i / (n - 1);
        painter.drawText(QRect(cx - cell / 2, y, cell, h), Qt::AlignHCenter | Qt::AlignTop, m_ticks[i]);
    }
}
