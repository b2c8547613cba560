#include "ui/PageBase.h"

#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "ui/KyItemGroupWidget.h"

PageBase::PageBase(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(dpiScaled(12));
}

KyItemGroupWidget* PageBase::addGroup() {
    auto* group = new KyItemGroupWidget(this);
    m_layout->addWidget(group);
    return group;
}

void PageBase::finishLayout() { m_layout->addStretch(1); }
