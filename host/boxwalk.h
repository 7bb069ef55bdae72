#pragma once

#include <QList>
#include <QString>

class QKeyEvent;
class QLineEdit;

// The criteria boxes of a report window, walked with Enter from one to the next.

// A printable key typed into `edit`, a box that takes codes under the key rule `rule`
// (KeyAllowed): a key the rule refuses is swallowed, a Persian or Arabic-Indic digit
// goes in as 0-9. True when the key was dealt with here.
bool FilterBoxKey(QLineEdit* edit, const QKeyEvent* key, const QString& rule);

// Puts the cursor in the box after `edit` in `order`, its text selected. False when
// `edit` is the last box (the caller then runs the report) or not one of them.
bool FocusNextBox(const QList<QLineEdit*>& order, QLineEdit* edit);
