#include "orderedunion.h"

#include "dialect.h"

namespace {

QString Cast(const QString& value, const QString& type)
{
    if (type.isEmpty())
        return value;
    return QStringLiteral("CAST(") + value + QStringLiteral(" AS ") + type + QLatin1Char(')');
}

// `text` with each "{Name}" replaced by what `value` gives for Name.
template <typename Value> QString Substituted(const QString& text, const Value& value)
{
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            out += text.mid(at);
            break;
        }
        out += text.mid(at, open - at);
        out += value(text.mid(open + 1, close - open - 1));
        at = close + 1;
    }
    return out;
}

const OrderedUnion::Lookup* LookupOf(const OrderedUnion& report, const QString& column)
{
    for (const OrderedUnion::Lookup& l : report.lookups) {
        if (l.name == column)
            return &l;
    }
    return nullptr;
}

QString PartValue(const OrderedUnion::Part& part, const QString& column)
{
    return part.columns.value(column, QStringLiteral("NULL"));
}

// Each part with its own joins and condition, the union ordered by itself: an
// engine that merges such parts walks each table's index on the first order
// column (with the joins looked up row by row) and sorts only the rows of one
// value of it by the rest.
QString JoinedParts(const OrderedUnion& report, QVariantList& values)
{
    QStringList parts;
    for (const OrderedUnion::Part& part : report.parts) {
        QStringList select;
        QString joins;
        for (const OrderedUnion::Column& column : report.columns) {
            QString value;
            if (const OrderedUnion::Lookup* lookup = LookupOf(report, column.name)) {
                if (part.columns.contains(lookup->code)) {
                    value = lookup->value;
                    joins += Substituted(lookup->join,
                                         [&](const QString&) { return part.columns.value(lookup->code); });
                } else {
                    value = QStringLiteral("NULL");
                }
            } else {
                value = PartValue(part, column.name);
            }
            select << Cast(value, column.type) + QStringLiteral(" AS ") + column.name;
        }
        QString sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) +
                      QStringLiteral(" FROM ") + part.table + QStringLiteral(" A") + joins;
        if (!part.condition.isEmpty()) {
            sql += QStringLiteral(" WHERE ") +
                   Substituted(part.condition,
                               [&](const QString& name) { return PartValue(part, name); });
            values += part.values;
        }
        parts << sql;
    }
    return parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY ") +
           report.order.join(QStringLiteral(", "));
}

// The parts bare (their own columns and a number of their own), the joins and the
// conditions outside: an engine that merges only bare tables pushes each part's
// condition into it (the others' fall away on its number) and walks the index.
QString BareParts(const OrderedUnion& report, QVariantList& values)
{
    const QString partColumn = QStringLiteral("UnionPart");
    QStringList parts;
    QStringList conditions;
    bool anyCondition = false;
    for (qsizetype p = 0; p < report.parts.size(); ++p) {
        const OrderedUnion::Part& part = report.parts.at(p);
        QStringList select;
        for (const OrderedUnion::Column& column : report.columns) {
            if (LookupOf(report, column.name) == nullptr)
                select << Cast(PartValue(part, column.name), column.type) + QStringLiteral(" AS ") +
                              column.name;
        }
        select << QString::number(p) + QStringLiteral(" AS ") + partColumn;
        parts << QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) +
                     QStringLiteral(" FROM ") + part.table + QStringLiteral(" A");
        QString condition = QStringLiteral("U.") + partColumn + QStringLiteral(" = ") +
                            QString::number(p);
        if (!part.condition.isEmpty()) {
            anyCondition = true;
            condition += QStringLiteral(" AND (") +
                         Substituted(part.condition,
                                     [](const QString& name) { return QStringLiteral("U.") + name; }) +
                         QLatin1Char(')');
            values += part.values;
        }
        conditions << QLatin1Char('(') + condition + QLatin1Char(')');
    }
    QStringList select;
    QString joins;
    for (const OrderedUnion::Column& column : report.columns) {
        const OrderedUnion::Lookup* lookup = LookupOf(report, column.name);
        select << (lookup ? Cast(lookup->value, column.type) : QStringLiteral("U.") + column.name) +
                      QStringLiteral(" AS ") + column.name;
    }
    for (const OrderedUnion::Lookup& lookup : report.lookups)
        joins += Substituted(lookup.join,
                             [&](const QString&) { return QStringLiteral("U.") + lookup.code; });
    QString sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) +
                  QStringLiteral(" FROM (") + parts.join(QStringLiteral(" UNION ALL ")) +
                  QStringLiteral(") U") + joins;
    if (anyCondition)
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" OR "));
    QStringList order;
    for (const QString& column : report.order)
        order << QStringLiteral("U.") + column;
    return sql + QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
}

} // namespace

QString OrderedUnionSql(const Dialect& dialect, const OrderedUnion& report, QVariantList& values)
{
    if (report.parts.isEmpty())
        return QString();
    return dialect.mergesOnlyBareUnionParts() ? BareParts(report, values)
                                              : JoinedParts(report, values);
}
