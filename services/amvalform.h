#pragma once

#include <QPointer>
#include <QWidget>

class QFrame;
class QToolButton;
class QVBoxLayout;
class TCaptionPanel;

// Base of every task window the host docks: frameless, right-to-left, filling its
// parent, with its own caption panel (close and minimise, each on its shape). Shown,
// it takes the rounded outline and the colours of the colour file. Closing frees it.
// The window and its grids are named after the caption for assistive tools.
class TAmvalForm : public QWidget
{
    Q_OBJECT
public:
    explicit TAmvalForm(const QString& caption, QWidget* parent = nullptr);

    // Docks the window into `parent`, filling its client area, maximised and shown
    // (while another window covers it, that one).
    void DockInto(QWidget* parent);
    // Shows `window` (a task window opened from this one, such as a report's voucher)
    // in this window's place in the host's page until it closes, then this window
    // again; Escape that nothing inside `window` took closes it. Where this window is
    // a window of its own, `window` is shown over it, as large as it.
    void CoverWith(TAmvalForm* window);

    // Minimised, a docked window shrinks to its caption panel; restoring brings the
    // body back.
    void Minimise();
    void Restore();
    bool isMinimisedInParent() const { return m_minimised; }

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QFrame* Min_Shape;
    QToolButton* sb_Closed;
    QToolButton* sb_Minimized;
    // Where the window's own contents go.
    QWidget* ClientPanel;

protected:
    QVBoxLayout* clientLayout() const { return m_clientLayout; }
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Outline and caption buttons for the window's present width.
    void placeFrame();

    QVBoxLayout* m_clientLayout;
    bool m_minimised = false;
    bool m_framed = false;
    // The window standing in this one's place (CoverWith).
    QPointer<TAmvalForm> m_cover;
};
