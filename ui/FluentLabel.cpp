#include "ui/FluentLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SlidingStackedWidget.h"

namespace {

constexpr int kMaxAncestors = 100;

QFont valueFont(QFont font) {
    font.setPointSizeF(font.pointSizeF() * 0.8);
    return font;
}

// A rectangle whose chosen corners are rounded.
QPainterPath roundedPath(const QRectF& r, qreal radius, bool top, bool bottom) {
    QPainterPath path;
    const qreal d = radius * 2;
    path.moveTo(r.left(), r.top() + (top ? radius : 0));
    if (top) {
        path.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
        path.lineTo(r.right() - radius, r.top());
        path.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
    } else {
        path.lineTo(r.left(), r.top());
        path.lineTo(r.right(), r.top());
    }
    if (bottom) {
        path.lineTo(r.right(), r.bottom() - radius);
        path.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
        path.lineTo(r.left() + radius, r.bottom());
        path.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
    } else {
        path.lineTo(r.right(), r.bottom());
        path.lineTo(r.left(), r.bottom());
    }
    path.closeSubpath();
    return path;
}

}  // namespace

FluentLabel::FluentLabel(QWidget* parent) : FluentLabel(QString(), parent) {}

FluentLabel::FluentLabel(const QString& title, QWidget* parent) : QPushButton(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(dpiScaled(32));
    setFocusPolicy(Qt::NoFocus);
    m_chevronPixmap = fluent::tintedSvg(QStringLiteral(":/icon/resources/icon/chevron_right.svg"), dpiScaled(14),
                                        fluent::secondaryText());
    m_highlightAnimation = new QVariantAnimation(this);
    m_highlightAnimation->setDuration(150);
    m_highlightAnimation->setStartValue(1.0);
    m_highlightAnimation->setEndValue(0.0);
    m_highlightAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_highlightAnimation, &QVariantAnimation::valueChanged, this, &FluentLabel::onUpdateValue);
    connect(this, &QPushButton::clicked, this, &FluentLabel::internalClicked);
    setTitle(title);
}

void FluentLabel::setTitle(const QString& title) {
    m_title = title;
    setText(title);
    updateElidedTexts();
    update();
}

void FluentLabel::setValueText(const QString& value) {
    m_value = value;
    updateElidedTexts();
    update();
}

void FluentLabel::setChevron(bool shown) {
    m_chevron = shown;
    updateElidedTexts();
    update();
}

void FluentLabel::setBackgroundVisible(bool visible) {
    m_backgroundVisible = visible;
    update();
}

void FluentLabel::setReservedWidth(int width) {
    m_reservedWidth = width;
    updateElidedTexts();
}

QColor FluentLabel::highlightColor(double h) {
    const QColor background = fluent::rowBackground();
    const QColor darker = background.darker(120);
    if (h <= 0.0) return background;
    if (h >= 1.0) return darker;
    return fluent::mixColor(background, darker, static_cast<int>(h * 100));
}

QRect FluentLabel::titleRect() const { return rect(); }

int FluentLabel::valueRight() const {
    int right = width() - dpiScaled(8) - m_reservedWidth;
    if (m_chevron) right -= dpiScaled(14);
    return right;
}

QString FluentLabel::elidedTitle() const {
    updateElidedTexts();
    return m_elidedTitle;
}

QString FluentLabel::elidedValue() const {
    updateElidedTexts();
    return m_elidedValue;
}

void FluentLabel::updateElidedTexts() const {
    int available = width() - 2 * dpiScaled(8) - dpiScaled(4) - m_reservedWidth;
    if (m_chevron) available -= dpiScaled(14);
    available = std::max(available, 0);
    const QFontMetrics titleMetrics(font());
    const QFontMetrics valueMetrics(valueFont(font()));
    const int titleWidth = titleMetrics.horizontalAdvance(m_title);
    const int valueWidth = m_value.isEmpty() ? 0 : valueMetrics.horizontalAdvance(m_value);
    if (titleWidth + valueWidth <= available) {
        m_elidedTitle = m_title;
        m_elidedValue = m_value;
        return;
    }
    m_elidedTitle = titleMetrics.elidedText(m_title, Qt::ElideRight, available);
    const int left = std::max(available - titleMetrics.horizontalAdvance(m_elidedTitle), 0);
    m_elidedValue = m_value.isEmpty() ? QString() : valueMetrics.elidedText(m_value, Qt::ElideMiddle, left);
}

void FluentLabel::internalClicked() {
    if (m_linkIndex < 0) return;
    QWidget* child = this;
    QWidget* ancestor = parentWidget();
    for (int i = 0; ancestor && i < kMaxAncestors; ++i) {
        if (auto* stack = qobject_cast<SlidingStackedWidget*>(ancestor)) {
            emit emitPageCall(child, stack, m_linkIndex);
            return;
        }
        child = ancestor;
        ancestor = ancestor->parentWidget();
    }
}

void FluentLabel::onUpdateValue(const QVariant& value) {
    m_highlight = value.toDouble();
    update();
}

void FluentLabel::paintRowBackground(QPainter& painter, const QRect& rect) {
    bool top = false;
    bool bottom = false;
    if (auto* group = qobject_cast<KyItemGroupWidget*>(parentWidget())) {
        top = group->isFirst(this);
        bottom = group->isLast(this);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(highlightColor(m_pressable ? m_highlight : 0.0));
    painter.drawPath(roundedPath(QRectF(rect), dpiScaled(6), top, bottom));
}

void FluentLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_backgroundVisible) paintRowBackground(painter, rect());

    // The last row of a group has no separator: it would cut across the rounded corners.
    auto* group = qobject_cast<KyItemGroupWidget*>(parentWidget());
    if (!group || !group->isLast(this)) {
        const int line = std::max(dpiScaled(1), 1);
        painter.fillRect(QRect(0, height() - line, width(), line), fluent::rowSeparator());
    }

    updateElidedTexts();
    const QRect strip = titleRect();
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(QRect(strip.left() + dpiScaled(8), strip.top(), strip.width() - dpiScaled(8), strip.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, m_elidedTitle);

    const int chevronSize = dpiScaled(14);
    if (m_chevron) {
        const QRect target(width() - dpiScaled(8) - chevronSize, strip.top() + (strip.height() - chevronSize) / 2,
                           chevronSize, chevronSize);
        painter.drawPixmap(target, m_chevronPixmap);
    }
    if (!m_elidedValue.isEmpty()) {
        painter.setFont(valueFont(font()));
        painter.setPen(fluent::secondaryText());
        const int right = valueRight() - (m_chevron ? dpiScaled(2) : 0);
        painter.drawText(QRect(0, strip.top(), right, strip.height()), Qt::AlignRight | Qt::AlignVCenter,
                         m_elidedValue);
    }
}

void FluentLabel::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    updateElidedTexts();
}

void FluentLabel::mousePressEvent(QMouseEvent* event) {
    if (m_pressable) {
        m_pressed = true;
        m_highlightAnimation->stop();
        m_highlight = 1.0;
        update();
    }
    QPushButton::mousePressEvent(event);
}

void FluentLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressed) {
        m_pressed = false;
        m_highlightAnimation->stop();
        m_highlightAnimation->start();
    }
    QPushButton::mouseReleaseEvent(event);
}
