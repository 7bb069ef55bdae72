#pragma once

// Database checks for the tests. QVERIFY_SQL runs a statement that must succeed and,
// when the database refuses it, fails the test with the engine's text and the
// statement it refused instead of an unexplained exception. ThrownDatabaseError runs
// one that must be refused and hands back the refusal to look into. Committed runs
// statements in a transaction of their own.

#include "databaseerror.h"
#include "dbconnection.h"

#include <QString>
#include <QtTest>

#include <functional>
#include <optional>

inline QString SqlFailureText(const char* expression, const DatabaseError& error)
{
    return QString::fromUtf8(expression) + " failed: " + error.message() +
           "\n    in: " + error.statement();
}

#define QVERIFY_SQL(expression)                                                                    \
    do {                                                                                           \
        try {                                                                                      \
            expression;                                                                            \
        } catch (const DatabaseError& sqlCheckError) {                                             \
            QFAIL(qPrintable(SqlFailureText(#expression, sqlCheckError)));                         \
        }                                                                                          \
    } while (false)

// The DatabaseError that `action` throws; nothing when it runs through.
template <class Action> std::optional<DatabaseError> ThrownDatabaseError(Action&& action)
{
    try {
        action();
    } catch (const DatabaseError& error) {
        return error;
    }
    return std::nullopt;
}

// `work` in a transaction of `db`, committed.
inline void Committed(DbConnection& db, const std::function<void()>& work)
{
    Transaction transaction(db);
    work();
    transaction.commit();
}
