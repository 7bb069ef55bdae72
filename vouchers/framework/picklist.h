#pragma once

#include "context/tempgridform.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>
#include <utility>

class DataSet;
class DbConnection;

// A pick list and what its caller takes of the chosen row: `shown` goes to the
// host's list window, `choice` reads the fields the caller needs off the row the
// user chose, so that nothing outside the list's builder names its fields.
template <typename Choice> struct PickList
{
    TPickList shown;
    std::function<Choice(const DataSet& chosen)> choice;
};

// One column of a list: its title and least width in pixels.
struct PickColumn
{
    QString title;
    int width = 0;
};

// Every list is made here: a caption, the shown columns, the field that names a
// row (the list starts on the row where it holds `current`), and the statement of
// the rows with its bound values.
TPickList MakePickList(const QString& caption, const QList<PickColumn>& columns,
                       const QString& keyField, const QString& current, const QString& sql,
                       const QVariantList& values = {});

// Fills a new work table with the rows of `select` (its values bound) on `connection`
// and returns its name; a list over rows gathered once reads it. Throws DatabaseError.
QString FillListTable(DbConnection& connection, const QString& select,
                      const QVariantList& values = {});

// Shows `list` in the host's list window over the host connection; the row the user
// chose (the window's query standing on it), or null when the list was left.
const DataSet* ShowPickList(const TPickList& list);

// Shows the list; what the caller takes of the chosen row, or nothing when the user
// left the list without a choice (Escape, the close button).
template <typename Choice> std::optional<Choice> Pick(const PickList<Choice>& list)
{
    if (const DataSet* chosen = ShowPickList(list.shown))
        return list.choice(*chosen);
    return std::nullopt;
}

// The text of a field of the chosen row, as stored (codes keep their padding); empty
// when the row has no such field.
QString ChosenText(const DataSet& chosen, const QString& field);
