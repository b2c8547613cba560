#pragma once

#include <QPushButton>
#include <QString>

class QVariantAnimation;

// The page host's title: the page title (left, vertically centred in the lower part) and, above it at the
// top left, the blue back text that fades in over 250 ms when set and out over 1000 ms when cleared.
// Clicking it is "back".
class FluentTitleLabel : public QPushButton {
    Q_OBJECT

public:
    explicit FluentTitleLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    // No effect when unchanged; an empty text keeps the old one painted while it fades out.
    void setBackText(const QString& text);
    QString backText() const { return m_backText; }

public slots:
    void onValueChanged(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QString m_backText;
    QString m_paintedBackText;
    double m_backOpacity = 0.0;
    QVariantAnimation* m_animation = nullptr;  // child
};
