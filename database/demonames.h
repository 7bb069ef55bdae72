#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The Persian texts the demo company is made of: an Iranian metal-works manufacturer
// with its people, its assets, its places and its trading partners. Stored texts use
// the Arabic Yeh and Kaf, as the suite normalises typed Persian letters to them.
namespace DemoNames {

QStringList MaleNames();
QStringList FemaleNames();
QStringList FamilyNames();

// A kind of fixed asset: how its codes start, where it is booked and how it wears.
struct AssetClass
{
    int prefix = 0;                  // first digit of the asset codes of the class
    int weight = 0;                  // share of the register, relative to the other classes
    QString moein;                   // subsidiary account under the fixed-asset Koll
    QString depreciationMoein;       // subsidiary account under the accumulated-depreciation Koll
    QString taxGroup;                // VezCod
    QString article;                 // MadehCod
    int decliningPercent = 0;        // share of the class depreciated on the declining balance
    bool depreciated = true;         // land is not
    int lifeLow = 0, lifeHigh = 0;   // straight-line useful life in years
    int rateLow = 0, rateHigh = 0;   // declining-balance rate in percent
    int priceLow = 0, priceHigh = 0; // cost in millions of rials
    bool warranty = false;           // bought with a maker's warranty
    bool installed = false;          // bought with installation and commissioning costs
    QStringList names;
};
const QList<AssetClass>& AssetClasses();
// What follows an asset's name to tell the items of one kind apart.
QStringList AssetNameSuffixes();

// Reference tables as (code, name) pairs, codes unpadded.
struct CodeName
{
    QString code;
    QString name;
};
QList<CodeName> Conditions();     // D_VazDarae
QList<CodeName> TaxGroups();      // D_VezArat
QList<CodeName> Articles();       // D_Madeh151
QList<CodeName> Locations();      // D_Makan
QList<CodeName> CostComponents(); // D_Gheimat

// The condition codes the vouchers move assets between.
namespace Condition {
inline const QString InUse = QStringLiteral("1");
inline const QString InStore = QStringLiteral("2");
inline const QString NeedsRepair = QStringLiteral("3");
inline const QString UnderRepair = QStringLiteral("4");
inline const QString SetAside = QStringLiteral("5");
inline const QString WornOut = QStringLiteral("6");
inline const QString Scrapped = QStringLiteral("7");
inline const QString Sold = QStringLiteral("8");
} // namespace Condition

// Where assets set aside wait for their return.
inline const QString kStoreLocation = QStringLiteral("4");
inline const QString kScrapLocation = QStringLiteral("11");

// Row descriptions of the voucher kinds, by the voucher table.
QStringList Descriptions(const QString& voucherTable);

} // namespace DemoNames
