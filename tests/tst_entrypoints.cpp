// The module boundary as the host meets it: libamval.so loaded by path, its entry
// points called with tab pages as parents, its window variables read back.

#include "context/captionpanel.h"
#include "context/entrypoint.h"
#include "scriptedhost.h"
#include "testmain.h"
#include "testplace.h"

#include <QLibrary>
#include <QPointer>
#include <QToolButton>
#include <QtTest>

#include "commandquery.h"
#include "companyprocedures.h"
#include "databasefolder.h"
#include "democompany.h"
#include "demoyear.h"
#include "tasks.h"

class TestEntryPoints : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_module.setFileName(QStringLiteral(AMVAL_MODULE_PATH));
        QVERIFY2(m_module.load(), qPrintable(m_module.errorString()));
        m_release = reinterpret_cast<void (*)()>(m_module.resolve("Release_It"));
        QVERIFY(m_release != nullptr);
        // Voucher windows read their company when they are made.
        CreateDemoCompany(m_place.location(), DemoOptions{});
        m_db = DatabaseFolder(m_place.location()).openCompany("1", DemoYear(), false);
        QVERIFY(m_db && m_db->isOpen());
        m_db->setProcedures(&m_procedures);
        m_command = std::make_unique<CommandQuery>(m_db.get());
    }
    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        giveDatabase(*m_host);
    }
    void cleanup()
    {
        if (m_release != nullptr)
            m_release();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void eachEntryPointOpensItsWindow_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < HostTasks().size(); ++i)
            QTest::newRow(HostTasks()[i].entryPoint) << i;
    }
    void eachEntryPointOpensItsWindow()
    {
        QFETCH(int, index);
        const HostTask& host = HostTasks()[index];
        QWidget page;
        page.resize(900, 600);
        page.show();

        // Docked in the page, held by the variable its class names.
        QWidget* window = open(host.entryPoint, &page);
        QVERIFY(window != nullptr);
        // A voucher window's caption says what it is doing with its kind of voucher
        // (a kind may spell its Kaf the other way than its task does).
        const auto letters = [](QString text) { return text.replace(u'ك', u'ک'); };
        QVERIFY2(letters(window->windowTitle()).contains(letters(host.caption)),
                 qPrintable(window->windowTitle()));
        QVERIFY(letters(window->findChild<TCaptionPanel*>("Caption_Panel")->caption())
                    .contains(letters(host.caption)));
        QVERIFY(window->isVisible());
        QCOMPARE(window->layoutDirection(), Qt::RightToLeft);
        // Maximised inside the host: it fills the page, and follows it when the page grows.
        QTRY_COMPARE(window->geometry(), page.rect());
        page.resize(1000, 700);
        QTRY_COMPARE(window->geometry(), page.rect());

        // The host context of the call is what the module now holds.
        QCOMPARE(held<TGlobal*>("Global"), &m_host->global);
        QCOMPARE(held<TMyDate*>("MyDate"), m_host->myDate.get());
        QCOMPARE(held<TMyDatabase*>("MyDatabase"), &m_host->database);
        QCOMPARE(held<TDlgMsg*>("DlgMsg"), static_cast<TDlgMsg*>(m_host->dlgMsg));
        QCOMPARE(held<TTempGridForm*>("TempGridForm"), m_host->tempGridForm);
        QCOMPARE(held<TShowStateForm*>("ShowStateForm"), m_host->showStateForm);
        // Every box and grid the user reaches is named for assistive tools.
        const QStringList unnamed = TestMain::UnnamedFields(*window);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    }

    // A database without the company's tables (a wrong or half-made file): the window
    // is not opened and the user reads, in Persian, which database lacks what, never
    // the engine's own words alone.
    void aDatabaseWithoutTheCompanyTablesIsNamed()
    {
        const auto emptyDatabase = m_place.open(QStringLiteral("ZELMORA_9_1400"));
        DbConnection& empty = *emptyDatabase;
        CommandQuery command(&empty);
        ScriptedHost host;
        host.database.Connection = &empty;
        host.database.Command = &command;
        QWidget page;
        QCOMPARE(open(kPurchase, &page, &host), nullptr);
        QCOMPARE(held("BuyCreateForm"), nullptr);
        QCOMPARE(host.dlgMsg->shown.size(), 1);
        const QString text = host.dlgMsg->shown.first().text;
        QVERIFY2(text.startsWith("در پايگاه داده «ZELMORA_9_1400"), qPrintable(text));
        QVERIFY(text.contains("بخشي که برنامه لازم دارد نيست"));
    }

    // A second call re-docks the same window, and the module reads the host record of
    // that call. Minimised, the window keeps its caption, and calling the task again
    // brings it back whole. The caption panel's close button closes and frees it; the
    // next call makes a fresh window.
    void aWindowIsRedockedMinimisedAndFreed()
    {
        QWidget first, second;
        second.resize(800, 600);
        second.show();
        QWidget* window = open(kPurchase, &first);
        QVERIFY(window != nullptr);
        window->setProperty("voucher", "   12");
        ScriptedHost other;
        giveDatabase(other);
        QCOMPARE(open(kPurchase, &second, &other), window);
        QCOMPARE(window->property("voucher").toString(), "   12");
        QVERIFY(first.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
        QCOMPARE(held<TGlobal*>("Global"), &other.global);

        QWidget* client = window->findChild<QWidget*>("ClientPanel");
        QTest::mouseClick(window->findChild<QToolButton*>("sb_Minimized"), Qt::LeftButton);
        QVERIFY(!client->isVisible());
        QVERIFY(window->isVisible());
        QCOMPARE(open(kPurchase, &second), window);
        QVERIFY(client->isVisible());

        const QPointer<QWidget> closed = window;
        QTest::mouseClick(window->findChild<QToolButton*>("sb_Closed"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
        QCOMPARE(held("BuyCreateForm"), nullptr);
        QVERIFY(open(kPurchase, &second) != nullptr);
    }

    // Release_It frees every window the module holds, whatever order they were
    // opened in; again, and with nothing open, it does nothing. Last: the host unloads
    // the module with windows still open, which frees them.
    void releaseAndUnloadFreeEveryWindow()
    {
        QWidget page;
        QStringList destroyed;
        QStringList expected;
        for (auto it = HostTasks().crbegin(); it != HostTasks().crend(); ++it) {
            QWidget* window = open(it->entryPoint, &page);
            // A window of its own class: no two tasks share a window.
            const QString name = window ? window->metaObject()->className() : QString();
            QVERIFY2(window != nullptr && !expected.contains(name), it->entryPoint);
            expected << name;
            connect(window, &QObject::destroyed, this, [&destroyed, name] { destroyed << name; });
        }
        m_release();
        for (const QString& name : std::as_const(expected))
            QCOMPARE(held(qPrintable(name.mid(1))), nullptr);
        destroyed.sort();
        expected.sort();
        QCOMPARE(destroyed, expected);
        QVERIFY(page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());

        m_release();
        m_release();
        const QPointer<QWidget> purchase = open(kPurchase, &page);
        const QPointer<QWidget> search = open("Search_Amval", &page);
        QVERIFY(purchase && search);
        m_release = nullptr;
        QVERIFY(m_module.unload());
        QVERIFY(purchase.isNull());
        QVERIFY(search.isNull());
        QVERIFY(page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
    }

private:
    static constexpr const char* kPurchase = "BuyCreate_Amval";

    void giveDatabase(ScriptedHost& host)
    {
        host.database.Connection = m_db.get();
        host.database.Command = m_command.get();
    }
    // Calls the task's entry point with `parent` as its page (on the suite's host unless
    // another is given). The window the call docked there last, when the module's
    // variable that its class names (the class less its "T") holds it; null otherwise.
    QWidget* open(const char* entryPoint, QWidget* parent, ScriptedHost* host = nullptr)
    {
        host = host ? host : m_host.get();
        auto entry = reinterpret_cast<TEntryPoint*>(m_module.resolve(entryPoint));
        if (entry == nullptr) {
            qWarning("no entry point %s", entryPoint);
            return nullptr;
        }
        entry(parent, &host->global, host->myDate.get(), &host->database, host->dlgMsg,
              host->tempGridForm, host->showStateForm);
        const QWidgetList docked = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QWidget* window = docked.isEmpty() ? nullptr : docked.last();
        return window && held(window->metaObject()->className() + 1) == window ? window : nullptr;
    }
    // What the module's exported variable `name` holds (a window unless told): none when
    // it has no such variable.
    template <class T = QWidget*> T held(const char* name)
    {
        auto* variable = reinterpret_cast<T*>(m_module.resolve(name));
        return variable ? *variable : T();
    }

    QLibrary m_module;
    void (*m_release)() = nullptr;
    std::unique_ptr<ScriptedHost> m_host;
    TestPlace m_place;
    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;
    std::unique_ptr<CommandQuery> m_command;
};

AMVAL_TEST_MAIN(TestEntryPoints)
#include "tst_entrypoints.moc"
