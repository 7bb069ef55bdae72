// Running statements on a DbConnection: how values reach the engine (bound, or
// as literals where the dialect asks), the statements kept prepared, statements
// sent together in one round trip inside a transaction, the wait for a busy
// database, and the engine's failures turned into DatabaseError.

#include "dbconnection.h"

#include "databaseerror.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>

namespace {
// `value` as a literal: a null as NULL, numbers as numbers unless `quoteNumbers`,
// anything else quoted.
QString Literal(const QVariant& v, bool quoteNumbers)
{
    const int type = v.typeId();
    if (v.isNull())
        return QStringLiteral("NULL");
    if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt ||
        type == QMetaType::ULongLong)
        return quoteNumbers ? SqlQuote(QString::number(v.toLongLong()))
                            : QString::number(v.toLongLong());
    if (type == QMetaType::Double)
        return quoteNumbers ? SqlQuote(QString::number(v.toDouble(), 'g', 17))
                            : QString::number(v.toDouble(), 'g', 17);
    return SqlQuote(v.toString());
}

// `sql` with each "?" outside quotes replaced by its value as a Literal.
QString WithLiterals(const QString& sql, const QVariantList& values, bool quoteNumbers)
{
    QString out;
    QChar quote;
    int next = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?') && next < values.size()) {
            out += Literal(values.at(next++), quoteNumbers);
            continue;
        }
        out += c;
    }
    return out;
}


// AMVAL_SQL_LOG=1 in the environment: every refused statement is written to the
// program's error output with the engine's words (for support and development).
bool LogAll()
{
    static const bool log = qEnvironmentVariable("AMVAL_SQL_LOG") == QLatin1String("all");
    return log;
}

