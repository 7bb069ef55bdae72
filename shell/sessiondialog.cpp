#include "sessiondialog.h"

#include "companydialogs.h"
#include "context/mydate.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "hostsession.h"
#include "jalalidate.h"
#include "passworddialog.h"
#include "persiantext.h"
#include "signin.h"
#include "useraccounts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

SessionDialog::SessionDialog(const SessionSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("ورود به سيستم دارايي هاي ثابت"));
    setLayoutDirection(Qt::RightToLeft);
    setMinimumWidth(440);

    auto* form = new QFormLayout(this);
    m_user = new QLineEdit(settings.userName, this);
    m_user->setObjectName(QStringLiteral("UserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(100);
    m_wait = new QLabel(this);
    m_wait->setObjectName(QStringLiteral("SignInWait"));
    m_wait->setWordWrap(true);
    m_wait->hide();
    m_waitTimer = new QTimer(this);
    m_waitTimer->setInterval(1000);
    connect(m_waitTimer, &QTimer::timeout, this, &SessionDialog::showWait);
    connect(m_user, &QLineEdit::textChanged, this, &SessionDialog::showWait);
    m_company = new QLineEdit(settings.companyCode, this);
    m_year = new QLineEdit(settings.fiscalYear, this);
    m_year->setObjectName(QStringLiteral("FiscalYear"));
    m_year->setInputMask(QStringLiteral("9999"));
    m_start = new QLineEdit(settings.periodStart, this);
    m_start->setInputMask(QStringLiteral("9999/99/99"));
    m_end = new QLineEdit(settings.periodEnd, this);
    m_end->setObjectName(QStringLiteral("PeriodEnd"));
    m_end->setInputMask(QStringLiteral("9999/99/99"));
    m_dataDir = new QLineEdit(settings.dataDir, this);
    m_dataDir->setLayoutDirection(Qt::LeftToRight);
    // Shown without its password, which stays in memory while the address is kept.
    m_server = new QLineEdit(settings.savedServer(), this);
    m_server->setObjectName(QStringLiteral("ServerAddress"));
    m_server->setLayoutDirection(Qt::LeftToRight);
    m_server->setPlaceholderText(QStringLiteral("postgresql://user@host:port/dbname"));
    m_appDir = new QLineEdit(settings.appDir, this);
    m_appDir->setLayoutDirection(Qt::LeftToRight);

    // The periods of the data folder's register: choosing one fills company, year
    // and period.
    m_periods = new QComboBox(this);
    form->addRow(QStringLiteral("دوره هاي مالي:"), m_periods);
    connect(m_periods, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= m_known.size())
            return;
        const CompanyPeriod& p = m_known.at(index);
        m_company->setText(p.company);
        m_year->setText(p.year);
        if (!p.startDate.isEmpty())
            m_start->setText(p.startDate);
        if (!p.endDate.isEmpty())
            m_end->setText(p.endDate);
    });
    connect(m_dataDir, &QLineEdit::editingFinished, this, &SessionDialog::fillPeriods);
    connect(m_server, &QLineEdit::editingFinished, this, &SessionDialog::fillPeriods);

    form->addRow(QStringLiteral("نام كاربر:"), m_user);
    form->addRow(QStringLiteral("رمز عبور:"), m_password);
    form->addRow(m_wait);
    form->addRow(QStringLiteral("كد شركت:"), m_company);
    form->addRow(QStringLiteral("سال مالي:"), m_year);
    form->addRow(QStringLiteral("ابتداي دوره:"), m_start);
    form->addRow(QStringLiteral("انتهاي دوره:"), m_end);
    form->addRow(QStringLiteral("پوشه اطلاعات:"), m_dataDir);
    form->addRow(QStringLiteral("سرور پايگاه داده:"), m_server);
    form->addRow(QStringLiteral("پوشه برنامه:"), m_appDir);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("تاييد"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("انصراف"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    // A company of one's own where the data place holds no database: its maker, the
    // user shown, becomes its administrator and signs in to it at once.
    m_newCompany = buttons->addButton(QStringLiteral("شرکت جديد"), QDialogButtonBox::ActionRole);
    m_newCompany->setObjectName(QStringLiteral("NewCompany"));
    m_newCompany->setAutoDefault(false);
    connect(m_newCompany, &QPushButton::clicked, this, [this] {
        const SessionSettings s = this->settings();
        NewCompanyDialog dialog(s.dataPlace(), 1, s.userName, QString(), QString(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const NewCompany made = dialog.request();
        m_company->setText(LatinDigits(made.code.trimmed()));
        m_year->setText(LatinDigits(made.year.trimmed()));
        m_start->setText(NormalJalaliDate(made.startDate));
        m_end->setText(NormalJalaliDate(made.endDate));
        m_user->setText(made.userName);
        fillPeriods();
        m_password->setText(made.password);
        accept();
    });
    fillPeriods();
    connect(buttons, &QDialogButtonBox::accepted, this, &SessionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SessionDialog::reject);
    form->addRow(buttons);

    // The name is usually there already: the password is what is typed first.
    (m_user->text().trimmed().isEmpty() ? m_user : m_password)->setFocus();

    // A new fiscal year proposes its own period.
    connect(m_year, &QLineEdit::textEdited, this, [this](const QString& typed) {
        const QString year = LatinDigits(typed);
        if (year.size() == 4) {
            m_start->setText(year + QStringLiteral("/01/01"));
            m_end->setText(JalaliYearEnd(year.toInt()));
        }
    });
}

void SessionDialog::fillPeriods()
{
    m_known = DatabaseFolder(settings().dataPlace()).periods();
    m_periods->clear();
    int current = -1;
    for (const CompanyPeriod& p : m_known) {
        m_periods->addItem(p.year + QLatin1Char('-') + p.company + QStringLiteral(" : ") + p.name);
        if (p.company == m_company->text().trimmed() && p.year == m_year->text().trimmed())
            current = m_periods->count() - 1;
    }
    m_periods->setEnabled(!m_known.isEmpty());
    m_periods->setCurrentIndex(current);
    if (m_newCompany) {
        bool empty = false;
        try {
            empty = DatabaseFolder(settings().dataPlace()).isEmpty();
        } catch (const DatabaseError&) {
        }
        m_newCompany->setVisible(empty);
    }
}

// Why the chosen period is not in the data place, or why the place cannot be read;
// empty when it is there, or when the place is empty (the demo company goes there).
QString SessionDialog::missingPeriod(const SessionSettings& s) const
{
    const DatabaseFolder place(s.dataPlace());
    try {
        if (place.isEmpty() || place.hasDatabase(CompanyDatabaseName(s.companyCode, s.fiscalYear)))
            return QString();
    } catch (const DatabaseError& e) {
        return PlaceFailureText(e);
    }
    if (place.isServer())
        return QStringLiteral("دوره مالي %1 شركت %2 روي سرور «%3» نيست.")
            .arg(s.fiscalYear, s.companyCode, QChar(0x2066) + place.displayName() + QChar(0x2069));
    return QStringLiteral("دوره مالي %1 شركت %2 در پوشه اطلاعات نيست.")
        .arg(s.fiscalYear, s.companyCode);
}

SessionSettings SessionDialog::settings() const
{
    SessionSettings s = m_settings;
    s.userName = m_user->text().trimmed();
    if (m_signedInId > 0)
        s.userId = m_signedInId;
    // Digits typed on a Persian keyboard are the digits 0-9.
    s.companyCode = LatinDigits(m_company->text().trimmed());
    s.fiscalYear = LatinDigits(m_year->text().trimmed());
    s.periodStart = LatinDigits(m_start->text());
    s.periodEnd = LatinDigits(m_end->text());
    s.dataDir = m_dataDir->text().trimmed();
    const QString server = m_server->text().trimmed();
    if (server != m_settings.savedServer())
        s.server = server;
    s.appDir = m_appDir->text().trimmed();
    return s;
}

void SessionDialog::accept()
{
    const SessionSettings s = settings();
    QString problem;
    if (s.userName.isEmpty())
        problem = QStringLiteral("نام كاربر را وارد كنيد.");
    else if (s.companyCode.isEmpty())
        problem = QStringLiteral("كد شركت را وارد كنيد.");
    else if (s.fiscalYear.size() != 4)
        problem = QStringLiteral("سال مالي بايد چهار رقم باشد.");
    else if (!TMyDate::IsValidDate(s.periodStart) || !TMyDate::IsValidDate(s.periodEnd) ||
             s.periodStart.size() != 10 || s.periodEnd.size() != 10)
        problem = QStringLiteral("تاريخ ابتدا يا انتهاي دوره معتبر نيست.");
    else if (s.periodStart > s.periodEnd)
        problem = QStringLiteral("ابتداي دوره بعد از انتهاي آن است.");
    else if (s.server.isEmpty() && s.dataDir.isEmpty())
        problem = QStringLiteral("پوشه اطلاعات را وارد كنيد.");
    else if (!s.server.isEmpty() && !DbConnection::IsServerAddress(s.server))
        problem = QStringLiteral("نشاني سرور بايد به شكل "
                                 "postgresql://user@host:port/dbname باشد.");
    else if (s.appDir.isEmpty())
        problem = QStringLiteral("پوشه برنامه را وارد كنيد.");
    else
        problem = missingPeriod(s);
    if (problem.isEmpty())
        problem = signIn(s);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}

namespace {
QString WaitText(int seconds)
{
    return QStringLiteral("ورود با اين نام كاربر تا %1 ثانيه ديگر پذيرفته نمي شود.").arg(seconds);
}
} // namespace

QString SessionDialog::signIn(const SessionSettings& s)
{
    SignInThrottle& throttle = SignInThrottle::Program();
    if (const int wait = throttle.secondsLeft(s.userName); wait > 0) {
        showWait();
        return WaitText(wait);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SessionSignIn outcome = SignInToSession(s, m_password->text());
    QApplication::restoreOverrideCursor();
    m_password->clear();
    m_password->setFocus();
    if (outcome.state == SessionSignIn::State::Unavailable)
        return outcome.text;
    if (outcome.state == SessionSignIn::State::Refused) {
        throttle.failed(s.userName);
        showWait();
        const int wait = throttle.secondsLeft(s.userName);
        return wait > 0 ? outcome.text + QLatin1Char('\n') + WaitText(wait) : outcome.text;
    }
    throttle.succeeded(s.userName);
    showWait();
    if (outcome.mustChoosePassword) {
        const SessionSettings& user = outcome.settings;
        PasswordDialog choose(
            PasswordDialog::Mode::Choose, user.userName,
            [&user](const QString&, const QString& password, const QString& repeated) {
                QString failure;
                std::unique_ptr<DbConnection> connection = OpenSessionPeriod(user, &failure);
                if (!connection)
                    return failure;
                return UserAccounts::ChangePassword(*connection, user.userId, QString(), password,
                                                    repeated);
            },
            this);
        if (choose.exec() != QDialog::Accepted)
            return QStringLiteral("بدون رمز عبور وارد سيستم نمي شويد.");
    }
    m_signedInId = outcome.settings.userId;
    m_user->setText(outcome.settings.userName);
    return QString();
}

// The wait before the name shown may try again, counted down; hidden when there is none.
void SessionDialog::showWait()
{
    const int wait = SignInThrottle::Program().secondsLeft(m_user->text().trimmed());
    m_wait->setText(wait > 0 ? WaitText(wait) : QString());
    m_wait->setVisible(wait > 0);
    if (wait > 0)
        m_waitTimer->start();
    else
        m_waitTimer->stop();
}
