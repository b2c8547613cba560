#include "ui/KySideBarWidget.h"

#include <QPainter>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "ui/FluentIconButton.h"

namespace {

struct SideBarButton {
    const char* icon;
    QColor color;
};

}  // namespace

KySideBarWidget::KySideBarWidget(QWidget* parent) : QWidget(parent) {
    setFixedWidth(dpiScaled(48));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(dpiScaled(8), dpiScaled(32), dpiScaled(6), dpiScaled(32));
    layout->setSpacing(dpiScaled(4));
    const SideBarButton buttons[5] = {
        {"home", QColor(169, 137, 225)},  {"webcam", QColor(64, 188, 212)}, {"settings", QColor(172, 172, 172)},
        {"info", QColor(0, 188, 255)},    {"power", QColor(255, 128, 64)},
    };
    for (int i = 0; i < 5; ++i) {
        auto* button = new FluentIconButton(
            QStringLiteral(":/icon/resources/icon/%1.svg").arg(QLatin1String(buttons[i].icon)), this);
        button->setColor(buttons[i].color);
        m_buttons.append(button);
        if (i == 4) {
            layout->addStretch(1);
            button->setPowerButton(true);
            connect(button, &QPushButton::clicked, this, &KySideBarWidget::onSysButtonClicked);
        } else {
            connect(button, &QPushButton::pressed, this, &KySideBarWidget::onSysButtonClicked);
        }
        layout->addWidget(button);
    }
    m_selected = m_buttons[0];
    m_selected->setSelected(true);
}

void KySideBarWidget::onSysButtonClicked() {
    auto* button = qobject_cast<FluentIconButton*>(sender());
    const int index = m_buttons.indexOf(button);
    if (index < 0) return;
    if (index == 4) {
        emit sysButtonClicked(-1);
        return;
    }
    for (int i = 0; i < 4; ++i) m_buttons[i]->setSelected(i == index);
    m_selected = button;
    m_selectedIndex = index;
    emit sysButtonClicked(index);
}

void KySideBarWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(249, 250, 250));
}
