#include "ui/file_type_registration.h"

#include "ui/desktop_icons.h"

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

// True when the file now holds a new content.
bool writeIfChanged(const QString& path, const QByteArray& content) {
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

} // namespace

void registerFileType() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return;
    const QByteArray mime =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-lisotrex-document\">\n"
        "    <comment>Kavrelux Document</comment>\n"
        "    <glob pattern=\"*.abu\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    const QByteArray desktop = "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Kavrelo\n"
                               "Comment=Kavrelux Document\n"
                               "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" %f\n"
                               "Icon=lisotrex\n"
                               "MimeType=application/x-lisotrex-document;\n"
                               "Terminal=false\n"
                               "Categories=Office;\n";
    const QString mimeFolder = data + QStringLiteral("/mime");
    const QString applications = data + QStringLiteral("/applications");
    const QString icons = data + QStringLiteral("/icons/hicolor/scalable");

    // The icons first, so the databases below already find them. A book file's
    // icon carries the type's name, the desktop's default for that type.
    writeIfChanged(icons + QStringLiteral("/apps/lisotrex.svg"), applicationIconSvg());
    writeIfChanged(icons + QStringLiteral("/mimetypes/application-x-lisotrex-document.svg"), bookFileIconSvg());

    // The databases are rebuilt when the package changed, and also when an
    // earlier rebuild never happened (the tool was missing then).
    const bool mimeChanged = writeIfChanged(mimeFolder + QStringLiteral("/packages/lisotrex-document.xml"), mime);
    if (mimeChanged || !QFileInfo::exists(mimeFolder + QStringLiteral("/") + QLatin1String(kMimeType) + ".xml"))
        runTool(QStringLiteral("update-mime-database"), mimeFolder);
    const bool desktopChanged = writeIfChanged(applications + QStringLiteral("/lisotrex.desktop"), desktop);
    if (desktopChanged || !fileContains(applications + QStringLiteral("/mimeinfo.cache"), "lisotrex.desktop"))
        runTool(QStringLiteral("update-desktop-database"), applications);
}

} // namespace lisotrex::ui
