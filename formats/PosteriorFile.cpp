// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PosteriorFile.h"

#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

std::string posteriorFileName(PosteriorValue value, int chromosome) {
    std::string name = "qtI100_00.txt";
    if (value == PosteriorValue::Variance)
        name.replace(2, 4, "lVar");
    name[7] = static_cast<char>('0' + (chromosome / 10) % 10);
    name[8] = static_cast<char>('0' + chromosome % 10);
    return name;
}

std::vector<int> binCentres(int length, int binLength) {
    std::vector<int> centres;
    if (binLength < 1)
        return centres;
    for (int s = binLength / 2; s <= length; s += binLength)
        centres.push_back(s);
    return centres;
}

std::string posteriorText(const std::vector<int>& centres, const std::vector<PosteriorRun>& runs) {
    std::string text = "meta_run";
    for (const int centre : centres)
        text += " " + std::to_string(centre);
    text += "\n";
    for (const PosteriorRun& run : runs) {
        text += std::to_string(run.run);
        for (const double value : run.values)
            text += " " + fmt::generalNumber(value);
        text += "\n";
    }
    return text;
}

std::vector<PosteriorRun> readPosteriorFile(std::istream& in, const std::string& fileName,
                                            std::size_t binCount, int runCount) {
    WordReader words(in);
    std::string word;
    const auto next = [&](const std::string& due) {
        if (!words.next(word))
            throw FileError(fileName, "the file ends before " + due);
    };
    const auto fail = [&](const std::string& problem) {
        throw FileError(fileName, FilePlace::line(words.line()), problem);
    };
    for (std::size_t heading = 0; heading <= binCount; ++heading)
        next("the end of the heading (a word and " + std::to_string(binCount) + " bins)");
    std::vector<PosteriorRun> runs;
    for (int r = 1; r <= runCount; ++r) {
        PosteriorRun& run = runs.emplace_back();
        next("meta-run " + std::to_string(r));
        const auto number = parseInt(word);
        if (!number)
            fail("meta-run number " + inQuotes(word) + " is not a whole number");
        run.run = *number;
        for (std::size_t k = 1; k <= binCount; ++k) {
            next("the value of bin " + std::to_string(k) + " of meta-run " + std::to_string(r));
            const auto value = parseReal(word);
            if (!value)
                fail("the value " + inQuotes(word) + " of bin " + std::to_string(k) +
                     " is not a number");
            run.values.push_back(*value);
        }
    }
    return runs;
}
