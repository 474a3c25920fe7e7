// SPDX-License-Identifier: GPL-3.0-or-later
// qtl_summary.csv, the QTL table the posterior graph dialog reads. A table
// it accepts must come back the same through the writer.
#include "formats/QtlSummaryFile.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    QtlSummaryTable table;
    try {
        table = readQtlSummaryCsv(bytes, "qtl_summary.csv");
    } catch (const FileError& error) {
        fuzz::require(error.file() == "qtl_summary.csv", "the message names the file");
        return 0;
    }
    for (const QtlSummaryRow& row : table.rows)
        fuzz::require(row.founderEffects.size() == static_cast<std::size_t>(table.founders),
                      "every row has an effect per founder");
    fuzz::require(readQtlSummaryCsv(qtlSummaryCsv(table), "qtl_summary.csv") == table,
                  "what the reader takes, the writer writes back the same");
    return 0;
}
