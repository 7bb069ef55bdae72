#pragma once

#include "amvalform.h"

#include <QVariantMap>
#include <functional>

class DataSet;
class DbGrid;
class QAction;
class QPushButton;
class TKenarMForm;
class TReportGrid;
class TTahvilAntegalForm;

// The reconciliation of an asset count with the asset register, for the count's
// location and person: the assets counted where the register places them; those
// counted whose register record has another location or holder; those the register
// places there that were not counted (neither sold, retired for good nor already set
// aside); and counted codes that are no asset. A report grid with its menu (export,
// print). From the second group a delivery/transfer voucher, from the third a
// temporary retirement, opens as a new voucher with the rows proposed, for the user
// to review, complete and confirm; nothing is stored from here.
class TCountReconcileForm : public TAmvalForm
{
    Q_OBJECT
public:
    // The groups, in the order the report lists them.
    enum Group { Matched = 1, Elsewhere = 2, NotCounted = 3, NoAsset = 4 };
    static QString GroupCaption(int group);

    // `countTable`: the count window's working copy (its rows); `place` and `person`
    // the count's header codes; `date` and `number` the count's.
    TCountReconcileForm(const QString& countTable, const QString& place, const QString& person,
                        const QString& date, const QString& number, QWidget* parent = nullptr);
    ~TCountReconcileForm() override;

    DbGrid* dbgReconcile;
    DataSet* quReconcile;
    TReportGrid* ReportGrid;
    QPushButton* cmdTransfer;
    QPushButton* cmdSetAside;
    QAction* miTransfer;
    QAction* miSetAside;

    // The asset codes (trimmed) of one group, in the report's order.
    QStringList Assets(int group) const;
    // The proposed vouchers in their windows (nullptr when the group is empty or the
    // window refused the date; said).
    TTahvilAntegalForm* ProposeTransfer();
    TKenarMForm* ProposeSetAside();

private:
    void reload();
    QList<QVariantMap> rowsOf(int group, const std::function<QVariantMap(int row)>& make) const;
    void updateButtons();

    QString m_countTable;
    QString m_place;
    QString m_person;
    QString m_date;
    QString m_number;
};