// Whether a statement makes, changes or removes a table (or brings another
// database in or out): what the dialect kept of the schema no longer holds.
bool ChangesSchema(const QString& sql)
{
    int i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    static const char* const kVerbs[] = {"CREATE", "ALTER", "DROP", "ATTACH", "DETACH"};
    for (const char* verb : kVerbs) {
        const QLatin1String word(verb);
        if (QStringView(sql).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Whether a statement that changes the schema (ChangesSchema) may change a stored
// table, which other sessions may have read: anything but a temporary table's
// making.
bool ChangesStoredTable(const QString& sql)
{
    static const QRegularExpression temporary(QStringLiteral("^\\s*CREATE\\s+TEMP"),
                                              QRegularExpression::CaseInsensitiveOption);
    return !temporary.match(sql).hasMatch();
}

// Whether a statement reads or writes rows (and nothing else): only those are kept
// prepared.
bool IsDataStatement(const QString& sql)
{
    int i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    static const char* const kVerbs[] = {"SELECT", "INSERT", "UPDATE", "DELETE"};
    for (const char* verb : kVerbs) {
        const QLatin1String word(verb);
        if (QStringView(sql).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool LogFailures()
{
    static const bool log = qEnvironmentVariableIsSet("AMVAL_SQL_LOG");
    return log;
}

// The head of a statement's line in the log: AMVAL_SQL_LOG=all writes each statement
// after it ran, with the time it took (of a SELECT, up to its first row), so that the
// slow steps of a long piece of work can be told apart.
QString Ran(bool ok, const QElapsedTimer& took)
{
    return (ok ? QStringLiteral("amval: statement (%1 ms):")
               : QStringLiteral("amval: statement failed (%1 ms):"))
        .arg(double(took.nsecsElapsed()) / 1e6, 0, 'f', 1);
}

} // namespace

void DbConnection::execute(const QString& sql, const QVariantList& values) const
{
    resumeSession();
    if (const std::shared_ptr<KeptStatement> kept = keptStatement(sql)) {
        const bool ok = runKept(*kept, values);
        const QSqlError failure = kept->query.lastError();
        releaseKept(sql, *kept);
        if (!ok)
            throw error(failure, sql);
        return;
    }
    QSqlQuery query(database());
    if (!run(query, sql, values))
        throw error(query.lastError(), sql);
}

void DbConnection::executeStoppable(const QString& sql, const QVariantList& values,
                                    const std::function<bool()>& going) const
{
    resumeSession();
    // Whatever runs while the user is asked (a window painting, a timer) finds the
    // connection at work.
    const std::function<bool()> asked = [this, &going] {
        m_askingGoing = true;
        const bool on = !going || going();
        m_askingGoing = false;
        return on;
    };
    if (m_dialect->watchStatements(asked)) {
        struct Unwatch
        {
            const Dialect& dialect;
            ~Unwatch() { dialect.watchStatements({}); }
        } unwatch{*m_dialect};
        QSqlQuery query(database());
        if (!run(query, sql, values))
            throw error(query.lastError(), sql);
        return;
    }
    QString text = WithLiterals(m_dialect->statementText(sql), values, true);
    if (!m_pending.isEmpty()) {
        text = m_pending.join(QStringLiteral("; ")) + QStringLiteral("; ") + text;
        m_pending.clear();
    }
    QElapsedTimer took;
    took.start();
    const QSqlError failure = m_dialect->runStoppable(text, asked);
    if ((failure.isValid() && LogFailures()) || LogAll())
        qWarning().noquote() << Ran(!failure.isValid(), took) << failure.text() << "\n  " << text;
    if (failure.isValid())
        throw error(failure, sql);
}

void DbConnection::executeWithNext(const QString& sql, const QVariantList& values) const
{
    const Dialect::ValueForm form = m_dialect->valueForm(sql);
    const bool literals =
        values.isEmpty() || (form != Dialect::ValueForm::Bound &&
                             std::none_of(values.begin(), values.end(), [](const QVariant& v) {
                                 return v.typeId() == QMetaType::QByteArray;
                             }));
    if (!m_server || m_transactionDepth == 0 || !literals) {
        execute(sql, values);
        return;
    }
    m_pending << withValues(m_dialect->statementText(sql), values,
                            form == Dialect::ValueForm::QuotedLiterals);
}

QString DbConnection::withValues(const QString& engineText, const QVariantList& values,
                                 bool quoteNumbers) const
{
    if (m_server) {
        const QString name = m_dialect->keptStatement(engineText, int(values.size()));
        if (!name.isEmpty()) {
            if (values.isEmpty())
                return QStringLiteral("EXECUTE ") + name;
            QStringList literals;
            literals.reserve(values.size());
            for (const QVariant& value : values)
                literals << Literal(value, quoteNumbers);
            return QStringLiteral("EXECUTE ") + name + QStringLiteral(" (") +
                   literals.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
    }
    return values.isEmpty() ? engineText : WithLiterals(engineText, values, quoteNumbers);
}

void DbConnection::selectEach(const QString& sql, const QVariantList& values,
                              const std::function<void(QSqlQuery&)>& read) const
{
    resumeSession();
    const std::shared_ptr<KeptStatement> kept = keptStatement(sql);
    if (!kept) {
        QSqlQuery query = select(sql, values);
        read(query);
        return;
    }
    if (!runKept(*kept, values)) {
        const QSqlError failure = kept->query.lastError();
        releaseKept(sql, *kept);
        throw error(failure, sql);
    }
    try {
        read(kept->query);
    } catch (...) {
        releaseKept(sql, *kept);
        throw;
    }
    releaseKept(sql, *kept);
}

std::shared_ptr<DbConnection::KeptStatement> DbConnection::keptStatement(const QString& sql) const
{
    // A kept text passed the tests below when it was kept.
    if (const auto found = m_kept.constFind(sql); found != m_kept.cend())
        return found.value()->inUse ? nullptr : found.value();
    if (m_dialect->valueForm(sql) != Dialect::ValueForm::Bound || !IsDataStatement(sql) ||
        ChangesSchema(sql))
        return {};
    // A bounded keep: the statements of the windows at work stay, one-off texts go.
    if (m_kept.size() >= 256) {
        for (auto it = m_kept.begin(); it != m_kept.end();)
            it = it.value()->inUse ? std::next(it) : m_kept.erase(it);
    }
    auto kept = std::make_shared<KeptStatement>();
    kept->query = QSqlQuery(database());
    kept->query.setForwardOnly(true);
    if (!prepare(kept->query, sql))
        return {};
    m_kept.insert(OwnedText(sql), kept);
    return kept;
}

bool DbConnection::runKept(KeptStatement& kept, const QVariantList& values) const
{
    kept.inUse = true;
    for (int i = 0; i < values.size(); ++i)
        kept.query.bindValue(i, values.at(i));
    return run(kept.query);
}

void DbConnection::releaseKept(const QString& sql, KeptStatement& kept) const
{
    const bool failed = kept.query.lastError().isValid();
    kept.query.finish();
    kept.inUse = false;
    // A failed statement is prepared afresh next time; one the schema outdated while
    // it ran is dropped now.
    if (failed || kept.stale)
        m_kept.remove(sql);
}

void DbConnection::forgetStatements() const
{
    for (auto it = m_kept.begin(); it != m_kept.end();) {
        if (it.value()->inUse) {
            it.value()->stale = true;
            ++it;
        } else {
            it = m_kept.erase(it);
        }
    }
}

BoundRun DbConnection::runBound(const QString& sql, const QVariantList& values) const
{
    resumeSession();
    const QString text = m_dialect->statementText(sql);
    BoundRun out;
    QSqlQuery query(database());
    QString none;
    int sent = 0;
    if (!sendPending(query, none, sent))
        throw error(query.lastError(), sql);
    // Outside a transaction a busy database is waited for within the busy limit, as
    // runStatement does; inside one the transaction fails as a whole.
    QElapsedTimer waited;
    waited.start();
    QSqlError failure;
    for (;;) {
        // Each try is logged with its own time, as runStatement logs its tries.
        QElapsedTimer took;
        took.start();
        if (!m_dialect->runBound(text, values, out, failure))
            break;
        if ((failure.isValid() && LogFailures()) || LogAll())
            qWarning().noquote() << Ran(!failure.isValid(), took) << failure.text() << values
                                 << "\n  " << text;
        if (!failure.isValid())
            return out;
        if (m_transactionDepth > 0 || !m_dialect->isBusy(failure) ||
            waited.elapsed() >= m_busyLimit)
            throw error(failure, sql);
    }
    // The driver binds the values itself.
    if (!prepare(query, sql))
        throw error(query.lastError(), sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!run(query))
        throw error(query.lastError(), sql);
    out.returnsRows = query.isSelect();
    const int columns = query.record().count();
    while (out.returnsRows && query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        out.rows << row;
    }
    out.affected = query.numRowsAffected();
    out.insertId = query.lastInsertId();
    return out;
}

QSqlQuery DbConnection::select(const QString& sql, const QVariantList& values) const
{
    resumeSession();
    QSqlQuery query(database());
    query.setForwardOnly(m_dialect->streamsResults());
    if (run(query, sql, values))
        return query;
    // A read outside a transaction that found its session ended by the server (a
    // restart) changed nothing: it runs once more on a new session, whose work tables
    // the windows have made again.
    if (!m_server || m_transactionDepth > 0 || isOpen())
        throw error(query.lastError(), sql);
    const QSqlError lost = query.lastError();
    resumeSession();
    if (!isOpen())
        throw error(lost, sql);
    QSqlQuery again(database());
    again.setForwardOnly(m_dialect->streamsResults());
    if (!run(again, sql, values))
        throw error(again.lastError(), sql);
    return again;
}

bool DbConnection::run(QSqlQuery& query, const QString& sql, const QVariantList& values) const
{
    resumeSession();
    if (values.isEmpty())
        return run(query, sql);
    // The literals go into the statement as the engine takes it: the statement's own
    // text is made once per text (Dialect::statementText keeps it), not with every
    // value it is run with.
    switch (m_dialect->valueForm(sql)) {
    case Dialect::ValueForm::Literals:
        return runStatement(query, WithLiterals(m_dialect->statementText(sql), values, false),
                            m_transactionDepth == 0, true);
    case Dialect::ValueForm::QuotedLiterals:
        // Bytes have no text form: they are bound.
        if (std::none_of(values.begin(), values.end(),
                         [](const QVariant& v) { return v.typeId() == QMetaType::QByteArray; }))
            return runWithValues(query, m_dialect->statementText(sql), values);
        break;
    case Dialect::ValueForm::Bound:
        break;
    }
    if (!prepare(query, sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return run(query);
}

bool DbConnection::prepare(QSqlQuery& query, const QString& sql) const
{
    resumeSession();
    const QString text = m_dialect->statementText(sql);
    const bool ok = query.prepare(text);
    if (!ok && LogFailures())
        qWarning().noquote() << "amval: statement failed:" << query.lastError().text() << "\n  "
                             << text;
    return ok;
}

bool DbConnection::run(QSqlQuery& query, const QString& sql) const
{
    // A query prepared before (`sql` empty) belongs to the session it was prepared on.
    if (!sql.isEmpty())
        resumeSession();
    // Inside a transaction a busy statement may have done part of its work: the
    // transaction fails as a whole and its guard rolls it back.
    if (!m_server || sql.isEmpty())
        return runStatement(query, sql, m_transactionDepth == 0);
    return runWithValues(query, m_dialect->statementText(sql), {});
}

bool DbConnection::runWithValues(QSqlQuery& query, const QString& engineText,
                                 const QVariantList& values) const
{
    const QString text = withValues(engineText, values, true);
    if (runStatement(query, text, m_transactionDepth == 0, true))
        return true;
    // A kept statement the server no longer runs as it was prepared (another session
    // changed the columns it reads) is given up by its failure; outside a transaction
    // nothing of it was done, and its own text is run instead.
    if (m_transactionDepth > 0 || !text.startsWith(QLatin1String("EXECUTE ")) ||
        !m_dialect->refusedKeptStatement(query.lastError()))
        return false;
    return runStatement(query, WithLiterals(engineText, values, true), true, true);
}

bool DbConnection::sendPending(QSqlQuery& query, QString& text, int& sent) const
{
    sent = 0;
    if (m_pending.isEmpty())
        return true;
    const QString pending = m_pending.join(QStringLiteral("; ")) + QStringLiteral("; ");
    const int count = int(m_pending.size());
    m_pending.clear();
    // A statement of its own text whose results are read whole goes in the same round
    // trip, after them (its own result is then the last of the results); any other
    // runs after them.
    if (!text.isEmpty() && !query.isForwardOnly()) {
        text = pending + text;
        sent = count;
        return true;
    }
    QSqlQuery before(database());
    if (before.exec(pending))
        return true;
    if (LogFailures())
        qWarning().noquote() << "amval: statement failed:" << before.lastError().text() << "\n  "
                             << pending;
    // The failure is the statement's: it is reported in its place.
    query = std::move(before);
    return false;
}

bool DbConnection::runStatement(QSqlQuery& query, const QString& sql, bool mayRetry,
                                bool engineText) const
{
    QElapsedTimer waited;
    waited.start();
    bool told = false;
    const QString statement = sql.isEmpty() || engineText ? sql : m_dialect->statementText(sql);
    QString text = statement;
    int before = 0;
    if (!sendPending(query, text, before))
        return false;
    for (;;) {
        QElapsedTimer took;
        took.start();
        bool ok = text.isEmpty() ? query.exec() : query.exec(text);
        // The results of the statements sent before this one are passed over: the
        // statement's own result (or failure) is the last.
        for (int i = 0; ok && i < before; ++i)
            ok = query.nextResult();
        if (const QString& done = statement.isEmpty() ? query.lastQuery() : statement;
            ok && ChangesSchema(done)) {
            m_dialect->forgetSchema();
            forgetStatements();
            if (ChangesStoredTable(done)) {
                if (m_transactionDepth > 0)
                    m_storedSchemaChanged = true;
                else
                    tellSchemaChanged();
            }
        }
        if (!ok && m_server)
            m_dialect->keptStatementsFailed(text.isEmpty() ? query.lastQuery() : text,
                                            query.lastError());
        if ((!ok && LogFailures()) || LogAll())
            qWarning().noquote() << Ran(ok, took) << query.lastError().text() << query.boundValues()
                                 << "\n  " << (text.isEmpty() ? query.lastQuery() : text);
        if (ok || !mayRetry || !m_dialect->isBusy(query.lastError()) ||
            waited.elapsed() >= m_busyLimit) {
            if (told && m_waitObserver)
                m_waitObserver(m_databaseName, 0);
            return ok;
        }
        told = true;
        if (m_waitObserver)
            m_waitObserver(m_databaseName, int(std::max<qint64>(1, waited.elapsed())));
    }
}

void DbConnection::tellSchemaChanged() const
{
    const QString sql = m_dialect->schemaChangedSql();
    if (sql.isEmpty())
        return;
    // The change is committed: a failure to tell it leaves the others reading a
    // stale schema until their next change of it, which is not worth failing for.
    QSqlQuery query(database());
    if (!query.exec(sql) && LogFailures())
        qWarning().noquote() << "amval: statement failed:" << query.lastError().text() << "\n  "
                             << sql;
}

DatabaseError DbConnection::error(const QSqlError& error, const QString& statement) const
{
    DatabaseError e = m_dialect->error(error, statement);
    e.setDatabase(display());
    // A file that cannot be written, or whose folder cannot take the engine's
    // journal beside it, is a read-only database to the user, whatever the engine
    // called the failure.
    if (!m_file.isEmpty() && (e.kind() == DatabaseError::Kind::Unavailable ||
                              e.kind() == DatabaseError::Kind::ReadOnly)) {
        const QFileInfo file(m_file);
        const QFileInfo folder(file.absolutePath());
        if (file.exists() && (!file.isWritable() || !folder.isWritable()))
            return DatabaseError(e.message(), statement, DatabaseError::Kind::ReadOnly, m_file);
    }
    return e;
}

