#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class TCaptionPanel;

// The host's message window. The module fills its components and shows it modally
// through ShowMessageDlg; a test host overrides exec() to answer without a screen.
class TDlgMsg : public QDialog
{
    Q_OBJECT
public:
    // Modal results, as the callers compare them.
    enum Result { mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

    // Geometry of the designed window; the memo shrinks to the short form for
    // texts of at most four lines.
    static constexpr int FormWidth = 225;
    static constexpr int DesignHeight = 200;
    static constexpr int ShortHeight = 141;
    static constexpr int ShortMemoHeight = 69;
    static constexpr int MemoLeft = 6;
    static constexpr int MemoTop = 4;
    static constexpr int DesignMemoHeight = 128;
    static constexpr int MemoWidthWithIcon = 170;
    static constexpr int MemoWidthWithoutIcon = 213;

    explicit TDlgMsg(QWidget* parent = nullptr);

    // Completes and upper-cases a message code: "" -> "1 R", "3" -> "3 R", "1E" -> "1ER".
    static QString CompleteCode(const QString& code);

    // Fills the window for one message, shows it modally and returns the pressed button
    // (1 OK, 2 Cancel, 6 Yes, 7 No).
    int ShowMessageDlg(const QString& text, const QString& title, const QString& code);

    // The number of lines the memo shows its text in, wrapped lines included.
    int MemoLineCount() const;

    // The caption the window was designed with; shown when a message has no title.
    QString DesignCaption() const;

    TCaptionPanel* Caption_Panel;
    QToolButton* sb_Closed;
    QFrame* InfoPanel;
    QPlainTextEdit* Memo;
    QLabel* I_Info;
    QLabel* I_Warning;
    QLabel* I_Question;
    QLabel* I_Error;
    QLabel* I_Stop;
    QFrame* BottomPanel;
    QPushButton* BBtnOK1;
    QPushButton* BBtnOK2;
    QPushButton* BBtnCancel;
    QPushButton* BBtnYes;
    QPushButton* BBtnNo;
    QTimer* Timer1;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* firstVisibleButton() const;
    void Timer1Timer();
};
