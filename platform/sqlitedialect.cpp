#include "sqlitedialect.h"

#include "databaseerror.h"
#include "sqlquote.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <sqlite3.h>

namespace {

// How long a look at a table's columns waits for another program's commit (ms).
constexpr qint64 kSchemaWait = 6000;

sqlite3* Handle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

QString FromUtf16(const void* text)
{
    return text ? QString::fromUtf16(static_cast<const char16_t*>(text)) : QString();
}

// "db.table" naming a table of an attached database, or a plain table name.
struct TableName
{
    QString schema;
    QString table;
};

TableName SplitTableName(const QString& name)
{
    QString n = name.trimmed();
    // A quoted name is taken whole ("##AMV1_..." names never hold a dot).
    if (n.startsWith(QLatin1Char('"')) && n.endsWith(QLatin1Char('"')) && n.size() >= 2)
        return {{}, n.mid(1, n.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""))};
    const int dot = n.indexOf(QLatin1Char('.'));
    if (dot > 0 && !n.startsWith(QStringLiteral("##"))) {
        auto unquote = [](QString part) {
            part = part.trimmed();
            if (part.startsWith(QLatin1Char('"')) && part.endsWith(QLatin1Char('"')))
                part = part.mid(1, part.size() - 2);
            return part;
        };
        // SQL Server's "db..table" as well as "db.table".
        QString table = n.mid(dot + 1);
        while (table.startsWith(QLatin1Char('.')))
            table.remove(0, 1);
        return {unquote(n.left(dot)), unquote(table)};
    }
    return {{}, n};
}

QString QualifiedName(const TableName& name)
{
    if (name.schema.isEmpty())
        return SqlIdent(name.table);
    return SqlIdent(name.schema) + QLatin1Char('.') + SqlIdent(name.table);
}

// The declared type of a column, looked up with the engine's own interface so
// that it can run inside a statement (COL_LENGTH below).
QString DeclaredType(sqlite3* db, const TableName& name, const QString& column, bool* found)
{
    QStringList schemas;
    if (name.schema.isEmpty() ||
        name.schema.compare(QLatin1String("tempdb"), Qt::CaseInsensitive) == 0)
        schemas << QStringLiteral("temp") << QStringLiteral("main");
    else
        schemas << name.schema;
    *found = false;
    for (const QString& schema : schemas) {
        const QString sql = QStringLiteral("PRAGMA ") + SqlIdent(schema) +
                            QStringLiteral(".table_info(") + SqlIdent(name.table) +
                            QLatin1Char(')');
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * sizeof(char16_t)), &stmt,
                                 nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            continue;
        }
        bool any = false;
        QString type;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            any = true;
            if (FromUtf16(sqlite3_column_text16(stmt, 1)).compare(column, Qt::CaseInsensitive) ==
                0) {
                type = FromUtf16(sqlite3_column_text16(stmt, 2));
                *found = true;
            }
        }
        sqlite3_finalize(stmt);
        if (any)
            return type;
    }
    return {};
}

// COL_LENGTH('table', 'column'): the declared width of a text column, NULL for an
// unknown table or column, as the statements of the module expect it.
void ColLengthFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString table = FromUtf16(sqlite3_value_text16(argv[0]));
    const QString column = FromUtf16(sqlite3_value_text16(argv[1]));
    bool found = false;
    const QString type =
        DeclaredType(sqlite3_context_db_handle(context), SplitTableName(table), column, &found);
    if (!found) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, SqliteDialect::DeclaredWidth(type));
}

// LEN(text): the length without trailing blanks.
void LenFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    QString text = FromUtf16(sqlite3_value_text16(argv[0]));
    int end = int(text.size());
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    sqlite3_result_int(context, end);
}

