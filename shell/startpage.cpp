#include "startpage.h"

#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "hostsession.h"
#include "tasks.h"

#include "context/mydatabase.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace {

QLabel* Label(const QString& objectName, QWidget* parent, qreal scale = 1.0, bool bold = false)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

// One figure: its value large, what it is below.
QFrame* FigureCard(const QString& caption, QLabel* value, QWidget* parent)
{
    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("FigureCard"));
    auto* layout = new QVBoxLayout(card);
    value->setAlignment(Qt::AlignCenter);
    layout->addWidget(value);
    auto* text = new QLabel(caption, card);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    return card;
}

QString Number(double value)
{
    QLocale locale(QLocale::English);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(std::llround(value));
}

} // namespace

StartPage::StartPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StartPage"));
    setLayoutDirection(Qt::RightToLeft);
    setStyleSheet(QStringLiteral(
        "#StartPage { background: #f4f6fa; }"
        "#SessionBox, #FigureCard, #TaskGroup { background: white; border: 1px solid #d5dbe6;"
        " border-radius: 6px; }"
        "#TaskGroup QLabel#GroupTitle { color: #1f3d7a; }"
        "QPushButton#TaskButton { background: #f8faff; border: 1px solid #b9c6dc;"
        " border-radius: 5px; padding: 6px; text-align: center; }"
        "QPushButton#TaskButton:hover { background: #eaf1ff; }"
        "QPushButton#TaskButton:focus { background: #dce8ff; border: 2px solid #2a62c9; }"));

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(24, 16, 24, 16);
    page->setSpacing(12);

    // Who works on what.
    auto* session = new QFrame(this);
    session->setObjectName(QStringLiteral("SessionBox"));
    auto* sessionLayout = new QHBoxLayout(session);
    m_company = Label(QStringLiteral("StartCompany"), session, 1.6, true);
    m_period = Label(QStringLiteral("StartPeriod"), session, 1.1);
    m_user = Label(QStringLiteral("StartUser"), session, 1.1);
    sessionLayout->addWidget(m_company);
    sessionLayout->addStretch(1);
    sessionLayout->addWidget(m_period);
    sessionLayout->addSpacing(24);
    sessionLayout->addWidget(m_user);
    page->addWidget(session);

    // The register's figures.
    m_figureBox = new QWidget(this);
    m_figureBox->setObjectName(QStringLiteral("StartFigures"));
    auto* figures = new QHBoxLayout(m_figureBox);
    figures->setContentsMargins(0, 0, 0, 0);
    m_assets = Label(QStringLiteral("AssetsHeld"), m_figureBox, 1.8, true);
    m_cost = Label(QStringLiteral("CostOfAssetsHeld"), m_figureBox, 1.8, true);
    m_vouchers = Label(QStringLiteral("VouchersInMonth"), m_figureBox, 1.8, true);
    figures->addWidget(FigureCard(QStringLiteral("دارايي هاي در اختيار"), m_assets, m_figureBox));
    figures->addWidget(
        FigureCard(QStringLiteral("بهاي تمام شده آنها (ريال)"), m_cost, m_figureBox));
    figures->addWidget(FigureCard(QStringLiteral("اسناد اين ماه"), m_vouchers, m_figureBox));
    page->addWidget(m_figureBox);

    // The tasks, menu by menu.
    page->addWidget(makeGroup(QStringLiteral("اسناد دارايي"), HostTask::Voucher, 4));
    auto* others = new QHBoxLayout;
    others->setSpacing(12);
    others->addWidget(
        makeGroup(QStringLiteral("برگشت از كنارگذاري"), HostTask::ReturnFromRetirement, 1));
    others->addWidget(makeGroup(QStringLiteral("گزارشات"), HostTask::Report, 1));
    others->addWidget(makeGroup(QStringLiteral("عمليات"), HostTask::Period, 1));
    page->addLayout(others);

    // Each part begins with a right-to-left mark, so that a key name at its start does
    // not turn the line left to right.
    QStringList hints;
    for (const char* part : {"Enter يا كليك: باز كردن كار", "كليدهاي جهت: دكمه بعدي",
                             "F1: راهنماي صفحه كليد", "F10: منوها"})
        hints << QChar(0x200F) + QString::fromUtf8(part);
    auto* hint = new QLabel(hints.join(QStringLiteral("     ")), this);
    hint->setObjectName(QStringLiteral("StartHint"));
    hint->setStyleSheet(QStringLiteral("color: #55607a;"));
    page->addWidget(hint);
    page->addStretch(1);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, &StartPage::keyGuideAsked);
}

