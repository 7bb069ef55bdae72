#pragma once

#include "voucherform.h"

#include <utility>

class QLabel;

// What the capital improvement and the initial adjustment share: each row names an
// asset, an amount and the delivery source (D_Mabadi) the amount came through, and
// carries that source's account chain (Koll ... ProjectCod), shown after the form
// number and never typed: the chain is the source's however the source reached the
// row. Below the grid the names of the source and of the chain's five levels.
class TSourceChainForm : public TVoucherForm
{
    Q_OBJECT
public:
    using TVoucherForm::TVoucherForm;

    static const QString MabadiCod;

    QLineEdit* EMabadiNam = nullptr;

protected:
    // The key rule of the asset column: the company's, any character when it has none.
    QString AssetRule() const;
    // The delivery source's column: digits only, its list on Enter.
    TVoucherColumn SourceColumn();
    // The chain's five columns, shown and never typed; Enter in the last ends the row.
    QList<TVoucherColumn> ChainColumns() const;
    // The source's and the chain's label and box pairs of the footer.
    QList<std::pair<QLabel*, QLineEdit*>> SourceFooter();
    // The sub-selects of the source's and the chain's names, and their boxes filled.
    QList<TNamePart> SourceNameParts() const;
    void ShowSourceNames(const QHash<QString, QString>& names);
    // Whether `sql` (one bound value) finds a row.
    bool Found(const QString& sql, const QString& value);
    // The source and the chain in their stored form, the chain the source's own.
    void NormaliseSource();
    // The source: given, known, and with an account to post to.
    TRowRefusal CheckSource();
    // The list of delivery sources: the choice brings its chain into the row.
    int PickSourceForRow();

private:
    void takeSourceChain(const QString& source);
};
