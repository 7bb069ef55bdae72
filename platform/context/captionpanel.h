#pragma once

#include <QFrame>
#include <functional>

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

    // Adds a caption button lying on its own framing shape (a small frame named
    // `shapeName`, such as "Close_Shape"). Shape and button sit outside the layout: the
    // window places them (button one pixel inside its shape), and the title keeps clear
    // of every shape on the side where they stand.
    QToolButton* addShapedButton(const QString& shapeName, const QString& objectName,
                                 const QString& glyph, const QString& hint);
    QFrame* shape(const QString& shapeName) const;
    // The close (sb_Closed on Close_Shape) and minimise (sb_Minimized on Min_Shape)
    // buttons of a window's caption bar, with their glyphs and hints.
    QToolButton* addCloseButton();
    QToolButton* addMinimiseButton();

    QLabel* titleLabel() const { return m_title; }

    // Called on a left-button press when the panel's window is a top-level window:
    // returns true when it took over moving the window. Unset, or returning false, the
    // panel moves the window itself (through the window system when it can).
    std::function<bool(QWidget* window)> dragHandler;

signals:
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* makeButton(const QString& objectName, const QString& glyph, const QString& hint);
    void keepTitleClear();

    QList<QFrame*> m_shapes;
    QLabel* m_title;
    QHBoxLayout* m_buttons;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
