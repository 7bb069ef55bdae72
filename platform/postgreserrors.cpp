// What a failure of the server means to the program: its kind (busy, a duplicate
// key, a text too long, a lost session...), the object it concerns and the text
// shown for it, all read from the failure's SQLSTATE and fields, never its wording.

#include "postgresdialect.h"

#include "databaseerror.h"

#include <QRegularExpression>
#include <QSqlError>
#include <libpq-fe.h>

QString PostgresDialect::SqlState(const QSqlError& error)
{
    const QString code = error.nativeErrorCode().trimmed();
    static const QRegularExpression state(QStringLiteral("^[0-9A-Z]{5}$"));
    return state.match(code).hasMatch() ? code : QString();
}

bool PostgresDialect::isBusy(const QSqlError& error) const
{
    return errorKind(error) == DatabaseError::Kind::Busy;
}

DatabaseError::Kind PostgresDialect::errorKind(const QSqlError& error) const
{
    const QString state = SqlState(error);
    if (state == QLatin1String("23505"))
        return DatabaseError::Kind::DuplicateKey;
    if (state == QLatin1String("22001"))
        return DatabaseError::Kind::TooLong;
    // A lock another user holds past the wait limit: the user's work is kept and
    // may be saved again.
    if (state == QLatin1String("55P03"))
        return DatabaseError::Kind::Busy;
    // Two saves waiting for each other, or what was read changed under a
    // transaction that relies on it: the loser's work is undone and may run again.
    if (state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return DatabaseError::Kind::Conflict;
    if (state == QLatin1String("42P01") || state == QLatin1String("42703") ||
        state == QLatin1String("42883") || state == QLatin1String("3F000"))
        return DatabaseError::Kind::MissingObject;
    if (state == QLatin1String("25006"))
        return DatabaseError::Kind::ReadOnly;
    // insufficient_privilege: the role the session logged in as may not write there.
    if (state == QLatin1String("42501"))
        return DatabaseError::Kind::NoPrivilege;
    if (state == QLatin1String("53100"))
        return DatabaseError::Kind::DiskFull;
    // query_canceled: a statement the user stopped.
    if (state == QLatin1String("57014"))
        return DatabaseError::Kind::Cancelled;
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return DatabaseError::Kind::AccessDenied;
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("53")) ||
        state.startsWith(QLatin1String("57P")) || state == QLatin1String("3D000"))
        return DatabaseError::Kind::Unavailable;
    if (!state.isEmpty())
        return DatabaseError::Kind::Other;
    // No state: the connection itself failed (refused, closed, lost on the way).
    const QString text = (error.databaseText() + QLatin1Char(' ') + error.driverText()).toLower();
    if (text.contains(QStringLiteral("password")) ||
        text.contains(QStringLiteral("authentication")))
        return DatabaseError::Kind::AccessDenied;
    // The driver closes a connection the server ended.
    const QSqlDatabase db = database();
    if (!db.isOpen())
        return DatabaseError::Kind::Unavailable;
    if (PGconn* conn = Handle(db); conn && PQstatus(conn) == CONNECTION_BAD)
        return DatabaseError::Kind::Unavailable;
    if (text.contains(QStringLiteral("connect")) ||
        text.contains(QStringLiteral("server closed")) ||
        text.contains(QStringLiteral("no connection")) ||
        text.contains(QStringLiteral("terminat")) ||
        text.contains(QStringLiteral("does not exist")))
        return DatabaseError::Kind::Unavailable;
    return DatabaseError::Kind::Other;
}

namespace {
QString Quoted(const QString& text, const QString& after)
{
    const QRegularExpression re(after + QStringLiteral("\\s*\"([^\"]+)\""));
    return re.match(text).captured(1);
}
} // namespace

QString PostgresDialect::errorObject(const QSqlError& error) const
{
    const QString text = EngineText(error);
    switch (errorKind(error)) {
    case DatabaseError::Kind::DuplicateKey: {
        // The key's constraint is named after its table: "<table>_pkey" for a
        // primary key, "<table>_uk" for a transaction table's asset key.
        QString constraint = Quoted(text, QStringLiteral("constraint"));
        for (const QLatin1String suffix : {QLatin1String("_pkey"), QLatin1String("_uk")}) {
            if (constraint.endsWith(suffix))
                return fieldName(constraint.chopped(suffix.size()));
        }
        return fieldName(constraint);
    }
    case DatabaseError::Kind::MissingObject: {
        const QString relation = Quoted(text, QStringLiteral("relation"));
        if (!relation.isEmpty())
            return fieldName(relation);
        return fieldName(Quoted(text, QStringLiteral("column")));
    }
    default:
        // The server does not say which column a too long text was meant for.
        return QString();
    }
}

QString PostgresDialect::errorText(const QSqlError& error) const
{
    QString text = EngineText(error);
    // The driver's "QPSQL: Unable to create query" and the like add nothing.
    static const QRegularExpression prefix(QStringLiteral("^ERROR:\\s+"));
    text.remove(prefix);
    // The failures support knows by the words of the engine the module was written
    // for; the server's own words follow where they add something.
    switch (errorKind(error)) {
    case DatabaseError::Kind::DuplicateKey:
        return QStringLiteral("Violation of PRIMARY KEY constraint 'PK_%1'. Cannot insert "
                              "duplicate key in object '%1'.")
            .arg(errorObject(error));
    case DatabaseError::Kind::TooLong:
        return QStringLiteral("String or binary data would be truncated (%1).").arg(text);
    default:
        return text;
    }
}
