#pragma once

#include <QList>
#include <QString>
#include <functional>

class QDialog;
class QKeyEvent;
class QWidget;

// What the host's form windows share: Enter walking the fields, and the yes/no question.

// Puts the cursor in the first field after `fields[at]` that takes input (shown and enabled) (a line's text
// selected, so that typing replaces it); false when there is none: Enter in the last
// field then does the window's work.
bool FocusNextField(const QList<QWidget*>& fields, qsizetype at);

// What a key pressed in a form window's field does there: Enter, the keypad's too
// (unless a list is open to choose from), is handed to `enter` with the field; a
// Persian keyboard's digits go into a line marked with the property "digits" (codes,
// figures, years, dates) as 0-9. False when the field's own handling is left to take
// the key.
bool TakeFieldKey(QWidget* field, const QKeyEvent& key,
                  const std::function<void(QWidget*)>& enter);

// The buttons of a window that stores and removes one record at a time: "ثبت" (also
// Ctrl+S anywhere in `dialog`), "حذف" (Ctrl+Delete) and "بستن" (rejects), none of them
// a default button that Enter in a field would press.
QWidget* StoreRemoveCloseButtons(QDialog* dialog, const std::function<void()>& store,
                                 const std::function<void()>& remove);

// Says a refusal in a warning with a Persian "تاييد", named `objectName`, and waits.
void TellRefusal(QWidget* parent, const QString& text, const QString& objectName);

// Asks `text` with Persian "بله"/"خير" buttons, "خير" the default; true for yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& objectName);
