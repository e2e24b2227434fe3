// The desktop launcher of a program: <desktop>/<name>.desktop.
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include "tonekit.h"

namespace tonekit::ui {
namespace {

// A value of a launcher's Exec key: quoted, with the reserved characters and
// field-code percent signs escaped.
QString QuotedExec(const QString& target) {
    QString quoted;
    for (QChar c : target) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
        if (c == '%') quoted += '%';
    }
    // The desktop-entry format itself escapes backslashes once more.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return '"' + quoted + '"';
}

QByteArray LauncherText(const QString& name, const QString& target) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=%1\n"
               "Comment=Converts audio files between MP3, WMA and WAV\n"
               "Exec=%2\n"
               "Icon=sonavert\n"
               "Terminal=false\n"
               "Categories=AudioVideo;Audio;\n")
        .arg(name, QuotedExec(target))
        .toUtf8();
}

}  // namespace
}  // namespace tonekit::ui

extern "C" int32_t CreateDesktopShortcut(TkWindow, const char* name, const char* target) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QDir(desktop).exists()) return 0;
    const QString launcher = QDir(desktop).filePath(QString::fromUtf8(name) + ".desktop");
    QSaveFile file(launcher);
    if (!file.open(QIODevice::WriteOnly)) return -1;
    file.write(tonekit::ui::LauncherText(QString::fromUtf8(name), QString::fromUtf8(target)));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return file.commit() ? 0 : -1;
}
