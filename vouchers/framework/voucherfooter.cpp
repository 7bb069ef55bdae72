#include "voucherform.h"

#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlError>

// What the kinds' footers are built from: read-only boxes laid out in label and box
// pairs, and the names of the current row's codes read in one statement.

QHash<QString, QString> TVoucherForm::ReadNames(const QList<TNamePart>& parts) const
{
    // Every part is in the statement whatever the row holds, so that its text stays
    // the same from row to row and is prepared once; a blank value is bound as NULL,
    // which names nothing.
    QStringList selects;
    QVariantList values;
    bool any = false;
    for (const TNamePart& part : parts) {
        selects << QStringLiteral("(") + part.Select + QStringLiteral("? LIMIT 1) AS ") + part.Name;
        const bool given = !part.Value.trimmed().isEmpty();
        values << (given ? QVariant(part.Value) : QVariant());
        any = any || given;
    }
    QHash<QString, QString> names;
    const QString sql = QStringLiteral("Select ") + selects.join(QStringLiteral(", "));
    if (!any)
        return names;
    if (m_lookup->connection() == nullptr)
        throw DatabaseError(QStringLiteral("No open database connection"), sql);
    DbConnection& db = *m_lookup->connection();
    const auto prepare = [&] {
        m_namesQuery = std::make_unique<QSqlQuery>(db.database());
        m_namesQuery->setForwardOnly(db.dialect().streamsResults());
        m_namesSql.clear();
        if (!db.prepare(*m_namesQuery, sql))
            throw db.error(m_namesQuery->lastError(), sql);
        m_namesSql = sql;
    };
    const auto run = [&] {
        for (int i = 0; i < values.size(); ++i)
            m_namesQuery->bindValue(i, values.at(i));
        return db.run(*m_namesQuery);
    };
    if (!m_namesQuery || m_namesSql != sql)
        prepare();
    // A statement prepared on a session the server has since ended is prepared anew.
    if (!run()) {
        prepare();
        if (!run())
            throw db.error(m_namesQuery->lastError(), sql);
    }
    if (m_namesQuery->next()) {
        for (int i = 0; i < parts.size(); ++i) {
            if (!values.at(i).isNull())
                names.insert(parts.at(i).Name, m_namesQuery->value(i).toString().trimmed());
        }
    }
    m_namesQuery->finish();
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

QList<std::pair<QLabel*, QLineEdit*>> TVoucherForm::ChainFooter()
{
    CreateChainNameBoxes();
    LTafsily2 = FooterLabel(DGlobal()->NAMTAFSILY2 + QLatin1Char(':'));
    LProject = FooterLabel(DGlobal()->NAMPROJECT + QLatin1Char(':'));
    return {{FooterLabel(QStringLiteral("كل:")), EKollNam},
            {FooterLabel(QStringLiteral("معين:")), EMoeinNam},
            {FooterLabel(QStringLiteral("تفصيلي:")), ETafsilyNam},
            {LTafsily2, ETafsily2Nam},
            {LProject, EProjectNam}};
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

TNamePart TVoucherForm::AssetPart(const QString& column) const
{
    return {column,
            QStringLiteral("Select ") + column + QStringLiteral(" From D_Amval Where DaraCod = "),
            StoredCode(VoucherColumn::DaraCod)};
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
    m_footerBoxes << e;
    return e;
}

QLabel* TVoucherForm::FooterLabel(const QString& text)
{
    return new QLabel(text, FooterPanel);
}

void TVoucherForm::ClearFooter()
{
    for (QLineEdit* box : std::as_const(m_footerBoxes))
        box->clear();
}

void TVoucherForm::LayOutFooter(const QList<std::pair<QLabel*, QLineEdit*>>& pairs, int row,
                                int perLine)
{
    for (int i = 0; i < pairs.size(); ++i) {
        FooterLayout->addWidget(pairs.at(i).first, row + i / perLine, (i % perLine) * 2);
        FooterLayout->addWidget(pairs.at(i).second, row + i / perLine, (i % perLine) * 2 + 1);
    }
}
