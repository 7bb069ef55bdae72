#pragma once

// What every sibling dialog shares: the message boxes, the look of a dialog and its
// OK/Cancel row, and the texts a grid row is named by.

#include <QString>
#include <QStringList>
#include <QVariant>

class DataSet;
class DbGrid;
class QBoxLayout;
class QDialog;
class QPushButton;
class QWidget;

namespace Sibling {

// Right-to-left message boxes with Persian buttons.
void ShowNotice(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
// True when the user answers "بله".
bool AskYesNo(QWidget* parent, const QString& text);

// Names the dialog, gives it its caption and turns it right-to-left.
void PrepareDialog(QDialog* dialog, const char* objectName, const QString& title);

// Adds the "btnOk" / "btnCancel" row to `layout`. Enter presses OK (the default
// button), Escape and Cancel reject. OK is left to the caller, who checks the input
// before accepting.
QPushButton* AddOkCancel(QDialog* dialog, QBoxLayout* layout, QPushButton** cancel = nullptr);

// A stored value as text: empty for NULL, whole numbers without a fraction, other
// numbers in the shortest form that reads back to the same value.
QString ValueText(const QVariant& value);

// The reply naming a row, "Field=value;" pairs as the module's reply parser reads
// them: the field the dialog worked on, then the report's key field when that is
// another field of the data set (so that the module lands on this very row and not
// on an earlier one holding the same value).
QString RowReply(const DataSet& dataSet, int row, const QString& field, const QString& keyField);

// The grid's title for a field, or the field's own name when no column shows it.
QString FieldTitle(const DbGrid* grid, const QString& fieldName);

} // namespace Sibling
