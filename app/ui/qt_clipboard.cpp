#include "ui/qt_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace lisotrex::ui {

QString entryMimeType() { return QStringLiteral("application/x-velmo-cf-private-varnistel"); }

void QtClipboard::put(std::string block) {
    auto* mime = new QMimeData;
    mime->setData(entryMimeType(), QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    QApplication::clipboard()->setMimeData(mime);
}

std::optional<std::string> QtClipboard::get() const {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(entryMimeType())) return std::nullopt;
    QByteArray data = mime->data(entryMimeType());
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool QtClipboard::hasEntries() const {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    return mime && mime->hasFormat(entryMimeType());
}

} // namespace lisotrex::ui
