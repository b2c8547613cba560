#include "ui/KyTopWidget.h"

KyTopWidget::KyTopWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TranslucentBackground); }

void KyTopWidget::back() {}
