#pragma once

#include <QLineEdit>

// A box of a voucher window's header: named for the tests and the layouts, of a fixed
// width; a read-only one is passed over by Tab and Enter.
inline QLineEdit* MakeHeaderEdit(QWidget* parent, const QString& name, int width, bool readOnly)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    edit->setReadOnly(readOnly);
    if (readOnly)
        edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}
