#pragma once

#include "amvalform.h"
#include "settings.h"

#include <QVariantMap>
#include <functional>

class DataSet;
class DbGrid;
class QAction;
class QLineEdit;
class QPushButton;
class RangeCodeBoxes;
class TDateTrio;
class TKenarMForm;
class TReportGrid;
class TTahvilAntegalForm;

// The reconciliation of the asset counts with the asset register. The user chooses
// the places (a range of codes; both boxes empty: all) and the count dates (a range;
// a part left blank leaves its end open), and every count of those places and dates
// is read together: counts of one place in several vouchers are one count of it. An
// asset is found as registered; found in another place than the register's; found in
// the register's place with another holder; registered in a counted place but counted
// nowhere in the counts of those dates; or the code counted is no asset. A report grid
// with its menu (export, print). From the second group a delivery/transfer voucher to
// the place and holder found, from the third one to the holder found, from the fourth
// a temporary retirement, opens as a new voucher with the rows proposed, for the user
// to review, complete and confirm; nothing is stored from here.
class TCountReconcileForm : public TAmvalForm
{
    Q_OBJECT
public:
    // The groups, in the order the report lists them.
    enum Group {
        Matched = 1,
        Elsewhere = 2,
        OtherHolder = 3,
        NotCounted = 4,
        NoAsset = 5,
        // Counted elsewhere or with another holder, and moved by a voucher dated after
        // the count: the register has the newer word, and nothing is proposed.
        MovedSince = 6
    };
    static QString GroupCaption(int group);

    // Opened from a count window: `countTable` is its working copy (empty when it has
    // no rows), which stands in for the stored rows of voucher `number`, counted at
    // `place` with `person` on `date`. The places start at `place` (all when empty),
    // the dates at the fiscal period; the report is shown at once.
    TCountReconcileForm(const QString& countTable, const QString& place, const QString& person,
                        const QString& date, const QString& number, QWidget* parent = nullptr);
    ~TCountReconcileForm() override;

    QLineEdit* FrMakanCod;
    QLineEdit* ToMakanCod;
    QLineEdit* FrDay;
    QLineEdit* FrMonth;
    QLineEdit* FrYear;
    QLineEdit* ToDay;
    QLineEdit* ToMonth;
    QLineEdit* ToYear;
    DbGrid* dbgReconcile;
    DataSet* quReconcile;
    TReportGrid* ReportGrid;
    QAction* miShow;
    QPushButton* cmdTransfer;
    QPushButton* cmdDelivery;
    QPushButton* cmdSetAside;
    QAction* miTransfer;
    QAction* miDelivery;
    QAction* miSetAside;

    // The asset codes (trimmed) of one group, in the report's order.
    QStringList Assets(int group) const;
    // Reads the counts of the places and dates in the boxes again (F5, Enter in the
    // last box).
    void Reconcile();
    // The proposed vouchers in their windows (nullptr when the group is empty or the
    // window refused the date; said).
    TTahvilAntegalForm* ProposeTransfer();
    TTahvilAntegalForm* ProposeDelivery();
    TKenarMForm* ProposeSetAside();

    // The Enter order of the boxes.
    QList<QLineEdit*> EnterOrder() const;

private:
    void reload();
    QList<QVariantMap> rowsOf(int group, const std::function<QVariantMap(int row)>& make) const;
    QString latestCountDate(int group) const;
    TTahvilAntegalForm* proposeMove(int group);
    void moveOn(QLineEdit* edit);
    void updateButtons();

    QString m_countTable;
    QString m_place;
    QString m_person;
    QString m_date;
    QString m_number;
    TCompanySettings m_settings;
    RangeCodeBoxes* m_places;
    TDateTrio* m_fromDate;
    TDateTrio* m_toDate;
};