// AMVAL_DIGEST(value, ...): an aggregate over rows that answers a digest of their
// values in the order the rows come. Each value goes in with its type and,
// for texts and bytes, its length, so no two different rows give the same bytes.
void DigestStep(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    auto* state =
        static_cast<QByteArray**>(sqlite3_aggregate_context(context, sizeof(QByteArray*)));
    if (!state) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (!*state) {
        *state = new QByteArray;
        (*state)->reserve(4096);
    }
    QByteArray& bytes = **state;
    auto add = [&](char kind, const void* data, qsizetype size) {
        bytes.append(kind);
        bytes.append(static_cast<const char*>(data), size);
    };
    for (int i = 0; i < argc; ++i) {
        sqlite3_value* value = argv[i];
        switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            bytes.append('\x01');
            break;
        case SQLITE_INTEGER: {
            const sqlite3_int64 n = sqlite3_value_int64(value);
            add('\x02', &n, sizeof n);
            break;
        }
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(value);
            add('\x03', &d, sizeof d);
            break;
        }
        default: {
            const bool text = sqlite3_value_type(value) == SQLITE_TEXT;
            const void* data = text ? static_cast<const void*>(sqlite3_value_text(value))
                                    : sqlite3_value_blob(value);
            const qint32 size = sqlite3_value_bytes(value);
            add(text ? '\x04' : '\x05', &size, sizeof size);
            bytes.append(static_cast<const char*>(data), size);
            break;
        }
        }
    }
    bytes.append('\x06');
}

// Also called when the statement is reset before its end: the bytes are freed.
void DigestFinal(sqlite3_context* context)
{
    auto* state = static_cast<QByteArray**>(sqlite3_aggregate_context(context, 0));
    if (!state || !*state) {
        sqlite3_result_null(context);
        return;
    }
    // Two 64-bit hashes of different seeds: a change that leaves both alike is out of
    // reach. A stamp is compared only with another made by the same program run.
    const QByteArray& bytes = **state;
    const size_t first = qHashBits(bytes.constData(), size_t(bytes.size()), 0x5a17);
    const size_t second = qHashBits(bytes.constData(), size_t(bytes.size()), 0x2c9e3);
    const QByteArray text =
        QByteArray::number(quint64(first), 16) + '.' + QByteArray::number(quint64(second), 16);
    delete *state;
    *state = nullptr;
    sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// The engine's default limit of a function's arguments is 127; the digest keeps
// below it.
constexpr int kDigestArguments = 100;

} // namespace

QString SqliteDialect::rowsDigestSql(const QStringList& columns, const QString& fromWhere,
                                     const QString& order) const
{
    // A table of more columns than a function takes has each row go in as one text:
    // its values as SQL literals (NULL, numbers bare, texts quoted), which keeps them
    // apart as the values themselves do.
    QString arguments = columns.join(QStringLiteral(", "));
    if (columns.size() > kDigestArguments) {
        QStringList literals;
        for (const QString& column : columns)
            literals << QStringLiteral("quote(") + column + QLatin1Char(')');
        arguments = literals.join(QStringLiteral(" || ',' || "));
    }
    // The rows reach the aggregate in the order of the subquery: the engine keeps an
    // ORDER BY there when the outer query is an aggregate of this kind.
    return QStringLiteral("(SELECT AMVAL_DIGEST(") + arguments + QStringLiteral(") FROM (SELECT ") +
           columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + fromWhere +
           QStringLiteral(" ORDER BY ") + order + QStringLiteral(") AS R)");
}

void SqliteDialect::prepareConnection() const
{
    sqlite3* db = Handle(database());
    if (!db)
        return;
    sqlite3_create_function(db, "COL_LENGTH", 2, SQLITE_UTF8, nullptr, ColLengthFunction, nullptr,
                            nullptr);
    sqlite3_create_function(db, "LEN", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LenFunction,
                            nullptr, nullptr);
    sqlite3_create_function(db, "AMVAL_DIGEST", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            nullptr, DigestStep, DigestFinal);
}

