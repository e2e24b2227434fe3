#include "user_guide.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace sonavert {

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
