#pragma once

#include <QString>
#include <stdexcept>

// A failure reported by the database engine. Thrown by the command query so that
// callers which do not handle database errors let them reach the host, while the
// voucher windows catch them where a fixed Persian message replaces them.
class DatabaseError : public std::runtime_error
{
public:
    DatabaseError(const QString& message, const QString& statement)
        : std::runtime_error(message.toStdString()), m_message(message), m_statement(statement)
    {}

    QString message() const { return m_message; }
    QString statement() const { return m_statement; }

private:
    QString m_message;
    QString m_statement;
};
