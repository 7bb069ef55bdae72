#pragma once

#include "dialect.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QSqlQuery>
#include <functional>
#include <memory>

struct pg_conn;
struct pg_result;

// The server engine: the databases of the system are schemas of one PostgreSQL
// database, the connection's own database is the first schema of its search path,
// temporary tables live in the session's temporary schema.
//
// PostgreSQL folds unquoted names to lower case and keeps quoted ones as written.
// The schema is made with the quoted names folded too, so that a statement may
// write a name quoted or not, in any case, as it may on the other engine.
class PostgresDialect : public Dialect
{
public:
    using Dialect::Dialect;

    void prepareConnection() const override;
    QSqlError runStoppable(const QString& text, const std::function<bool()>& going) const override;
    bool runBound(const QString& text, const QVariantList& values, BoundRun& out,
                  QSqlError& failure) const override;
    QString schemaStampSql() const override;
    void schemaStampRead(const QVariant& stamp) const override;
    QString schemaChangedSql() const override;
    QString statementText(const QString& sql) const override;
    QString fieldName(const QString& engineName) const override;
    void addSpellings(const QStringList& names) const override;
    bool streamsResults() const override { return false; }
    bool nullsSortFirst() const override { return false; }
    bool ordersTextByCode() const override { return m_orderByCode; }
    bool mergesOnlyBareUnionParts() const override { return true; }
    // A prepared statement cannot be a definition (CREATE TABLE ... AS SELECT).
    // A table made from a query takes no bound values, and its columns take the types
    // of the values: numbers go in as numbers. Any other statement gets its values
    // quoted: bound, each would cost the server a prepare and a release besides the
    // run, three round trips where one does.
    ValueForm valueForm(const QString& sql) const override
    {
        return sql.trimmed().startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive)
                   ? ValueForm::Literals
                   : ValueForm::QuotedLiterals;
    }
    QString rowLockClause() const override { return QStringLiteral(" FOR UPDATE"); }
    // The row's place in the table's storage: rows appended in order keep it.
    QString rowAddressColumn() const override { return QStringLiteral("ctid"); }
    QString rowsDigestSql(const QStringList& columns, const QString& fromWhere,
                          const QString& order) const override;
    void setLockWait(int milliseconds) const override;

    int columnWidth(const QString& table, const QString& column) const override;
    QString alterColumnWidthSql(const QString& table, const QString& column,
                                int width) const override;
    QStringList tableColumns(const QString& table) const override;
    bool tableExists(const QString& table) const override;
    bool tempObjectExists(const QString& name) const override;
    void dropTempTable(const QString& name) const override;
    QString createTempTable(const QString& name) const override;
    QString tableIn(const QString& database, const QString& table) const override;
    QString identityColumnType() const override;
    QString padLeftExpression(const QString& expression, int width, QChar fill) const override;
    QList<ColumnInfo> describe(const QString& sql) const override;
    QList<ColumnInfo> describeResult(const QSqlQuery& query) const override;
    QString updateRowSql(const QString& table, const QStringList& setColumns,
                         const QStringList& matchColumns, bool byAddress) const override;
    QString deleteRowSql(const QString& table, const QStringList& matchColumns,
                         bool byAddress) const override;
    QString insertRowSql(const QString& table, const QStringList& columns) const override;
    QString insertedRowSql(const QString& table, const QStringList& columns) const override;
    QString beginTransactionSql() const override;
    QString beginReadTransactionSql() const override;
    bool isBusy(const QSqlError& error) const override;
    QString attachReadOnlySql(const QString& file, const QString& name,
                              QVariantList& values) const override;
    QString errorText(const QSqlError& error) const override;
    DatabaseError::Kind errorKind(const QSqlError& error) const override;
    QString errorObject(const QSqlError& error) const override;

    QString keptStatement(const QString& engineText, int placeholders) const override;
    void preparePending() const override;
    void keptStatementsFailed(const QString& text, const QSqlError& error) const override;
    bool refusedKeptStatement(const QSqlError& error) const override;

    // Sends the connection's statements still waiting for the next one (a savepoint):
    // the dialect's own writes (dropTempTable) must come after them.
    void setPendingSender(std::function<void()> send) { m_sendPending = std::move(send); }

    // A name as the server keeps it: quoted names are folded like unquoted ones.
    static QString Folded(const QString& name);
    // The statement with its quoted names folded; `words` receives every name it
    // spells (quoted or not) that is not already in lower case.
    static QString FoldQuotedNames(const QString& sql, QStringList* words = nullptr);
    // The SQLSTATE of a failed statement ("23505"), or "" when the driver gave none.
    static QString SqlState(const QSqlError& error);

