#pragma once

#include "schema.h"

#include <QList>
#include <QString>

class DbConnection;
struct CompanyPeriod;

// An office's own books: a company of its own with its first fiscal period, and the
// fiscal period that follows one. Each period is one database, made whole or not at
// all: in a data folder under a name of its own until it is complete, then put in
// place beside the others (never over one) and registered; on a server in the one
// transaction that also registers it. No database that is there is ever changed,
// replaced or removed: a period a new year is made from is only read.

// The settings row of a company period (Options): what the voucher windows read.
// The defaults are those of a company that keeps useful lives in months, codes of
// digits and its accounting vouchers for the end of the period.
struct CompanySettings
{
    QString tafsily2Name = QStringLiteral("مركز هزينه"); // NAMTAFSILY2: second detail level
    QString projectName = QStringLiteral("پروژه");       // NAMPROJECT: third detail level
    Schema::GroupCodeWidths groupWidths = Schema::CatalogueGroupCodeWidths();
    QString voucherTiming = QStringLiteral("END");   // SANAD_TIME: "ANE" at once
    QString voucherForm = QStringLiteral("TAFKIKI"); // SANAD_TYPE
    QString lifeUnit = QStringLiteral("ماهانه");     // Ast_Mesure: or "روزانه" (days)
    QString assetCodeRule = QStringLiteral("NUM");   // TYPEDARACOD: "NUM" digits, "" any key
    QString accountCodeRule = QStringLiteral("NUM"); // TYPESARFASLCOD
    QString newAccounts = QStringLiteral("AUTO");    // TYPE_CREATE_NEWAT

    // The texts of Options.Dara and Options.Zelmora.
    QString daraText() const;
    QString zelmoraText() const;
};

// One row of the asset module's rights (UserSdcDetail): the root "D_A", one row per
// kind of right (its prefix without the last "_") under it, and below each kind one
// row per right: prefix + "SABT" (new, letter S), "EDIT" (E), "DEL" (D), "VIEW" (V).
struct RightsRow
{
    QString id;
    QString parent;
    QString prefix; // the kind's prefix ("D_A_BUYCREATE_"); "" for the root
    QChar letter;   // S, E, D or V; null for the root and the kinds' rows
};
// The rows in order: root, then each kind (the voucher kinds' prefixes, then the
// receive/pay orders') followed by its four rights.
const QList<RightsRow>& ModuleRightsRows();

// The starter chart of accounts and look-up tables shipped with the program, read
// only: the one place that knows where it is.
QString StarterChartFile();

// What a refusal concerns, so that the window puts the cursor there.
enum class BooksField {
    None,
    Code,
    Name,
    Year,
    Start,
    End,
    Chart,
    Tafsily2Name,
    ProjectName,
    TafsilyGroupWidth,
    Tafsily2GroupWidth,
    ProjectGroupWidth,
    MakerName,
    Password,
    PasswordAgain,
    Source,
};

// What a check or a making came to: nothing to say when it passed (or was made),
// else the Persian text that says what is wrong and where, and the field at fault.
struct BooksOutcome
{
    QString refusal;
    BooksField field = BooksField::None;
    bool passed() const { return refusal.isEmpty(); }
};

// Where a new company's chart of accounts and look-up tables come from.
enum class ChartSource { Empty, Starter, Company };

struct NewCompany
{
    QString code; // one to four digits
    QString name;
    QString year; // the first fiscal year, four digits
    QString startDate;
    QString endDate;
    // The group code widths count only with an empty chart: a chart brought in keeps
    // the widths its groups were coded in.
    CompanySettings settings;
    ChartSource chart = ChartSource::Starter;
    QString chartCompany; // ChartSource::Company: the period the chart is copied from
    QString chartYear;
    // The user who makes the company: every right on it.
    int userId = 1;
    QString userName;
    // The period whose users the company gets, passwords included (none when empty:
    // the maker alone, the company's first user). The maker must be an administrator
    // there. The others get the rights they hold in the period the chart is copied
    // from, or none until the administrator gives them some.
    QString usersCompany;
    QString usersYear;
    // The maker's password, typed twice, when the maker is the company's first user.
    QString password;
    QString repeated;
};

// The group code widths of the chart of period `year` of `company` in `place` (the
// widths a company copying its chart takes); the catalogue's when it cannot be read.
Schema::GroupCodeWidths ChartGroupCodeWidths(const QString& place, const QString& company,
                                             const QString& year);

// Checks what was typed, in the order of the fields, and what the place holds,
// writing nothing. Codes and dates may carry Persian digits.
BooksOutcome CheckNewCompany(const QString& place, const NewCompany& company);
// Makes the company's first period and registers it, after CheckNewCompany.
BooksOutcome MakeCompany(const QString& place, const NewCompany& company);

struct NextYear
{
    QString company;
    QString fromYear; // the period the new one follows
    QString year;
    QString startDate;
    QString endDate;
    // Who makes it: a user with every right of the module in the period it follows.
    int userId = 1;
    QString userName;
};

// The period after `from`: the next year, from the day after `from` ends to the day
// before that day a year later.
NextYear ProposeNextYear(const CompanyPeriod& from);
// Checks the new period against the place, writing nothing.
BooksOutcome CheckNextYear(const QString& place, const NextYear& next);
// Makes the period: the settings, users and rights, chart and look-up tables of the
// period it follows, and every asset still held at its end (not sold, not
// permanently retired; temporarily retired ones with their state) with its closing
// values as the new period's opening values.
BooksOutcome MakeNextYear(const QString& place, const NextYear& next);
