#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <functional>
#include <memory>

class DbConnection;
class HostSession;
class ModuleLibrary;
class QKeyEvent;
class QLabel;
class QMessageBox;
class QStackedWidget;
class StartPage;
class QTabWidget;
struct HostTask;
struct SessionSettings;

// The host's main window: a menu of the module's tasks and a tab page per open task,
// into which the module docks the task's window.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(ModuleLibrary* module, const SessionSettings& settings);
    ~MainWindow() override;

    HostSession* session() const { return m_session.get(); }

    // Calls the task's entry point with its tab page as the parent (a new page the
    // first time, the same page while the task's window lives). False when the
    // module or the entry point cannot be found, or when the session has no database
    // to work on; the reason is shown.
    bool openTask(const QString& entryPoint);
    QWidget* taskPage(const QString& entryPoint) const;
    QTabWidget* tabs() const { return m_tabs; }
    StartPage* startPage() const { return m_start; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildHelpMenu();
    void showStartPageWhenIdle();
    void changeSession();
    void newCompany();
    void nextYear();
    void offerPeriod(const QString& company, const QString& year, const QString& made);
    void changePassword();
    void editUsers();
    void openDefinitions(const std::function<void(DbConnection*)>& open);
    void defineAssets();
    void editLookups();
    bool administrator() const;
    bool closeAllTasks();
    void closeTab(int index);
    void dropEmptyPage(QWidget* page);
    void giveKeyToTask(QKeyEvent* key);
    void updateStatus();
    void showWait(const QString& database, int waited);
    void tellSessionProblems();
    void tell(const QString& text);

    ModuleLibrary* m_module;
    std::unique_ptr<HostSession> m_session;
    QTabWidget* m_tabs;
    QStackedWidget* m_central;
    StartPage* m_start;
    QLabel* m_status;
    QMap<QString, QPointer<QWidget>> m_pages;
    QPointer<QMessageBox> m_notice;
    bool m_shown = false;
};
