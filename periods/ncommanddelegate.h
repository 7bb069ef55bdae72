#pragma once

#include <QString>

class DbGrid;

// Draws the order grid's rows: a document ordered before (its `oldField` holds the
// mark) in red, and the mark in the tick column as a tick. Editing is left to the
// grid's own delegate.
void InstallOrderRowDelegate(DbGrid* grid, const QString& oldField, const QString& tickField,
                             const QString& mark);
