#include "ui/qt_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace lisotrex::ui {

QString entryMimeType() { return QStringLiteral("CF_PRIVATE_VARNISTEL"); }

namespace {
// The name earlier builds put the entries under; still read, and still
// written for them.
QString earlierMimeType() { return QStringLiteral("application/x-velmo-cf-private-varnistel"); }

const QMimeData* entriesOnClipboard(QString& format) {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime) return nullptr;
    for (const QString& name : {entryMimeType(), earlierMimeType()})
        if (mime->hasFormat(name)) {
            format = name;
            return mime;
        }
    return nullptr;
}
} // namespace

void QtClipboard::put(std::string block) {
    auto* mime = new QMimeData;
    const QByteArray bytes(block.data(), static_cast<qsizetype>(block.size()));
    mime->setData(entryMimeType(), bytes);
    mime->setData(earlierMimeType(), bytes);
    QApplication::clipboard()->setMimeData(mime);
}

std::optional<std::string> QtClipboard::get() const {
    QString format;
    const QMimeData* mime = entriesOnClipboard(format);
    if (!mime) return std::nullopt;
    QByteArray data = mime->data(format);
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool QtClipboard::hasEntries() const {
    QString format;
    return entriesOnClipboard(format) != nullptr;
}

} // namespace lisotrex::ui
