#pragma once

#include "dataset.h"

#include <QSet>
#include <QString>

class DbGrid;

// A text that a field of the data set cannot take (letters into a number field).
// The fields set before it keep their new values.
class FieldConversionError : public DataSetError
{
public:
    using DataSetError::DataSetError;
};

// The options of a data grid, by number: the editing option is 0.
enum GridOption : int {
    goEditing = 0,
    goAlwaysShowEditor,
    goTitles,
    goIndicator,
    goColumnResize,
    goColLines,
    goRowLines,
    goTabs,
    goRowSelect,
    goAlwaysShowSelection,
    goConfirmDelete,
    goCancelOnExit,
    goMultiSelect,
};
using GridOptions = QSet<int>;

// The options the grid has at this moment (editing, titles, indicator, ...).
GridOptions OptionsOf(const DbGrid* grid);
// True when `number` is a grid option (0 to 12) and is in `options`.
bool HasOption(const GridOptions& options, int number);

// The current row of the grid as text: for every grid column in the grid's order,
// field name, "=", the field's value as text and a tab. The window keeps it in its
// copied-row buffer.
QString CopyRow(DbGrid* grid);

// Writes a copied row into the data set's current row, which is left in edit state
// for the window's usual post. One name=value pair is taken per grid column; only
// the first "=" of a pair separates name from value, a tab ends the value.
// Auto-increment fields are skipped; fields that are not in the text keep their
// values. A name the data set does not have throws the data set's field-not-found
// DataSetError; a value a number field cannot take throws FieldConversionError.
// Returns false when the data set refused to go into edit state.
bool PasteRow(DataSet* dataSet, DbGrid* grid, const QString& copied);

// Puts the text of the grid's selected field on the clipboard (an empty value puts
// an empty text). Returns the text; nothing is put when no field is selected.
QString CopyCell(DbGrid* grid);

// Sets the grid's selected field from the clipboard's text. Nothing happens when
// the cell is read-only (its field or its column) or the grid's editing option is
// off. A text a number field cannot take throws FieldConversionError.
// Returns true when the field was set.
bool PasteCell(DbGrid* grid);

// Whether pasting skips the field: a row number the database assigns itself (the
// IDX identity column of the module's tables and temporary tables).
bool IsAutoIncrementField(const DataField* field);

// Sets a field from text as typing it would: numbers parsed (an empty text clears
// the field), anything else taken as it is. Throws FieldConversionError.
void SetFieldText(DataField* field, const QString& text);