int SqliteDialect::DeclaredWidth(const QString& declaredType)
{
    static const QRegularExpression re(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    const QString type = declaredType.toUpper();
    if (!(type.contains(QStringLiteral("CHAR")) || type.contains(QStringLiteral("TEXT"))))
        return 0;
    const auto m = re.match(type);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

ColumnInfo::Kind SqliteDialect::DeclaredKind(const QString& declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.isEmpty())
        return ColumnInfo::Kind::Unknown;
    if (type.contains(QStringLiteral("INT")))
        return ColumnInfo::Kind::Integer;
    if (type.contains(QStringLiteral("CHAR")) || type.contains(QStringLiteral("TEXT")) ||
        type.contains(QStringLiteral("CLOB")))
        return ColumnInfo::Kind::Text;
    if (type.contains(QStringLiteral("REAL")) || type.contains(QStringLiteral("FLOA")) ||
        type.contains(QStringLiteral("DOUB")) || type.contains(QStringLiteral("MONEY")) ||
        type.contains(QStringLiteral("DEC")) || type.contains(QStringLiteral("NUM")))
        return ColumnInfo::Kind::Float;
    return ColumnInfo::Kind::Unknown;
}

SqliteDialect::KeptDecl SqliteDialect::declared(const QString& table) const
{
    const QString key = table.toLower();
    const auto kept = m_declared.constFind(key);
    if (kept != m_declared.cend() && kept->version >= 0 &&
        kept->version == currentVersion(kept->schema))
        return kept.value();
    const TableName name = SplitTableName(table);
    QStringList schemas;
    if (!name.schema.isEmpty() &&
        name.schema.compare(QLatin1String("tempdb"), Qt::CaseInsensitive) != 0)
        schemas << name.schema;
    else
        schemas << QStringLiteral("temp") << QStringLiteral("main");
    QList<ColumnDecl> columns;
    QString foundIn;
    for (const QString& schema : schemas) {
        QSqlQuery q(database());
        const QString sql = QStringLiteral("PRAGMA ") + SqlIdent(schema) +
                            QStringLiteral(".table_info(") + SqlIdent(name.table) +
                            QLatin1Char(')');
        // Reading the schema waits, like any read, while another program commits:
        // a table is never taken for missing only because the file was busy.
        QElapsedTimer waited;
        waited.start();
        bool ok = q.exec(sql);
        while (!ok && isBusy(q.lastError()) && waited.elapsed() < kSchemaWait) {
            QThread::msleep(10);
            ok = q.exec(sql);
        }
        if (!ok)
            continue;
        while (q.next())
            columns.append({q.value(1).toString(), q.value(2).toString()});
        if (!columns.isEmpty()) {
            foundIn = schema;
            break;
        }
    }
    KeptDecl made{columns, {}, {}, OwnedText(foundIn), -1};
    for (const ColumnDecl& c : std::as_const(columns)) {
        made.names << c.name;
        made.widths << DeclaredWidth(c.type);
    }
    // A missing table is asked again: it may be made before it is used.
    if (!columns.isEmpty()) {
        made.version = currentVersion(foundIn);
        m_declared.insert(OwnedText(key), made);
    }
    return made;
}

qint64 SqliteDialect::currentVersion(const QString& schema) const
{
    // The temporary schema is the connection's own: only its own statements change
    // it, and every change of the schema they make forgets what was kept.
    if (schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
        return 0;
    if (!m_keepSchema)
        return schemaVersion(schema);
    const QString key = schema.toLower();
    if (const auto read = m_versions.constFind(key); read != m_versions.cend())
        return read.value();
    const qint64 version = schemaVersion(schema);
    if (version >= 0)
        m_versions.insert(OwnedText(key), version);
    return version;
}

qint64 SqliteDialect::schemaVersion(const QString& schema) const
{
    sqlite3* db = Handle(database());
    if (!db)
        return -1;
    const QByteArray sql =
        (QStringLiteral("PRAGMA ") + SqlIdent(schema) + QStringLiteral(".schema_version")).toUtf8();
    sqlite3_stmt* statement = nullptr;
    qint64 version = -1;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

int SqliteDialect::columnWidth(const QString& table, const QString& column) const
{
    const KeptDecl decl = declared(table);
    for (qsizetype i = 0; i < decl.names.size(); ++i) {
        if (decl.names.at(i).compare(column, Qt::CaseInsensitive) == 0)
            return decl.widths.at(i);
    }
    return -1;
}

QString SqliteDialect::alterColumnWidthSql(const QString&, const QString&, int) const
{
    return QString();
}

QStringList SqliteDialect::tableColumns(const QString& table) const
{
    return declared(table).names;
}

bool SqliteDialect::tableExists(const QString& table) const
{
    return !declared(table).columns.isEmpty();
}

bool SqliteDialect::tempObjectExists(const QString& name) const
{
    // A temporary table whose columns are kept, in an unchanged temporary schema.
    const auto kept = m_declared.constFind(name.toLower());
    if (kept != m_declared.cend() && kept->schema == QLatin1String("temp") && kept->version >= 0 &&
        kept->version == currentVersion(kept->schema))
        return true;
    QSqlQuery q(database());
    q.prepare(
        QStringLiteral("SELECT 1 FROM temp.sqlite_master WHERE name = ? COLLATE NOCASE LIMIT 1"));
    q.addBindValue(SplitTableName(name).table);
    return q.exec() && q.next();
}

void SqliteDialect::dropTempTable(const QString& name) const
{
    forgetSchema();
    if (!tempObjectExists(name))
        return;
    QSqlQuery q(database());
    const QString sql =
        QStringLiteral("DROP TABLE IF EXISTS temp.") + SqlIdent(SplitTableName(name).table);
    if (!q.exec(sql))
        throw error(q.lastError(), sql);
}

QString SqliteDialect::createTempTable(const QString& name) const
{
    return QStringLiteral("CREATE TEMP TABLE ") + SqlIdent(SplitTableName(name).table);
}

QString SqliteDialect::tableIn(const QString& database, const QString& table) const
{
    return SqlIdent(database) + QLatin1Char('.') + SqlIdent(table);
}

QString SqliteDialect::identityColumnType() const
{
    return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
}

QString SqliteDialect::padLeftExpression(const QString& expression, int width, QChar fill) const
{
    // An expression handed back as text for the caller to splice into its own
    // statement: it has no placeholders of its own, so the fill (the program's own
    // character, never typed text) is quoted.
    const QString w = QString::number(width);
    return QStringLiteral(
               "(CASE WHEN length(%1) >= %2 THEN substr(%1, 1, %2) ELSE substr(%3 || %1, -%2) END)")
        .arg(expression, w, SqlQuote(QString(width, fill)));
}

namespace {
QList<ColumnInfo> ColumnsOf(sqlite3_stmt* stmt)
{
    QList<ColumnInfo> columns;
    const int count = sqlite3_column_count(stmt);
    for (int i = 0; i < count; ++i) {
        ColumnInfo info;
        info.name = FromUtf16(sqlite3_column_name16(stmt, i));
        const QString decl = FromUtf16(sqlite3_column_decltype16(stmt, i));
        info.kind = SqliteDialect::DeclaredKind(decl);
        info.width = SqliteDialect::DeclaredWidth(decl);
        info.originTable = FromUtf16(sqlite3_column_table_name16(stmt, i));
        info.originColumn = FromUtf16(sqlite3_column_origin_name16(stmt, i));
        // The origin is always a table here (a view's columns name the table under
        // it), and the schema's tables all have a rowid.
        info.addressable = !info.originTable.isEmpty();
        const QString dbName = FromUtf16(sqlite3_column_database_name16(stmt, i));
        if (!info.originTable.isEmpty() && !dbName.isEmpty() && dbName != QLatin1String("main") &&
            dbName != QLatin1String("temp"))
            info.originTable = dbName + QLatin1Char('.') + info.originTable;
        columns << info;
    }
    return columns;
}
} // namespace

QList<ColumnInfo> SqliteDialect::describe(const QString& sql) const
{
    sqlite3* db = Handle(database());
    if (!db)
        return {};
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * sizeof(char16_t)), &stmt, nullptr) !=
            SQLITE_OK ||
        !stmt) {
        if (stmt)
            sqlite3_finalize(stmt);
        return {};
    }
    const QList<ColumnInfo> columns = ColumnsOf(stmt);
    sqlite3_finalize(stmt);
    return columns;
}

