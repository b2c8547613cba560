#pragma once

#include <QStringList>

#include "ui/PageBase.h"

class FluentLabel;
class FluentListView;
class FluentSlider;

// Settings sub-page "モデル個別設定": the pose set, eye and lower-body movement, and the links to the angle
// and sensitivity pages. Its controls show the current model's values again on every modelLoaded().
class PagePersonal : public PageBase {
    Q_OBJECT

public:
    explicit PagePersonal(QWidget* parent = nullptr);

    // The pose-set folders directly under `resourceDir` + "/pose", by name.
    static QStringList poseSetNames(const QString& resourceDir);

    FluentListView* poseSetList() const { return m_poseSets; }
    FluentSlider* eyeRotMulSlider() const { return m_eyeRotMul; }
    FluentSlider* lowerMoveMulSlider() const { return m_lowerMoveMul; }
    FluentLabel* angleRow() const { return m_angle; }
    FluentLabel* senseRow() const { return m_sense; }

public slots:
    void onPoseSetIndexChanged(int index);
    // Shows the store's values; writes nothing.
    void onModelLoaded();
    void onEyeRotMulChanged(int value);
    void onLowerMoveMulChanged(int value);

private:
    FluentListView* m_poseSets = nullptr;
    FluentSlider* m_eyeRotMul = nullptr;
    FluentSlider* m_lowerMoveMul = nullptr;
    FluentLabel* m_angle = nullptr;
    FluentLabel* m_sense = nullptr;
};
