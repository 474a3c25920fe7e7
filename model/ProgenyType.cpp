#include "model/ProgenyType.h"

#include <cctype>

std::string progenyTypeFromWord(std::string_view word, const std::string& current) {
    if (word.empty())
        return current;
    switch (std::tolower(static_cast<unsigned char>(word[0]))) {
    case 'd':
        return "DHL";
    case 'b':
        if (word.size() >= 3 && word[2] == '1')
            return "BC1";
        if (word.size() >= 3 && word[2] == '2')
            return "BC2";
        return current;
    case 'f':
        return "F2";
    case 'r':
        return "RIL";
    default:
        return current;
    }
}

int progenyCode(std::string_view type) {
    if (type == "DHL")
        return 1;
    if (type == "BC1")
        return 2;
    if (type == "BC2")
        return 3;
    if (type == "F2")
        return 4;
    return 5;
}