private:
    // The server connection under the driver's; null when it is not open.
    static pg_conn* Handle(const QSqlDatabase& db);
    // `sql` with its "?" placeholders outside quotes numbered as the server takes them.
    static QString NumberedPlaceholders(const QString& sql);
    // Names, kinds and widths of a result's columns, their origin from the catalogue.
    QList<ColumnInfo> resultColumns(const pg_result* result) const;
    struct TableRef
    {
        QString schema; // empty: the temporary schema, then the connection's own
        QString table;
    };
    static TableRef Split(const QString& name);
    struct ColumnRow
    {
        QString name;
        int width = 0;
        bool identity = false; // numbered by the table
    };
    QList<ColumnRow> columnsOf(const QString& table) const;
    // Whether a stored table's columns read now may be kept: inside a transaction
    // (its begin read the schema stamp), or outside one while a stamp read a moment
    // ago stands (read again here when older).
    bool stampHolds() const;
    void forgetSchema() const override
    {
        m_columns.clear();
        forgetKeptResults();
    }
    // A stored table's columns are used while a transaction is open and kept across
    // transactions as long as the schema stamp stays (schemaStampSql()); temporary
    // tables are the session's own: theirs are kept until its own DDL.
    void transactionEnded() const override;
    // Declarations kept, by the table's name as asked, in lower case, and whether
    // they are the session's own (a temporary table, or a work table "##..." known
    // to be missing: an empty list).
    struct KeptColumns
    {
        QList<ColumnRow> columns;
        bool temporary = false;
    };
    mutable QHash<QString, KeptColumns> m_columns;
    // The catalogue read of columnsOf, prepared on the session.
    mutable std::unique_ptr<QSqlQuery> m_columnsQuery;
    // Whether the server database has the schema stamp's sequence (made with the
    // functions); without it a stored table's columns are kept for one transaction.
    mutable bool m_stamped = false;
    // Whether the database's own collation orders texts by their characters' codes.
    mutable bool m_orderByCode = false;
    // The stamp the last transaction began with, or the last read outside one; null
    // before the first.
    mutable QVariant m_stamp;
    // When the stamp was last read (valid once read).
    mutable QElapsedTimer m_stampRead;

    std::function<void()> m_sendPending;
    // Statements as the server takes them, by the module's text (statementText).
    mutable QHash<QString, QString> m_folded;
    mutable QHash<QString, QString> m_spellings;
    // Where a result column comes from, by table number and column number:
    // table, column, and whether the table is a plain table (rows with addresses).
    struct ColumnOrigin
    {
        QString table;
        QString column;
        bool addressable = false;
    };
    mutable QHash<quint64, ColumnOrigin> m_origins;

    // Statements kept prepared on the session (keptStatement), by their engine text.
    struct KeptText
    {
        QString name;         // prepared under it; "" while not (yet) prepared
        int placeholders = 0; // -1: never kept (not one statement of rows)
        int uses = 0;
        bool refused = false; // the server would not prepare it
        bool returnsRows = false;
        quint64 lastUse = 0;
    };
    mutable QHash<QString, KeptText> m_keptTexts;
    // Names given up, released at the next preparePending().
    mutable QStringList m_released;
    // Work tables dropped and not made again since (their folded names): a statement
    // naming one is not prepared while the connection is idle, where such a table
    // (made and dropped inside a transaction) is not there.
    mutable QSet<QString> m_droppedTemp;
    mutable int m_keptSerial = 0;
    // The session lost statements it had prepared (a connection pool that hands each
    // transaction another server session does that): none is kept any more.
    mutable bool m_keepNone = false;
    mutable quint64 m_keptClock = 0;
    // A statement whose rows are read keeps the columns' types it was prepared with:
    // after a change of the schema the server would refuse to run it. Those are
    // given up; the others are planned again by the server as needed.
    void forgetKeptResults() const;
    void giveUp(KeptText& kept) const;
};
