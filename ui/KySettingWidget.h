#pragma once

#include "ui/KyTopWidget.h"

class FluentLabel;
class FluentLineEdit;
class FluentListView;
class FluentSlider;
class FluentToggleButton;
class KyDeviceSerialGroup;
class PageLight;
class PagePersonal;
class PagePersonalAngle;
class PagePersonalSense;
class PageRender;
class SlidingStackedWidget;

// Top page 2, "設定": the settings menu and its sub-pages, which slide in from the right and back. Every
// control writes its settings field as it changes; the store is saved at shutdown.
class KySettingWidget : public KyTopWidget {
    Q_OBJECT

public:
    // Indices of the sub-pages in stack().
    enum Page { Menu = 0, Render, Light, Personal, PersonalAngle, PersonalSense };

    explicit KySettingWidget(QWidget* parent = nullptr);

    void back() override;
    // The title of sub-page `index` ("" for the menu).
    static QString pageTitle(int index);

    SlidingStackedWidget* stack() const { return m_stack; }
    FluentListView* modelList() const { return m_models; }
    FluentLineEdit* networkEdit() const { return m_network; }
    FluentLabel* renderRow() const { return m_renderRow; }
    FluentToggleButton* mirrorButton() const { return m_mirror; }
    FluentSlider* morphSenseSlider() const { return m_morphSense; }
    FluentSlider* bodyMoveMulSlider() const { return m_bodyMoveMul; }
    FluentLabel* personalRow() const { return m_personalRow; }
    KyDeviceSerialGroup* deviceGroup() const { return m_devices; }
    PageRender* pageRender() const { return m_render; }
    PageLight* pageLight() const { return m_light; }
    PagePersonal* pagePersonal() const { return m_personal; }
    PagePersonalAngle* pagePersonalAngle() const { return m_angle; }
    PagePersonalSense* pagePersonalSense() const { return m_sense; }

signals:
    void emitPageChanged();

public slots:
    void onSlideFinished();
    void onCurrentChanged(int index);
    void onIPEditingFinished();
    void onCurrentModelIndexChanged(int index);
    void onMirrorButtonClicked(bool checked);
    void onBodyMoveMulChanged(int value);
    void onMorphSenseChanged(int value);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createMenu();
    void linkRows();

    SlidingStackedWidget* m_stack = nullptr;
    FluentListView* m_models = nullptr;
    FluentLineEdit* m_network = nullptr;
    FluentLabel* m_renderRow = nullptr;
    FluentToggleButton* m_mirror = nullptr;
    FluentSlider* m_morphSense = nullptr;
    FluentSlider* m_bodyMoveMul = nullptr;
    FluentLabel* m_personalRow = nullptr;
    KyDeviceSerialGroup* m_devices = nullptr;
    PageRender* m_render = nullptr;
    PageLight* m_light = nullptr;
    PagePersonal* m_personal = nullptr;
    PagePersonalAngle* m_angle = nullptr;
    PagePersonalSense* m_sense = nullptr;
};
