// libFuzzer harness over the workbook readers. With FUZZ_XLSX=1 every input is opened
// as an .xlsx workbook and its first sheets read. With FUZZ_XLSX=0 every input is taken
// as the output of amval-xls-reader (the .xls workbooks are read by libfreexl in that
// program, never in ours) and read as sheet names and as a sheet's rows, whole and in
// small blocks. A reader must refuse what it cannot read, never crash, and stay within
// its limits.

#include "workbookreader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

[[maybe_unused]] void ReadWorkbook(const QByteArray& bytes)
{
    QString reason;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::OpenBytes(bytes, true, &reason);
    if (reader == nullptr)
        return;
    const int sheets = std::min<int>(int(reader->sheetNames().size()), 4);
    for (int i = 0; i < sheets; ++i) {
        SheetRows rows;
        if (reader->readSheet(i, &rows, &reason) && rows.columnCount > WorkbookReader::kMaxColumns)
            __builtin_trap();
    }
}

[[maybe_unused]] void ReadFrames(const QByteArray& bytes, qsizetype block)
{
    for (const bool sheet : {false, true}) {
        SheetRows rows;
        XlsFrameParser parser(sheet ? &rows : nullptr);
        bool good = true;
        for (qsizetype at = 0; good && at < bytes.size(); at += block)
            good = parser.feed(bytes.constData() + at, std::min(block, bytes.size() - at));
        good = good && parser.finish();
        if (!good && (!rows.rows.isEmpty() || !parser.names().isEmpty()))
            __builtin_trap();
        if (rows.columnCount > WorkbookReader::kMaxColumns ||
            rows.rows.size() > WorkbookReader::kMaxRows)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
#if FUZZ_XLSX
    ReadWorkbook(bytes);
#else
    ReadFrames(bytes, std::max<qsizetype>(bytes.size(), 1));
    ReadFrames(bytes, qsizetype(size % 7) + 1);
#endif
    return 0;
}
