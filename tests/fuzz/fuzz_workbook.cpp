// libFuzzer harness over the workbook readers: every input is opened as a workbook
// (.xlsx with FUZZ_XLSX=1, .xls with FUZZ_XLSX=0) and its first sheets read. A
// reader must refuse what it cannot read, never crash, and stay within its limits.

#include "workbookreader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString reason;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::OpenBytes(bytes, FUZZ_XLSX, &reason);
    if (reader == nullptr)
        return 0;
    const int sheets = std::min<int>(int(reader->sheetNames().size()), 4);
    for (int i = 0; i < sheets; ++i) {
        SheetRows rows;
        if (reader->readSheet(i, &rows, &reason) && rows.columnCount > WorkbookReader::kMaxColumns)
            __builtin_trap();
    }
    return 0;
}
