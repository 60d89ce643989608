// Conversions between host paths and catalogue paths.
#include "platform/CataloguePath.h"

#include "platform/Drives.h"

namespace sorvane {

std::string NameToCatalogue(std::string_view hostName) {
    std::string name(hostName);
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

std::string NameToHost(std::string_view catalogueName) {
    std::string name(catalogueName);
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

std::string ToCataloguePath(std::string_view hostPath) {
    const char letter = DriveLetterOf(hostPath);
    if (letter == ' ') return {};
    std::string folder = DriveFolder(letter);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string_view rest =
        hostPath.substr(std::min(hostPath.size(), folder == "/" ? 0 : folder.size()));
    std::string path = std::string(1, letter) + ":";
    // Each host component becomes one "\"-separated element.
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t slash = rest.find('/', start);
        const std::string_view part = rest.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (!part.empty()) {
            path.push_back('\\');
            path.append(NameToCatalogue(part));
        }
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    if (path.size() == 2) path.push_back('\\');
    return path;
}

std::string ToHostPath(std::string_view cataloguePath) {
    if (cataloguePath.size() < 2 || cataloguePath[1] != ':') return {};
    std::string folder = DriveFolder(cataloguePath[0]);
    if (folder.empty()) return {};
    if (folder.back() != '/') folder += '/';
    std::string_view rest = cataloguePath.substr(2);
    if (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
    std::string host = folder;
    for (char c : rest)
        host.push_back(c == '\\' ? '/' : (c == '/' ? '\\' : c));
    return host;
}

std::string ShownPath(std::string_view cataloguePath) {
    std::string host = ToHostPath(cataloguePath);
    return host.empty() ? std::string(cataloguePath) : host;
}

} // namespace sorvane
