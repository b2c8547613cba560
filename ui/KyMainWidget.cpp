#include "ui/KyMainWidget.h"

#include <QDebug>
#include <QPainter>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "ui/FluentTitleLabel.h"
#include "ui/KyFaceCaptureWidget.h"
#include "ui/KyHomeWidget.h"
#include "ui/KyMessageWidget.h"
#include "ui/KySettingWidget.h"
#include "ui/SlidingStackedWidget.h"

namespace {
const QString kBackText = QStringLiteral("< 戻る");
}

KyMainWidget::KyMainWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(dpiScaled(8), dpiScaled(20), dpiScaled(12), dpiScaled(8));
    layout->setSpacing(dpiScaled(6));
    m_title = new FluentTitleLabel(this);
    m_title->setText(QString());
    connect(m_title, &QAbstractButton::clicked, this, &KyMainWidget::onTitleClicked);
    layout->addWidget(m_title);

    m_stack = new SlidingStackedWidget(this);
    m_stack->setAnimationSpeed(0);
    m_stack->setOption(SlidingStackedWidget::FadeOnly);
    m_home = new KyHomeWidget(m_stack);
    m_capture = new KyFaceCaptureWidget(m_stack);
    m_setting = new KySettingWidget(m_stack);
    m_message = new KyMessageWidget(m_stack);
    m_stack->addWidget(m_home);
    m_stack->addWidget(m_capture);
    m_stack->addWidget(m_setting);
    m_stack->addWidget(m_message);
    connect(m_setting, &KySettingWidget::emitPageChanged, this, &KyMainWidget::onPageChanged);
    connect(m_message, &KyMessageWidget::emitPageChanged, this, &KyMainWidget::onPageChanged);
    layout->addWidget(m_stack, 1);
    setPage(0);
}

void KyMainWidget::setPage(int index) {
    if (auto* page = qobject_cast<KyTopWidget*>(m_stack->widget(index))) {
        m_title->setText(page->subPageShown() ? page->accessibleName() : page->windowTitle());
        m_title->setBackText(page->subPageShown() ? kBackText : QString());
    }
    m_stack->setCurrentIndex(index);
}

void KyMainWidget::onTitleClicked() {
    qDebug() << "onTitleClicked";
    if (auto* page = qobject_cast<KyTopWidget*>(m_stack->currentWidget())) page->back();
}

void KyMainWidget::onPageChanged() {
    if (m_stack->currentIndex() == 0) return;
    auto* page = qobject_cast<KyTopWidget*>(sender());
    if (!page) return;
    // A page that slides while it is not the one shown must not take over the title.
    if (page != m_stack->widget(m_stack->targetIndex())) return;
    m_title->setText(page->subPageShown() ? page->accessibleName() : page->windowTitle());
    m_title->setBackText(page->subPageShown() ? kBackText : QString());
    m_title->repaint();
}

void KyMainWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(237, 238, 244));
}
