#pragma once

#include "registerfigures.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

#include <optional>

class HostSession;
class QLabel;
class QPushButton;

// What the main window shows while no task is open: who works on which company and
// period, a few figures of the register, and every task of the menus as a large
// button with its key. Enter or a click opens a task; the arrow keys go to the
// nearest button in their direction on the screen (so right to left as it is laid
// out); F1 shows the keys of the voucher windows.
class StartPage : public QWidget
{
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent = nullptr);

    // Reads the session and the figures again. Figures that cannot be read leave the
    // page without them.
    void refresh(HostSession& session);
    // The figures shown; none when they could not be read.
    std::optional<RegisterFigures> figures() const { return m_figures; }
    QPushButton* button(const QString& entryPoint) const { return m_buttons.value(entryPoint); }
    // Puts the focus on the button last chosen (the first one at the start).
    void focusButton();

signals:
    void taskChosen(const QString& entryPoint);
    void keyGuideAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeGroup(const QString& title, int group, int columns);
    QPushButton* nearest(QPushButton* from, int key) const;

    QLabel* m_company;
    QLabel* m_period;
    QLabel* m_user;
    QWidget* m_figureBox;
    QLabel* m_assets;
    QLabel* m_cost;
    QLabel* m_vouchers;
    QMap<QString, QPushButton*> m_buttons;
    QPointer<QPushButton> m_last;
    std::optional<RegisterFigures> m_figures;
    QString m_companyKey;
    QString m_companyName;
};