namespace {
// "WHERE" and what finds one row: its rowid and the values it was read with, or,
// without an address, the first rowid of a row holding those values.
QString RowCondition(const QString& name, const QStringList& matchColumns, bool byAddress)
{
    QStringList match;
    for (const QString& c : matchColumns)
        match << SqlIdent(c) + QStringLiteral(" IS ?");
    if (byAddress) {
        match.prepend(QStringLiteral("rowid = ?"));
        return QStringLiteral(" WHERE ") + match.join(QStringLiteral(" AND "));
    }
    return QStringLiteral(" WHERE rowid = (SELECT rowid FROM ") + name + QStringLiteral(" WHERE ") +
           (match.isEmpty() ? QStringLiteral("1 = 1") : match.join(QStringLiteral(" AND "))) +
           QStringLiteral(" LIMIT 1)");
}
} // namespace

QList<ColumnInfo> SqliteDialect::describeResult(const QSqlQuery& query) const
{
    const QSqlResult* result = query.result();
    if (result == nullptr)
        return {};
    const QVariant handle = result->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return {};
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    return stmt != nullptr ? ColumnsOf(stmt) : QList<ColumnInfo>();
}

QString SqliteDialect::updateRowSql(const QString& table, const QStringList& setColumns,
                                    const QStringList& matchColumns, bool byAddress) const
{
    const QString name = QualifiedName(SplitTableName(table));
    QStringList sets;
    for (const QString& c : setColumns)
        sets << SqlIdent(c) + QStringLiteral(" = ?");
    return QStringLiteral("UPDATE ") + name + QStringLiteral(" SET ") +
           sets.join(QStringLiteral(", ")) + RowCondition(name, matchColumns, byAddress);
}

