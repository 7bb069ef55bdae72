#pragma once

#include <QDialog>

class QToolButton;
class QVBoxLayout;
class TCaptionPanel;

// The host's pick-list window. The module fills its public members and shows it
// modally; a choice ends it with modal result 1. The list itself is added with the
// pick lists; here the window carries its frame and caption.
class TTempGridForm : public QDialog
{
    Q_OBJECT
public:
    explicit TTempGridForm(QWidget* parent = nullptr);

    TCaptionPanel* Caption_Panel;
    QToolButton* sb_Closed;

protected:
    QVBoxLayout* m_clientLayout;
};
