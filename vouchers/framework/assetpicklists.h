#pragma once

#include "chartofaccounts.h"
#include "picklist.h"

#include <QString>

class DbConnection;
struct TCompanySettings;

// The asset and reference pick lists. Each is a value for the host's list window
// (Pick): titles and widths, the key field, the row's current code to stand on, the
// statement with its values bound, and what the caller takes of the chosen row.
// Database errors while gathering a list's rows are thrown (DatabaseError).

// A chosen asset: its code as stored, its name and depreciation method.
struct TChosenAsset
{
    QString code;
    QString name;
    QString method;
};
// A chosen code of a reference table and its name.
struct TChosenCode
{
    QString code;
    QString name;
};
// A chosen delivery source and the account chain it carries.
struct TChosenSource
{
    QString code;
    AccountCodes chain;
};

// Writes a chosen delivery source and its chain into the row's columns of the same
// names (MabadiCod, Koll ... ProjectCod).
void TakeSource(DataSet& row, const TChosenSource& source);

// Reads a chosen asset off a list of assets (DaraCod, DaraNam, RaveshEst).
TChosenAsset ChosenAsset(const DataSet& chosen);

// Every asset with its tax group, article, location, recipient, condition and cost
// centre names, in the order of the asset code, read from the tables as the list
// shows them.
PickList<TChosenAsset> PickAsset(const TCompanySettings& settings, const QString& currentCode);
// The same list narrowed to the assets a purchase may take: no cost price yet, not
// bought in another purchase voucher than `voucherNumber` (stored form), put into
// use on or after `startDate`.
PickList<TChosenAsset> PickAssetToBuy(const TCompanySettings& settings, const QString& currentCode,
                                      const QString& voucherNumber, const QString& startDate);
// The same list narrowed to the assets retired in the voucher table `retirementTable`
// on or before `date`, returned since or not, without the accumulated depreciation.
PickList<TChosenAsset> PickRetiredAsset(const TCompanySettings& settings,
                                        const QString& currentCode,
                                        const QString& retirementTable, const QString& date);
// Asset conditions (D_VazDarae).
PickList<TChosenCode> PickAssetCondition(const QString& currentCode);
// Tax-return groups (D_VezArat).
PickList<TChosenCode> PickTaxGroup(const QString& currentCode);
// Persons who may receive an asset, with their accounts, from a new work table
// filled on `connection`.
PickList<TChosenCode> PickRecipient(DbConnection& connection, const TCompanySettings& settings,
                                    const QString& currentCode);
// Delivery sources with their accounts (D_Mabadi).
PickList<TChosenSource> PickDeliverySource(const TCompanySettings& settings,
                                           const QString& currentCode);
// Locations (D_Makan).
PickList<TChosenCode> PickLocation(const QString& currentCode);
