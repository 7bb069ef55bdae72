#pragma once

#include <QFrame>

class QHBoxLayout;
class QLabel;
class QToolButton;

// The coloured caption strip every frameless window of the system draws at its top
// ("Caption_Panel"): the title on the reading side, flat buttons on the other.
class TCaptionPanel : public QFrame
{
    Q_OBJECT
public:
    explicit TCaptionPanel(QWidget* parent = nullptr);

    void setCaption(const QString& text);
    QString caption() const;

    // Adds a flat caption button (close, minimise, ...) with its name, glyph and hint.
    QToolButton* addButton(const QString& objectName, const QString& glyph, const QString& hint);

    QLabel* titleLabel() const { return m_title; }

signals:
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QLabel* m_title;
    QHBoxLayout* m_buttons;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
