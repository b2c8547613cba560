#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariant>
#include <QVariantAnimation>

#include "render/OpenGlOffscreenSurface.h"

// The message panel of the VR room: a title over a translucent background between two accent bars, painted
// with QPainter into the surface's texture. It paints once; a later render() repaints only after the animation
// has ticked (onValueChanged). Same context rules as its base.
class GLTextMessageSurface : public OpenGlOffscreenSurface {
    Q_OBJECT

public:
    explicit GLTextMessageSurface(const QSize& size, QObject* parent = nullptr);

    // Stores the title when it differs; the panel shows it at its next repaint, not before.
    void setTitle(const QString& title);
    const QString& title() const { return m_title; }
    QVariantAnimation* animation() { return &m_animation; }

public slots:
    void onValueChanged(const QVariant& value);

protected:
    void initializeGL() override {}
    void resizeGL(int, int) override {}
    void paintGL() override;
    bool needsPaint() const override { return !m_painted; }

private:
    QFont m_font;
    QString m_title;
    bool m_painted = false;
    QColor m_backgroundColor{48, 48, 56, 192};
    QColor m_textColor{224, 255, 255, 255};
    QColor m_accentColor{0, 255, 255, 224};
    QVariantAnimation m_animation;
};
