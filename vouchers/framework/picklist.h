#pragma once

#include <QString>

// Shows the host's pick-list window on `sql`, after a list builder filled its
// members: closes its query, binds it to the host connection, sets the statement
// and shows the window modally. Returns the modal result: 1 when the user chose a
// row (the window's quTemp then stands on it), otherwise 2.
int ShowPickList(const QString& sql);
