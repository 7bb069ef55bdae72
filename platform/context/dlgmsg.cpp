#include "dlgmsg.h"

#include "captionpanel.h"
#include "focusreturn.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>

namespace {
const QString kDesignCaption = QStringLiteral("پيغام");
constexpr int kIconSize = 32;
constexpr int kIconLeft = 184;
constexpr int kIconTop = 8;
constexpr int kCaptionHeight = 24;
constexpr int kBottomHeight = 40;

QLabel* MakeIcon(QWidget* parent, const char* name, QStyle::StandardPixmap pixmap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(parent->style()->standardIcon(pixmap).pixmap(kIconSize, kIconSize));
    label->setGeometry(kIconLeft, kIconTop, kIconSize, kIconSize);
    label->hide();
    return label;
}

QPushButton* MakeButton(QWidget* parent, QHBoxLayout* layout, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(64);
    layout->addWidget(button);
    return button;
}
} // namespace

TDlgMsg::TDlgMsg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("DlgMsg"));
    ReturnFocusWhenWindowsClose();
    setWindowTitle(kDesignCaption);
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    setFixedSize(FormWidth, DesignHeight);

    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setGeometry(0, 0, FormWidth, 24);
    Caption_Panel->setCaption(QStringLiteral("     ") + kDesignCaption);
    sb_Closed = Caption_Panel->addButton(QStringLiteral("sb_Closed"), QStringLiteral("✕"),
                                         QStringLiteral("بستن فرم"));
    connect(sb_Closed, &QToolButton::clicked, this, [this] { done(mrCancel); });

    // Absolute positions inside the information panel keep the designed geometry:
    // the icon sits on the reading (right) side, the memo to its left.
    InfoPanel = new QFrame(this);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->setGeometry(0, kCaptionHeight, FormWidth,
                           DesignHeight - kCaptionHeight - kBottomHeight);

    Memo = new QPlainTextEdit(InfoPanel);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setFocusPolicy(Qt::NoFocus);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The short memo (69 pixels) must show four lines whole: a compact size and a
    // thin margin keep them inside it.
    QFont memoFont = Memo->font();
    memoFont.setPointSize(8);
    Memo->setFont(memoFont);
    Memo->document()->setDocumentMargin(2);
    Memo->setGeometry(MemoLeft, MemoTop, MemoWidthWithIcon, DesignMemoHeight);

    I_Info = MakeIcon(InfoPanel, "I_Info", QStyle::SP_MessageBoxInformation);
    I_Warning = MakeIcon(InfoPanel, "I_Warning", QStyle::SP_MessageBoxWarning);
    I_Question = MakeIcon(InfoPanel, "I_Question", QStyle::SP_MessageBoxQuestion);
    I_Error = MakeIcon(InfoPanel, "I_Error", QStyle::SP_MessageBoxCritical);
    I_Stop = MakeIcon(InfoPanel, "I_Stop", QStyle::SP_BrowserStop);

    BottomPanel = new QFrame(this);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFrameShape(QFrame::StyledPanel);
    auto* buttons = new QHBoxLayout(BottomPanel);
    buttons->setContentsMargins(6, 4, 6, 4);
    buttons->addStretch();
    BBtnOK1 = MakeButton(BottomPanel, buttons, "BBtnOK1", QStringLiteral("&تاييد"));
    BBtnOK2 = MakeButton(BottomPanel, buttons, "BBtnOK2", QStringLiteral("&تاييد"));
    BBtnCancel = MakeButton(BottomPanel, buttons, "BBtnCancel", QStringLiteral("&انصراف"));
    BBtnYes = MakeButton(BottomPanel, buttons, "BBtnYes", QStringLiteral("&بله"));
    BBtnNo = MakeButton(BottomPanel, buttons, "BBtnNo", QStringLiteral("&خير"));
    buttons->addStretch();
    connect(BBtnOK1, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(BBtnOK2, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(BBtnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(BBtnYes, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(BBtnNo, &QPushButton::clicked, this, [this] { done(mrNo); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1300);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TDlgMsg::Timer1Timer);

    resizeEvent(nullptr);
}

QString TDlgMsg::DesignCaption() const
{
    return kDesignCaption;
}

QString TDlgMsg::CompleteCode(const QString& code)
{
    QString c = code.toUpper();
    if (c.isEmpty())
        c = QStringLiteral("1 R");
    else if (c.size() == 1)
        c += QStringLiteral(" R");
    else if (c.size() == 2)
        c += QStringLiteral("R");
    return c;
}

int TDlgMsg::ShowMessageDlg(const QString& text, const QString& title, const QString& code)
{
    // 1. Centre on the screen with the window's present size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize s = screen->size();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }

    // 2-3. Title and code.
    const QString caption = title.isEmpty() ? DesignCaption() : title;
    const QString c = CompleteCode(code);

    // 4. The single confirming button reads "continue".
    BBtnOK1->setText(QStringLiteral("ادامه"));

    // 5. Only the buttons and the icon the code names.
    for (QPushButton* b : {BBtnOK1, BBtnOK2, BBtnCancel, BBtnYes, BBtnNo})
        b->hide();
    for (QLabel* icon : {I_Info, I_Warning, I_Question, I_Error, I_Stop})
        icon->hide();
    switch (c.at(0).unicode()) {
    case '1':
        BBtnOK1->show();
        break;
    case '2':
        BBtnOK2->show();
        BBtnCancel->show();
        break;
    case '3':
        BBtnYes->show();
        BBtnNo->show();
        break;
    default:
        break;
    }
    QLabel* icon = nullptr;
    switch (c.at(1).unicode()) {
    case 'I':
        icon = I_Info;
        break;
    case 'W':
        icon = I_Warning;
        break;
    case 'Q':
        icon = I_Question;
        break;
    case 'E':
        icon = I_Error;
        break;
    case 'S':
        icon = I_Stop;
        break;
    default:
        break;
    }
    if (icon != nullptr) {
        icon->show();
        Memo->setGeometry(MemoLeft, MemoTop, MemoWidthWithIcon, Memo->height());
    } else {
        Memo->setGeometry(MemoLeft, MemoTop, MemoWidthWithoutIcon, Memo->height());
    }

    // 6. Text, then the height rule.
    Memo->setPlainText(text);
    if (MemoLineCount() > 4) {
        setFixedSize(FormWidth, DesignHeight);
        Memo->setGeometry(MemoLeft, MemoTop, Memo->width(), DesignMemoHeight);
        Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        setFixedSize(FormWidth, ShortHeight);
        Memo->setGeometry(MemoLeft, MemoTop, Memo->width(), ShortMemoHeight);
        Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // 7. Captions.
    Caption_Panel->setCaption(QStringLiteral("     ") + caption);
    setWindowTitle(caption);

    if (QPushButton* first = firstVisibleButton()) {
        first->setDefault(true);
        first->setFocus();
    }

    // 8. Modal.
    return exec();
}

int TDlgMsg::MemoLineCount() const
{
    // Lay the text out as the memo does (same font, width and margins) and count
    // the lines, so that a long line wrapped over several counts as several.
    QTextDocument doc;
    doc.setDefaultFont(Memo->font());
    doc.setDocumentMargin(Memo->document()->documentMargin());
    QTextOption option = doc.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(layoutDirection());
    doc.setDefaultTextOption(option);
    doc.setPlainText(Memo->toPlainText());
    doc.setTextWidth(Memo->width() - 2 * Memo->frameWidth());
    doc.documentLayout()->documentSize();
    int lines = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        lines += qMax(1, block.layout()->lineCount());
    return lines;
}

void TDlgMsg::reject()
{
    // Escape answers with the negative button the window shows.
    if (BBtnCancel->isVisibleTo(this))
        done(mrCancel);
    else if (BBtnNo->isVisibleTo(this))
        done(mrNo);
    else if (BBtnOK1->isVisibleTo(this))
        done(mrOk);
    else
        done(mrCancel);
}

void TDlgMsg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Timer1->start();
}

void TDlgMsg::resizeEvent(QResizeEvent* event)
{
    if (event != nullptr)
        QDialog::resizeEvent(event);
    Caption_Panel->setGeometry(0, 0, width(), kCaptionHeight);
    InfoPanel->setGeometry(0, kCaptionHeight, width(), height() - kCaptionHeight - kBottomHeight);
    BottomPanel->setGeometry(0, height() - kBottomHeight, width(), kBottomHeight);
}

QPushButton* TDlgMsg::firstVisibleButton() const
{
    for (QPushButton* b : {BBtnOK1, BBtnOK2, BBtnCancel, BBtnYes, BBtnNo})
        if (b->isVisibleTo(this))
            return b;
    return nullptr;
}

// Once the message has been up for a moment, make sure it holds the keyboard so
// that the user's next key answers it rather than reaching the window below.
void TDlgMsg::Timer1Timer()
{
    if (!isVisible())
        return;
    raise();
    activateWindow();
    if (QPushButton* b = firstVisibleButton())
        b->setFocus();
}