QString SqliteDialect::deleteRowSql(const QString& table, const QStringList& matchColumns,
                                    bool byAddress) const
{
    const QString name = QualifiedName(SplitTableName(table));
    return QStringLiteral("DELETE FROM ") + name + RowCondition(name, matchColumns, byAddress);
}

QString SqliteDialect::insertRowSql(const QString& table, const QStringList& columns) const
{
    QStringList quoted, marks;
    for (const QString& c : columns) {
        quoted << SqlIdent(c);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO ") + QualifiedName(SplitTableName(table)) +
           QStringLiteral(" (") + quoted.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
           marks.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString SqliteDialect::insertedRowSql(const QString& table, const QStringList& columns) const
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted << SqlIdent(c);
    return QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM ") + QualifiedName(SplitTableName(table)) +
           QStringLiteral(" WHERE rowid = ?");
}

// BEGIN IMMEDIATE would begin a transaction on every attached database too: a read
// transaction on each one attached read-only, holding its shared lock until the
// commit, so that a save waits for (and holds up) a writer of the register or of
// another period it never reads. The write lock is taken by writeLockSql() instead,
// on the connection's own database only; attached databases are locked only when
// the transaction reads them.
QString SqliteDialect::beginTransactionSql() const
{
    return QStringLiteral("BEGIN DEFERRED");
}

// A statement that writes nothing but opens a write transaction on "main" alone,
// waiting for the lock as BEGIN IMMEDIATE does (the lock is asked for before the
// transaction holds any other). The system's files have no auto-vacuum, for which
// the pragma has nothing to do.
QString SqliteDialect::writeLockSql() const
{
    return QStringLiteral("PRAGMA main.incremental_vacuum");
}

QString SqliteDialect::beginReadTransactionSql() const
{
    // Deferred: a shared lock from the first read on, taken only on the databases
    // read; writes to temporary tables lock nothing but the connection's own.
    return QStringLiteral("BEGIN DEFERRED");
}

namespace {
// The engine's primary result code of a failed statement (extended codes carry it
// in their low byte); 0 when the driver gave none.
// Between steps of a watched statement: non-zero stops it (SQLITE_INTERRUPT).
int WatchedStatementStep(void* dialect)
{
    return static_cast<const SqliteDialect*>(dialect)->statementGoing() ? 0 : 1;
}

int ResultCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}
} // namespace

bool SqliteDialect::watchStatements(const std::function<bool()>& going) const
{
    sqlite3* db = Handle(database());
    if (db == nullptr)
        return false;
    m_going = going;
    // Every few thousand steps of the engine's program: a small part of a
    // millisecond, so that a stop is felt at once.
    if (going)
        sqlite3_progress_handler(db, 20000, &WatchedStatementStep,
                                 const_cast<SqliteDialect*>(this));
    else
        sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return true;
}

bool SqliteDialect::isBusy(const QSqlError& error) const
{
    return errorKind(error) == DatabaseError::Kind::Busy;
}

QString SqliteDialect::pageCacheSql(const QString& name, int kib) const
{
    // A negative size is in KiB; without a schema the pragma sizes only "main".
    return QStringLiteral("PRAGMA ") + SqlIdent(name) + QStringLiteral(".cache_size = -") +
           QString::number(kib);
}

