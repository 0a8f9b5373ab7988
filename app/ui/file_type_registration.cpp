#include "ui/file_type_registration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace lisotrex::ui {
namespace {

void writeIfChanged(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return;
    out.write(content);
    out.commit();
}

} // namespace

void registerFileType() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
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
                               "MimeType=application/x-lisotrex-document;\n"
                               "Terminal=false\n"
                               "Categories=Office;\n";
    writeIfChanged(data + QStringLiteral("/mime/packages/lisotrex-document.xml"), mime);
    writeIfChanged(data + QStringLiteral("/applications/lisotrex.desktop"), desktop);
}

} // namespace lisotrex::ui
