// The server dialect: statement texts and names as the server takes them, the
// schema read from its catalogue (with a stamp other sessions move), statements
// kept prepared, results described, and the write-back statements. What its
// failures mean is in postgreserrors.cpp.

#include "postgresdialect.h"

#include "databaseerror.h"
#include "sqlquote.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVariant>
#include <algorithm>
#include <libpq-fe.h>

namespace {

// How long a schema stamp read outside a transaction stands for the schema: a
// window opening asks for the same tables' columns many times within it.
constexpr qint64 kStampOutsideTransactionMs = 2000;

bool IsWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Type identifiers of the catalogue (pg_type.oid) the module's columns use.
enum TypeOid : Oid {
    kBool = 16,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kNumeric = 1700,
};

ColumnInfo::Kind KindOf(Oid type)
{
    switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kBool:
        return ColumnInfo::Kind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return ColumnInfo::Kind::Float;
    case kText:
    case kBpchar:
    case kVarchar:
        return ColumnInfo::Kind::Text;
    default:
        return ColumnInfo::Kind::Unknown;
    }
}

// The declared width of a sized text from its type modifier (width + 4).
int WidthOf(Oid type, int modifier)
{
    if ((type == kVarchar || type == kBpchar) && modifier > 4)
        return modifier - 4;
    return 0;
}

const char* const kFunctions =
    // COL_LENGTH('table', 'column'): the declared width of a text column, 0 for a
    // column that is no sized text, NULL for an unknown table or column. A table
    // is looked up among the session's temporary tables first, then in the
    // connection's own schema; "db.table" and "db..table" name another schema.
    "CREATE OR REPLACE FUNCTION public.col_length(tab text, col text) RETURNS integer "
    "LANGUAGE plpgsql STABLE AS $f$ "
    "DECLARE sch text; t text; w integer; "
    "BEGIN "
    "  IF tab IS NULL OR col IS NULL THEN RETURN NULL; END IF; "
    "  t := btrim(tab); "
    "  IF position('.' in t) > 0 AND left(t, 2) <> '##' THEN "
    "    sch := lower(btrim(split_part(t, '.', 1), '\"')); "
    "    t := regexp_replace(t, '^[^.]*\\.+', ''); "
    "  END IF; "
    "  t := lower(btrim(t, '\"')); "
    "  IF sch = 'tempdb' THEN sch := NULL; END IF; "
    "  SELECT CASE WHEN a.atttypid IN (1042, 1043) AND a.atttypmod > 4 "
    "              THEN a.atttypmod - 4 ELSE 0 END INTO w "
    "    FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
    "    JOIN pg_namespace n ON n.oid = c.relnamespace "
    "   WHERE c.relname = t AND a.attname = lower(col) AND a.attnum > 0 "
    "     AND NOT a.attisdropped "
    "     AND CASE WHEN sch IS NULL "
    "              THEN n.oid = pg_my_temp_schema() OR n.nspname = current_schema() "
    "              ELSE n.nspname = sch END "
    "   ORDER BY n.oid = pg_my_temp_schema() DESC LIMIT 1; "
    "  RETURN w; "
    "END $f$; "
    // LEN(text): the length without trailing blanks.
    "CREATE OR REPLACE FUNCTION public.len(text) RETURNS integer "
    "LANGUAGE sql IMMUTABLE AS $f$ SELECT length(rtrim($1, ' ')) $f$; "
    // The schema stamp (PostgresDialect::schemaStampSql).
    "CREATE SEQUENCE IF NOT EXISTS public.amval_schema_change; ";

// Whether the functions are there, and whether the stamp's sequence is there for
// this user to read and move.
bool FunctionsMade(QSqlQuery& q, bool* stamped)
{
    *stamped = false;
    if (!q.exec(QStringLiteral(
            "SELECT (SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = "
            "p.pronamespace WHERE n.nspname = 'public' AND p.proname IN ('col_length', 'len')) "
            ">= 2, CASE WHEN to_regclass('public.amval_schema_change') IS NULL THEN false ELSE "
            "has_sequence_privilege('public.amval_schema_change', 'SELECT, UPDATE') END")) ||
        !q.next())
        return false;
    *stamped = q.value(1).toBool();
    return q.value(0).toBool() && *stamped;
}

} // namespace

