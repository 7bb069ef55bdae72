#include "helpwindows.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "hostsession.h"
#include "jalalidate.h"
#include "tasks.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

QString ProgramVersion()
{
    return QStringLiteral(AMVAL_VERSION);
}

QDate BuildDate()
{
    // __DATE__ reads "Mmm dd yyyy", the day padded with a blank.
    return QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(),
                               QStringLiteral("MMM d yyyy"));
}

QList<KeyGuideSection> VoucherWindowsKeyGuide()
{
    KeyGuideSection main{QStringLiteral("پنجره اصلي"), {}};
    for (const HostTask& task : HostTasks())
        main.rows.append({TaskShortcut(task).toString(QKeySequence::NativeText),
                          QStringLiteral("باز كردن «%1»").arg(TaskTabTitle(task))});
    main.rows.append({QStringLiteral("F10"), QStringLiteral("منوهاي پنجره اصلي")});
    main.rows.append(
        {QStringLiteral("Enter / كليدهاي جهت"),
         QStringLiteral("در صفحه آغاز: باز كردن كار انتخاب شده / رفتن به دكمه كنار آن")});
    main.rows.append({QStringLiteral("Alt+F4"), QStringLiteral("خروج")});
    return VoucherKeyGuide() << main;
}

void ShowVoucherKeys(QWidget* parent)
{
    ShowKeyGuide(parent, QStringLiteral("راهنماي صفحه كليد پنجره هاي اسناد"),
                 VoucherWindowsKeyGuide());
}

void ShowReportGridKeys(QWidget* parent)
{
    ShowKeyGuide(parent, QStringLiteral("كليدهاي جدول گزارش"), ReportGridKeyGuide());
}

AboutDialog::AboutDialog(HostSession& session, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("درباره برنامه"));
    setLayoutDirection(Qt::RightToLeft);

    const SessionSettings& s = session.settings();
    QString engine = QStringLiteral("(پايگاه داده باز نيست)");
    if (DbConnection* connection = session.myDatabase()->Connection) {
        try {
            engine = connection->engineDescription();
        } catch (const DatabaseError& error) {
            engine = QStringLiteral("(پاسخ نداد: %1)").arg(error.message());
        }
    }
    const QDate built = BuildDate();
    m_lines = {
        {QStringLiteral("نسخه"), ProgramVersion()},
        {QStringLiteral("تاريخ ساخت"), built.isValid()
                                           ? JalaliDateText(built) + QStringLiteral("  (") +
                                                 built.toString(Qt::ISODate) + QLatin1Char(')')
                                           : QString()},
        {QStringLiteral("پايگاه داده"), engine},
        s.server.isEmpty() ? QPair<QString, QString>{QStringLiteral("پوشه داده ها"), s.dataDir}
                           : QPair<QString, QString>{QStringLiteral("سرور"),
                                                     DbConnection::DisplayAddress(s.server)},
        {QStringLiteral("شركت"), s.companyCode},
        {QStringLiteral("دوره مالي"),
         QStringLiteral("%1  (%2 تا %3)").arg(s.fiscalYear, s.periodStart, s.periodEnd)},
        {QStringLiteral("كاربر"), s.userName},
    };

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("سيستم دارايي هاي ثابت"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(8);
    form->setContentsMargins(12, 12, 12, 12);
    for (const auto& [label, value] : std::as_const(m_lines)) {
        auto* shown = new QLabel(value, this);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Right-aligned on the screen whichever way the value itself reads (a path,
        // an address, a version left to right).
        shown->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        form->addRow(label + QLatin1Char(':'), shown);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("بستن"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}
