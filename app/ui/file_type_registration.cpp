#include "ui/file_type_registration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace lisotrex::ui {
namespace {

constexpr char kMimeType[] = "application/x-lisotrex-document";
constexpr int kToolTimeoutMs = 20000;

QByteArray resource(const QString& name) {
    QFile f(QStringLiteral(":/lisotrex/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// True when the file now holds a new content.
bool writeIfChanged(const QString& path, const QByteArray& content) {
    if (content.isEmpty()) return false;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return false;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(content);
    return out.commit();
}

bool fileContains(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(text);
}

// Runs a desktop database tool on a folder; a missing tool is no error.
void runTool(const QString& program, const QString& folder) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return;
    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(path, {folder});
    if (!tool.waitForFinished(kToolTimeoutMs)) tool.kill();
}

// A path as one quoted Exec argument: the quoting escapes \ " ` $ with a
// backslash, the entry's string rules then double every backslash, and a
// field code's % stands doubled.
QByteArray execArgument(const QString& path) {
    QByteArray quoted;
    for (char c : path.toUtf8()) {
        if (c == '\\') quoted += "\\\\\\"; // four in all
        else if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return '"' + quoted + '"';
}

// The installed entry starts "lisotrex" from the PATH; the user's entry
// starts this very program file.
QByteArray desktopEntryFor(const QString& program) {
    QByteArray entry = resource(QStringLiteral("lisotrex.desktop"));
    return entry.replace("\nExec=lisotrex %f\n", "\nExec=" + execArgument(program) + " %f\n");
}

// <prefix>/lib/lisotrex/lisotrex beside <prefix>/share/applications/lisotrex.desktop.
bool installedWithEntry(const QString& program) {
    const QString prefix = QFileInfo(program).absolutePath() + QStringLiteral("/../..");
    return QFileInfo::exists(prefix + QStringLiteral("/share/applications/lisotrex.desktop")) &&
           QFileInfo::exists(prefix + QStringLiteral("/share/mime/packages/lisotrex-document.xml"));
}

} // namespace

void registerFileType() { registerFileTypeFor(QCoreApplication::applicationFilePath()); }

void registerFileTypeFor(const QString& program) {
    if (installedWithEntry(program)) return;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return;
    const QString mimeFolder = data + QStringLiteral("/mime");
    const QString applications = data + QStringLiteral("/applications");
    const QString icons = data + QStringLiteral("/icons/hicolor/scalable");

    // The icons first, so the databases below already find them. A book file's
    // icon carries the type's name, the desktop's default for that type.
    writeIfChanged(icons + QStringLiteral("/apps/lisotrex.svg"), resource(QStringLiteral("icons/lisotrex.svg")));
    writeIfChanged(icons + QStringLiteral("/mimetypes/application-x-lisotrex-document.svg"),
                   resource(QStringLiteral("icons/application-x-lisotrex-document.svg")));

    // The databases are rebuilt when the package changed, and also when an
    // earlier rebuild never happened (the tool was missing then).
    const bool mimeChanged = writeIfChanged(mimeFolder + QStringLiteral("/packages/lisotrex-document.xml"),
                                            resource(QStringLiteral("lisotrex-document.xml")));
    if (mimeChanged || !QFileInfo::exists(mimeFolder + QStringLiteral("/") + QLatin1String(kMimeType) + ".xml"))
        runTool(QStringLiteral("update-mime-database"), mimeFolder);
    const bool desktopChanged = writeIfChanged(applications + QStringLiteral("/lisotrex.desktop"), desktopEntryFor(program));
    if (desktopChanged || !fileContains(applications + QStringLiteral("/mimeinfo.cache"), "lisotrex.desktop"))
        runTool(QStringLiteral("update-desktop-database"), applications);
}

} // namespace lisotrex::ui
