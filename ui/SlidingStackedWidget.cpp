#include "ui/SlidingStackedWidget.h"

#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

SlidingStackedWidget::SlidingStackedWidget(QWidget* parent) : QStackedWidget(parent) {
    m_group = new QParallelAnimationGroup(this);
    connect(m_group, &QAbstractAnimation::finished, this, &SlidingStackedWidget::animationDoneSlot);
}

void SlidingStackedWidget::slideInNext() {
    const int now = currentIndex();
    if (m_wrap || now < count() - 1) slideInIdx(now + 1);
}

void SlidingStackedWidget::slideInPrev() {
    const int now = currentIndex();
    if (m_wrap || now > 0) slideInIdx(now - 1);
}

void SlidingStackedWidget::setCurrentIndex(int index) { slideInIdx(index, m_option); }

void SlidingStackedWidget::setCurrentWidget(QWidget* widget) {
    const int index = indexOf(widget);
    if (index >= 0) setCurrentIndex(index);
}

void SlidingStackedWidget::slideInIdx(int index, slideOption mode) {
    const int n = count();
    if (n == 0) return;
    const bool vertical = m_orientation == Qt::Vertical;
    slideOption direction = Automatic;
    if (index > n - 1) {
        direction = vertical ? TopToBottom : RightToLeft;
    } else if (index < 0) {
        direction = vertical ? BottomToTop : LeftToRight;
        index += n;
    }
    index = ((index % n) + n) % n;

    if (m_active) {
        m_group->stop();
        animationDoneSlot();
        update();
    }

    const int now = currentIndex();
    if (mode == LeftToRight || mode == RightToLeft || mode == BottomToTop || mode == TopToBottom) {
        direction = mode;
    } else if (direction == Automatic) {
        if (index > now) {
            direction = vertical ? BottomToTop : RightToLeft;
        } else {
            direction = vertical ? TopToBottom : LeftToRight;
        }
    }
    if (index == now) return;

    QWidget* current = widget(now);
    QWidget* next = widget(index);
    const int w = frameRect().width();
    const int h = frameRect().height();
    next->setGeometry(0, 0, w, h);
    QPoint offset;
    switch (direction) {
        case LeftToRight: offset = QPoint(w, 0); break;
        case RightToLeft: offset = QPoint(-w, 0); break;
        case TopToBottom: offset = QPoint(0, -h); break;
        case BottomToTop: offset = QPoint(0, h); break;
        default: break;
    }
    m_pnow = current->pos();
    const QPoint pnext = next->pos();
    if (mode != FadeOnly) next->move(pnext - offset);
    next->show();
    next->raise();
    m_group->clear();
    m_now = now;
    m_next = index;
    emit startChanging(index);

    if (mode != FadeOnly) {
        auto* move = new QPropertyAnimation(next, "pos");
        move->setDuration(m_speed);
        move->setEasingCurve(m_curve);
        move->setStartValue(QPoint(pnext.x() - offset.x() / 8, pnext.y() + offset.y() / 8));
        move->setEndValue(pnext);
        m_group->addAnimation(move);

        auto* outEffect = new QGraphicsOpacityEffect(current);
        outEffect->setOpacity(0.2);
        current->setGraphicsEffect(outEffect);
        auto* fadeOut = new QPropertyAnimation(outEffect, "opacity");
        fadeOut->setDuration(m_speed);
        fadeOut->setEasingCurve(m_curve);
        fadeOut->setStartValue(0.2);
        fadeOut->setEndValue(0.0);
        m_group->addAnimation(fadeOut);
    }

    auto* inEffect = new QGraphicsOpacityEffect(next);
    inEffect->setOpacity(0.0);
    next->setGraphicsEffect(inEffect);
    auto* fadeIn = new QPropertyAnimation(inEffect, "opacity");
    fadeIn->setDuration(m_speed);
    fadeIn->setEasingCurve(m_curve);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(0.99);
    connect(fadeIn, &QVariantAnimation::valueChanged, this, &SlidingStackedWidget::onValueChanged);
    m_group->addAnimation(fadeIn);

    m_active = true;
    m_group->start();
}

void SlidingStackedWidget::animationDoneSlot() {
    if (!m_active) return;
    m_active = false;
    QWidget* outgoing = widget(m_now);
    QWidget* incoming = widget(m_next);
    QStackedWidget::setCurrentIndex(m_next);
    if (outgoing && outgoing != incoming) {
        outgoing->hide();
        outgoing->move(m_pnow);
        // An opacity effect left on a page would keep rendering it through an offscreen pass at 0.99.
        outgoing->setGraphicsEffect(nullptr);
    }
    if (incoming) incoming->setGraphicsEffect(nullptr);
    emit animationFinished();
}

void SlidingStackedWidget::onValueChanged(const QVariant&) { update(); }
