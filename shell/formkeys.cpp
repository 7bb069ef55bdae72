#include "formkeys.h"

#include "persiantext.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
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

bool TakeFieldKey(QWidget* field, const QKeyEvent& key,
                  const std::function<void(QWidget*)>& enter)
{
    // The keypad's Enter too: codes and figures are often typed on the keypad.
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* box = qobject_cast<QComboBox*>(field);
        if (box != nullptr && box->view()->isVisible())
            return false; // the list takes its choice
        enter(field);
        return true;
    }
    const QString latin = LatinDigits(key.text());
    auto* edit = qobject_cast<QLineEdit*>(field);
    if (edit == nullptr || !field->property("digits").toBool() || latin == key.text())
        return false;
    edit->insert(latin);
    return true;
}

QWidget* StoreRemoveCloseButtons(QDialog* dialog, const std::function<void()>& store,
                                 const std::function<void()>& remove)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* save =
        buttons->addButton(QStringLiteral("ثبت (Ctrl+S)"), QDialogButtonBox::ActionRole);
    QPushButton* drop =
        buttons->addButton(QStringLiteral("حذف (Ctrl+Del)"), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QStringLiteral("بستن"), QDialogButtonBox::RejectRole);
    for (QPushButton* b : {save, drop, close})
        b->setAutoDefault(false);
    QObject::connect(save, &QPushButton::clicked, dialog, store);
    QObject::connect(drop, &QPushButton::clicked, dialog, remove);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), dialog),
                     &QShortcut::activated, dialog, store);
    QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), dialog),
                     &QShortcut::activated, dialog, remove);
    return buttons;
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
