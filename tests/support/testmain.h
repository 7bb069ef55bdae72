#pragma once

// A suite's main, as QTEST_MAIN and QTEST_GUILESS_MAIN make it, but an exception that
// escapes a test function does not end the suite: QtTest fails that function and
// throws the exception on, and the suite then runs each of its functions once more on
// its own, so that every function after the one that threw still runs and reports.

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace TestMain {

// The boxes, lists and grids a user reaches in `window` that have no name for
// assistive tools, each as its class and object name.
inline QStringList UnnamedFields(const QWidget& window)
{
    QStringList unnamed;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) ||
                           qobject_cast<QAbstractItemView*>(w) ||
                           qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
        const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (field && w->isVisible() && w->focusPolicy() != Qt::NoFocus &&
            !w->objectName().startsWith(QLatin1String("qt_")) &&
            (a == nullptr || a->text(QAccessible::Name).isEmpty()))
            unnamed << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
                           w->objectName();
    }
    return unnamed;
}

// Every window a suite shows names each box, list and grid a user reaches; one that
// does not fails the test that showed it. Qt's own dialogs and the suites' bare pages
// (plain widgets) are left out; the task windows docked in such pages are looked at by
// the entry points suite.
class NamedFields : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Show || window == nullptr || !window->isWindow() ||
            window->metaObject() == &QWidget::staticMetaObject)
            return false;
        for (const char* qt : {"QPrintPreviewDialog", "QFileDialog", "QMessageBox", "QInputDialog",
                               "QColorDialog", "QFontDialog", "QProgressDialog"}) {
            if (window->inherits(qt))
                return false;
        }
        // Looked at once the window has finished showing and setting itself up.
        QTimer::singleShot(0, window, [window] {
            const QStringList unnamed = UnnamedFields(*window);
            if (!unnamed.isEmpty() && QTest::currentTestFunction() != nullptr)
                QTest::qFail(qPrintable(QStringLiteral("%1 shows fields without a name: %2")
                                            .arg(window->objectName(), unnamed.join(u','))),
                             __FILE__, __LINE__);
        });
        return false;
    }
};

// The suite's test functions in their order (private slots, not the fixtures and
// the data functions).
inline QStringList Functions(const QObject& suite)
{
    static const QSet<QByteArray> fixtures{"initTestCase", "cleanupTestCase", "init", "cleanup"};
    QStringList names;
    const QMetaObject* meta = suite.metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (m.methodType() == QMetaMethod::Slot && m.access() == QMetaMethod::Private &&
            m.parameterCount() == 0 && !m.name().endsWith("_data") && !fixtures.contains(m.name()))
            names << QString::fromLatin1(m.name());
    }
    return names;
}

inline int Run(QObject& suite, int argc, char* argv[])
{
    try {
        return QTest::qExec(&suite, argc, argv);
    } catch (const std::exception& e) {
        qWarning("An exception ended the run: %s", e.what());
    } catch (...) {
        qWarning("An exception ended the run");
    }
    if (argc > 1) // functions or options named on the command line: run as asked
        return 1;
    int failed = 1;
    for (const QString& function : Functions(suite)) {
        try {
            failed += QTest::qExec(&suite, {QString::fromLocal8Bit(argv[0]), function});
        } catch (...) {
            ++failed;
        }
    }
    return failed;
}

} // namespace TestMain

#define AMVAL_TEST_MAIN_WITH(TestObject, Application)                                              \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        Application app(argc, argv);                                                               \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestMain::NamedFields named;                                                               \
        app.installEventFilter(&named);                                                            \
        TestObject suite;                                                                          \
        return TestMain::Run(suite, argc, argv);                                                   \
    }
#define AMVAL_TEST_MAIN(TestObject) AMVAL_TEST_MAIN_WITH(TestObject, QApplication)
#define AMVAL_TEST_GUILESS_MAIN(TestObject) AMVAL_TEST_MAIN_WITH(TestObject, QCoreApplication)
