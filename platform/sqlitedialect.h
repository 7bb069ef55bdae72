#pragma once

#include "dialect.h"

// The embedded engine: one SQLite file per database, other databases attached
// under their own names, temporary tables in the connection's "temp" schema.
class SqliteDialect : public Dialect
{
public:
    using Dialect::Dialect;

    void prepareConnection() const override;
    QString rowsDigestSql(const QStringList& columns, const QString& fromWhere,
                          const QString& order) const override;
    int columnWidth(const QString& table, const QString& column) const override;
    // None: the engine alters no column in place (a width is the table's check).
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
    QString writeLockSql() const override;
    bool isBusy(const QSqlError& error) const override;
    bool watchStatements(const std::function<bool()>& going) const override;
    // Asked by the engine between steps of a watched statement: whether it goes on.
    bool statementGoing() const { return !m_going || m_going(); }
    QString pageCacheSql(const QString& name, int kib) const override;
    QString attachReadOnlySql(const QString& file, const QString& name,
                              QVariantList& values) const override;
    QString errorText(const QSqlError& error) const override;
    DatabaseError::Kind errorKind(const QSqlError& error) const override;
    QString errorObject(const QSqlError& error) const override;

    // The width in a declared type such as "VARCHAR(6)"; 0 when it has none.
    static int DeclaredWidth(const QString& declaredType);
    static ColumnInfo::Kind DeclaredKind(const QString& declaredType);

private:
    struct ColumnDecl
    {
        QString name;
        QString type;
    };
    // Declarations kept (Dialect::keepSchema), by the table's name as asked, in
    // lower case, with the database they were found in and its schema version then;
    // the names and widths made once from them (asked for by every procedure call).
    struct KeptDecl
    {
        QList<ColumnDecl> columns;
        QStringList names;
        QList<int> widths; // DeclaredWidth of each column
        QString schema;
        qint64 version = -1;
    };
    // The declared columns of `table`, looked up in the temporary schema first,
    // then in the main database and the attached ones ("db.table" names one); none
    // for a table the engine does not have.
    KeptDecl declared(const QString& table) const;
    void forgetSchema() const override
    {
        m_declared.clear();
        m_versions.clear();
    }
    // The engine tells a change of a database's schema by its version number: what
    // is kept stays across transactions; the versions read in one are asked again.
    void transactionEnded() const override { m_versions.clear(); }
    // Inside a transaction, once the connection has read a database, no other program
    // can change its schema until the transaction ends (its own changes forget
    // everything): the version is read once per transaction.
    qint64 currentVersion(const QString& schema) const;
    mutable QHash<QString, qint64> m_versions;
    mutable std::function<bool()> m_going;
    // The schema version of one database of the connection ("main", "temp", or an
    // attached one's name); -1 when it cannot be read.
    qint64 schemaVersion(const QString& schema) const;

    mutable QHash<QString, KeptDecl> m_declared;
};
