#pragma once

#include <QString>
#include <functional>

class DataSet;

// dBASE copies of a data set's rows for programs that read .dbf tables.

// Writes every row of the data set, in its present order, into a dBASE table: one
// field per data-set field (integers as whole numbers, floats with three decimals,
// texts with the field's width, at most 254), field names cut to dBASE's ten
// characters and kept unique. Texts are written in the code page of `mode`: "DOS" the
// Arabic DOS code page 720 (named in a .cpg file beside the table), otherwise Windows
// 1256 (marked in the table's header). Persian Yeh and Keheh, which the DOS code page
// lacks, are written as Arabic Yeh and Kaf; Persian and Arabic digits as ASCII digits;
// other characters the code page lacks as "?". The table is <path without its
// extension>.dbf; an existing one is replaced. The rows are walked twice (widths,
// then values); `step` (when given) is told after each row of both walks, and
// answering false stops the writing. False when it could not be written or was
// stopped: then no table is left.
bool WriteGridDbf(DataSet* dataSet, const QString& path, const QString& mode,
                  const std::function<bool(qint64 done)>& step = {});

// The file WriteGridDbf writes for `path`, and the code-page file that may come with it.
QString DbfFilePath(const QString& path);
QString DbfCodePagePath(const QString& path);
