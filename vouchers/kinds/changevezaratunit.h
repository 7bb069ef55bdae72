#pragma once

#include "tahvilantegalunit.h"

// Task window "تغيير اظهارنامه مالياتي", opened by ChangeVezArat_Amval: assets moved
// from one tax-return group (D_VezArat) to another. Each row takes the transfer's
// layout (recipient, condition, location, cost centre, form number) with the old and
// the new group beside the asset; the old group comes with an asset chosen from the
// list. No accounting voucher, and the books do not bound it: only the fiscal period
// and the user's rights do.
class TChangeVezAratForm : public TTahvilAntegalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TChangeVezAratForm(QWidget* parent = nullptr);

    // Footer names of the row's groups beside the transfer's.
    QLineEdit* EOldVezNam = nullptr;
    QLineEdit* ENewVezNam = nullptr;

protected:
    void CreateExtraTables() override;
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    QList<TNamePart> ExtraNameParts() const override;
    void ShowExtraNames(const QHash<QString, QString>& names) override;
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;
    void AssetPicked(const QString& code) override;

private:
    int pickNewGroup();
};
