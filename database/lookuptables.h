#pragma once

#include <QList>
#include <QString>
#include <optional>

class DbConnection;

// The company's look-up tables its assets and vouchers name by code, as its clerks keep
// them: places, persons (holders), conditions, tax-return groups, articles, delivery
// sources and cost components. An entry is a code and a name (a person's first name and
// family). Nothing here shows anything: a refusal comes back as the Persian text the
// window shows. Who may: the purchase's rights (new, edit, delete), as for the assets.
namespace LookupTables {

enum class Table { Place, Person, Condition, TaxGroup, Article, Source, Component };

// Every table, in the order the window offers them, and its title ("محل هاي استقرار").
const QList<Table>& Tables();
QString Title(Table table);
// Whether the table's entries have a family name (the persons).
bool HasFamily(Table table);

struct Entry
{
    QString code; // as stored (right-aligned) or as typed
    QString name;
    QString family; // persons only

    bool operator==(const Entry&) const = default;
};

enum class Field { None, Code, Name, Family };
struct Outcome
{
    QString refusal; // "" when done
    Field field = Field::None;
    QString code; // the stored form of the code
};

// The entries of `table` in code order.
QList<Entry> Entries(DbConnection& connection, Table table);
// `typed` in the form the table stores its codes (digits of either keyboard as 0-9,
// right-aligned to the column's width), or "" when it is no code: blank, wider than the
// column, or holding a character that is not a letter or digit.
QString StoredCode(const DbConnection& connection, Table table, const QString& typed);

// Adds `entry` (`before` none) or stores the entry read as `before` under its code, in
// one transaction; refused when another clerk changed or removed it meanwhile.
Outcome Store(DbConnection& connection, int userId, Table table, const Entry& entry,
              const std::optional<Entry>& before);
// Removes the entry read as `before`, refused while an asset or a voucher names it.
Outcome Remove(DbConnection& connection, int userId, Table table, const Entry& before);

} // namespace LookupTables
