#include "formkeys.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>

bool FocusNextField(const QList<QWidget*>& fields, qsizetype at)
{
    for (qsizetype i = at + 1; i < fields.size(); ++i) {
        QWidget* next = fields.at(i);
        if (next->isEnabled() && !next->isHidden()) {
            next->setFocus(Qt::TabFocusReason);
            if (auto* edit = qobject_cast<QLineEdit*>(next))
                edit->selectAll();
            return true;
        }
    }
    return false;
}

void TellRefusal(QWidget* parent, const QString& text, const QString& objectName)
{
    QMessageBox box(QMessageBox::Warning, parent->windowTitle(), text, QMessageBox::Ok, parent);
    box.setObjectName(objectName);
    box.setLayoutDirection(Qt::RightToLeft);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("تاييد"));
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& objectName)
{
    QMessageBox ask(QMessageBox::Question, parent->windowTitle(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    ask.setObjectName(objectName);
    ask.setLayoutDirection(Qt::RightToLeft);
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("بله"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("خير"));
    ask.setDefaultButton(QMessageBox::No);
    return ask.exec() == QMessageBox::Yes;
}
