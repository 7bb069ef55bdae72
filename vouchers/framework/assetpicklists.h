#pragma once

#include <QString>

class TD_Global;

// Builders of the asset and reference pick lists. Each fills the host's pick-list
// window (TempGridForm): column count, titles and widths, the first locate entry
// (key field = the row's current code), the table behind the list, the key field
// and the caption; builds the list's temporary table where the list needs one; and
// returns the statement the caller opens in the window (ShowPickList). Database
// errors while building a temporary table are thrown (DatabaseError).

// The cost price column ("EndValue") of a list over D_Amval AS A: the cost the asset
// was registered with, plus the cost price of its purchase.
QString CostPriceSql();
// Every asset with its tax group, article, location, recipient, condition and cost
// centre names, in the order of the asset code, read from the tables as the list
// shows them.
QString PickAsset(TD_Global* dGlobal, const QString& currentCode);
// The same list narrowed to the assets a purchase may take: no cost price yet, not
// bought in another purchase voucher than `voucherNumber` (stored form), put into
// use on or after `startDate`.
QString PickAssetToBuy(TD_Global* dGlobal, const QString& currentCode, const QString& voucherNumber,
                       const QString& startDate);
// Asset conditions (D_VazDarae).
QString PickAssetCondition(const QString& currentCode);
// Tax-return groups (D_VezArat).
QString PickTaxGroup(const QString& currentCode);
// Persons who may receive an asset, with their accounts, from a new temporary table.
QString PickRecipient(TD_Global* dGlobal, const QString& currentCode);
// Delivery sources with their accounts (D_Mabadi).
QString PickDeliverySource(TD_Global* dGlobal, const QString& currentCode);
// Locations (D_Makan).
QString PickLocation(const QString& currentCode);