QString PostgresDialect::NumberedPlaceholders(const QString& sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    int n = 0;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = sql.indexOf(c, i + 1);
            const int stop = end < 0 ? int(sql.size()) : end + 1;
            out += sql.mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++n);
        } else {
            out += c;
        }
    }
    return out;
}

PGconn* PostgresDialect::Handle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    // The driver names the type by libpq's own struct name.
    if (!v.isValid() ||
        (qstrcmp(v.typeName(), "PGconn*") != 0 && qstrcmp(v.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(v.constData());
}

QString PostgresDialect::Folded(const QString& name)
{
    return name.toLower();
}

QString PostgresDialect::FoldQuotedNames(const QString& sql, QStringList* words)
{
    QString out;
    out.reserve(sql.size());
    const int size = int(sql.size());
    int i = 0;
    while (i < size) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            // A text literal, '' inside it included, is copied as it stands.
            int j = i + 1;
            while (j < size) {
                if (sql.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < size && sql.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const int stop = std::min(size, j + 1);
            out += QStringView(sql).mid(i, stop - i);
            i = stop;
        } else if (c == QLatin1Char('"')) {
            int j = i + 1;
            QString name;
            while (j < size) {
                if (sql.at(j) == QLatin1Char('"')) {
                    if (j + 1 < size && sql.at(j + 1) == QLatin1Char('"')) {
                        name += QLatin1Char('"');
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += sql.at(j);
                ++j;
            }
            if (words && name != name.toLower())
                *words << name;
            out += SqlIdent(Folded(name));
            i = std::min(size, j + 1);
        } else if (c == QLatin1Char('-') && i + 1 < size && sql.at(i + 1) == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = size;
            out += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('$') && i + 1 < size && sql.at(i + 1) == QLatin1Char('f') &&
                   i + 2 < size && sql.at(i + 2) == QLatin1Char('$')) {
            // A function body of the database side's own, copied whole.
            int j = sql.indexOf(QStringLiteral("$f$"), i + 3);
            j = j < 0 ? size : j + 3;
            out += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (IsWordStart(c)) {
            int j = i + 1;
            while (j < size && IsWordChar(sql.at(j)))
                ++j;
            const QString word = sql.mid(i, j - i);
            if (words && word != word.toLower())
                *words << word;
            out += word;
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QString PostgresDialect::statementText(const QString& sql) const
{
    // The module runs the same few statements again and again (their values go in
    // afterwards): each text is folded once. The spellings it taught are kept anyway.
    if (const auto kept = m_folded.constFind(sql); kept != m_folded.cend())
        return kept.value();
    QStringList words;
    const QString folded = FoldQuotedNames(sql, &words);
    for (const QString& w : words) {
        const QString key = w.toLower();
        if (!m_spellings.contains(key))
            m_spellings.insert(OwnedText(key), OwnedText(w));
    }
    // A bounded keep: one-off texts (values written into them) do not pile up.
    if (m_folded.size() >= 512)
        m_folded.clear();
    m_folded.insert(OwnedText(sql), OwnedText(folded));
    return folded;
}

QString PostgresDialect::fieldName(const QString& engineName) const
{
    return m_spellings.value(engineName, engineName);
}

void PostgresDialect::addSpellings(const QStringList& names) const
{
    // The stored tables' own spellings win over a statement's other spelling.
    for (const QString& n : names) {
        if (n != n.toLower())
            m_spellings.insert(OwnedText(n.toLower()), OwnedText(n));
    }
}

void PostgresDialect::prepareConnection() const
{
    // A new session holds none of the statements prepared on the one before.
    m_columnsQuery.reset();
    m_keptTexts.clear();
    m_released.clear();
    m_keepNone = false;
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // Dates, texts and numbers as the module reads them, whatever the server's
    // defaults are.
    q.exec(QStringLiteral("SET client_encoding TO 'UTF8'"));
    q.exec(QStringLiteral("SET client_min_messages TO warning"));
    // Values go into statements as quoted literals (valueForm): a backslash in one
    // is a backslash.
    q.exec(QStringLiteral("SET standard_conforming_strings TO on"));
    // The database's collation (read through to_jsonb: servers before 15 have no
    // locale provider column): "C" and "POSIX", and C.UTF-8 of the C library, order
    // texts by their characters' codes; an ICU collation never does.
    m_orderByCode = false;
    if (q.exec(QStringLiteral("SELECT to_jsonb(d) ->> 'datcollate', COALESCE(to_jsonb(d) ->> "
                              "'datlocprovider', 'c') FROM pg_database AS d WHERE d.datname = "
                              "current_database()")) &&
        q.next()) {
        const QString collation = q.value(0).toString();
        m_orderByCode = q.value(1).toString() == QLatin1String("c") &&
                        (collation == QLatin1String("C") || collation == QLatin1String("POSIX") ||
                         collation.startsWith(QLatin1String("C.")));
    }
    // The functions the module's statements use beyond the common subset. They are
    // made once per server database; several programs starting at once may race
    // to make them, which is harmless: one of them makes them.
    m_stamp = QVariant();
    if (FunctionsMade(q, &m_stamped))
        return;
    q.exec(QString::fromLatin1(kFunctions));
    FunctionsMade(q, &m_stamped);
}

QString PostgresDialect::schemaStampSql() const
{
    // A sequence's last value is read without taking part in the transaction: a
    // change committed before it is read is seen, whatever the transaction's view.
    return m_stamped ? QStringLiteral("SELECT last_value FROM public.amval_schema_change")
                     : QString();
}

void PostgresDialect::schemaStampRead(const QVariant& stamp) const
{
    // None could be read: stored tables' columns are kept for one transaction only.
    if (stamp.isNull())
        m_stamped = false;
    if (stamp.isNull() || stamp != m_stamp) {
        m_columns.removeIf([](const auto& kept) { return !kept.value().temporary; });
        forgetKeptResults();
        m_stamp = stamp;
    }
    m_stampRead.start();
}

QString PostgresDialect::schemaChangedSql() const
{
    return m_stamped ? QStringLiteral("SELECT nextval('public.amval_schema_change')") : QString();
}

void PostgresDialect::setLockWait(int milliseconds) const
{
    QSqlQuery q(database());
    q.exec(QStringLiteral("SET lock_timeout = %1").arg(std::max(1, milliseconds)));
}

PostgresDialect::TableRef PostgresDialect::Split(const QString& name)
{
    QString n = name.trimmed();
    if (n.startsWith(QLatin1Char('"')) && n.endsWith(QLatin1Char('"')) && n.size() >= 2)
        return {
            {},
            Folded(n.mid(1, n.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\"")))};
    const int dot = n.indexOf(QLatin1Char('.'));
    if (dot > 0 && !n.startsWith(QStringLiteral("##"))) {
        auto unquote = [](QString part) {
            part = part.trimmed();
            if (part.startsWith(QLatin1Char('"')) && part.endsWith(QLatin1Char('"')))
                part = part.mid(1, part.size() - 2);
            return Folded(part);
        };
        QString table = n.mid(dot + 1);
        while (table.startsWith(QLatin1Char('.')))
            table.remove(0, 1);
        QString schema = unquote(n.left(dot));
        if (schema == QLatin1String("tempdb"))
            schema.clear();
        return {schema, unquote(table)};
    }
    return {{}, Folded(n)};
}

QList<PostgresDialect::ColumnRow> PostgresDialect::columnsOf(const QString& table) const
{
    const QString key = table.toLower();
    // A stored table's while the schema stamp holds (stampHolds()).
    if (const auto kept = m_columns.constFind(key); kept != m_columns.cend()) {
        if (kept->temporary)
            return kept->columns;
        if (stampHolds()) {
            if (const auto still = m_columns.constFind(key); still != m_columns.cend())
                return still->columns;
        }
    }
    const bool keep = stampHolds();
    const TableRef ref = Split(table);
    // The temporary table of that name first, as the engine itself resolves it. The
    // statement is asked for again and again (a stored table's columns in every
    // transaction that needs them): it stays prepared on the session, so that each
    // time is one round trip and the server plans it once.
    if (!m_columnsQuery) {
        m_columnsQuery = std::make_unique<QSqlQuery>(database());
        if (!m_columnsQuery->prepare(QStringLiteral(
                "SELECT a.attname, a.atttypid, a.atttypmod, n.oid = pg_my_temp_schema() AS "
                "temp, a.attidentity <> '' "
                "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                "JOIN pg_namespace n ON n.oid = c.relnamespace "
                "WHERE c.relname = CAST(? AS NAME) AND c.relkind IN ('r', 'v', 'p') "
                "AND a.attnum > 0 AND NOT a.attisdropped AND CASE WHEN CAST(? AS TEXT) = '' "
                "THEN n.oid = pg_my_temp_schema() OR n.nspname = current_schema() "
                "ELSE n.nspname = CAST(? AS NAME) END "
                "ORDER BY temp DESC, n.nspname, a.attnum"))) {
            m_columnsQuery.reset();
            return {};
        }
    }
    QSqlQuery& q = *m_columnsQuery;
    q.bindValue(0, SqlText(ref.table));
    q.bindValue(1, SqlText(ref.schema));
    q.bindValue(2, SqlText(ref.schema));
    QList<ColumnRow> columns;
    if (!q.exec()) {
        // Prepared afresh next time.
        m_columnsQuery.reset();
        return columns;
    }
    bool firstTemp = false;
    bool first = true;
    while (q.next()) {
        const bool temp = q.value(3).toBool();
        if (first) {
            firstTemp = temp;
            first = false;
        } else if (temp != firstTemp) {
            break; // a stored table hidden by a temporary one of the same name
        }
        columns.append({fieldName(q.value(0).toString()),
                        WidthOf(Oid(q.value(1).toUInt()), q.value(2).toInt()),
                        q.value(4).toBool()});
    }
    q.finish();
    // A missing table is asked again (another program may make a stored table), but
    // for a work table ("##..."): only this session makes those, and its own DDL
    // forgets what is kept. A save asks every time for the components table a
    // window may have kept beside its transaction table.
    if (!columns.isEmpty() && (firstTemp || keep))
        m_columns.insert(OwnedText(key), {columns, firstTemp});
    else if (columns.isEmpty() && ref.schema.isEmpty() && ref.table.startsWith(QLatin1String("##")))
        m_columns.insert(OwnedText(key), {columns, true});
    return columns;
}

bool PostgresDialect::stampHolds() const
{
    if (m_keepSchema)
        return true;
    if (!m_stamped)
        return false;
    // Outside a transaction (a window opening, a grid described) the stamp is read
    // again when the last read is more than a moment old: one round trip instead of
    // one a table, and another program's change of a table is seen within that
    // moment. Every write is in a transaction, whose begin reads it.
    if (!m_stampRead.isValid() || m_stampRead.elapsed() > kStampOutsideTransactionMs) {
        QSqlQuery q(database());
        schemaStampRead(q.exec(schemaStampSql()) && q.next() ? q.value(0) : QVariant());
    }
    return m_stamped;
}

void PostgresDialect::transactionEnded() const
{
    // Without the stamp nothing tells another session's change of a stored table.
    if (!m_stamped)
        m_columns.removeIf([](const auto& kept) { return !kept.value().temporary; });
}

int PostgresDialect::columnWidth(const QString& table, const QString& column) const
{
    for (const ColumnRow& c : columnsOf(table)) {
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return c.width;
    }
    return -1;
}

QString PostgresDialect::alterColumnWidthSql(const QString& table, const QString& column,
                                             int width) const
{
    return QStringLiteral("ALTER TABLE ") + SqlIdent(table) + QStringLiteral(" ALTER COLUMN ") +
           SqlIdent(column) + QStringLiteral(" TYPE VARCHAR(") + QString::number(width) +
           QLatin1Char(')');
}

QStringList PostgresDialect::tableColumns(const QString& table) const
{
    QStringList names;
    for (const ColumnRow& c : columnsOf(table))
        names << c.name;
    return names;
}

bool PostgresDialect::tableExists(const QString& table) const
{
    return !columnsOf(table).isEmpty();
}

bool PostgresDialect::tempObjectExists(const QString& name) const
{
    // A temporary table whose columns are kept is there until this session drops it.
    if (const auto kept = m_columns.constFind(name.toLower());
        kept != m_columns.cend() && kept->temporary && !kept->columns.isEmpty())
        return true;
    QSqlQuery q(database());
    return q.exec(QStringLiteral("SELECT 1 FROM pg_class WHERE relnamespace = "
                                 "pg_my_temp_schema() AND relname = %1 LIMIT 1")
                      .arg(SqlQuote(Split(name).table))) &&
           q.next();
}

void PostgresDialect::dropTempTable(const QString& name) const
{
    forgetSchema();
    m_droppedTemp.insert(Split(name).table);
    if (!tempObjectExists(name))
        return;
    // A savepoint begun before the drop is sent first, so that its rollback undoes it.
    if (m_sendPending)
        m_sendPending();
    QSqlQuery q(database());
    const QString sql =
        QStringLiteral("DROP TABLE IF EXISTS pg_temp.") + SqlIdent(Split(name).table);
    if (!q.exec(sql))
        throw error(q.lastError(), sql);
}

QString PostgresDialect::createTempTable(const QString& name) const
{
    m_droppedTemp.remove(Split(name).table);
    return QStringLiteral("CREATE TEMP TABLE ") + SqlIdent(Split(name).table);
}

QString PostgresDialect::tableIn(const QString& database, const QString& table) const
{
    return SqlIdent(Folded(database)) + QLatin1Char('.') + SqlIdent(Folded(table));
}

QString PostgresDialect::identityColumnType() const
{
    return QStringLiteral("INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
}

QString PostgresDialect::padLeftExpression(const QString& expression, int width, QChar fill) const
{
    // lpad cuts a longer text to its first `width` characters, as asked.
    return QStringLiteral("lpad(CAST(%1 AS TEXT), %2, %3)")
        .arg(expression, QString::number(width), SqlQuote(QString(fill)));
}

namespace {
// The placeholders "?" of `sql` outside its quoted texts and names; -1 when it is not
// one statement that reads or writes rows, or spells "$" (a quoting the count does not
// follow), which no kept statement may be.
int KeepablePlaceholders(const QString& sql)
{
    int i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    static const char* const kVerbs[] = {"SELECT", "INSERT", "UPDATE", "DELETE"};
    const bool data = std::any_of(std::begin(kVerbs), std::end(kVerbs), [&](const char* verb) {
        const QLatin1String word(verb);
        return QStringView(sql).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
               (i + word.size() >= sql.size() || !IsWordChar(sql.at(i + word.size())));
    });
    if (!data)
        return -1;
    int count = 0;
    QChar quote;
    for (; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            ++count;
        } else if (c == QLatin1Char(';') || c == QLatin1Char('$')) {
            return -1;
        }
    }
    return quote.isNull() ? count : -1;
}

// How many statement texts the session remembers the uses of, and how many it keeps
// prepared at most (the least recently used go first).
constexpr int kKeptTextsTracked = 1024;
constexpr int kKeptPrepared = 200;
const QString kKeptPrefix = QStringLiteral("amval_k");
} // namespace

QString PostgresDialect::keptStatement(const QString& engineText, int placeholders) const
{
    if (m_keepNone)
        return QString();
    auto it = m_keptTexts.find(engineText);
    if (it == m_keptTexts.end()) {
        if (m_keptTexts.size() >= kKeptTextsTracked) {
            // One-off texts go; prepared ones and those waiting to be stay.
            m_keptTexts.removeIf([](const auto& kept) {
                return kept.value().name.isEmpty() && kept.value().uses < 2;
            });
        }
        KeptText kept;
        kept.placeholders = KeepablePlaceholders(engineText);
        kept.uses = 1;
        kept.lastUse = ++m_keptClock;
        if (kept.placeholders >= 0) {
            const QString verb = engineText.trimmed().left(6);
            kept.returnsRows = verb.compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0 ||
                               engineText.contains(QLatin1String("RETURNING"), Qt::CaseInsensitive);
        }
        m_keptTexts.insert(OwnedText(engineText), kept);
        return QString();
    }
    KeptText& kept = it.value();
    if (kept.placeholders != placeholders)
        return QString();
    kept.lastUse = ++m_keptClock;
    if (kept.name.isEmpty() && !kept.refused && kept.uses < 2)
        ++kept.uses;
    return kept.name;
}

void PostgresDialect::giveUp(KeptText& kept) const
{
    if (!kept.name.isEmpty())
        m_released << kept.name;
    kept.name.clear();
    kept.uses = 0;
}

void PostgresDialect::forgetKeptResults() const
{
    for (KeptText& kept : m_keptTexts) {
        if (kept.returnsRows)
            giveUp(kept);
        // What the server would not prepare may be preparable under the new schema.
        kept.refused = false;
    }
}

void PostgresDialect::keptStatementsFailed(const QString& text, const QSqlError& error) const
{
    // A statement prepared on this session is no longer there.
    if (SqlState(error) == QLatin1String("26000") && text.contains(kKeptPrefix)) {
        m_keepNone = true;
        m_keptTexts.clear();
        m_released.clear();
        return;
    }
    const QString call = QStringLiteral("EXECUTE ") + kKeptPrefix;
    QStringList named;
    for (qsizetype at = text.indexOf(call); at >= 0; at = text.indexOf(call, at + 1)) {
        qsizetype end = at + call.size();
        while (end < text.size() && text.at(end).isDigit())
            ++end;
        named << text.mid(at + 8, end - at - 8);
    }
    if (named.isEmpty())
        return;
    for (KeptText& kept : m_keptTexts) {
        if (!kept.name.isEmpty() && named.contains(kept.name))
            giveUp(kept);
    }
}

bool PostgresDialect::refusedKeptStatement(const QSqlError& error) const
{
    // "cached plan must not change result type" (its columns' types changed since it
    // was prepared), or a prepared statement the session no longer has.
    const QString state = SqlState(error);
    return state == QLatin1String("0A000") || state == QLatin1String("26000");
}

void PostgresDialect::preparePending() const
{
    PGconn* conn = Handle(database());
    if (!conn || PQtransactionStatus(conn) != PQTRANS_IDLE)
        return;
    // The texts used again, most recently used first, and room made for them.
    using Entry = QHash<QString, KeptText>::iterator;
    QList<Entry> wanted;
    QList<Entry> prepared;
    // A text naming a work table dropped since would be refused (and the refusal
    // logged by the server): it waits until the table is there again.
    const auto namesDropped = [this](const QString& text) {
        return std::any_of(m_droppedTemp.cbegin(), m_droppedTemp.cend(), [&](const QString& table) {
            return text.contains(table, Qt::CaseInsensitive);
        });
    };
    for (auto it = m_keptTexts.begin(); it != m_keptTexts.end(); ++it) {
        if (!it->name.isEmpty())
            prepared << it;
        else if (it->placeholders >= 0 && !it->refused && it->uses >= 2 && !namesDropped(it.key()))
            wanted << it;
    }
    if (wanted.isEmpty() && m_released.isEmpty())
        return;
    const auto recentFirst = [](const Entry& a, const Entry& b) { return a->lastUse > b->lastUse; };
    std::sort(wanted.begin(), wanted.end(), recentFirst);
    if (wanted.size() > kKeptPrepared)
        wanted.resize(kKeptPrepared);
    std::sort(prepared.begin(), prepared.end(), recentFirst);
    while (!prepared.isEmpty() && prepared.size() + wanted.size() > kKeptPrepared) {
        giveUp(*prepared.constLast());
        prepared.removeLast();
    }
    if (!m_released.isEmpty()) {
        // One round trip. A name the session does not have ends the rest, which then
        // stay prepared until the session ends: harmless.
        QStringList release;
        for (const QString& name : std::as_const(m_released))
            release << QStringLiteral("DEALLOCATE ") + name;
        m_released.clear();
        PQclear(PQexec(conn, release.join(QStringLiteral("; ")).toUtf8().constData()));
    }
    for (const Entry& it : std::as_const(wanted)) {
        const QString name = kKeptPrefix + QString::number(++m_keptSerial);
        const QByteArray text = NumberedPlaceholders(it.key()).toUtf8();
        PGresult* result = PQprepare(conn, name.toUtf8().constData(), text.constData(), 0, nullptr);
        // Refused (a value whose type its place does not tell, a table gone since):
        // the statement runs as its own text, as before.
        if (PQresultStatus(result) == PGRES_COMMAND_OK)
            it->name = name;
        else
            it->refused = true;
        it->uses = 0;
        PQclear(result);
    }
}

QList<ColumnInfo> PostgresDialect::describe(const QString& sql) const
{
    // The server describes a prepared statement without running it: names, types,
    // type modifiers and, for a column read straight from a table, the table and
    // the column's number in it. The unnamed statement is used, which the driver
    // never uses itself; the connection is idle between the driver's statements
    // because reads on this engine never stream (streamsResults()).
    PGconn* conn = Handle(database());
    if (!conn)
        return {};
    const QByteArray text = NumberedPlaceholders(statementText(sql)).toUtf8();
    PGresult* prepared = PQprepare(conn, "", text.constData(), 0, nullptr);
    const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
    if (!ok && qEnvironmentVariableIsSet("AMVAL_SQL_LOG"))
        qWarning().noquote() << "amval: describe failed:" << PQerrorMessage(conn) << text;
    PQclear(prepared);
    if (!ok)
        return {};
    PGresult* d = PQdescribePrepared(conn, "");
    if (PQresultStatus(d) != PGRES_COMMAND_OK) {
        PQclear(d);
        return {};
    }
    const QList<ColumnInfo> columns = resultColumns(d);
    PQclear(d);
    return columns;
}

QList<ColumnInfo> PostgresDialect::describeResult(const QSqlQuery& query) const
{
    // The rows of a run come with the same description (types, modifiers, origin
    // table and column): read it from the result the driver holds.
    const QSqlResult* result = query.result();
    if (result == nullptr)
        return {};
    const QVariant handle = result->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGresult*") != 0)
        return {};
    const PGresult* r = *static_cast<PGresult* const*>(handle.constData());
    if (r == nullptr || PQresultStatus(r) != PGRES_TUPLES_OK)
        return {};
    return resultColumns(r);
}

QList<ColumnInfo> PostgresDialect::resultColumns(const PGresult* d) const
{
    QList<ColumnInfo> columns;
    struct Origin
    {
        Oid table;
        int column;
    };
    QList<Origin> origins;
    const int count = PQnfields(d);
    for (int i = 0; i < count; ++i) {
        ColumnInfo info;
        info.name = fieldName(QString::fromUtf8(PQfname(d, i)));
        const Oid type = PQftype(d, i);
        info.kind = KindOf(type);
        info.width = WidthOf(type, PQfmod(d, i));
        columns << info;
        origins << Origin{PQftable(d, i), PQftablecol(d, i)};
    }
    // Origin tables and columns by their numbers, from the catalogue once per
    // table of the session (a table's number never names another while it lives);
    // those not known yet in one read (a work table made anew has all its columns
    // unknown: one round trip, not one for each).
    const auto keyOf = [](Oid table, int column) {
        return (quint64(table) << 16) | quint64(column);
    };
    QStringList missing;
    for (const Origin& o : origins) {
        if (o.table != InvalidOid && o.column > 0 && !m_origins.contains(keyOf(o.table, o.column)))
            missing << QLatin1Char('(') + QString::number(o.table) + QStringLiteral(", ") +
                           QString::number(o.column) + QLatin1Char(')');
    }
    if (!missing.isEmpty()) {
        missing.removeDuplicates();
        // Numbers the engine itself handed over, written as numbers.
        QSqlQuery q(database());
        q.setForwardOnly(true);
        if (q.exec(QStringLiteral(
                       "SELECT c.oid, a.attnum, c.relname, a.attname, n.nspname, "
                       "n.oid = pg_my_temp_schema(), n.nspname = current_schema(), "
                       "c.relkind = 'r' FROM pg_class c JOIN pg_attribute a ON a.attrelid = "
                       "c.oid JOIN pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE (c.oid, a.attnum) IN (VALUES ") +
                   missing.join(QStringLiteral(", ")) + QStringLiteral(")"))) {
            while (q.next()) {
                const QString table = fieldName(q.value(2).toString());
                const bool local = q.value(5).toBool() || q.value(6).toBool();
                m_origins.insert(
                    keyOf(Oid(q.value(0).toUInt()), q.value(1).toInt()),
                    ColumnOrigin{
                        local ? table : fieldName(q.value(4).toString()) + QLatin1Char('.') + table,
                        fieldName(q.value(3).toString()), q.value(7).toBool()});
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        const Origin& o = origins.at(i);
        if (o.table == InvalidOid || o.column <= 0)
            continue;
        const auto it = m_origins.constFind(keyOf(o.table, o.column));
        if (it == m_origins.constEnd())
            continue;
        columns[i].originTable = it->table;
        columns[i].originColumn = it->column;
        columns[i].addressable = it->addressable;
    }
    return columns;
}

namespace {
QString QualifiedName(const QString& table)
{
    const QString n = table.trimmed();
    const int dot = n.indexOf(QLatin1Char('.'));
    if (dot > 0 && !n.startsWith(QStringLiteral("##")) && !n.startsWith(QLatin1Char('"')))
        return SqlIdent(n.left(dot).toLower()) + QLatin1Char('.') +
               SqlIdent(n.mid(dot + 1).toLower());
    QString bare = n;
    if (bare.startsWith(QLatin1Char('"')) && bare.endsWith(QLatin1Char('"')) && bare.size() >= 2)
        bare = bare.mid(1, bare.size() - 2);
    return SqlIdent(bare.toLower());
}

QString MatchList(const QStringList& columns)
{
    QStringList match;
    for (const QString& c : columns)
        match << SqlIdent(c.toLower()) + QStringLiteral(" IS NOT DISTINCT FROM ?");
    return match.isEmpty() ? QStringLiteral("TRUE") : match.join(QStringLiteral(" AND "));
}
} // namespace

// A row is written back by its physical address (ctid), read with it or handed
// back by its insert, and only while it still holds the values it was read with.
// An update writes a new version of the row at a new address, which the statement
// hands back. Without an address the row is the first one holding those values:
// the tables need no key of their own, and of two identical rows only one is
// touched.
QString PostgresDialect::updateRowSql(const QString& table, const QStringList& setColumns,
                                      const QStringList& matchColumns, bool byAddress) const
{
    const QString name = QualifiedName(table);
    QStringList sets;
    for (const QString& c : setColumns)
        sets << SqlIdent(c.toLower()) + QStringLiteral(" = ?");
    const QString update = QStringLiteral("UPDATE ") + name + QStringLiteral(" SET ") +
                           sets.join(QStringLiteral(", "));
    if (byAddress)
        return update + QStringLiteral(" WHERE ctid = ? AND ") + MatchList(matchColumns) +
               QStringLiteral(" RETURNING ctid");
    return update + QStringLiteral(" WHERE ctid = (SELECT ctid FROM ") + name +
           QStringLiteral(" WHERE ") + MatchList(matchColumns) + QStringLiteral(" LIMIT 1)");
}

QString PostgresDialect::deleteRowSql(const QString& table, const QStringList& matchColumns,
                                      bool byAddress) const
{
    const QString name = QualifiedName(table);
    if (byAddress)
        return QStringLiteral("DELETE FROM ") + name + QStringLiteral(" WHERE ctid = ? AND ") +
               MatchList(matchColumns);
    return QStringLiteral("DELETE FROM ") + name +
           QStringLiteral(" WHERE ctid = (SELECT ctid FROM ") + name + QStringLiteral(" WHERE ") +
           MatchList(matchColumns) + QStringLiteral(" LIMIT 1)");
}

QString PostgresDialect::insertRowSql(const QString& table, const QStringList& columns) const
{
    // A row written without a number for the table's identity column is numbered
    // by the table, as the other engine numbers a NULL written to it.
    QStringList identity;
    for (const ColumnRow& c : columnsOf(table)) {
        if (c.identity)
            identity << c.name.toLower();
    }
    QStringList quoted, marks;
    for (const QString& c : columns) {
        quoted << SqlIdent(c.toLower());
        marks << (identity.contains(c.toLower())
                      ? QStringLiteral("COALESCE(?, nextval(pg_get_serial_sequence(%1, %2)))")
                            .arg(SqlQuote(QualifiedName(table)), SqlQuote(c.toLower()))
                      : QStringLiteral("?"));
    }
    return QStringLiteral("INSERT INTO ") + QualifiedName(table) + QStringLiteral(" (") +
           quoted.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
           marks.join(QStringLiteral(", ")) + QStringLiteral(") RETURNING ") +
           quoted.join(QStringLiteral(", ")) + QStringLiteral(", ctid");
}

QString PostgresDialect::insertedRowSql(const QString&, const QStringList&) const
{
    return QString(); // the insert hands the stored row back itself
}

QString PostgresDialect::beginTransactionSql() const
{
    // Each statement sees what was committed before it began; what a save must
    // read unchanged (a kind's numbers) it locks by row (rowLockClause()).
    return QStringLiteral("BEGIN ISOLATION LEVEL READ COMMITTED");
}

QString PostgresDialect::beginReadTransactionSql() const
{
    // One snapshot for every statement; readers never block writers here.
    return QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ");
}

QString PostgresDialect::attachReadOnlySql(const QString&, const QString&,
                                           QVariantList& values) const
{
    // Every schema of the server database is reachable already.
    values.clear();
    return QString();
}

QString PostgresDialect::rowsDigestSql(const QStringList& columns, const QString& fromWhere,
                                       const QString& order) const
{
    // Each row in the engine's text form of a record, which quotes a value holding a
    // separator, a quote or a blank and tells an empty text from NULL; rows joined by
    // a line break, which that form always quotes.
    return QStringLiteral("(SELECT md5(string_agg(ROW(") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(")::text, chr(10) ORDER BY ") + order + QStringLiteral(")) FROM ") +
           fromWhere + QLatin1Char(')');
}
