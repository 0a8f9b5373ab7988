#include "dialog/entry_rows_model.h"

#include <QPainter>
#include <QPixmap>

#include "platform/codepage.h"
#include "bridge_strings.h"

namespace vqbridge {

namespace {

constexpr int kHeaders[kColumnCount] = {kStrColumnName, kStrColumnAddress, kStrColumnCompany, kStrColumnDepartment};

// Small row icons drawn here, so the bridge ships no picture files.
QIcon drawIcon(int kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    if (kind == 0) { // fax: a machine with a sheet
        p.setBrush(QColor(245, 245, 245));
        p.drawRect(QRectF(4.5, 1.5, 7, 6));
        p.setBrush(QColor(120, 140, 170));
        p.drawRect(QRectF(1.5, 6.5, 13, 8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 9.5, 7, 2));
    } else if (kind == 1) { // e-mail: an envelope
        p.setBrush(QColor(250, 235, 180));
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
        p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
    } else { // list: two people
        p.setBrush(QColor(110, 160, 110));
        p.drawEllipse(QRectF(2, 2, 5, 5));
        p.drawRoundedRect(QRectF(1, 8, 7, 6), 2, 2);
        p.setBrush(QColor(90, 130, 190));
        p.drawEllipse(QRectF(9, 2, 5, 5));
        p.drawRoundedRect(QRectF(8, 8, 7, 6), 2, 2);
    }
    return QIcon(pixmap);
}

} // namespace

EntryRowsModel::EntryRowsModel(const RecipientSelection& selection, QObject* parent)
    : QAbstractTableModel(parent), selection_(selection), fax_(drawIcon(0)), email_(drawIcon(1)), list_(drawIcon(2)) {}

int EntryRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(selection_.rows().size());
}

int EntryRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant EntryRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= selection_.rows().size()) return {};
    const EntryRow& row = selection_.rows()[size_t(index.row())];
    // The columns start as wide as their headers; a text they cut shows whole as a tool tip.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return QString::fromStdString(platform::systemToUtf8(columnText(row, index.column())));
    if (role == Qt::DecorationRole && index.column() == kColumnName) {
        if (row.isList()) return list_;
        return row.addressKind == AddressKind::Email ? email_ : fax_;
    }
    return {};
}

QVariant EntryRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
    return QString::fromStdString(loadString(kHeaders[section]));
}

} // namespace vqbridge
