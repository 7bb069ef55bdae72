#include "voucherform.h"

#include "dataset.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

// What the kinds' footers are built from: read-only boxes laid out in label and box
// pairs, and the names of the current row's codes read in one statement.

QHash<QString, QString> TVoucherForm::ReadNames(const QList<TNamePart>& parts) const
{
    QStringList selects;
    QVariantList values;
    for (const TNamePart& part : parts) {
        if (part.Value.trimmed().isEmpty())
            continue;
        selects << QStringLiteral("(") + part.Select + QStringLiteral("? LIMIT 1) AS ") + part.Name;
        values << part.Value;
    }
    QHash<QString, QString> names;
    if (selects.isEmpty())
        return names;
    m_lookup->open(QStringLiteral("Select ") + selects.join(QStringLiteral(", ")), values);
    for (int i = 0; i < m_lookup->fieldCount(); ++i)
        names.insert(m_lookup->field(i)->fieldName(), m_lookup->field(i)->asString().trimmed());
    m_lookup->close();
    return names;
}

void TVoucherForm::CreateChainNameBoxes()
{
    EKollNam = FooterEdit(QStringLiteral("EKollNam"), 150);
    EMoeinNam = FooterEdit(QStringLiteral("EMoeinNam"), 150);
    ETafsilyNam = FooterEdit(QStringLiteral("ETafsilyNam"), 150);
    ETafsily2Nam = FooterEdit(QStringLiteral("ETafsily2Nam"), 150);
    EProjectNam = FooterEdit(QStringLiteral("EProjectNam"), 150);
}

QList<TNamePart> TVoucherForm::ChainNameParts(const QString& koll, const QString& moein,
                                              const QString& tafsily, const QString& tafsily2,
                                              const QString& project) const
{
    return {{"KNamHesab", "Select NamHesab   From Koll       Where Koll      = ", koll},
            {"MNamHesab", "Select NamHesab   From Moein      Where Koll||Moein= ",
             moein.trimmed().isEmpty() ? QString() : koll + moein},
            {"TNamHesab", "Select NamHesab   From Tafsily    Where Tafsily   = ", tafsily},
            {"T2NamHesab", "Select NamHesab   From Tafsily2   Where Tafsily2  = ", tafsily2},
            {"PNamHesab", "Select ProjectNam From M_Project  Where ProjectCod= ", project}};
}

void TVoucherForm::ShowChainNames(const QHash<QString, QString>& names)
{
    const std::pair<QLineEdit*, const char*> boxes[] = {{EKollNam, "KNamHesab"},
                                                        {EMoeinNam, "MNamHesab"},
                                                        {ETafsilyNam, "TNamHesab"},
                                                        {ETafsily2Nam, "T2NamHesab"},
                                                        {EProjectNam, "PNamHesab"}};
    for (const auto& [box, name] : boxes) {
        if (box != nullptr)
            box->setText(names.value(QString::fromLatin1(name)));
    }
}

QLineEdit* TVoucherForm::FooterEdit(const QString& name, int width, bool amount)
{
    auto* e = new QLineEdit(FooterPanel);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setMinimumWidth(width);
    if (amount) {
        e->setLayoutDirection(Qt::LeftToRight);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return e;
}

void TVoucherForm::LayOutFooter(const QList<std::pair<QLabel*, QLineEdit*>>& pairs, int row,
                                int perLine)
{
    for (int i = 0; i < pairs.size(); ++i) {
        FooterLayout->addWidget(pairs.at(i).first, row + i / perLine, (i % perLine) * 2);
        FooterLayout->addWidget(pairs.at(i).second, row + i / perLine, (i % perLine) * 2 + 1);
    }
}
