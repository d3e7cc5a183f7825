#include "imaging/TempPictures.h"

#include <vector>

#include "platform/Paths.h"
#include "platform/SystemFiles.h"

namespace bildheber {

namespace {

bool sameCharacter(char a, char b) {
#ifdef _WIN32
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    return lower(a) == lower(b);
#else
    return a == b;
#endif
}

}  // namespace

std::string uniqueFileName(const std::string& name,
                           const std::function<bool(const std::string&)>& exists) {
    if (!exists(name)) {
        return name;
    }
    const std::string_view extension = extensionOf(name);
    const std::string stem = name.substr(0, name.size() - extension.size());
    for (unsigned long long k = 1;; ++k) {
        std::string candidate = stem + "-" + std::to_string(k) + std::string(extension);
        if (!exists(candidate)) {
            return candidate;
        }
    }
}

bool matchesFilePattern(std::string_view name, std::string_view pattern) {
    // Greedy matching with one backtrack point: linear enough for file names.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && sameCharacter(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

void deleteTmpFiles(const std::string& pathPattern) {
    const std::string folder = folderPart(pathPattern);
    const std::string pattern = fileNamePart(pathPattern);
    std::vector<std::string> matching;
    for (const std::string& name : folderEntries(folder)) {
        if (matchesFilePattern(name, pattern)) {
            matching.push_back(name);
        }
    }
    for (const std::string& name : matching) {
        removeFile(joinPath(folder, name));
    }
}

}  // namespace bildheber
