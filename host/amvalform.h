#pragma once

#include <QWidget>

class QToolButton;
class QVBoxLayout;
class TCaptionPanel;

// Base of every task window the host docks: frameless, right-to-left, filling its
// parent, with its own caption panel (close and minimise). Closing frees the window.
class TAmvalForm : public QWidget
{
    Q_OBJECT
public:
    explicit TAmvalForm(const QString& caption, QWidget* parent = nullptr);

    // Docks the window into `parent`, filling its client area, maximised and shown.
    void DockInto(QWidget* parent);

    // Minimised, a docked window shrinks to its caption panel; restoring brings the
    // body back.
    void Minimise();
    void Restore();
    bool isMinimisedInParent() const { return m_minimised; }

    TCaptionPanel* Caption_Panel;
    QToolButton* sb_Closed;
    QToolButton* sb_Minimized;
    // Where the window's own contents go.
    QWidget* ClientPanel;

protected:
    QVBoxLayout* clientLayout() const { return m_clientLayout; }

private:
    QVBoxLayout* m_clientLayout;
    bool m_minimised = false;
};