QWidget* StartPage::makeGroup(const QString& title, int group, int columns)
{
    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("TaskGroup"));
    auto* layout = new QVBoxLayout(box);
    QLabel* caption = Label(QStringLiteral("GroupTitle"), box, 1.2, true);
    caption->setText(title);
    layout->addWidget(caption);
    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    int n = 0;
    for (const HostTask& task : HostTasks()) {
        if (task.group != group)
            continue;
        const QString entryPoint = QLatin1String(task.entryPoint);
        const QString key = TaskShortcut(task).toString(QKeySequence::NativeText);
        auto* button = new QPushButton(TaskTabTitle(task) + QLatin1Char('\n') + key, box);
        button->setObjectName(QStringLiteral("TaskButton"));
        button->setProperty("entryPoint", entryPoint);
        button->setToolTip(key);
        button->setMinimumSize(200, 54);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setAutoDefault(false);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, button, entryPoint] {
            m_last = button;
            emit taskChosen(entryPoint);
        });
        m_buttons.insert(entryPoint, button);
        grid->addWidget(button, n / columns, n % columns);
        ++n;
    }
    layout->addLayout(grid);
    layout->addStretch(1);
    return box;
}

void StartPage::refresh(HostSession& session)
{
    const SessionSettings& s = session.settings();
    // The company's name comes from the register, read again only for another
    // company, period or data place (on a server each read is a connection of its own).
    const QString companyKey = s.dataPlace() + QLatin1Char('\n') + s.companyCode.trimmed() +
                               QLatin1Char('\n') + s.fiscalYear;
    if (companyKey != m_companyKey) {
        m_companyKey = companyKey;
        m_companyName.clear();
        try {
            for (const CompanyPeriod& period : DatabaseFolder(s.dataPlace()).periods())
                if (period.company == s.companyCode.trimmed() && period.year == s.fiscalYear)
                    m_companyName = period.name.trimmed();
        } catch (const std::exception&) {
            // The code alone names the company.
        }
    }
    const QString company =
        m_companyName.isEmpty()
            ? s.companyCode.trimmed()
            : m_companyName + QStringLiteral("  (") + s.companyCode.trimmed() + QLatin1Char(')');
    m_company->setText(QStringLiteral("شركت: ") + company);
    m_period->setText(
        QStringLiteral("سال مالي %1:  %2 تا %3").arg(s.fiscalYear, s.periodStart, s.periodEnd));
    m_user->setText(QStringLiteral("كاربر: ") + s.userName);

    m_figures.reset();
    if (DbConnection* connection = session.myDatabase()->Connection) {
        const QString month = s.today.left(8); // "yyyy/mm/"
        try {
            m_figures = ReadRegisterFigures(*connection, month + QStringLiteral("01"),
                                            month + QStringLiteral("31"));
        } catch (const DatabaseError&) {
            // The page goes on without its figures; the task windows tell what is wrong.
        }
    }
    m_figureBox->setVisible(m_figures.has_value());
    if (m_figures) {
        m_assets->setText(Number(double(m_figures->assetsHeld)));
        m_cost->setText(Number(m_figures->costOfAssetsHeld));
        m_vouchers->setText(Number(double(m_figures->vouchersInMonth)));
    }
}

void StartPage::focusButton()
{
    QPushButton* button =
        m_last ? m_last.data() : m_buttons.value(QLatin1String(HostTasks().first().entryPoint));
    if (button != nullptr)
        button->setFocus(Qt::OtherFocusReason);
}

// The button whose centre lies in the key's direction from `from`'s, the one nearest
// along that direction and least off its line first.
QPushButton* StartPage::nearest(QPushButton* from, int key) const
{
    const QPoint origin = from->mapTo(this, from->rect().center());
    QPushButton* best = nullptr;
    qint64 bestScore = 0;
    for (QPushButton* button : m_buttons) {
        if (button == from || !button->isVisible())
            continue;
        const QPoint d = button->mapTo(this, button->rect().center()) - origin;
        int along = 0;
        int across = 0;
        switch (key) {
        case Qt::Key_Left:
            along = -d.x();
            across = d.y();
            break;
        case Qt::Key_Right:
            along = d.x();
            across = d.y();
            break;
        case Qt::Key_Up:
            along = -d.y();
            across = d.x();
            break;
        default:
            along = d.y();
            across = d.x();
            break;
        }
        if (along <= 4)
            continue;
        const qint64 score = qint64(along) + 3 * qint64(std::abs(across));
        if (best == nullptr || score < bestScore) {
            best = button;
            bestScore = score;
        }
    }
    return best;
}

bool StartPage::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button != nullptr && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~(Qt::KeypadModifier))
            return QWidget::eventFilter(watched, event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            button->click();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (QPushButton* next = nearest(button, key->key())) {
                next->setFocus(Qt::TabFocusReason);
                m_last = next;
            }
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
