// Statements run on the server through its own client library rather than the
// driver: one the user may stop while it runs, and one whose values go to the
// server as parameters of the statement (the driver would write them into the
// statement's text).

#include "postgresdialect.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QTime>
#include <libpq-fe.h>
#include <poll.h>
#include <vector>

namespace {

// Type identifiers of the catalogue (pg_type.oid) a result is read by.
enum ResultOid : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700,
};

QMetaType TypeOf(Oid type)
{
    switch (type) {
    case kBool:
        return QMetaType::fromType<bool>();
    case kBytea:
        return QMetaType::fromType<QByteArray>();
    case kInt8:
        return QMetaType::fromType<qlonglong>();
    case kInt2:
    case kInt4:
        return QMetaType::fromType<int>();
    case kOid:
        return QMetaType::fromType<uint>();
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QMetaType::fromType<double>();
    case kDate:
        return QMetaType::fromType<QDate>();
    case kTime:
        return QMetaType::fromType<QTime>();
    case kTimestamp:
    case kTimestampTz:
        return QMetaType::fromType<QDateTime>();
    default:
        return QMetaType::fromType<QString>();
    }
}

// A value of a result in text form, as the driver reads the same value.
QVariant ValueOf(const PGresult* result, int row, int column)
{
    const Oid type = PQftype(result, column);
    if (PQgetisnull(result, row, column) != 0)
        return QVariant(TypeOf(type));
    const char* text = PQgetvalue(result, row, column);
    switch (type) {
    case kBool:
        return QVariant(text[0] == 't');
    case kBytea: {
        size_t length = 0;
        unsigned char* bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        const QByteArray value(reinterpret_cast<const char*>(bytes), qsizetype(length));
        PQfreemem(bytes);
        return value;
    }
    case kInt8:
        return QVariant(QByteArray(text).toLongLong());
    case kInt2:
    case kInt4:
        return QVariant(QByteArray(text).toInt());
    case kOid:
        return QVariant(QByteArray(text).toUInt());
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QVariant(QByteArray(text).toDouble());
    case kDate:
        return QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
    case kTime:
        return QTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
    case kTimestamp:
    case kTimestampTz:
        return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
    default:
        return QString::fromUtf8(text);
    }
}

// A value as a parameter's text: the server reads it as the type its place in the
// statement asks for, as it reads a quoted literal there.
QByteArray ParameterText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("t") : QByteArrayLiteral("f");
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QTime:
        return value.toTime().toString(Qt::ISODateWithMs).toLatin1();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODateWithMs).toLatin1();
    default:
        return value.toString().toUtf8();
    }
}

QSqlError Failure(const PGresult* result)
{
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return QSqlError(QStringLiteral("Unable to execute statement"),
                     QString::fromUtf8(PQresultErrorMessage(result)), QSqlError::StatementError,
                     QString::fromLatin1(state != nullptr ? state : ""));
}

// The connection's own failure: it could not send the statement, or lost the server.
QSqlError ConnectionFailure(PGconn* conn, const QString& what)
{
    return QSqlError(what, QString::fromUtf8(PQerrorMessage(conn)), QSqlError::ConnectionError);
}

} // namespace

bool PostgresDialect::runBound(const QString& text, const QVariantList& values, BoundRun& out,
                               QSqlError& failure) const
{
    PGconn* conn = Handle(database());
    if (conn == nullptr)
        return false;
    const QByteArray statement = NumberedPlaceholders(text).toUtf8();
    // Null is a null parameter; bytes go as bytes, everything else as text.
    std::vector<QByteArray> texts(size_t(values.size()));
    std::vector<const char*> parameters(size_t(values.size()), nullptr);
    std::vector<int> lengths(size_t(values.size()), 0);
    std::vector<int> formats(size_t(values.size()), 0);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant& value = values.at(i);
        if (value.isNull())
            continue;
        const size_t at = size_t(i);
        texts[at] = value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                            : ParameterText(value);
        formats[at] = value.typeId() == QMetaType::QByteArray ? 1 : 0;
        parameters[at] = texts[at].constData();
        lengths[at] = int(texts[at].size());
    }
    PGresult* result =
        PQexecParams(conn, statement.constData(), int(values.size()), nullptr, parameters.data(),
                     lengths.data(), formats.data(), 0);
    out = BoundRun();
    failure = QSqlError();
    switch (PQresultStatus(result)) {
    case PGRES_TUPLES_OK: {
        out.returnsRows = true;
        const int rows = PQntuples(result);
        const int columns = PQnfields(result);
        for (int r = 0; r < rows; ++r) {
            QVariantList row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row << ValueOf(result, r, c);
            out.rows << row;
        }
        out.affected = QByteArray(PQcmdTuples(result)).toInt();
        break;
    }
    case PGRES_COMMAND_OK:
        out.affected = QByteArray(PQcmdTuples(result)).toInt();
        break;
    default:
        failure = result != nullptr
                      ? Failure(result)
                      : ConnectionFailure(conn, QStringLiteral("Unable to execute statement"));
        break;
    }
    PQclear(result);
    return true;
}

// The statement goes to the server without waiting for its answer, so that the
// user's stop is heard meanwhile; a stop asks the server to cancel it, and its
// answer is then the failure "canceling statement due to user request" (57014).
QSqlError PostgresDialect::runStoppable(const QString& text,
                                        const std::function<bool()>& going) const
{
    PGconn* conn = Handle(database());
    if (conn == nullptr)
        return Dialect::runStoppable(text, going);
    if (PQsendQuery(conn, text.toUtf8().constData()) == 0)
        return ConnectionFailure(conn, QStringLiteral("Unable to send the statement"));
    bool cancelled = false;
    const int socket = PQsocket(conn);
    while (PQconsumeInput(conn) != 0 && PQisBusy(conn) != 0) {
        if (!cancelled && going && !going()) {
            if (PGcancel* cancel = PQgetCancel(conn)) {
                char why[256];
                PQcancel(cancel, why, int(sizeof why));
                PQfreeCancel(cancel);
            }
            cancelled = true;
        }
        pollfd answer{socket, POLLIN, 0};
        ::poll(&answer, 1, 20);
    }
    QSqlError failure;
    while (PGresult* result = PQgetResult(conn)) {
        if (PQresultStatus(result) == PGRES_FATAL_ERROR && !failure.isValid()) {
            failure = Failure(result);
        }
        PQclear(result);
    }
    if (!failure.isValid() && PQstatus(conn) == CONNECTION_BAD)
        failure = ConnectionFailure(conn, QStringLiteral("Unable to execute statement"));
    return failure;
}
