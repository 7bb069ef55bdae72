#include "advsortform.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int Levels = 3;
}

AdvSortForm::AdvSortForm(DbGrid* grid, QWidget* parent) : QDialog(parent)
{
    Sibling::PrepareDialog(this, "AdvSortForm", QStringLiteral("مرتب سازي پيشرفته"));
    auto* levels = new QGridLayout;
    for (int i = 0; i < Levels; ++i) {
        auto* field = new QComboBox(this);
        field->setObjectName(QStringLiteral("cbField%1").arg(i + 1));
        field->addItem(QStringLiteral("(هيچ)"), QString());
        for (const QString& name : grid->dataSet()->fieldNames()) {
            // The sort text is split at commas and blanks: such names cannot be sorted on.
            if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char(' ')))
                continue;
            field->addItem(Sibling::FieldTitle(grid, name), name);
        }
        auto* desc = new QCheckBox(QStringLiteral("نزولي"), this);
        desc->setObjectName(QStringLiteral("chkDesc%1").arg(i + 1));
        levels->addWidget(new QLabel(QStringLiteral("مرتب سازي %1:").arg(i + 1), this), i, 0);
        levels->addWidget(field, i, 1);
        levels->addWidget(desc, i, 2);
        m_fields << field;
        m_desc << desc;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(levels);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    presetFrom(grid->dataSet()->sort());
}

void AdvSortForm::presetFrom(const QString& sort)
{
    int level = 0;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (level >= Levels)
            break;
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        const int i =
            m_fields.at(level)->findData(words.first(), Qt::UserRole, Qt::MatchFixedString);
        if (i < 0)
            continue;
        m_fields.at(level)->setCurrentIndex(i);
        m_desc.at(level)->setChecked(
            words.size() > 1 &&
            words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0);
        ++level;
    }
}

QString AdvSortForm::sortText() const
{
    QStringList used;
    QStringList parts;
    for (int i = 0; i < Levels; ++i) {
        const QString name = m_fields.at(i)->currentData().toString();
        if (name.isEmpty() || used.contains(name, Qt::CaseInsensitive))
            continue;
        used << name;
        parts << (m_desc.at(i)->isChecked() ? name + QStringLiteral(" DESC") : name);
    }
    return parts.join(QStringLiteral(", "));
}
