#include "app/MainWidget.h"

#include <QCloseEvent>
#include <QDebug>
#include <QIcon>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QVariantAnimation>

#include "app/KySolution.h"
#include "app/base/KySettings.h"
#include "ui/KyControlWidget.h"

MainWidget::MainWidget(QWidget* parent) : QOpenGLWidget(parent) {
    setWindowOpacity(0.0);
    hide();
    setWindowFlags(windowFlags() | Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/Marionix/Marionix.ico")));

    KySettings* settings = kySettings();
    Q_ASSERT(settings);
    m_controlWidget = new KyControlWidget(this);
    m_controlWidget->move(settings->controlPos);
    settings->mainWindow = this;

    m_fadeAnimation = new QVariantAnimation(this);
    m_fadeAnimation->setDuration(250);
    m_fadeAnimation->setStartValue(0.0);
    m_fadeAnimation->setEndValue(1.0);
    m_fadeAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_fadeAnimation, &QVariantAnimation::valueChanged, this, &MainWidget::onUpdateFadeValue);
    connect(m_fadeAnimation, &QVariantAnimation::finished, this, &MainWidget::onOpeningAnimFinished);
}

MainWidget::~MainWidget() {
    delete kySolution();
    setKySolution(nullptr);
}

void MainWidget::cleanup() {
    qDebug() << "TzOpenGLWidget::cleanup()";
    makeCurrent();
    doneCurrent();
}

void MainWidget::onUpdateFadeValue(const QVariant& value) { setWindowOpacity(value.toDouble()); }

void MainWidget::onOpeningAnimFinished() { setWindowOpacity(1.0); }

void MainWidget::beginShow() { m_fadeAnimation->start(); }

void MainWidget::initializeGL() { qDebug() << "TzOpenGLWidget::initializeGL()"; }

void MainWidget::paintGL() {
    QOpenGLFunctions* gl = context()->functions();
    const KySettings* settings = kySettings();
    const QColor background = settings ? settings->bgColor : QColor(Qt::black);
    gl->glClearColor(static_cast<float>(background.redF()), static_cast<float>(background.greenF()),
                     static_cast<float>(background.blueF()), 0.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void MainWidget::closeEvent(QCloseEvent* event) {
    if (KySettings* settings = kySettings()) {
        settings->controlPos = m_controlWidget->pos();
        settings->mainGeometry = geometry();
    }
    event->accept();
}
