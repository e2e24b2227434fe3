#include "user_guide.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdlib>

namespace sonavert {

std::string UserGuideFolder(const ProgramPaths& paths) {
    const std::string& settings = paths.settingsFile;
    if (settings.compare(0, paths.programFolder.size(), paths.programFolder) == 0 &&
        settings.find('/', paths.programFolder.size()) == std::string::npos)
        return paths.programFolder;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') return std::string(cache) + "/sonavert/";
    return HomeFolder([](const char* name) { return std::getenv(name); }) + ".cache/sonavert/";
}

std::string WriteOutUserGuide(const std::string& folder, std::string& error) {
    QFile guide(":/sonavert/sonavert-help.html");
    if (!guide.open(QIODevice::ReadOnly)) {
        error = "The guide is missing from the program.";
        return {};
    }
    const QString where = QString::fromStdString(folder);
    if (!QDir(where).exists()) {
        if (!QDir().mkpath(where)) {
            error = "The folder " + folder + " cannot be made.";
            return {};
        }
        QFile::setPermissions(where, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const std::string path = QDir(where).filePath("sonavert-help.html").toStdString();
    // Written under a temporary name and renamed into place.
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) || out.write(guide.readAll()) < 0 || !out.commit()) {
        error = path + ": " + out.errorString().toStdString();
        return {};
    }
    return path;
}

}  // namespace sonavert
