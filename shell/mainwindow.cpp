#include "mainwindow.h"

#include "assetdialog.h"
#include "backupdialog.h"
#include "companydialogs.h"
#include "helpwindows.h"
#include "lookupdialog.h"
#include "hostsession.h"
#include "modulelibrary.h"
#include "passworddialog.h"
#include "persianlayoutkeys.h"
#include "persiantext.h"
#include "rightsdialog.h"
#include "sessiondialog.h"
#include "startpage.h"
#include "tasks.h"
#include "useraccounts.h"
#include "voucherkinds.h"

#include "context/mydatabase.h"
#include "databaseerror.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChildEvent>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

MainWindow::MainWindow(ModuleLibrary* module, const SessionSettings& settings) : m_module(module)
{
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(QStringLiteral("سيستم دارايي هاي ثابت"));
    InstallPersianLayoutKeys(*QCoreApplication::instance());
    resize(1280, 800);

    m_session = std::make_unique<HostSession>(settings, this);
    m_session->setWaitObserver(
        [this](const QString& database, int waited) { showWait(database, waited); });

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TaskTabs"));
    m_tabs->setTabsClosable(true);
    m_tabs->setDocumentMode(true);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &MainWindow::closeTab);
    m_tabs->tabBar()->installEventFilter(this);
    // The start page while no task is open, the tab pages while any is.
    m_central = new QStackedWidget(this);
    m_start = new StartPage(m_central);
    connect(m_start, &StartPage::taskChosen, this, &MainWindow::openTask);
    connect(m_start, &StartPage::keyGuideAsked, this, [this] { ShowVoucherKeys(this); });
    m_central->addWidget(m_start);
    m_central->addWidget(m_tabs);
    setCentralWidget(m_central);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusText"));
    // A long reason is cut at the window's edge, not widening the window; the whole
    // text is in the tooltip and the message window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_status, 1);

    buildMenus();
    buildHelpMenu();
    updateStatus();
    showStartPageWhenIdle();
}

MainWindow::~MainWindow()
{
    // The module's windows go before the host objects they use.
    for (const QPointer<QWidget>& page : std::as_const(m_pages))
        delete page.data();
    m_pages.clear();
}

void MainWindow::buildMenus()
{
    QMenu* vouchers = menuBar()->addMenu(QStringLiteral("&اسناد دارايي"));
    QMenu* returns = nullptr;
    QMenu* reports = menuBar()->addMenu(QStringLiteral("&گزارشات"));
    QMenu* periods = menuBar()->addMenu(QStringLiteral("&عمليات"));

    for (const HostTask& task : HostTasks()) {
        QMenu* menu = vouchers;
        switch (task.group) {
        case HostTask::Voucher:
            break;
        case HostTask::ReturnFromRetirement:
            if (returns == nullptr)
                returns = vouchers->addMenu(QStringLiteral("برگشت از كنارگذاري"));
            menu = returns;
            break;
        case HostTask::Report:
            menu = reports;
            break;
        case HostTask::Period:
            menu = periods;
            break;
        }
        const QString entryPoint = QLatin1String(task.entryPoint);
        QAction* action =
            menu->addAction(task.caption, this, [this, entryPoint] { openTask(entryPoint); });
        action->setObjectName(entryPoint);
        // The digits of a Persian or an Arabic keyboard reach it through the
        // Persian-layout keys installed above.
        action->setShortcut(TaskShortcut(task));
    }

    QMenu* system = menuBar()->addMenu(QStringLiteral("&سيستم"));
    system->addAction(QStringLiteral("تغيير كاربر/دوره مالي ..."), this,
                      &MainWindow::changeSession);
    system->addAction(QStringLiteral("شرکت جديد ..."), this, &MainWindow::newCompany)
        ->setObjectName(QStringLiteral("NewCompany"));
    system->addAction(QStringLiteral("دوره مالي بعد ..."), this, &MainWindow::nextYear)
        ->setObjectName(QStringLiteral("NextYear"));
    system->addAction(QStringLiteral("تغيير رمز عبور ..."), this, &MainWindow::changePassword)
        ->setObjectName(QStringLiteral("ChangePassword"));
    // Users and rights: offered to the administrator only, as the period says when the
    // menu opens.
    QAction* users =
        system->addAction(QStringLiteral("كاربران و دسترسي ها ..."), this, &MainWindow::editUsers);
    users->setObjectName(QStringLiteral("UserRights"));
    connect(system, &QMenu::aboutToShow, this,
            [this, users] { users->setVisible(administrator()); });
    system->addAction(QStringLiteral("تعريف دارايي ها ..."), this, &MainWindow::defineAssets)
        ->setObjectName(QStringLiteral("AssetDefinitions"));
    system->addAction(QStringLiteral("جداول پايه ..."), this, &MainWindow::editLookups)
        ->setObjectName(QStringLiteral("LookupTables"));
    QAction* backup = system->addAction(QStringLiteral("پشتيبان گيري ..."), this, [this] {
        BackupDialog(m_session->settings().dataPlace(), this).exec();
    });
    backup->setObjectName(QStringLiteral("BackupItem"));
    QAction* restore = system->addAction(QStringLiteral("بازگرداندن نسخه پشتيبان ..."), this,
                                         [this] { RestoreDialog(this).exec(); });
    restore->setObjectName(QStringLiteral("RestoreItem"));
    system->addSeparator();
    QAction* quit = system->addAction(QStringLiteral("خروج"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    // F10 opens the menus from the keyboard, whatever the desktop's style does with Alt.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this, vouchers] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(vouchers->menuAction());
    });
}

