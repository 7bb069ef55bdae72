#include "boxwalk.h"

#include "globalunit.h"
#include "persiantext.h"

#include <QKeyEvent>
#include <QLineEdit>

bool FilterBoxKey(QLineEdit* edit, const QKeyEvent* key, const QString& rule)
{
    const QString text = key->text();
    if (text.size() != 1 || !text.at(0).isPrint() || (key->modifiers() & Qt::ControlModifier))
        return false;
    QChar c = NormaliseKey(text.at(0));
    if (!KeyAllowed(rule, c))
        return true;
    c = LatinDigit(c);
    if (c == text.at(0))
        return false;
    edit->insert(QString(c));
    return true;
}

bool FocusNextBox(const QList<QLineEdit*>& order, QLineEdit* edit)
{
    const qsizetype at = order.indexOf(edit);
    if (at < 0 || at + 1 >= order.size())
        return false;
    order.at(at + 1)->setFocus(Qt::TabFocusReason);
    order.at(at + 1)->selectAll();
    return true;
}
