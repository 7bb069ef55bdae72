#pragma once

#include <QDialog>

class QLabel;
class TCaptionPanel;

// The host's operation-status window: shown without blocking while a long piece
// of work runs, closed when it ends.
class TShowStateForm : public QDialog
{
    Q_OBJECT
public:
    explicit TShowStateForm(QWidget* parent = nullptr);

    TCaptionPanel* Caption_Panel;
    QLabel* I_Stop;
    QLabel* I_Help;
    QLabel* I_Info;
    QLabel* plMsg;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setFrameLike();
};