QString SqliteDialect::attachReadOnlySql(const QString& file, const QString& name,
                                         QVariantList& values) const
{
    // A URI names the file with mode=ro; the connection is opened with URI names on.
    values = {QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro")};
    return QStringLiteral("ATTACH DATABASE ? AS ") + SqlIdent(name);
}

DatabaseError::Kind SqliteDialect::errorKind(const QSqlError& error) const
{
    const QString text = (error.databaseText() + QLatin1Char(' ') + error.text()).toLower();
    switch (ResultCode(error)) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DatabaseError::Kind::Busy;
    case SQLITE_READONLY:
        return DatabaseError::Kind::ReadOnly;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return DatabaseError::Kind::NotADatabase;
    case SQLITE_FULL:
        return DatabaseError::Kind::DiskFull;
    case SQLITE_INTERRUPT:
        return DatabaseError::Kind::Cancelled;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_PERM:
        return DatabaseError::Kind::Unavailable;
    case SQLITE_CONSTRAINT:
        if (text.contains(QStringLiteral("unique constraint")) ||
            text.contains(QStringLiteral("primary key constraint")))
            return DatabaseError::Kind::DuplicateKey;
        if (text.contains(QStringLiteral("check constraint failed: w_")))
            return DatabaseError::Kind::TooLong;
        return DatabaseError::Kind::Other;
    default:
        break;
    }
    // Drivers that give no code: the engine's words.
    if (text.contains(QStringLiteral("database is locked")) ||
        text.contains(QStringLiteral("database table is locked")))
        return DatabaseError::Kind::Busy;
    if (text.contains(QStringLiteral("no such table")) ||
        text.contains(QStringLiteral("no such column")))
        return DatabaseError::Kind::MissingObject;
    if (text.contains(QStringLiteral("file is not a database")) ||
        text.contains(QStringLiteral("malformed")))
        return DatabaseError::Kind::NotADatabase;
    if (text.contains(QStringLiteral("readonly database")))
        return DatabaseError::Kind::ReadOnly;
    if (text.contains(QStringLiteral("database or disk is full")))
        return DatabaseError::Kind::DiskFull;
    return DatabaseError::Kind::Other;
}

namespace {
// "UNIQUE constraint failed: Table.Column[, Table.Column...]": the table.
const QRegularExpression& UniquePattern()
{
    static const QRegularExpression re(
        QStringLiteral("^(?:UNIQUE|PRIMARY KEY) constraint failed: (.+?)\\.[^.,]+(?:,.*)?$"));
    return re;
}

// "CHECK constraint failed: W_Column", the width check the schema gives each text
// column: the column.
const QRegularExpression& WidthPattern()
{
    static const QRegularExpression re(QStringLiteral("^CHECK constraint failed: W_(.+)$"));
    return re;
}

// "no such table: Name", "no such column: Name": the name.
const QRegularExpression& MissingPattern()
{
    static const QRegularExpression re(QStringLiteral("^no such (?:table|column): (\\S+)"));
    return re;
}
} // namespace

QString SqliteDialect::errorObject(const QSqlError& error) const
{
    const QString text = EngineText(error);
    switch (errorKind(error)) {
    case DatabaseError::Kind::DuplicateKey:
        return UniquePattern().match(text).captured(1);
    case DatabaseError::Kind::TooLong:
        return WidthPattern().match(text).captured(1);
    case DatabaseError::Kind::MissingObject:
        return MissingPattern().match(text).captured(1);
    default:
        return QString();
    }
}

QString SqliteDialect::errorText(const QSqlError& error) const
{
    const QString text = EngineText(error);
    const auto u = UniquePattern().match(text);
    if (u.hasMatch()) {
        const QString table = u.captured(1);
        return QStringLiteral(
                   "Violation of PRIMARY KEY constraint 'PK_%1'. Cannot insert duplicate "
                   "key in object '%1'.")
            .arg(table);
    }
    const auto w = WidthPattern().match(text);
    if (w.hasMatch())
        return QStringLiteral("String or binary data would be truncated (column '%1').")
            .arg(w.captured(1));
    return text;
}
