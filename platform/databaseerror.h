#pragma once

#include <QString>
#include <stdexcept>

// A failure reported by the database engine. Thrown by the command query so that
// callers which do not handle database errors let them reach the host, while the
// voucher windows catch them where a fixed Persian message replaces them.
//
// Each dialect classifies the engine's own error code into a kind; callers decide on
// the kind, never on the engine's wording. `database()` names the file (or server
// database) the failure concerns, when the layer that threw knew it; `object()` names
// the table or column it concerns (the table whose key was duplicated, the column a
// text was too long for), when the engine said so.
class DatabaseError : public std::runtime_error
{
public:
    enum class Kind {
        Other,
        DuplicateKey,  // a key the table already holds
        TooLong,       // a text wider than its column
        Busy,          // another program holds the database and did not let go in time
        MissingObject, // no such table, column or procedure
        NotADatabase,  // the file is not a database of ours, is damaged or empty
        ReadOnly,      // the file or its folder cannot be written; a read-only server database
        DiskFull,      // the disk that holds the database (the server's disk) is full
        NoPrivilege,   // the server refused the write to the user it was reached as
        Unavailable,   // the file cannot be opened at all (missing folder, no rights)
        Conflict,      // the stored data changed since it was read (another user)
        AccessDenied,  // the server refused the user name or the password
        Cancelled,     // the user stopped a long procedure; nothing of it was kept
    };

    DatabaseError(const QString& message, const QString& statement, Kind kind = Kind::Other,
                  const QString& database = QString())
        : std::runtime_error(message.toStdString()), m_message(message), m_statement(statement),
          m_kind(kind), m_database(database)
    {}

    QString message() const { return m_message; }
    QString statement() const { return m_statement; }
    Kind kind() const { return m_kind; }
    QString database() const { return m_database; }
    void setDatabase(const QString& database) { m_database = database; }
    QString object() const { return m_object; }
    void setObject(const QString& object) { m_object = object; }

private:
    QString m_message;
    QString m_statement;
    Kind m_kind;
    QString m_database;
    QString m_object;
};

// What the user is told about a database failure: one Persian text that says what
// happened, which file or database it concerns and what to do. The engine's own
// words are never shown alone; for failures of no known kind they follow the
// Persian sentence so that support can read them.
QString DatabaseFailureText(const DatabaseError& error);
