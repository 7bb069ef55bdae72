#pragma once

// A suite's main, as QTEST_MAIN and QTEST_GUILESS_MAIN make it, but an exception that
// escapes a test function does not end the suite: QtTest fails that function and
// throws the exception on, and the suite then runs each of its functions once more on
// its own, so that every function after the one that threw still runs and reports.

#include <QApplication>
#include <QMetaMethod>
#include <QtTest>

namespace TestMain {

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
        TestObject suite;                                                                          \
        return TestMain::Run(suite, argc, argv);                                                   \
    }
#define AMVAL_TEST_MAIN(TestObject) AMVAL_TEST_MAIN_WITH(TestObject, QApplication)
#define AMVAL_TEST_GUILESS_MAIN(TestObject) AMVAL_TEST_MAIN_WITH(TestObject, QCoreApplication)
