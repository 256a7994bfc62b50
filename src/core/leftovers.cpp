#include "core/leftovers.h"

#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/rewrite.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace core {

namespace {

std::mutex listLock;
std::filesystem::path listFile;
std::set<std::string> noted; // the folders this process knows to be in the list

std::vector<std::string> readList() {
    std::vector<std::string> folders;
    if (!fileio::exists(listFile))
        return folders;
    const std::string text = fileio::readAll(listFile);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        if (end > at)
            folders.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return folders;
}

void writeList(const std::vector<std::string>& folders) {
    if (folders.empty()) {
        fileio::removeQuietly(listFile);
        return;
    }
    std::string text;
    for (const std::string& folder : folders)
        text += folder + "\n";
    fileio::replaceContents(listFile, text);
}

} // namespace

void setLeftoverList(const std::filesystem::path& list) {
    const std::lock_guard<std::mutex> guard(listLock);
    listFile = list;
    noted.clear();
}

void noteTempFolder(const std::filesystem::path& folder) noexcept {
    const std::lock_guard<std::mutex> guard(listLock);
    if (listFile.empty())
        return;
    try {
        const std::string name = std::filesystem::absolute(folder).lexically_normal().string();
        if (noted.count(name))
            return;
        std::vector<std::string> folders = readList();
        if (std::find(folders.begin(), folders.end(), name) == folders.end()) {
            folders.push_back(name);
            writeList(folders);
        }
        noted.insert(name);
    } catch (const std::exception&) {
        // Not noted: the next change tries again.
    }
}

bool removeLeftoverIn(const std::filesystem::path& folder) noexcept {
    const std::filesystem::path temp = folder / kTempFileName;
    if (!fileio::exists(temp))
        return true;
    try {
        const fileio::FolderLock lock = fileio::lockFolder(folder, false);
        if (lock.held())
            fileio::removeQuietly(temp);
    } catch (const IoError&) {
        // Tidying up is no reason to stop anything; the next rewrite replaces the leftover.
    }
    return !fileio::exists(temp);
}

void removeListedLeftovers() noexcept {
    const std::lock_guard<std::mutex> guard(listLock);
    if (listFile.empty())
        return;
    try {
        const std::vector<std::string> folders = readList();
        std::vector<std::string> kept;
        for (const std::string& folder : folders) {
            removeLeftoverIn(folder);
            // A folder stays listed while it exists, so that changes there need not note it
            // again; one that has gone leaves the list.
            if (fileio::exists(folder))
                kept.push_back(folder);
        }
        if (kept != folders)
            writeList(kept);
        noted.clear();
        noted.insert(kept.begin(), kept.end());
    } catch (const std::exception&) {
        // The list stays as it was, to be read at the next start.
    }
}

} // namespace core
