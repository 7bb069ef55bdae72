#pragma once

#include <QLibrary>
#include <QString>

#include "siblingapi.h"

class DataSet;
class DbGrid;

// The module's side of the sibling dialog libraries: each is loaded from the
// application folder for one call, one function is resolved by name and called, and
// the library is unloaded again.

// <fileName>.so in SiblingFolder(AppPath): <AppPath>/DLLs/GlobalForms/, or an
// installed program's private library folder.
QString SiblingPath(const QString& fileName);

// One sibling library, loaded for the lifetime of the object. With `announce` a
// library that cannot be loaded is reported as the host's loader reports it ("File
// Exits: " / "Can not load " + path); without, it fails silently.
class SiblingLibrary
{
public:
    explicit SiblingLibrary(const QString& fileName, bool announce = false);
    ~SiblingLibrary();
    SiblingLibrary(const SiblingLibrary&) = delete;
    SiblingLibrary& operator=(const SiblingLibrary&) = delete;

    bool loaded() const { return m_library.isLoaded(); }
    QString path() const { return m_path; }

    // The exported function `name` as the given pointer type; null when the library
    // is not loaded or does not export it.
    template <typename Proc> Proc resolve(const char* name)
    {
        return loaded() ? reinterpret_cast<Proc>(m_library.resolve(name)) : nullptr;
    }

private:
    QString m_path;
    QLibrary m_library;
};

// Filter.so: the statement that filters `statement`; "" when the user set no filter
// or the library cannot be loaded.
QString ShowFilter(DataSet* dataSet, const QString& statement);

// SetColumns.so: edits the grid's columns in place.
void ShowColumnSettings(DbGrid* grid);

// ReportProperty.so: the report's properties under `title`.
void ShowReportProperties(const QString& title, DbGrid* grid);

// Search.so: the "Field=value;" pairs naming the row the user searched for ("" when
// none, cancelled, or no library).
QString GridSearch(DbGrid* grid, const QString& text1, const QString& text2,
                   const QString& keyValue);

// Search.so: re-sorts the grid's data set as the user chooses.
void AdvancedSort(DbGrid* grid);

// Sms.so: sends messages to the grid's rows; returns "Field=value;" pairs of the first
// row sent to ("" when none).
QString GridSms(DbGrid* grid, const QString& text1, const QString& text2, const QString& keyValue,
                const QString& sender);

// Moves the data set to the first row whose fields hold the values of a reply such
// as "SanadNoAmval=12;Raj=3;" (values and stored texts compared trimmed, numbers as
// numbers). False, and no move, when no row matches, a field is unknown or the reply
// names no field.
bool LocateReply(DataSet* dataSet, const QString& reply);

// The search of the voucher windows: the search dialog on the grid, then the grid
// stands on the row found and takes the focus. True when a row was found.
bool SearchGrid(DbGrid* grid, const QString& keyColumn, const QString& rowColumn);

// Printing through Print.so (Print1.so for the advanced print).
class TPrintService
{
public:
    // Texts handed to the print library unchanged with every request.
    QString Kept1;
    QString Kept2;

    // Completes the request (empty Text1/Text2, Kept1/Kept2, the host connection, the
    // user id, the host context record) and shows the print dialog. A library that
    // cannot be loaded is reported by the loader and nothing is printed (false).
    bool Print(TPrintRequest request, bool advanced = false);
};
