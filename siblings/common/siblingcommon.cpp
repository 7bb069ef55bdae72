#include "siblingcommon.h"

#include "dataset.h"
#include "dbgrid.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace Sibling {

namespace {
const QString kCaption = QStringLiteral("پيغام");

int Box(QWidget* parent, QMessageBox::Icon icon, const QString& text, bool question)
{
    QMessageBox box(icon, kCaption, text, QMessageBox::NoButton, parent);
    box.setLayoutDirection(Qt::RightToLeft);
    if (question) {
        QPushButton* yes = box.addButton(QStringLiteral("بله"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("خير"), QMessageBox::NoRole);
        yes->setObjectName(QStringLiteral("btnYes"));
        no->setObjectName(QStringLiteral("btnNo"));
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? 1 : 0;
    }
    QPushButton* ok = box.addButton(QStringLiteral("تاييد"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return 1;
}
} // namespace

void ShowNotice(QWidget* parent, const QString& text)
{
    Box(parent, QMessageBox::Information, text, false);
}

void ShowError(QWidget* parent, const QString& text)
{
    Box(parent, QMessageBox::Critical, text, false);
}

bool AskYesNo(QWidget* parent, const QString& text)
{
    return Box(parent, QMessageBox::Question, text, true) == 1;
}

void PrepareDialog(QDialog* dialog, const char* objectName, const QString& title)
{
    dialog->setObjectName(QLatin1String(objectName));
    dialog->setWindowTitle(title);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setModal(true);
}

QPushButton* AddOkCancel(QDialog* dialog, QBoxLayout* layout, QPushButton** cancel)
{
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("تاييد"), dialog);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    auto* no = new QPushButton(QStringLiteral("انصراف"), dialog);
    no->setObjectName(QStringLiteral("btnCancel"));
    no->setAutoDefault(false);
    QObject::connect(no, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(no);
    layout->addLayout(row);
    if (cancel)
        *cancel = no;
    return ok;
}

QString ValueText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        if (d == double(qint64(d)))
            return QString::number(qint64(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    return value.toString();
}

QString RowReply(const DataSet& dataSet, int row, const QString& field, const QString& keyField)
{
    QStringList fields{field};
    const QString key = keyField.trimmed();
    if (!key.isEmpty() && key.compare(field, Qt::CaseInsensitive) != 0)
        fields << key;
    QString reply;
    for (const QString& name : fields) {
        const DataField* f = dataSet.findField(name);
        if (!f)
            continue;
        reply += f->fieldName() + QLatin1Char('=') + ValueText(dataSet.value(row, f->index())) +
                 QLatin1Char(';');
    }
    return reply;
}

QString FieldTitle(const DbGrid* grid, const QString& fieldName)
{
    if (grid) {
        const int column = grid->columnOf(fieldName);
        if (column >= 0 && !grid->columns().at(column).title.isEmpty())
            return grid->columns().at(column).title;
    }
    return fieldName;
}

} // namespace Sibling
