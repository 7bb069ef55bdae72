// amval-xls-reader: reads an .xls workbook with libfreexl and writes its sheet names,
// or the cells of one sheet, to standard output in the framed form of xlsframes.h.
// The import starts it for every .xls it reads: whatever a damaged workbook does
// inside the library (and it can read out of bounds) happens in this process only,
// and the import refuses the file when this program fails, stops early or hangs.

#include "xlsframes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <freexl.h>
#include <string>

namespace {

void Put(char tag, const std::string& payload)
{
    char header[XlsFrames::kHeaderSize] = {tag};
    const auto size = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i)
        header[1 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    std::fwrite(header, 1, sizeof header, stdout);
    std::fwrite(payload.data(), 1, payload.size(), stdout);
}

void PutLittleEndian(std::string* out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

int Failed(const void* handle, const char* why)
{
    Put(XlsFrames::kFailed, why);
    if (handle != nullptr)
        freexl_close(handle);
    std::fflush(stdout);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::fwrite(XlsFrames::kMagic, 1, XlsFrames::kMagicSize, stdout);
    if (argc != 2 && argc != 3)
        return Failed(nullptr, "usage: amval-xls-reader FILE [SHEET]");

    const void* handle = nullptr;
    if (freexl_open(argv[1], &handle) != FREEXL_OK)
        return Failed(handle, "not a readable .xls workbook");
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        Put(XlsFrames::kProtected, std::string());
        freexl_close(handle);
        std::fflush(stdout);
        return 0;
    }
    unsigned int count = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK || count == 0)
        return Failed(handle, "no sheets");

    if (argc == 2) {
        for (unsigned int i = 0; i < count && i < 65536; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name) !=
                FREEXL_OK)
                return Failed(handle, "bad sheet name");
            Put(XlsFrames::kName, name != nullptr ? name : "");
        }
    } else {
        char* end = nullptr;
        const long index = std::strtol(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0' || index < 0 || index >= long(count))
            return Failed(handle, "no such sheet");
        unsigned int rowCount = 0;
        unsigned short columnCount = 0;
        if (freexl_select_active_worksheet(handle, static_cast<unsigned short>(index)) !=
                FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK)
            return Failed(handle, "bad sheet");
        std::string payload;
        for (unsigned int r = 0; r < rowCount; ++r) {
            bool rowWritten = false;
            for (unsigned short c = 0; c < columnCount; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                    return Failed(handle, "bad cell");
                payload.clear();
                PutLittleEndian(&payload, c, 2);
                switch (v.type) {
                case FREEXL_CELL_INT:
                    payload.push_back(XlsFrames::kInteger);
                    PutLittleEndian(
                        &payload,
                        static_cast<std::uint64_t>(static_cast<std::int64_t>(v.value.int_value)),
                        8);
                    break;
                case FREEXL_CELL_DOUBLE: {
                    std::uint64_t bits = 0;
                    std::memcpy(&bits, &v.value.double_value, sizeof bits);
                    payload.push_back(XlsFrames::kDouble);
                    PutLittleEndian(&payload, bits, 8);
                    break;
                }
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_TIME:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME: {
                    const char* text = v.value.text_value != nullptr ? v.value.text_value : "";
                    const std::size_t size = std::strlen(text);
                    if (size == 0)
                        continue;
                    if (size + 3 > XlsFrames::kMaxPayload)
                        return Failed(handle, "cell too long");
                    payload.push_back(v.type == FREEXL_CELL_DATE || v.type == FREEXL_CELL_DATETIME
                                          ? XlsFrames::kDate
                                          : XlsFrames::kText);
                    payload.append(text, size);
                    break;
                }
                default:
                    continue;
                }
                if (!rowWritten) {
                    std::string row;
                    PutLittleEndian(&row, r, 4);
                    Put(XlsFrames::kRow, row);
                    rowWritten = true;
                }
                Put(XlsFrames::kCell, payload);
            }
        }
    }
    Put(XlsFrames::kEnd, std::string());
    freexl_close(handle);
    return std::fflush(stdout) == 0 ? 0 : 3;
}
