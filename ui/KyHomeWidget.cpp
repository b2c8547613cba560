#include "ui/KyHomeWidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>

#include "app/base/DpiScale.h"
#include "ui/HomeButtonWidget.h"

namespace {

QLabel* makeLabel(const QString& text, double points, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(points);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

KyHomeWidget::KyHomeWidget(QWidget* parent) : KyTopWidget(parent) {
    setWindowTitle(QStringLiteral(" "));
    setAccessibleName(QString());
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(dpiScaled(12));
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 0, 0, 1, 3);
    grid->addWidget(makeLabel(QStringLiteral("Marionix"), 18, this), 1, 0, 1, 3);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 2, 0);
    m_bar = new HomeButtonWidget(this);
    m_bar->setMinimumSize(12, 12);
    grid->addWidget(m_bar, 2, 1);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 2, 2);
    grid->addWidget(makeLabel(QStringLiteral("Motion Capture Application"), 6, this), 3, 0, 1, 3);
    auto* separator = new QWidget(this);
    separator->setFixedHeight(dpiScaled(4));
    grid->addWidget(separator, 4, 0, 1, 3);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 5, 0, 1, 3);
}