void MainWindow::buildHelpMenu()
{
    QMenu* help = menuBar()->addMenu(QStringLiteral("&راهنما"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(QStringLiteral("&كليدهاي پنجره هاي اسناد ..."), this,
                    [this] { ShowVoucherKeys(this); })
        ->setObjectName(QStringLiteral("VoucherKeysItem"));
    help->addAction(QStringLiteral("كليدهاي &جدول گزارش ..."), this,
                    [this] { ShowReportGridKeys(this); })
        ->setObjectName(QStringLiteral("GridKeysItem"));
    help->addSeparator();
    help->addAction(QStringLiteral("&درباره برنامه ..."), this, [this] {
            AboutDialog(*m_session, this).exec();
        })->setObjectName(QStringLiteral("AboutItem"));
}

// The start page stands in for the tab pages while no task is open; each time it
// comes back it reads the register's figures again, which the tasks may have changed.
void MainWindow::showStartPageWhenIdle()
{
    if (m_tabs->count() > 0) {
        m_central->setCurrentWidget(m_tabs);
        return;
    }
    m_start->refresh(*m_session);
    m_central->setCurrentWidget(m_start);
    m_start->focusButton();
}

bool MainWindow::openTask(const QString& entryPoint)
{
    const HostTask* task = FindHostTask(entryPoint);
    ModuleLibrary::EntryPoint call = m_module->entryPoint(entryPoint);
    if (task == nullptr || call == nullptr) {
        QMessageBox::critical(this, windowTitle(),
                              QStringLiteral("Can not load ") + m_module->path() +
                                  QStringLiteral(" (") + entryPoint + QStringLiteral(")\n") +
                                  m_module->errorString());
        return false;
    }
    if (!m_session->hasDatabase()) {
        tell(m_session->databaseError());
        return false;
    }

    QWidget* page = m_pages.value(entryPoint);
    if (page == nullptr) {
        page = new QWidget;
        page->setObjectName(entryPoint + QStringLiteral("_Page"));
        page->installEventFilter(this);
        m_pages.insert(entryPoint, page);
        m_tabs->addTab(page, TaskTabTitle(*task));
    }
    m_tabs->setCurrentWidget(page);
    showStartPageWhenIdle();

    HostSession* s = m_session.get();
    call(page, s->global(), s->myDate(), s->myDatabase(), s->dlgMsg(), s->tempGridForm(),
         s->showStateForm());
    return true;
}

QWidget* MainWindow::taskPage(const QString& entryPoint) const
{
    return m_pages.value(entryPoint);
}

namespace {

// Keys a task window may take as its shortcuts (its menus' function keys and Ctrl or
// Alt combinations), but not those the tab bar itself uses to change the page.
bool WindowKey(const QKeyEvent* key)
{
    const int code = key->key();
    if (code >= Qt::Key_F1 && code <= Qt::Key_F35)
        return true;
    if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    return code != Qt::Key_Tab && code != Qt::Key_Backtab && code != Qt::Key_PageUp &&
           code != Qt::Key_PageDown;
}

// The task windows of a page, newest first: a window opened from another one (a
// voucher from a report) stands over it in the same page until it closes.
QList<QWidget*> TaskWindows(const QWidget* page)
{
    QList<QWidget*> windows =
        page ? page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly) : QList<QWidget*>();
    std::reverse(windows.begin(), windows.end());
    return windows;
}

} // namespace

// A key pressed on the tab bar that a window's shortcut may want goes to the task
// window of the current page: the focus moves back into that window (where it was
// last, or the window itself) before the shortcut is looked for, so that the
// window's shortcuts, which act while the focus is inside it, act as they do there.
void MainWindow::giveKeyToTask(QKeyEvent* key)
{
    if (!WindowKey(key))
        return;
    QWidget* window = nullptr;
    for (QWidget* shown : TaskWindows(m_tabs->currentWidget())) {
        if (shown->isVisible()) {
            window = shown;
            break;
        }
    }
    if (window == nullptr)
        return;
    QWidget* inside = window->focusWidget();
    if (inside == nullptr || !inside->isVisible() || !inside->isEnabled())
        inside = window;
    inside->setFocus(Qt::ShortcutFocusReason);
}

// A page whose window has closed (and freed itself) leaves the tab bar.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && watched == m_tabs->tabBar()) {
        giveKeyToTask(static_cast<QKeyEvent*>(event));
        return false;
    }
    if (event->type() == QEvent::ChildRemoved) {
        auto* page = qobject_cast<QWidget*>(watched);
        QPointer<QWidget> guard(page);
        QTimer::singleShot(0, this, [this, guard] {
            if (guard)
                dropEmptyPage(guard);
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::dropEmptyPage(QWidget* page)
{
    if (!page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        return;
    m_pages.remove(m_pages.key(page));
    const int index = m_tabs->indexOf(page);
    if (index >= 0)
        m_tabs->removeTab(index);
    page->deleteLater();
    showStartPageWhenIdle();
}

void MainWindow::closeTab(int index)
{
    // Closing goes through the window itself, so that it can ask its own question.
    QWidget* page = m_tabs->widget(index);
    const QList<QWidget*> windows = TaskWindows(page);
    if (windows.isEmpty())
        dropEmptyPage(page);
    for (QWidget* window : windows) {
        if (!window->close())
            return;
    }
}

bool MainWindow::closeAllTasks()
{
    for (const QPointer<QWidget>& page : m_pages.values()) {
        if (!page)
            continue;
        for (QWidget* window : TaskWindows(page)) {
            if (!window->close())
                return false;
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

void MainWindow::changeSession()
{
    SessionDialog dialog(m_session->settings(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!closeAllTasks())
        return;
    m_session->changeSettings(dialog.settings());
    updateStatus();
    showStartPageWhenIdle();
    tellSessionProblems();
}

// A company of one's own, made by the session's administrator, with the users of the
// session's period.
void MainWindow::newCompany()
{
    if (!administrator()) {
        tell(QStringLiteral("فقط مدير سيستم (كاربري كه همه دسترسي ها را دارد) شركت جديد مي سازد."));
        return;
    }
    const SessionSettings& s = m_session->settings();
    NewCompanyDialog dialog(s.dataPlace(), s.userId, s.userName, s.companyCode, s.fiscalYear, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const NewCompany made = dialog.request();
    offerPeriod(LatinDigits(made.code.trimmed()), LatinDigits(made.year.trimmed()),
                QStringLiteral("شركت %1 («%2») با دوره مالي %3 ساخته شد.")
                    .arg(LatinDigits(made.code.trimmed()), made.name.trimmed(),
                         LatinDigits(made.year.trimmed())));
}

// The period after the session's; a session whose period is not there (the first day
// of a year not made yet) starts from the company's last period before it.
void MainWindow::nextYear()
{
    // Without the session's period, the period it is made from asks the same.
    if (m_session->hasDatabase() && !administrator()) {
        tell(QStringLiteral("فقط مدير سيستم (كاربري كه همه دسترسي ها را دارد) دوره مالي بعد را "
                            "مي سازد."));
        return;
    }
    const SessionSettings& s = m_session->settings();
    QString from;
    for (const CompanyPeriod& p : DatabaseFolder(s.dataPlace()).periods()) {
        if (p.company == s.companyCode.trimmed() &&
            (p.year == s.fiscalYear || (!m_session->hasDatabase() && p.year < s.fiscalYear)))
            from = p.year;
    }
    if (from.isEmpty()) {
        tell(QStringLiteral("دوره اي از شركت %1 نيست كه دوره بعد از آن ساخته شود؛ با «شرکت جديد» "
                            "در منوي «سيستم» شركت را بسازيد.")
                 .arg(s.companyCode));
        return;
    }
    NextYearDialog dialog(s.dataPlace(), s.companyCode, from, s.userId, s.userName, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const NextYear made = dialog.request();
    offerPeriod(made.company, LatinDigits(made.year.trimmed()),
                QStringLiteral("دوره مالي %1 شركت %2 ساخته شد.")
                    .arg(LatinDigits(made.year.trimmed()), made.company));
}

// Told that the period was made, the user may go on to it at once.
void MainWindow::offerPeriod(const QString& company, const QString& year, const QString& made)
{
    QMessageBox ask(QMessageBox::Question, windowTitle(),
                    made + QStringLiteral("\nبه اين دوره برويد؟"),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(QStringLiteral("GoToPeriod"));
    ask.setLayoutDirection(Qt::RightToLeft);
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("بله"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("خير"));
    ask.setDefaultButton(QMessageBox::Yes);
    if (ask.exec() != QMessageBox::Yes || !closeAllTasks())
        return;
    SessionSettings settings = m_session->settings();
    for (const CompanyPeriod& p : DatabaseFolder(settings.dataPlace()).periods()) {
        if (p.company == company && p.year == year) {
            settings.companyCode = p.company;
            settings.fiscalYear = p.year;
            settings.periodStart = p.startDate;
            settings.periodEnd = p.endDate;
        }
    }
    m_session->changeSettings(settings);
    updateStatus();
    showStartPageWhenIdle();
    tellSessionProblems();
}

bool MainWindow::administrator() const
{
    DbConnection* connection = m_session->myDatabase()->Connection;
    try {
        return connection != nullptr &&
               UserAccounts::IsAdministrator(*connection, m_session->settings().userId);
    } catch (const DatabaseError&) {
        return false;
    }
}

void MainWindow::changePassword()
{
    DbConnection* connection = m_session->myDatabase()->Connection;
    if (connection == nullptr) {
        tell(m_session->databaseError());
        return;
    }
    const int user = m_session->settings().userId;
    PasswordDialog dialog(
        PasswordDialog::Mode::Change, m_session->settings().userName,
        [connection, user](const QString& old, const QString& password, const QString& repeated) {
            return UserAccounts::ChangePassword(*connection, user, old, password, repeated);
        },
        this);
    if (dialog.exec() == QDialog::Accepted)
        statusBar()->showMessage(QStringLiteral("رمز عبور تغيير كرد."), 5000);
}

void MainWindow::editUsers()
{
    DbConnection* connection = m_session->myDatabase()->Connection;
    if (connection == nullptr) {
        tell(m_session->databaseError());
        return;
    }
    if (!administrator()) {
        tell(QStringLiteral("فقط مدير سيستم (كاربري كه همه دسترسي ها را دارد) كاربران و "
                            "دسترسي ها را تغيير مي دهد."));
        return;
    }
    RightsDialog dialog(connection, m_session->settings().userId, this);
    dialog.exec();
}

// The assets and the look-up tables are kept under the purchase's rights: the windows
// open for a user with any of them and each store asks for the one it needs.
void MainWindow::openDefinitions(const std::function<void(DbConnection*)>& open)
{
    DbConnection* connection = m_session->myDatabase()->Connection;
    if (connection == nullptr) {
        tell(m_session->databaseError());
        return;
    }
    try {
        const QString prefix = VoucherKindOf(VoucherKindId::BuyCreate).rightsPrefix;
        bool any = false;
        for (const QString& word : UserAccounts::RightWords())
            any = any || UserAccounts::HasRight(*connection, m_session->settings().userId, prefix,
                                                word);
        if (!any) {
            tell(QStringLiteral("كاربر به خريد/ساخت دسترسي ندارد و دارايي ها و جداول پايه را "
                                "تغيير نمي دهد."));
            return;
        }
        open(connection);
    } catch (const DatabaseError& error) {
        tell(DatabaseFailureText(error));
    }
    // The start page's figures count the assets defined.
    showStartPageWhenIdle();
}

void MainWindow::defineAssets()
{
    openDefinitions([this](DbConnection* connection) {
        const SessionSettings& s = m_session->settings();
        AssetDialog(connection, s.userId, s.today, this).exec();
    });
}

void MainWindow::editLookups()
{
    openDefinitions([this](DbConnection* connection) {
        LookupDialog(connection, m_session->settings().userId, this).exec();
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeAllTasks()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// The message window at start tells what is wrong with the session's files once the
// main window is on the screen.
void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    QMetaObject::invokeMethod(this, &MainWindow::tellSessionProblems, Qt::QueuedConnection);
}

void MainWindow::updateStatus()
{
    const SessionSettings& s = m_session->settings();
    QString text =
        QStringLiteral("كاربر: %1    شركت: %2    سال مالي: %3    دوره: %4 تا %5    امروز: %6")
            .arg(s.userName, s.companyCode, s.fiscalYear, s.periodStart, s.periodEnd, s.today);
    QStringList problems;
    for (const QString& problem : {m_session->databaseError(), m_session->registerNotice()})
        if (!problem.isEmpty())
            problems << QString(problem).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!problems.isEmpty())
        text += QStringLiteral("    (") + problems.join(QStringLiteral(" ")) + QLatin1Char(')');
    m_status->setText(text);
    m_status->setToolTip(problems.join(QLatin1Char('\n')));
}

// While a statement waits for another program the status line says so. No event
// loop runs during the wait, and none is run here (it would deliver the user's
// input in the middle of the statement): the label is painted at once.
void MainWindow::showWait(const QString& database, int waited)
{
    if (waited > 0)
        m_status->setText(
            QStringLiteral("در انتظار آزاد شدن پايگاه داده %1 توسط برنامه ديگر ... %2 ثانيه")
                .arg(database)
                .arg((waited + 999) / 1000));
    else
        updateStatus();
    m_status->repaint();
}

void MainWindow::tellSessionProblems()
{
    QStringList problems;
    for (const QString& problem : {m_session->databaseError(), m_session->registerNotice()})
        if (!problem.isEmpty())
            problems << problem;
    if (!problems.isEmpty())
        tell(problems.join(QStringLiteral("\n\n")));
}

// One message window over the main window; a second reason replaces the text of one
// still open rather than stacking windows.
void MainWindow::tell(const QString& text)
{
    if (!m_notice) {
        m_notice =
            new QMessageBox(QMessageBox::Warning, windowTitle(), QString(), QMessageBox::Ok, this);
        m_notice->setObjectName(QStringLiteral("SessionNotice"));
        m_notice->setLayoutDirection(Qt::RightToLeft);
        m_notice->setAttribute(Qt::WA_DeleteOnClose);
        m_notice->button(QMessageBox::Ok)->setText(QStringLiteral("تاييد"));
    }
    m_notice->setText(text);
    m_notice->open();
}
